#include "tests/support/GuiTesting.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace lumox::test {
namespace {

// A push button's text must fit the room inside its frame, whatever size the style prefers.
bool TextFitsButton(const QPushButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  const QRect room = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
  const int icon = button.icon().isNull() ? 0 : button.iconSize().width();
  return room.width() >= button.fontMetrics().size(Qt::TextShowMnemonic, button.text()).width() + icon;
}

// Adds the texts of `widget` that cannot show whole to `cut`.
void AddCutTexts(const QWidget& widget, QStringList& cut) {
  // A widget smaller than the size made for its text cuts it.
  const auto squeezed = [&](QSize need) { return widget.size().expandedTo(need) != widget.size(); };
  if (auto* label = qobject_cast<const QLabel*>(&widget); label && squeezed(label->minimumSizeHint()))
    cut << label->text();
  if ((widget.inherits("QCheckBox") || widget.inherits("QRadioButton")) && squeezed(widget.sizeHint()))
    cut << static_cast<const QAbstractButton&>(widget).text();
  if (auto* push = qobject_cast<const QPushButton*>(&widget); push && !TextFitsButton(*push))
    cut << push->text();
  if (auto* group = qobject_cast<const QGroupBox*>(&widget); group && squeezed(group->minimumSizeHint()))
    cut << group->title();
  if (auto* tabs = qobject_cast<const QTabBar*>(&widget)) {
    for (int i = 0; i < tabs->count(); ++i)
      if (!tabs->rect().contains(tabs->tabRect(i))) cut << tabs->tabText(i);
  }
  auto* grid = qobject_cast<const QTableView*>(&widget);
  const QAbstractItemModel* model = grid ? grid->model() : nullptr;
  for (int column = 0; model && column < model->columnCount(); ++column) {
    if (grid->horizontalHeader()->sectionSize(column) < grid->horizontalHeader()->sectionSizeHint(column))
      cut << model->headerData(column, Qt::Horizontal).toString();
    // The rows in view.
    for (int row = std::max(grid->rowAt(0), 0);
         row < model->rowCount() && grid->rowViewportPosition(row) < grid->viewport()->height(); ++row) {
      const QModelIndex cell = model->index(row, column);
      if (grid->columnWidth(column) < grid->sizeHintForIndex(cell).width() + (grid->showGrid() ? 1 : 0))
        cut << cell.data().toString();
    }
  }
}

}  // namespace

void WithNextModal(const std::function<void(QWidget* modal)>& action, const std::function<void()>& opener) {
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [action, poll] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      action(modal);
    } else {
      QTimer::singleShot(10, *poll);
    }
  };
  QTimer::singleShot(0, *poll);
  opener();
  *poll = [] {};  // a poll still queued after the dialog closed does nothing
}

bool HasRealWindows() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

QString SaveScreenshot(QWidget* widget, const QString& name) {
  const QString folder = QString::fromUtf8(LUMOX_TEST_ARTIFACTS);
  QDir().mkpath(folder);
  const QString path = folder + "/" + name + ".png";
  EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
  ExpectWholeTexts(*widget);
  return path;
}

void ExpectWholeTexts(const QWidget& window) {
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    QStringList cut;
    if (widget->isVisible()) AddCutTexts(*widget, cut);
    for (const QString& text : cut)
      ADD_FAILURE() << widget->metaObject()->className() << " cuts \"" << text.toStdString() << "\"";
  }
}

}  // namespace lumox::test
