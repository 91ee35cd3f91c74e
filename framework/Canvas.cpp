#include "framework/Canvas.h"

#include "platform/Exception.h"

namespace lumox {

TDC& TCanvas::Context() const {
  if (DC == nullptr) throw ELumox("Canvas does not allow drawing");
  return *DC;
}

TDC& TCanvas::TextContext() const {
  TDC& dc = Context();
  dc.SelectFont(Font.Handle());
  dc.SetTextColor(Font.Color());
  dc.SetBackgroundMode(Brush.Null ? TBackgroundMode::Transparent : TBackgroundMode::Opaque);
  dc.SetBackgroundColor(Brush.Color);
  return dc;
}

void TCanvas::Changed() {
  if (OnChange) OnChange(*this);
}

void TCanvas::FillRect(const TRect& rect) {
  Context().FillRect(rect, Brush);
  Changed();
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  TextContext().TextOut(x, y, text);
  Changed();
}

TSize TCanvas::TextExtent(std::string_view text) { return TextContext().TextExtent(text); }

}  // namespace lumox
