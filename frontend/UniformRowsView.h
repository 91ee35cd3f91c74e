#pragma once
// A list whose rows all have one size, so that where a row lies follows from its number alone:
// the view keeps nothing for each row, and a model of a billion rows costs it no memory. Qt's
// own list and table views keep a position or a section for every row even when all are alike.
// Rows are drawn by the item delegate; the view scrolls a row at a time down and a pixel at a
// time across, and moves, selects and scrolls to rows as a list view does.
#include <QAbstractItemView>
#include <QSize>
#include <algorithm>

namespace lumox {

class TUniformRowsView final : public QAbstractItemView {
 public:
  explicit TUniformRowsView(QWidget* parent = nullptr);

  // The size of every row; its width is the width the view can be scrolled across.
  void SetRowSize(QSize size);

  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex& index) const override;
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void updateGeometries() override;
  void scrollContentsBy(int dx, int dy) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int RowCount() const;
  int RowHeight() const { return std::max(1, RowSize.height()); }
  int TopRow() const;
  // The rows that fit whole in the viewport, at least one.
  int VisibleRows() const;
  // The row at `y` of the viewport, which may lie before the first row or after the last.
  qint64 RowAt(int y) const;
  // Where `row` lies in the viewport; rows far away are placed as far as coordinates go.
  QRect RowRect(qint64 row) const;
  QModelIndex Row(qint64 row) const;

  QSize RowSize;
};

}  // namespace lumox
