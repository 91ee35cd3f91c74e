#pragma once
// The 32-bit bitmap: Width × Height pixels in one zero-filled, 64-byte-aligned block, rows top
// to bottom with no padding, so the pixel routines (and any view of the block) address them
// directly. It takes pictures over from the framework's bitmaps, picture files and the
// clipboard, draws itself scaled into another bitmap or unscaled onto a device context, and
// reads and writes its stream data form. A memory device context over the block itself, and a
// canvas and a font on it, serve drawing through the platform (Bitmap32Drawing.cpp).
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "bitmap/Color32.h"
#include "bitmap/ThreadPersistent.h"
#include "framework/Bitmap.h"
#include "framework/Canvas.h"
#include "framework/Picture.h"
#include "framework/Stream.h"
#include "platform/Clipboard.h"
#include "platform/DeviceContext.h"

namespace lumox {

enum class TDrawMode : std::uint8_t { dmOpaque, dmBlend, dmCustom };
enum class TStretchFilter : std::uint8_t {
  sfNearest,
  sfDraft,
  sfLinear,
  sfCosine,
  sfSpline,
  sfLanczos,
  sfMitchell
};

// Combines source pixel F into destination pixel B; M is the source's MasterAlpha.
using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;

class TBitmap32 : public TCustomMap {
 public:
  TBitmap32();
  // Releases the canvas, the context and the pixels without notifying anyone: handlers may
  // belong to a dying owner.
  ~TBitmap32() override = default;

  bool Empty() const override { return Pixels == nullptr; }

  // The first (top-left) pixel; nullptr while empty. A size change replaces the block, and the
  // context over it, and fires OnHandleChanged.
  TColor32* Bits() { return Pixels.get(); }
  const TColor32* Bits() const { return Pixels.get(); }
  // Unchecked addresses of row y and of pixel (x, y).
  TColor32* ScanLine(int y) { return Bits() + std::size_t(y) * std::size_t(MapWidth); }
  const TColor32* ScanLine(int y) const { return Bits() + std::size_t(y) * std::size_t(MapWidth); }
  TColor32* PixelPtr(int x, int y) { return ScanLine(y) + x; }
  const TColor32* PixelPtr(int x, int y) const { return ScanLine(y) + x; }
  TRect BoundsRect() const { return {0, 0, MapWidth, MapHeight}; }

  // The pixel block as a device context takes it; no pixels while empty.
  TPixelBlock Handle() { return {Bits(), MapWidth, MapHeight, std::size_t(MapWidth)}; }
  // The memory context of the installed device-context layer over the pixels themselves, so
  // what is drawn on it lands in Bits; nullptr while empty.
  TMemoryDC* DC() const { return Context.get(); }
  // How a copy onto a context reads the pixels: 32 bits, uncompressed, top row first.
  const TBlockInfo& BitmapInfo() const { return Info; }
  // A canvas on DC, made on first request; each of its drawings announces a change of the
  // bitmap. A size change gives it the new context.
  TCanvas& Canvas();
  void DeleteCanvas();
  // The font text drawn on DC directly uses once UpdateFont has selected it; any change of it
  // selects the system font back.
  TFont& Font() { return FFont; }
  void UpdateFont();

  // The setters store a differing value and call Changed.
  TDrawMode DrawMode() const { return Mode; }
  void SetDrawMode(TDrawMode value);
  // 0..255 (larger values count as 255): the weight on top of each pixel's own alpha in dmBlend.
  std::uint32_t MasterAlpha() const { return Master; }
  void SetMasterAlpha(std::uint32_t value);
  TStretchFilter StretchFilter() const { return Filter; }
  void SetStretchFilter(TStretchFilter value);
  TColor32 OuterColor() const { return Outer; }
  void SetOuterColor(TColor32 value) { Outer = value; }

