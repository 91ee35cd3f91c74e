#include "framework/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "framework/BmpCodec.h"
#include "framework/Exceptions.h"
#include "framework/PixelAccess.h"
#include "framework/PixelVectors.h"

namespace lumox {
namespace {

using pixels::IndexAt;
using pixels::SetIndexAt;

constexpr std::uint32_t OpaqueBlack = 0xFF000000u;

std::int64_t CurrentPixelLimit = TBitmap::MaxPixels;

bool IsIndexed(TPixelFormat format) {
  return format == TPixelFormat::pf1bit || format == TPixelFormat::pf4bit || format == TPixelFormat::pf8bit;
}

std::uint32_t Word16At(const std::uint8_t* row, int x) { return row[2 * x] | row[2 * x + 1] << 8; }

std::uint32_t OpaqueColour(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return OpaqueBlack | red << 16 | green << 8 | blue;
}

std::uint32_t DirectAt(const std::uint8_t* row, int x, TPixelFormat format) {
  using pixels::Widen;
  switch (format) {
    case TPixelFormat::pf15bit: {
      const std::uint32_t w = Word16At(row, x);
      return OpaqueColour(Widen(w >> 10 & 0x1F, 5), Widen(w >> 5 & 0x1F, 5), Widen(w & 0x1F, 5));
    }
    case TPixelFormat::pf16bit: {
      const std::uint32_t w = Word16At(row, x);
      return OpaqueColour(Widen(w >> 11 & 0x1F, 5), Widen(w >> 5 & 0x3F, 6), Widen(w & 0x1F, 5));
    }
    case TPixelFormat::pf24bit: {
      const std::uint8_t* p = row + 3 * x;
      return OpaqueColour(p[2], p[1], p[0]);
    }
    default: {
      const std::uint8_t* p = row + 4 * x;
      return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }
  }
}

void SetDirectAt(std::uint8_t* row, int x, TPixelFormat format, std::uint32_t bgra) {
  const std::uint32_t r = bgra >> 16 & 0xFF, g = bgra >> 8 & 0xFF, b = bgra & 0xFF;
  switch (format) {
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: {
      const std::uint32_t w = format == TPixelFormat::pf15bit ? (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
                                                              : (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
      row[2 * x] = std::uint8_t(w);
      row[2 * x + 1] = std::uint8_t(w >> 8);
      break;
    }
    case TPixelFormat::pf24bit:
      row[3 * x] = std::uint8_t(b);
      row[3 * x + 1] = std::uint8_t(g);
      row[3 * x + 2] = std::uint8_t(r);
      break;
    default:
      std::memcpy(row + 4 * x, &bgra, 4);  // little-endian: B, G, R, A
  }
}

}  // namespace

const TGraphicClass& TBitmap::Class() {
  static const TGraphicClass info{"TBitmap", &CreateGraphic<TBitmap>};
  return info;
}

void TBitmap::CheckSize(std::int64_t width, std::int64_t height) {
  if (width < 0 || height < 0 || width > MaxSide || height > MaxSide || width * height > CurrentPixelLimit) {
    throw EInvalidGraphic("Cannot make a picture of " + std::to_string(width) + " x " +
                          std::to_string(height) + " pixels: at most " + std::to_string(MaxSide) +
                          " pixels a side and " + std::to_string(CurrentPixelLimit) +
                          " pixels in all are allowed.");
  }
}

std::int64_t TBitmap::PixelLimit() { return CurrentPixelLimit; }

void TBitmap::SetPixelLimit(std::int64_t pixels) {
  if (pixels < 0 || pixels > MaxPixels) {
    throw EInvalidGraphic("A picture size limit of " + std::to_string(pixels) + " pixels is out of range.");
  }
  CurrentPixelLimit = pixels;
}

int TBitmap::BitsPerPixel(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit:
      return 1;
    case TPixelFormat::pf4bit:
      return 4;
    case TPixelFormat::pf8bit:
      return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
      return 16;
    case TPixelFormat::pf24bit:
      return 24;
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf32bit:
      return 32;
    case TPixelFormat::pfCustom:
      break;
  }
  throw EInvalidGraphic("Custom pixel formats are not supported.");
}

std::size_t TBitmap::BytesPerScanLine(std::int64_t width, int bitsPerPixel) {
  return std::size_t((width * bitsPerPixel + 31) / 32 * 4);
}

TBitmap::TPixels TBitmap::Allocate(std::size_t bytes, bool zeroed) {
  if (bytes == 0) return nullptr;
  // calloc: large blocks come straight from the system already zeroed and untouched.
  auto* p = static_cast<std::uint8_t*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
  if (p == nullptr) throw std::bad_alloc();
  return TPixels(p);
}

void TBitmap::SetSize(int width, int height) { Resize(width, height, true); }

void TBitmap::SetSizeForOverwrite(int width, int height) {
  Resize(width, height, false);
  const std::size_t used = std::size_t(std::int64_t(width) * BitsPerPixel(Format) / 8);
  if (used == Stride) return;
  for (int y = 0; y < height; ++y) std::memset(Bits.get() + std::size_t(y) * Stride + used, 0, Stride - used);
}

void TBitmap::Resize(int width, int height, bool zeroed) {
  CheckSize(width, height);
  const std::size_t stride = BytesPerScanLine(width, BitsPerPixel(Format));
  Bits = Allocate(width > 0 ? stride * std::size_t(height) : 0, zeroed);
  Stride = stride;
  PixelWidth = width;
  PixelHeight = height;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  const int newBits = BitsPerPixel(format);
  if (format == Format) return;
  if (Empty()) {
    Format = format;
    SetSize(PixelWidth, PixelHeight);
    return;
  }
  const std::size_t stride = BytesPerScanLine(PixelWidth, newBits);
  TPixels converted = Allocate(stride * std::size_t(PixelHeight));
  const bool keepIndices = IsIndexed(Format) && IsIndexed(format);
  const int oldBits = BitsPerPixel(Format);
  for (int y = 0; y < PixelHeight; ++y) {
    const std::uint8_t* from = ScanLine(y);
    std::uint8_t* to = converted.get() + std::size_t(y) * stride;
    for (int x = 0; x < PixelWidth; ++x) {
      const unsigned index = keepIndices ? IndexAt(from, x, oldBits) : 0;
      if (keepIndices && index >> newBits == 0) {
        SetIndexAt(to, x, newBits, index);
      } else if (IsIndexed(format)) {
        SetIndexAt(to, x, newBits, NearestIndex(PixelBGRA(from, x), newBits));
      } else {
        SetDirectAt(to, x, format, PixelBGRA(from, x));
      }
    }
  }
  Bits = std::move(converted);
  Stride = stride;
  Format = format;
}

std::uint8_t* TBitmap::ScanLine(int y) {
  return const_cast<std::uint8_t*>(static_cast<const TBitmap*>(this)->ScanLine(y));
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= PixelHeight || Bits == nullptr) throw EInvalidGraphic("Scan line index out of range");
  return Bits.get() + std::size_t(y) * Stride;
}

TBitmap::TIndexColours TBitmap::BlackColours() {
  TIndexColours colours;
  colours.fill(OpaqueBlack);
  return colours;
}

void TBitmap::SetPalette(TPalette palette) {
  if (palette.size() > 256) throw EInvalidGraphic("A palette holds at most 256 colours.");
  Colors = std::move(palette);
  IndexColours = BlackColours();
  GreyRamp = Colors.size() == IndexColours.size();
  for (std::size_t i = 0; i < Colors.size(); ++i) {
    IndexColours[i] = OpaqueColour(Colors[i].Red, Colors[i].Green, Colors[i].Blue);
    GreyRamp = GreyRamp && IndexColours[i] == (OpaqueBlack | std::uint32_t(i) * 0x010101u);
  }
}

std::uint32_t TBitmap::PixelBGRA(const std::uint8_t* row, int x) const {
  return IsIndexed(Format) ? IndexColours[IndexAt(row, x, BitsPerPixel(Format))] : DirectAt(row, x, Format);
}

std::uint8_t TBitmap::NearestIndex(std::uint32_t bgra, int bits) const {
  const auto distance = [bgra](const TPaletteEntry& e) {
    const int dr = int(bgra >> 16 & 0xFF) - e.Red, dg = int(bgra >> 8 & 0xFF) - e.Green,
              db = int(bgra & 0xFF) - e.Blue;
    return dr * dr + dg * dg + db * db;
  };
  const std::size_t usable = std::min<std::size_t>(Colors.size(), std::size_t(1) << bits);
  const auto best = std::min_element(Colors.begin(), Colors.begin() + std::ptrdiff_t(usable),
                                     [&](const auto& a, const auto& b) { return distance(a) < distance(b); });
  return std::uint8_t(best - Colors.begin());
}

void TBitmap::FillColor(TColor color) {
  if (Empty()) return;
  const std::uint32_t bgra = OpaqueBlack | (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
  std::uint8_t* first = ScanLine(0);
  const unsigned index = IsIndexed(Format) ? NearestIndex(bgra, BitsPerPixel(Format)) : 0;
  for (int x = 0; x < PixelWidth; ++x) {
    if (IsIndexed(Format)) {
      SetIndexAt(first, x, BitsPerPixel(Format), index);
    } else {
      SetDirectAt(first, x, Format, bgra);
    }
  }
  for (int y = 1; y < PixelHeight; ++y) std::memcpy(ScanLine(y), first, Stride);
}

void TBitmap::ScanLineToBGRA(int y, std::span<std::uint32_t> out) const {
  const std::uint8_t* row = ScanLine(y);
  const std::size_t count = std::min<std::size_t>(out.size(), std::size_t(PixelWidth));
  std::uint32_t* to = out.data();
  switch (Format) {
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf32bit:
      std::memcpy(to, row, count * 4);
      break;
    case TPixelFormat::pf24bit:
      pixels::BGRToBGRA(row, to, count);
      break;
    case TPixelFormat::pf8bit:
      if (GreyRamp) {
        pixels::GreyToBGRA(row, to, count);
      } else {
        for (std::size_t x = 0; x < count; ++x) to[x] = IndexColours[row[x]];
      }
      break;
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit: {
      const int bits = BitsPerPixel(Format);
      for (std::size_t x = 0; x < count; ++x) to[x] = IndexColours[IndexAt(row, std::int64_t(x), bits)];
      break;
    }
    default:
      for (std::size_t x = 0; x < count; ++x) to[x] = DirectAt(row, int(x), Format);
  }
}

void TBitmap::ReleaseImage() {
  Bits.reset();
  PixelWidth = PixelHeight = 0;
  Stride = 0;
  Format = TPixelFormat::pfDevice;
  SetPalette({});
  TransparentValue = 0;
  SetTransparent(false);
}

void TBitmap::CopyFrom(const TBitmap& other) {
  TPixels copy = Allocate(other.Empty() ? 0 : other.Stride * std::size_t(other.PixelHeight));
  if (copy) std::memcpy(copy.get(), other.Bits.get(), other.Stride * std::size_t(other.PixelHeight));
  Bits = std::move(copy);
  Format = other.Format;
  PixelWidth = other.PixelWidth;
  PixelHeight = other.PixelHeight;
  Stride = other.Stride;
  SetPalette(other.Colors);
  TransparentValue = other.TransparentValue;
  SetTransparent(other.Transparent());
}

void TBitmap::Assign(const TGraphic& source) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
    if (bitmap != this) CopyFrom(*bitmap);
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::LoadFromStream(TStream& stream) { ReadBmp(stream, *this); }

void TBitmap::SaveToStream(TStream& stream) { WriteBmp(*this, stream); }

}  // namespace lumox
