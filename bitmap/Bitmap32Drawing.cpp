// The drawing side of the 32-bit bitmap: its memory context, canvas and font, the copy onto a
// device context, and what goes through contexts (framework bitmaps, the clipboard).
#include <limits>

#include "bitmap/Bitmap32.h"
#include "platform/Exception.h"

namespace lumox {

TBitmap32::TBitmap32() {
  FFont.OnChange = [this](TFont&) { FontChanged(); };
}

std::unique_ptr<TMemoryDC> TBitmap32::ContextOver(const TPixelBlock& block) {
  std::unique_ptr<TMemoryDC> dc = DeviceContextLayer().CreateMemoryDC();
  if (dc == nullptr) throw ELumox("Can't create compatible DC");
  if (!dc->SelectBlock(block)) throw ELumox("Can't select an object into DC");
  return dc;
}

void TBitmap32::HandleChanged() {
  if (FCanvas) FCanvas->SetHandle(Context.get());
  if (OnHandleChanged) OnHandleChanged(*this);
}

TCanvas& TBitmap32::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TCanvas>();
    FCanvas->SetHandle(Context.get());
    FCanvas->OnChange = [this](TCanvas&) { Changed(); };
  }
  return *FCanvas;
}

void TBitmap32::DeleteCanvas() {
  if (!FCanvas) return;
  FCanvas->SetHandle(nullptr);
  FCanvas.reset();
}

void TBitmap32::UpdateFont() {
  if (!Context) return;
  Context->SelectFont(FFont.Handle());
  FontSelected = true;
}

void TBitmap32::FontChanged() {
  if (!FontSelected) return;
  if (Context) Context->SelectFont(SystemFont());
  FontSelected = false;
}

void TBitmap32::DrawToDC(TDC& dc, int X, int Y) const {
  const std::int64_t right = std::int64_t(X) + MapWidth, bottom = std::int64_t(Y) + MapHeight;
  // Beyond the coordinate range no context has a pixel to show.
  if (Empty() || right > std::numeric_limits<std::int32_t>::max() ||
      bottom > std::numeric_limits<std::int32_t>::max())
    return;
  dc.StretchBlock({X, Y, std::int32_t(right), std::int32_t(bottom)}, Info, Bits(), BoundsRect());
}

void TBitmap32::AssignTo(TBitmap& Dest) const {
  Dest.SetSize(0, 0);
  Dest.SetPixelFormat(TPixelFormat::pf32bit);
  Dest.SetSize(MapWidth, MapHeight);
  if (Empty()) return;
  const std::unique_ptr<TMemoryDC> dc =
      ContextOver({reinterpret_cast<std::uint32_t*>(Dest.ScanLine(0)), MapWidth, MapHeight,
                   Dest.BytesPerScanLine() / sizeof(TColor32)});
  DrawToDC(*dc, 0, 0);
}

void TBitmap32::AssignTo(TClipboard& Dest) const {
  TBitmap bitmap;
  AssignTo(bitmap);
  TBlockInfo info;
  info.Width = bitmap.Width();
  info.Height = -bitmap.Height();
  Dest.SetBlock(info, bitmap.Empty() ? nullptr : bitmap.ScanLine(0));
}

void TBitmap32::Assign(const TClipboard& Source) {
  Update([&] {
    const TClipboardPicture picture = Source.Picture();
    SetSize(picture.Width, picture.Height);
    if (Empty()) return;
    TBlockInfo info;
    info.Width = picture.Width;
    info.Height = -picture.Height;
    Context->StretchBlock(BoundsRect(), info, picture.Pixels.data(), BoundsRect());
    ResetAlpha();
  });
}

}  // namespace lumox
