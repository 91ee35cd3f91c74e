#include <QApplication>
#include <gtest/gtest.h>

#include "imageformats/FileFormatList.h"
#include "platform/ScreenGraphics.h"
#include "tests/support/LeakSuppressions.h"

int main(int argc, char** argv) {
  // Windows stay off screen unless a test run asks for a window system (the xvfb tests do).
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Bitmaps draw text with the screen's fonts, as in the program.
  const lumox::TDeviceContextLayerScope deviceContexts(lumox::ScreenDeviceContextLayer());
  ::testing::InitGoogleTest(&argc, argv);
  // Pictures load by every registered format, as in the program.
  lumox::StartUpImageFormats();
  const int result = RUN_ALL_TESTS();
  lumox::ShutDownImageFormats();
  return result;
}
