#pragma once
// What the stand-in visual-style library records of every drawing call, and the colours it
// draws with, so that a test can tell its rectangles apart.
#include <ostream>
#include <string>
#include <vector>

#include "visualstyles/ThemeLibrary.h"

namespace lumox {

inline void PrintTo(const TRect& r, std::ostream* out) {
  *out << "(" << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << ")";
}

namespace test {

struct TStandInCall {
  std::string Function;  // the entry point
  std::u16string Class;  // the theme's element class
  int Part = 0;
  int State = 0;
  bool HasRect = false;
  TRect Rect;
  bool HasClip = false;
  TRect Clip;
  std::u16string Text;
  TWindowHandle Window = 0;
};

struct TStandInTheme {
  std::vector<TStandInCall> Calls;
  // What IsThemeBackgroundPartiallyTransparent answers.
  bool Transparent = true;
};

// Exported by the stand-in under this name.
using FStandInTheme = TStandInTheme*();

// A background fill tells its part and state; the parent's background is one colour.
constexpr TColor StandInColour(int part, int state) {
  return RGB(std::uint8_t(16 * part), std::uint8_t(16 * state), 0xA0);
}
constexpr TColor StandInParentColour = RGB(0x20, 0xC0, 0x20);
// What the stand-in answers for the content of a background: its bounds less this much.
constexpr int StandInContentMargin = 3;

}  // namespace test
}  // namespace lumox
