#include "tests/support/GuiTesting.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace lumox::test {

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
  return path;
}

}  // namespace lumox::test
