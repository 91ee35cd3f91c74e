#pragma once
// The 32-bit bitmap: Width × Height pixels in one zero-filled, 64-byte-aligned block, rows top
// to bottom with no padding, so the pixel routines (and any view of the block) address them
// directly. It takes pictures over from the framework's bitmaps and picture files, draws
// itself scaled into another bitmap, and reads and writes its stream data form.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "bitmap/Color32.h"
#include "bitmap/ThreadPersistent.h"
#include "framework/Bitmap.h"
#include "framework/Picture.h"
#include "framework/Stream.h"

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
  TBitmap32() = default;
  // Releases the pixels without notifying anyone: handlers may belong to a dying owner.
  ~TBitmap32() override = default;

  bool Empty() const override { return Pixels == nullptr; }

  // The first (top-left) pixel; nullptr while empty. A size change replaces the block and
  // fires OnHandleChanged.
  TColor32* Bits() { return Pixels.get(); }
  const TColor32* Bits() const { return Pixels.get(); }
  // Unchecked addresses of row y and of pixel (x, y).
  TColor32* ScanLine(int y) { return Bits() + std::size_t(y) * std::size_t(MapWidth); }
  const TColor32* ScanLine(int y) const { return Bits() + std::size_t(y) * std::size_t(MapWidth); }
  TColor32* PixelPtr(int x, int y) { return ScanLine(y) + x; }
  const TColor32* PixelPtr(int x, int y) const { return ScanLine(y) + x; }
  TRect BoundsRect() const { return {0, 0, MapWidth, MapHeight}; }

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

  // Loads a picture file through the picture registry (the reader is chosen by extension);
  // the picture's errors pass unchanged.
  void LoadFromFile(const std::string& FileName);

  // Each Assign announces one change when it is done. Pixels of framework bitmaps without
  // alpha come out opaque; a transparent framework bitmap's transparent colour gets alpha 0.
  void Assign(const TBitmap32* Source);
  void Assign(const TGraphic& Source);
  void Assign(const TPicture& Source);
  // Into a 32-bit framework bitmap of the same size, or a picture's bitmap.
  void AssignTo(TBitmap& Dest) const;
  void AssignTo(TPicture& Dest) const;

  // The stream data form: width and height (signed 32-bit little-endian), then the pixels as
  // blue, green, red, alpha, rows top first. A negative, oversized or truncated form raises
  // and leaves the bitmap empty.
  void ReadData(TStream& Stream);
  void WriteData(TStream& Stream) const;

  TNotifyEvent OnHandleChanged;
  TPixelCombineEvent OnPixelCombine;

 protected:
  void ChangeSize(int& width, int& height, int newWidth, int newHeight) override;
  virtual void HandleChanged();

 private:
  struct TFree {
    void operator()(TColor32* p) const { std::free(p); }
  };

  // Runs `work` between BeginUpdate and EndUpdate, then announces one change.
  template <class Work>
  void Update(Work work);
  void TakeBitmap(const TBitmap& source);
  void TakeGraphic(const TGraphic& source);

  std::unique_ptr<TColor32[], TFree> Pixels;
  TDrawMode Mode = TDrawMode::dmOpaque;
  std::uint32_t Master = 255;
  TColor32 Outer = 0;
  TStretchFilter Filter = TStretchFilter::sfNearest;
};

}  // namespace lumox
