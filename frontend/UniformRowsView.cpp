#include "frontend/UniformRowsView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace lumox {
namespace {

// Rows this many pixels away or more are placed at that distance: Qt adds and subtracts such
// coordinates in ints, and a selection dragged or extended over that many pixels is no use.
constexpr qint64 kFar = qint64(1) << 29;

int Clamped(qint64 pixels) { return int(std::clamp(pixels, -kFar, kFar)); }

}  // namespace

TUniformRowsView::TUniformRowsView(QWidget* parent) : QAbstractItemView(parent) {}

void TUniformRowsView::SetRowSize(QSize size) {
  RowSize = size;
  updateGeometries();
  viewport()->update();
}

int TUniformRowsView::RowCount() const { return model() ? model()->rowCount(rootIndex()) : 0; }

int TUniformRowsView::TopRow() const { return verticalScrollBar()->value(); }

int TUniformRowsView::VisibleRows() const { return std::max(1, viewport()->height() / RowHeight()); }

qint64 TUniformRowsView::RowAt(int y) const {
  const int height = RowHeight();
  return TopRow() + (y >= 0 ? y / height : (y - height + 1) / height);
}

QRect TUniformRowsView::RowRect(qint64 row) const {
  return {-horizontalOffset(), Clamped((row - TopRow()) * RowHeight()), RowSize.width(), RowHeight()};
}

QModelIndex TUniformRowsView::Row(qint64 row) const { return model()->index(int(row), 0, rootIndex()); }

QRect TUniformRowsView::visualRect(const QModelIndex& index) const {
  if (!index.isValid() || index.parent() != rootIndex()) return {};
  return RowRect(index.row());
}

// Scrolls only up or down: a row is shown as far across as the view is scrolled.
void TUniformRowsView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid() || index.parent() != rootIndex()) return;
  executeDelayedItemsLayout();
  const int row = index.row(), top = TopRow(), visible = VisibleRows();
  int wanted = top;
  switch (hint) {
    case EnsureVisible:
      if (row < top) wanted = row;
      if (row >= top + visible) wanted = row - visible + 1;
      break;
    case PositionAtTop:
      wanted = row;
      break;
    case PositionAtBottom:
      wanted = row - visible + 1;
      break;
    case PositionAtCenter:
      wanted = row - visible / 2;
      break;
  }
  verticalScrollBar()->setValue(wanted);
}

QModelIndex TUniformRowsView::indexAt(const QPoint& point) const {
  const qint64 row = RowAt(point.y());
  if (row < 0 || row >= RowCount() || !RowRect(row).contains(point)) return {};
  return Row(row);
}

// Left and right move nowhere: the rows lie one below the other.
QModelIndex TUniformRowsView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
  const int rows = RowCount();
  if (rows == 0) return {};
  if (!currentIndex().isValid()) return Row(0);
  const qint64 row = currentIndex().row(), page = std::max(1, VisibleRows() - 1);
  qint64 wanted = row;
  switch (action) {
    case MoveUp:
    case MovePrevious:
      wanted = row - 1;
      break;
    case MoveDown:
    case MoveNext:
      wanted = row + 1;
      break;
    case MovePageUp:
      wanted = row - page;
      break;
    case MovePageDown:
      wanted = row + page;
      break;
    case MoveHome:
      wanted = 0;
      break;
    case MoveEnd:
      wanted = rows - 1;
      break;
    case MoveLeft:
    case MoveRight:
      break;
  }
  return Row(std::clamp<qint64>(wanted, 0, rows - 1));
}

int TUniformRowsView::horizontalOffset() const { return horizontalScrollBar()->value(); }

int TUniformRowsView::verticalOffset() const { return Clamped(qint64(TopRow()) * RowHeight()); }

bool TUniformRowsView::isIndexHidden(const QModelIndex&) const { return false; }

void TUniformRowsView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
  const QRect area = rect.normalized();
  const qint64 first = std::max<qint64>(RowAt(area.top()), 0);
  const qint64 last = std::min<qint64>(RowAt(area.bottom()), RowCount() - 1);
  QItemSelection rows;
  if (first <= last) rows.select(Row(first), Row(last));
  selectionModel()->select(rows, command);
}

QRegion TUniformRowsView::visualRegionForSelection(const QItemSelection& selection) const {
  const qint64 top = TopRow() - 1, bottom = qint64(TopRow()) + VisibleRows() + 1;
  QRegion region;
  for (const QItemSelectionRange& range : selection) {
    if (range.parent() != rootIndex()) continue;
    const qint64 first = std::max<qint64>(range.top(), top), last = std::min<qint64>(range.bottom(), bottom);
    if (first <= last) region += RowRect(first).united(RowRect(last));
  }
  return region;
}

void TUniformRowsView::updateGeometries() {
  const int visible = VisibleRows();
  verticalScrollBar()->setRange(0, std::max(0, RowCount() - visible));
  verticalScrollBar()->setPageStep(visible);
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setRange(0, std::max(0, RowSize.width() - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(RowHeight());
  QAbstractItemView::updateGeometries();
}

// A scroll by rows is no scroll by pixels, so the rows are drawn again.
void TUniformRowsView::scrollContentsBy(int, int) { viewport()->update(); }

void TUniformRowsView::paintEvent(QPaintEvent* event) {
  if (!model()) return;
  QPainter painter(viewport());
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QStyle::State state = option.state & ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
  const QModelIndex current = currentIndex();
  const bool focus = hasFocus() || viewport()->hasFocus();
  const qint64 first = std::max<qint64>(RowAt(event->rect().top()), 0);
  const qint64 last = std::min<qint64>(RowAt(event->rect().bottom()), RowCount() - 1);
  for (qint64 row = first; row <= last; ++row) {
    const QModelIndex index = Row(row);
    option.rect = RowRect(row);
    option.state = state;
    option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
    option.state.setFlag(QStyle::State_HasFocus, focus && index == current);
    itemDelegateForIndex(index)->paint(&painter, option, index);
  }
}

}  // namespace lumox
