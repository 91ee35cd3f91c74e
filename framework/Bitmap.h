#pragma once
// The device-independent bitmap every picture reader decodes into: a pixel format, a size,
// DWORD-aligned scan lines (row 0 at the top) and the palette of the indexed formats.
// New pixels are always zero; sizes are checked against a cap before anything is allocated.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "framework/Graphic.h"

namespace lumox {

// pfDevice is stored as 32 bits per pixel. pf15bit is x555, pf16bit is 565, pf24bit is
// B,G,R and pf32bit is B,G,R,A. pfCustom cannot be stored.
enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

struct TPaletteEntry {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
  std::uint8_t Flags = 0;
  bool operator==(const TPaletteEntry&) const = default;
};

// At most 256 entries; a pixel whose index lies past the end reads as black.
using TPalette = std::vector<TPaletteEntry>;

class TBitmap : public TGraphic {
 public:
  static constexpr std::int64_t MaxSide = 32768;
  static constexpr std::int64_t MaxPixels = std::int64_t(1) << 28;

  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // Raises EInvalidGraphic unless a bitmap of width × height can be made (both at least 0,
  // at most MaxSide, at most PixelLimit in all). Readers call it before making buffers.
  static void CheckSize(std::int64_t width, std::int64_t height);
  // The most pixels a bitmap may hold: MaxPixels unless lowered. The fuzz targets lower it, so
  // that a hostile header cannot make every run fill a picture of a quarter billion pixels.
  static std::int64_t PixelLimit();
  // Raises EInvalidGraphic for a limit below 0 or above MaxPixels.
  static void SetPixelLimit(std::int64_t pixels);
  static int BitsPerPixel(TPixelFormat format);
  // Bytes of one DWORD-aligned row.
  static std::size_t BytesPerScanLine(std::int64_t width, int bitsPerPixel);

  bool Empty() const override { return PixelWidth == 0 || PixelHeight == 0; }
  int Width() const override { return PixelWidth; }
  int Height() const override { return PixelHeight; }
  // Replaces the pixels by width × height zero pixels in the current format.
  void SetSize(int width, int height);
  // As SetSize, for a reader that writes the first width × bits per pixel bits of every row
  // before the bitmap is used: only the bytes behind those are zeroed.
  void SetSizeForOverwrite(int width, int height);
  void SetWidth(int width) { SetSize(width, PixelHeight); }
  void SetHeight(int height) { SetSize(PixelWidth, height); }

  TPixelFormat PixelFormat() const { return Format; }
  // On an empty bitmap the format is remembered; otherwise every pixel is converted. An indexed
  // pixel keeps its index where the new format can hold it; other pixels going into an indexed
  // format take the nearest palette colour. pfCustom raises EInvalidGraphic.
  void SetPixelFormat(TPixelFormat format);

  // Row y, 0 at the top; raises EInvalidGraphic outside 0..Height-1.
  std::uint8_t* ScanLine(int y);
  const std::uint8_t* ScanLine(int y) const;
  std::size_t BytesPerScanLine() const { return Stride; }

  const TPalette& Palette() const { return Colors; }
  // Raises EInvalidGraphic for more than 256 entries.
  void SetPalette(TPalette palette);

  TColor TransparentColor() const { return TransparentValue; }
  void SetTransparentColor(TColor color) { TransparentValue = color; }

  // Sets every pixel to `color`: exactly for the direct formats (opaque for 32 bits), the
  // nearest palette entry for the indexed ones.
  void FillColor(TColor color);
  // Row y as 0xAARRGGBB values; alpha is as stored for 32 bits and 255 otherwise.
  void ScanLineToBGRA(int y, std::span<std::uint32_t> out) const;

  // Back to an empty pfDevice bitmap without palette or transparency.
  void ReleaseImage();

  void Assign(const TGraphic& source) override;
  // Reads a BMP file (from the stream's position); raises EInvalidGraphic for a bad one.
  void LoadFromStream(TStream& stream) override;
  // Writes the bitmap as an uncompressed BMP file.
  void SaveToStream(TStream& stream) override;

 private:
  struct TFree {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  using TPixels = std::unique_ptr<std::uint8_t[], TFree>;

  // Each index's colour as 0xAARRGGBB, black past the palette's end, for whole rows at once.
  using TIndexColours = std::array<std::uint32_t, 256>;

  static TPixels Allocate(std::size_t bytes, bool zeroed = true);
  void Resize(int width, int height, bool zeroed);
  void CopyFrom(const TBitmap& other);
  std::uint32_t PixelBGRA(const std::uint8_t* row, int x) const;
  // The palette entry closest to `bgra` among those a `bits`-bit index can reach.
  std::uint8_t NearestIndex(std::uint32_t bgra, int bits) const;

  TPixelFormat Format = TPixelFormat::pfDevice;
  int PixelWidth = 0;
  int PixelHeight = 0;
  std::size_t Stride = 0;
  TPixels Bits;
  TPalette Colors;
  TIndexColours IndexColours = BlackColours();
  // Every index shows its own grey level (the 8-bit grey ramp), so a row needs no look-ups.
  bool GreyRamp = false;
  TColor TransparentValue = 0;

  static TIndexColours BlackColours();
};

}  // namespace lumox
