#include <gtest/gtest.h>

#include <QAbstractListModel>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTest>

#include "frontend/UniformRowsView.h"

namespace lumox {
namespace {

// Rows made up as they are asked for, as many as an int counts.
class TCountingModel final : public QAbstractListModel {
 public:
  explicit TCountingModel(int rows) : Rows(rows) {}
  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : Rows; }
  QVariant data(const QModelIndex& index, int role) const override {
    return role == Qt::DisplayRole ? QVariant(QString::number(index.row())) : QVariant();
  }

 private:
  int Rows;
};

struct TPainted {
  int Row, Y;
  bool Selected, Focus;
  bool operator==(const TPainted&) const = default;
};
void PrintTo(const TPainted& row, std::ostream* out) {
  *out << row.Row << " at " << row.Y << (row.Selected ? " selected" : "") << (row.Focus ? " focus" : "");
}

class TRecordingDelegate final : public QStyledItemDelegate {
 public:
  void paint(QPainter*, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    Painted.push_back({index.row(), option.rect.y(), option.state.testFlag(QStyle::State_Selected),
                       option.state.testFlag(QStyle::State_HasFocus)});
  }
  mutable std::vector<TPainted> Painted;
};

constexpr int kRowHeight = 20, kVisibleRows = 10, kBillion = 1 << 30;

// A view of `rows` rows with room for exactly kVisibleRows of them, the first one current.
class UniformRowsView : public ::testing::Test {
 protected:
  void Show(int rows) {
    auto model = std::make_unique<TCountingModel>(rows);
    View.setModel(model.get());
    Model = std::move(model);
    View.setItemDelegate(&Delegate);
    View.setSelectionMode(QAbstractItemView::ExtendedSelection);
    View.SetRowSize(QSize(1000, kRowHeight));
    View.resize(300, 300);
    View.show();
    View.resize(300, 300 + kVisibleRows * kRowHeight - View.viewport()->height());
    View.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&View));
    View.setFocus();
    View.setCurrentIndex(Model->index(0, 0));
  }
  int Current() const { return View.currentIndex().row(); }
  int Top() const { return View.indexAt(QPoint(1, 1)).row(); }
  QPoint RowCentre(int row) const { return View.visualRect(Model->index(row, 0)).center(); }

  std::unique_ptr<TCountingModel> Model;
  TRecordingDelegate Delegate;
  TUniformRowsView View;
};

TEST_F(UniformRowsView, KeysMoveTheCurrentRowAndScrollItIntoView) {
  const struct {
    int Rows, From;
    std::vector<int> Keys;
    int Current, Top;
  } cases[] = {
      {1000, 0, {Qt::Key_Down, Qt::Key_Down}, 2, 0},
      {1000, 0, {Qt::Key_Up, Qt::Key_Right}, 0, 0},
      {1000, 0, {Qt::Key_PageDown}, 9, 0},
      {1000, 0, {Qt::Key_PageDown, Qt::Key_PageDown}, 18, 9},
      {1000, 500, {Qt::Key_PageUp}, 491, 491},
      {1000, 0, {Qt::Key_End}, 999, 990},
      {1000, 0, {Qt::Key_End, Qt::Key_Down, Qt::Key_Home}, 0, 0},
      {5, 0, {Qt::Key_End}, 4, 0},
      {kBillion, 0, {Qt::Key_End, Qt::Key_Up}, kBillion - 2, kBillion - kVisibleRows},
  };
  for (const auto& each : cases) {
    Show(each.Rows);
    View.setCurrentIndex(Model->index(each.From, 0));
    for (const int key : each.Keys) QTest::keyClick(&View, Qt::Key(key));
    EXPECT_EQ(Current(), each.Current) << each.Rows << " rows from " << each.From;
    EXPECT_EQ(Top(), each.Top) << each.Rows << " rows from " << each.From;
    EXPECT_EQ(View.verticalScrollBar()->maximum(), std::max(0, each.Rows - kVisibleRows));
  }
}

// Far down a billion rows: the view keeps nothing per row, so it has no layout to wait for.
TEST_F(UniformRowsView, ClicksSelectRowsAndOnlyTheRowsInViewArePainted) {
  Show(kBillion);
  const int top = 20'000'000;
  View.scrollTo(Model->index(top, 0), QAbstractItemView::PositionAtTop);
  ASSERT_EQ(Top(), top);
  QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, RowCentre(top + 2));
  View.scrollTo(Model->index(top + 1000, 0), QAbstractItemView::PositionAtTop);
  QTest::mouseClick(View.viewport(), Qt::LeftButton, Qt::ShiftModifier, RowCentre(top + 1003));
  ASSERT_EQ(View.selectionModel()->selection().size(), 1);
  EXPECT_EQ(View.selectionModel()->selection()[0].top(), top + 2);
  EXPECT_EQ(View.selectionModel()->selection()[0].bottom(), top + 1003);
  EXPECT_FALSE(View.indexAt(QPoint(1000, 1)).isValid()) << "beyond the row's width";

  View.scrollTo(Model->index(kBillion - 1, 0));
  QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, RowCentre(kBillion - 2));
  Delegate.Painted.clear();
  View.viewport()->grab();
  std::vector<TPainted> expected;
  for (int i = 0; i < kVisibleRows; ++i) {
    const int row = kBillion - kVisibleRows + i;
    expected.push_back({row, i * kRowHeight, row == kBillion - 2, row == kBillion - 2});
  }
  EXPECT_EQ(Delegate.Painted, expected);
}

}  // namespace
}  // namespace lumox
