#include "visualstyles/SystemColours.h"

#include <QGuiApplication>
#include <QPalette>

namespace lumox {
namespace {

QColor PaletteColour(TSystemColour colour) {
  const QPalette palette = QGuiApplication::palette();
  switch (colour) {
    case TSystemColour::Highlight:
      return palette.color(QPalette::Highlight);
    case TSystemColour::HighlightText:
      return palette.color(QPalette::HighlightedText);
    case TSystemColour::ButtonFace:
      return palette.color(QPalette::Button);
    case TSystemColour::ButtonShadow:
      return palette.color(QPalette::Dark);
    case TSystemColour::GrayText:
      return palette.color(QPalette::Disabled, QPalette::Text);
    case TSystemColour::ButtonHighlight:
      return palette.color(QPalette::Light);
  }
  return {};
}

}  // namespace

TColor SystemColour(TSystemColour colour) { return ColourOf(PaletteColour(colour)); }

TColor ColourOf(const QColor& colour) { return RGB(colour.red(), colour.green(), colour.blue()); }

}  // namespace lumox
