#pragma once
// Services over the stand-in visual-style library (or over none), a theme manager, and a memory
// context with the screen's fonts for the handlers and painting routines to draw on.
#include <gtest/gtest.h>

#include <QRect>
#include <optional>
#include <string>
#include <vector>

#include "platform/ScreenGraphics.h"
#include "tests/visualstyles/StandInTheme.h"
#include "visualstyles/ThemeManager.h"
#include "visualstyles/ThemeServices.h"

namespace lumox::test {

// What the stand-in has recorded since the last Forget, one line a call: "background button
// 1/1 (0,0,80,30)", "parent <window's object name>", "text button 4/1 \"Caption\" (8,0,52,15)"...
std::vector<std::string> Recorded();
void ForgetRecorded();
TStandInTheme& StandIn();

class ThemedFixture : public testing::Test {
 protected:
  ThemedFixture();
  ~ThemedFixture() override;

  // Services with the stand-in library loaded (styles enabled) or missing, and a fresh manager.
  void Start(bool styles);
  TDeviceContext Context() { return HandleOf(*DC); }
  TMessage WithContext(std::uint32_t msg) { return {.Msg = msg, .WParam = Context()}; }
  // The colour the context's pixel (x, y) shows.
  TColor ColourAt(int x, int y) const;

  static constexpr int Width = 320, Height = 240;
  std::vector<std::uint32_t> Pixels = std::vector<std::uint32_t>(Width * Height);
  std::unique_ptr<TMemoryDC> DC = ScreenDeviceContextLayer().CreateMemoryDC();
  QObject AppWindow;
  std::optional<TThemeServices> Services;
  std::optional<TThemeServicesScope> Scope;
  std::optional<TThemeManager> Manager;
};

template <class T>
T* Named(T* control, const char* name, QRect geometry = {}) {
  control->setObjectName(name);
  if (!geometry.isNull()) control->setGeometry(geometry);
  return control;
}

}  // namespace lumox::test