  void Clear(TColor32 color);
  // Alpha 255 everywhere; colours untouched.
  void ResetAlpha();
  // Fills columns X1..X2-1 of rows Y1..Y2-1, clipped to the bitmap; a rectangle entirely
  // outside changes nothing and announces nothing.
  void FillRectClipped(int X1, int Y1, int X2, int Y2, TColor32 Value);
  // Draws the whole bitmap into DstRect of Dst with DrawMode, StretchFilter and OnPixelCombine.
  void DrawTo(TBitmap32& Dst, const TRect& DstRect) const;
  // Copies the whole bitmap unscaled onto `dc` with its top left corner at (X, Y).
  void DrawToDC(TDC& dc, int X, int Y) const;

  // Loads a picture file through the picture registry (the reader is chosen by extension);
  // the picture's errors pass unchanged.
  void LoadFromFile(const std::string& FileName);

  // Each Assign announces one change when it is done. Pixels of framework bitmaps without
  // alpha come out opaque; a transparent framework bitmap's transparent colour gets alpha 0.
  void Assign(const TBitmap32* Source);
  void Assign(const TGraphic& Source);
  void Assign(const TPicture& Source);
  // The clipboard's picture, opaque.
  void Assign(const TClipboard& Source);
  // Into a 32-bit framework bitmap of the same size (copied onto a context over its pixels), a
  // picture's bitmap, or the clipboard (which keeps the colours only).
  void AssignTo(TBitmap& Dest) const;
  void AssignTo(TPicture& Dest) const;
  void AssignTo(TClipboard& Dest) const;

  // The stream data form: width and height (signed 32-bit little-endian), then the pixels as
  // blue, green, red, alpha, rows top first. A negative, oversized or truncated form raises
  // and leaves the bitmap empty.
  void ReadData(TStream& Stream);
  void WriteData(TStream& Stream) const;
  // Keeps the data form as the property "Data" where it says something: when the filer's
  // ancestor is no TBitmap32 or has other pixels, or, without an ancestor, when the bitmap is
  // not empty.
  void DefineProperties(TFiler& Filer) override;

  TNotifyEvent OnHandleChanged;
  TPixelCombineEvent OnPixelCombine;
  // Settings of line drawing, which the program does not do.
  TColor32 PenColor = 0xFFFFFFFF;
  float StippleStep = 1.0f;

 protected:
  // Raises "Can't allocate the DIB handle", "Can't create compatible DC" or "Can't select an
  // object into DC" when the block or its context cannot be made, leaving the bitmap empty.
  void ChangeSize(int& width, int& height, int newWidth, int newHeight) override;
  // Gives an existing canvas the new context, then fires OnHandleChanged.
  virtual void HandleChanged();

 private:
  struct TFree {
    void operator()(TColor32* p) const { std::free(p); }
  };

  // Runs `work` between BeginUpdate and EndUpdate, then announces one change.
  template <class Work>
  void Update(Work work) {
    BeginUpdate();
    try {
      work();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    Changed();
  }
  void TakeBitmap(const TBitmap& source);
  void TakeGraphic(const TGraphic& source);
  void FontChanged();
  // A memory context of the installed layer over `block`; raises the texts of ChangeSize.
  static std::unique_ptr<TMemoryDC> ContextOver(const TPixelBlock& block);
  // Whether the ancestor of a form would store other data than this bitmap.
  bool DiffersFrom(const TPersistent* Ancestor) const;

  // Destroyed in reverse order: the canvas and the context go before the pixels they draw on.
  std::unique_ptr<TColor32[], TFree> Pixels;
  std::unique_ptr<TMemoryDC> Context;
  TFont FFont;
  bool FontSelected = false;
  std::unique_ptr<TCanvas> FCanvas;
  TBlockInfo Info;
  TDrawMode Mode = TDrawMode::dmOpaque;
  std::uint32_t Master = 255;
  TColor32 Outer = 0;
  TStretchFilter Filter = TStretchFilter::sfNearest;
};

}  // namespace lumox
