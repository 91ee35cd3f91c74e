#include "tests/support/GuiTesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace lumox::test {
namespace {

// A widget shorter than its minimum size cuts the text that size was made for.
bool Squeezed(const QWidget& widget, QSize need) { return widget.width() < need.width() || widget.height() < need.height(); }

// A push button's text must fit the room inside its frame, whatever size the style prefers.
bool TextFitsButton(const QPushButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  const QRect room = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
  int need = button.fontMetrics().size(Qt::TextShowMnemonic, button.text()).width();
  if (!button.icon().isNull()) need += button.iconSize().width();
  return room.width() >= need;
}

// The texts of `widget` that cannot show whole.
QStringList CutTexts(const QWidget& widget) {
  if (auto* label = qobject_cast<const QLabel*>(&widget))
    return !label->text().isEmpty() && Squeezed(widget, label->minimumSizeHint()) ? QStringList{label->text()} : QStringList{};
  if (qobject_cast<const QCheckBox*>(&widget) || qobject_cast<const QRadioButton*>(&widget))
    return Squeezed(widget, widget.sizeHint()) ? QStringList{static_cast<const QAbstractButton&>(widget).text()} : QStringList{};
  if (auto* button = qobject_cast<const QPushButton*>(&widget))
    return TextFitsButton(*button) ? QStringList{} : QStringList{button->text()};
  if (auto* group = qobject_cast<const QGroupBox*>(&widget))
    return widget.width() < group->minimumSizeHint().width() ? QStringList{group->title()} : QStringList{};
  QStringList cut;
  if (auto* tabs = qobject_cast<const QTabBar*>(&widget)) {
    for (int i = 0; i < tabs->count(); ++i)
      if (!tabs->rect().contains(tabs->tabRect(i))) cut << tabs->tabText(i);
  }
  if (auto* grid = qobject_cast<const QTableView*>(&widget)) {
    const QAbstractItemModel* model = grid->model();
    const int rows = model ? model->rowCount() : 0;
    const int last = grid->rowAt(grid->viewport()->height() - 1);
    for (int column = 0; model && column < model->columnCount(); ++column) {
      if (grid->horizontalHeader()->sectionSize(column) < grid->horizontalHeader()->sectionSizeHint(column))
        cut << model->headerData(column, Qt::Horizontal).toString();
      for (int row = std::max(grid->rowAt(0), 0); row < rows && (last < 0 || row <= last); ++row) {
        const QModelIndex cell = model->index(row, column);
        if (grid->columnWidth(column) < grid->sizeHintForIndex(cell).width() + (grid->showGrid() ? 1 : 0))
          cut << cell.data().toString();
      }
    }
  }
  return cut;
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
    if (!widget->isVisible()) continue;
    for (const QString& text : CutTexts(*widget))
      ADD_FAILURE() << widget->metaObject()->className() << " " << widget->objectName().toStdString() << " cuts \""
                    << text.toStdString() << "\" (" << widget->width() << " x " << widget->height() << ")";
  }
}

}  // namespace lumox::test
