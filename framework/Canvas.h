#pragma once
// The framework's font and canvas. A font is a description (name, size, colour, style) that
// announces each change; a canvas draws with a font and a brush on a device context it does not
// own, and announces each drawing.
#include <functional>
#include <string>
#include <string_view>

#include "platform/DeviceContext.h"

namespace lumox {

class TFont {
 public:
  // UTF-8; empty: the system's standard family.
  const std::string& Name() const { return Spec.Family; }
  void SetName(const std::string& value) { Set(Spec.Family, value); }
  // In points; 0: the system's standard size.
  int Size() const { return Spec.PointSize; }
  void SetSize(int value) { Set(Spec.PointSize, value); }
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { Set(FColor, value); }
  // Of TFontStyle.
  std::uint8_t Style() const { return Spec.Style; }
  void SetStyle(std::uint8_t value) { Set(Spec.Style, value); }

  // The font as a device context selects it.
  const TFontSpec& Handle() const { return Spec; }

  // After each change of a value.
  std::function<void(TFont&)> OnChange;

 private:
  template <class T>
  void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    if (OnChange) OnChange(*this);
  }

  TFontSpec Spec;
  TColor FColor = 0;
};

class TCanvas {
 public:
  // The context drawn on (not owned); nullptr: drawing raises an error.
  TDC* Handle() const { return DC; }
  void SetHandle(TDC* dc) { DC = dc; }

  TFont Font;
  // What fills paint with and what text cells are filled with; the null brush leaves text cells
  // as they are. White at first.
  TBrush Brush{0xFFFFFF, false};

  void FillRect(const TRect& rect);
  // Text in Font, its top left corner at (x, y).
  void TextOut(int x, int y, std::string_view text);
  TSize TextExtent(std::string_view text);

  // After each drawing.
  std::function<void(TCanvas&)> OnChange;

 private:
  TDC& Context() const;
  // The context with Font selected and text cells as Brush says.
  TDC& TextContext() const;
  void Changed();

  TDC* DC = nullptr;
};

}  // namespace lumox
