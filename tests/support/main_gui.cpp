#include <QApplication>
#include <gtest/gtest.h>

#include "tests/support/LeakSuppressions.h"

int main(int argc, char** argv) {
  // Windows stay off screen unless a test run asks for a window system (the xvfb tests do).
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
