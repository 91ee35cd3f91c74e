#pragma once
#include <QAbstractTableModel>

#include "frontend/LapGrid.h"

namespace lumox {

// The archive grid as a read-only table model over a TLapGrid: texts, alignment of the
// number columns and bold rows are asked for only as rows are drawn.
class TLapGridModel final : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Refills the grid for the selection; the view is reset once.
  void Fill(TLapTimePoolConnector& pool, TFrontEndState& state, int carItem, int trackItem);
  const TLapGrid& Grid() const { return FGrid; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  TLapGrid FGrid;
};

}  // namespace lumox
