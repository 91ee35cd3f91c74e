#include "frontend/LapGridModel.h"

#include <QFont>

namespace lumox {
namespace {

QVariant Alignment(const TGridColumn& column) {
  return QVariant::fromValue(Qt::Alignment((column.RightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
}

}  // namespace

void TLapGridModel::Fill(TLapTimePoolConnector& pool, TFrontEndState& state, int carItem, int trackItem) {
  // A failed query leaves the rows it had read so far, as the grid showed them.
  struct TReset {
    TLapGridModel* Model;
    ~TReset() { Model->endResetModel(); }
  };
  beginResetModel();
  const TReset reset{this};
  FGrid.Fill(pool, state, carItem, trackItem);
}

int TLapGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FGrid.RowCount(); }

int TLapGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FGrid.Columns().size());
}

QVariant TLapGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return FGrid.Cell(index.row(), index.column());
    case Qt::TextAlignmentRole:
      return Alignment(FGrid.Columns()[static_cast<size_t>(index.column())]);
    case Qt::FontRole: {
      if (!FGrid.IsBold(index.row())) return {};
      QFont bold;
      bold.setBold(true);
      return bold;
    }
    default:
      return {};
  }
}

QVariant TLapGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const TGridColumn& column = FGrid.Columns()[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return column.Caption;
  if (role == Qt::TextAlignmentRole) return Alignment(column);
  return {};
}

}  // namespace lumox
