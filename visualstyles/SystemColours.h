#pragma once
// The window system's colours that the themed painting names, read from the application's palette.
#include <QColor>

#include "platform/GraphicsTypes.h"  // TColor

namespace lumox {

enum class TSystemColour {
  Highlight = 13,
  HighlightText = 14,
  ButtonFace = 15,
  ButtonShadow = 16,
  GrayText = 17,
  ButtonHighlight = 20
};

TColor SystemColour(TSystemColour colour);
TColor ColourOf(const QColor& colour);

}  // namespace lumox
