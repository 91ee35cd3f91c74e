#include "framework/BmpCodec.h"

#include <array>
#include <bit>
#include <cstring>
#include <span>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/PixelAccess.h"

namespace lumox {
namespace {

enum : std::uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

constexpr std::int64_t FileHeaderSize = 14;
constexpr std::uint32_t CoreHeaderSize = 12;
constexpr std::uint32_t InfoHeaderSize = 40;

[[noreturn]] void RaiseInvalid() {
  throw EInvalidGraphic("Cannot load image. Invalid or unexpected BMP image format.");
}

[[noreturn]] void RaiseTruncated() { throw EInvalidGraphic("Cannot load image. The BMP file is cut short."); }

[[noreturn]] void RaiseUnsupported(const std::string& what) {
  throw EInvalidGraphic("Cannot load image. " + what + " not supported for BMP files.");
}

void ReadExact(TStream& stream, void* buffer, std::int64_t count) {
  if (stream.Read(buffer, count) != count) RaiseTruncated();
}

std::uint32_t U16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

// One colour channel of a bit-field mask: where it starts and how many bits it has.
struct TChannel {
  std::uint32_t Mask = 0;
  int Shift = 0;
  std::uint32_t Max = 0;

  static TChannel Of(std::uint32_t mask) {
    if (mask == 0) return {};
    const int shift = std::countr_zero(mask);
    const std::uint32_t max = mask >> shift;
    if ((max & (max + 1)) != 0) RaiseInvalid();  // not one run of bits
    return {mask, shift, max};
  }
  // Channels of up to 8 bits repeat their high bits; wider ones are scaled and rounded.
  std::uint32_t Scaled(std::uint32_t value, std::uint32_t absent) const {
    if (Max == 0) return absent;
    const std::uint32_t sample = (value & Mask) >> Shift;
    if (Max <= 0xFF) return pixels::Widen(sample, std::popcount(Max));
    return std::uint32_t((std::uint64_t(sample) * 255 + Max / 2) / Max);
  }
};

struct TBmpInfo {
  std::int64_t Width = 0;
  std::int64_t Height = 0;
  bool TopDown = false;
  int Bits = 0;
  std::uint32_t Compression = BI_RGB;
  std::uint32_t ImageSize = 0;
  std::uint32_t ColorsUsed = 0;
  int PaletteEntrySize = 4;
  std::array<std::uint32_t, 4> Masks{};  // red, green, blue, alpha
};

TBmpInfo ParseCoreHeader(const std::uint8_t* h) {
  TBmpInfo info;
  info.Width = U16(h + 4);
  info.Height = U16(h + 6);
  info.Bits = int(U16(h + 10));
  info.PaletteEntrySize = 3;
  return info;
}

TBmpInfo ParseInfoHeader(const std::uint8_t* h, std::uint32_t size) {
  TBmpInfo info;
  info.Width = std::int32_t(U32(h + 4));
  const std::int64_t height = std::int32_t(U32(h + 8));
  info.TopDown = height < 0;
  info.Height = info.TopDown ? -height : height;
  info.Bits = int(U16(h + 14));
  info.Compression = U32(h + 16);
  info.ImageSize = U32(h + 20);
  info.ColorsUsed = U32(h + 32);
  for (std::uint32_t i = 0; i < 4 && 40 + 4 * i + 4 <= size; ++i) info.Masks[i] = U32(h + 40 + 4 * i);
  return info;
}

void Validate(const TBmpInfo& info) {
  if (info.Width < 0) RaiseInvalid();
  switch (info.Bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      RaiseUnsupported("A colour depth of " + std::to_string(info.Bits) + " bits is");
  }
  const bool fits = info.Compression == BI_RGB || (info.Compression == BI_RLE8 && info.Bits == 8) ||
                    (info.Compression == BI_RLE4 && info.Bits == 4) ||
                    (info.Compression == BI_BITFIELDS && (info.Bits == 16 || info.Bits == 32));
  if (!fits) RaiseUnsupported("The compression scheme is");
  const bool runLength = info.Compression == BI_RLE8 || info.Compression == BI_RLE4;
  if (runLength && info.TopDown) RaiseInvalid();
  if (info.Bits <= 8 && info.ColorsUsed > 256) RaiseInvalid();
  if (info.Compression == BI_BITFIELDS) {
    for (const std::uint32_t mask : info.Masks) {
      TChannel::Of(mask);
      if (info.Bits == 16 && mask >> 16 != 0) RaiseInvalid();
    }
  }
  TBitmap::CheckSize(info.Width, info.Height);
}

// Reads the info header that follows the file header, and the masks that a 40-byte header
// with bit fields keeps after itself; the caller validates it.
TBmpInfo ReadInfo(TStream& stream) {
  std::array<std::uint8_t, 124> h{};
  ReadExact(stream, h.data(), 4);
  const std::uint32_t size = U32(h.data());
  if (size != CoreHeaderSize && size != 40 && size != 52 && size != 56 && size != 108 && size != 124) {
    RaiseInvalid();
  }
  ReadExact(stream, h.data() + 4, size - 4);
  TBmpInfo info = size == CoreHeaderSize ? ParseCoreHeader(h.data()) : ParseInfoHeader(h.data(), size);
  if (size == InfoHeaderSize && info.Compression == BI_BITFIELDS) {
    std::array<std::uint8_t, 12> masks{};
    ReadExact(stream, masks.data(), masks.size());
    for (int i = 0; i < 3; ++i) info.Masks[std::size_t(i)] = U32(masks.data() + 4 * i);
  }
  return info;
}

TPalette ReadPalette(TStream& stream, const TBmpInfo& info) {
  if (info.Bits > 8) return {};
  const std::uint32_t count = info.ColorsUsed == 0 ? 1u << info.Bits : info.ColorsUsed;
  std::vector<std::uint8_t> raw(std::size_t(count) * std::size_t(info.PaletteEntrySize));
  ReadExact(stream, raw.data(), std::int64_t(raw.size()));
  TPalette palette(std::min(count, 1u << info.Bits));
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const std::uint8_t* e = raw.data() + i * std::size_t(info.PaletteEntrySize);
    palette[i] = {e[2], e[1], e[0], 0};
  }
  return palette;
}

bool MasksAre(const TBmpInfo& info, std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return info.Masks[0] == red && info.Masks[1] == green && info.Masks[2] == blue;
}

// Pixels whose file layout is the bitmap's own are copied row by row; other bit fields are
// expanded into 32-bit pixels.
bool IsNativeLayout(const TBmpInfo& info) {
  if (info.Compression != BI_BITFIELDS) return true;
  if (info.Bits == 16) return MasksAre(info, 0x7C00, 0x3E0, 0x1F) || MasksAre(info, 0xF800, 0x7E0, 0x1F);
  return MasksAre(info, 0xFF0000, 0xFF00, 0xFF) && (info.Masks[3] == 0 || info.Masks[3] == 0xFF000000u);
}

TPixelFormat FormatOf(const TBmpInfo& info) {
  switch (info.Bits) {
    case 1:
      return TPixelFormat::pf1bit;
    case 4:
      return TPixelFormat::pf4bit;
    case 8:
      return TPixelFormat::pf8bit;
    case 16:
      if (!IsNativeLayout(info)) return TPixelFormat::pf32bit;
      return info.Compression == BI_BITFIELDS && info.Masks[0] == 0xF800 ? TPixelFormat::pf16bit
                                                                         : TPixelFormat::pf15bit;
    case 24:
      return TPixelFormat::pf24bit;
    default:
      return TPixelFormat::pf32bit;
  }
}

void ExpandBitFields(const TBmpInfo& info, const std::uint8_t* from, std::uint8_t* to, std::int64_t width) {
  const TChannel red = TChannel::Of(info.Masks[0]), green = TChannel::Of(info.Masks[1]),
                 blue = TChannel::Of(info.Masks[2]), alpha = TChannel::Of(info.Masks[3]);
  for (std::int64_t x = 0; x < width; ++x) {
    const std::uint32_t v = info.Bits == 16 ? U16(from + 2 * x) : U32(from + 4 * x);
    const std::uint32_t bgra =
        alpha.Scaled(v, 255) << 24 | red.Scaled(v, 0) << 16 | green.Scaled(v, 0) << 8 | blue.Scaled(v, 0);
    std::memcpy(to + 4 * x, &bgra, 4);
  }
}

int TargetRow(const TBmpInfo& info, std::int64_t fileRow) {
  return int(info.TopDown ? fileRow : info.Height - 1 - fileRow);
}

void ReadUncompressed(TStream& stream, const TBmpInfo& info, TBitmap& bitmap) {
  const std::size_t fileStride = TBitmap::BytesPerScanLine(info.Width, info.Bits);
  if (stream.BytesLeft() < std::int64_t(fileStride) * info.Height) RaiseTruncated();
  const bool native = IsNativeLayout(info);
  std::vector<std::uint8_t> row(native ? 0 : fileStride);
  for (std::int64_t r = 0; r < info.Height; ++r) {
    std::uint8_t* target = bitmap.ScanLine(TargetRow(info, r));
    ReadExact(stream, native ? target : row.data(), std::int64_t(fileStride));
    if (!native) ExpandBitFields(info, row.data(), target, info.Width);
  }
}

// Runs of RLE4 and RLE8 data. Pixels past the right edge are dropped; the data ending before
// the last row or an end-of-bitmap code means a cut-short file.
class TRunLengthDecoder {
 public:
  TRunLengthDecoder(std::span<const std::uint8_t> data, const TBmpInfo& info, TBitmap& bitmap)
      : Data(data), Info(info), Bitmap(bitmap) {}

  void Decode() {
    while (Row < Info.Height) {
      const std::uint8_t count = Next(), value = Next();
      if (count > 0) {
        for (unsigned k = 0; k < count; ++k)
          Put(Info.Bits == 8 ? value : (k & 1) ? value & 0x0F : value >> 4);
      } else if (value == 0) {
        X = 0;
        ++Row;
      } else if (value == 1) {
        return;
      } else if (value == 2) {
        X += Next();
        Row += Next();
      } else {
        Absolute(value);
      }
    }
  }

 private:
  std::uint8_t Next() {
    if (Pos >= Data.size()) RaiseTruncated();
    return Data[Pos++];
  }

  void Absolute(unsigned count) {
    const std::size_t bytes = Info.Bits == 8 ? count : (count + 1) / 2;
    if (Data.size() - Pos < bytes) RaiseTruncated();
    for (unsigned k = 0; k < count; ++k) {
      const std::uint8_t b = Data[Pos + (Info.Bits == 8 ? k : k / 2)];
      Put(Info.Bits == 8 ? b : (k & 1) ? b & 0x0F : b >> 4);
    }
    Pos += std::min(Data.size() - Pos, (bytes + 1) & ~std::size_t(1));  // runs are word aligned
  }

  void Put(unsigned index) {
    if (X < Info.Width && Row < Info.Height) {
      pixels::SetIndexAt(Bitmap.ScanLine(TargetRow(Info, Row)), X, Info.Bits, index);
    }
    ++X;
  }

  std::span<const std::uint8_t> Data;
  const TBmpInfo& Info;
  TBitmap& Bitmap;
  std::size_t Pos = 0;
  std::int64_t X = 0;
  std::int64_t Row = 0;
};

void ReadRunLength(TStream& stream, const TBmpInfo& info, TBitmap& bitmap) {
  std::int64_t size = stream.BytesLeft();
  if (info.ImageSize > 0 && info.ImageSize < size) size = info.ImageSize;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
  ReadExact(stream, data.data(), size);
  TRunLengthDecoder(data, info, bitmap).Decode();
}

// Replaces `bitmap` by an image of `info` and `palette` whose pixels begin at the stream's position.
void ReadPixels(TStream& stream, const TBmpInfo& info, TPalette palette, TBitmap& bitmap) {
  bitmap.ReleaseImage();
  bitmap.SetPixelFormat(FormatOf(info));
  bitmap.SetPalette(std::move(palette));
  bitmap.SetSize(int(info.Width), int(info.Height));
  if (bitmap.Empty()) return;
  if (info.Compression == BI_RLE8 || info.Compression == BI_RLE4) {
    ReadRunLength(stream, info, bitmap);
  } else {
    ReadUncompressed(stream, info, bitmap);
  }
}

bool HasAlpha(const TBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (row[4 * x + 3] != 0) return true;
    }
  }
  return false;
}

void MakeOpaque(TBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) row[4 * x + 3] = 255;
  }
}

// The AND mask of an icon image, rows in the order of its colour rows: a set bit makes its pixel
// transparent, a clear one opaque.
void ApplyMask(TStream& stream, const TBmpInfo& info, TBitmap& bitmap) {
  const std::size_t stride = TBitmap::BytesPerScanLine(info.Width, 1);
  if (stream.BytesLeft() < std::int64_t(stride) * info.Height) RaiseTruncated();
  std::vector<std::uint8_t> mask(stride);
  for (std::int64_t r = 0; r < info.Height; ++r) {
    ReadExact(stream, mask.data(), std::int64_t(stride));
    std::uint8_t* row = bitmap.ScanLine(TargetRow(info, r));
    for (std::int64_t x = 0; x < info.Width; ++x)
      row[4 * x + 3] = pixels::IndexAt(mask.data(), x, 1) ? 0 : 255;
  }
}

void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
  PutU16(p, v);
  PutU16(p + 2, v >> 16);
}

}  // namespace

void ReadBmp(TStream& stream, TBitmap& bitmap) {
  const std::int64_t base = stream.Position();
  std::array<std::uint8_t, FileHeaderSize> file{};
  ReadExact(stream, file.data(), FileHeaderSize);
  if (file[0] != 'B' || file[1] != 'M') RaiseInvalid();
  const TBmpInfo info = ReadInfo(stream);
  Validate(info);
  TPalette palette = ReadPalette(stream, info);
  const std::int64_t dataOffset = base + U32(file.data() + 10);
  if (dataOffset < stream.Position()) RaiseInvalid();
  if (dataOffset > stream.Size()) RaiseTruncated();
  stream.SetPosition(dataOffset);
  ReadPixels(stream, info, std::move(palette), bitmap);
  // Without an alpha mask the fourth byte of a 32-bit pixel is reserved, and most writers leave
  // it 0: shown as alpha, the whole picture would vanish. Only a file that uses it keeps it.
  const bool alphaMasked = info.Compression == BI_BITFIELDS && info.Masks[3] != 0;
  if (info.Bits == 32 && !alphaMasked && !HasAlpha(bitmap)) MakeOpaque(bitmap);
}

void ReadIconBmp(TStream& stream, TBitmap& bitmap) {
  TBmpInfo info = ReadInfo(stream);
  // The height counts the mask rows too. Icons are never compressed, and the mask could not be
  // found behind run-length data.
  if (info.Height % 2 != 0) RaiseInvalid();
  info.Height /= 2;
  if (info.Compression != BI_RGB) RaiseUnsupported("The compression scheme is");
  Validate(info);
  ReadPixels(stream, info, ReadPalette(stream, info), bitmap);
  const bool ownAlpha = info.Bits == 32 && HasAlpha(bitmap);
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  if (!ownAlpha && !bitmap.Empty()) ApplyMask(stream, info, bitmap);
}

void WriteBmp(const TBitmap& bitmap, TStream& stream) {
  const TPixelFormat format = bitmap.PixelFormat();
  const int bits = TBitmap::BitsPerPixel(format);
  const bool masks = format == TPixelFormat::pf16bit;
  TPalette palette = bitmap.Palette();
  const std::size_t entries = bits > 8 ? 0 : std::size_t(1) << bits;
  if (palette.empty() || palette.size() > entries) palette.resize(entries);
  const std::size_t stride = TBitmap::BytesPerScanLine(bitmap.Width(), bits);
  const std::uint32_t offset =
      std::uint32_t(FileHeaderSize + InfoHeaderSize + (masks ? 12 : 0) + 4 * palette.size());
  const std::uint32_t imageSize = std::uint32_t(stride * std::size_t(bitmap.Height()));

  std::vector<std::uint8_t> head(offset);
  std::uint8_t* h = head.data();
  h[0] = 'B';
  h[1] = 'M';
  PutU32(h + 2, offset + imageSize);
  PutU32(h + 10, offset);
  std::uint8_t* info = h + FileHeaderSize;
  PutU32(info, InfoHeaderSize);
  PutU32(info + 4, std::uint32_t(bitmap.Width()));
  PutU32(info + 8, std::uint32_t(bitmap.Height()));
  PutU16(info + 12, 1);
  PutU16(info + 14, std::uint32_t(bits));
  PutU32(info + 16, masks ? BI_BITFIELDS : BI_RGB);
  PutU32(info + 20, imageSize);
  PutU32(info + 32, std::uint32_t(palette.size()));
  std::uint8_t* tail = info + InfoHeaderSize;
  if (masks) {
    PutU32(tail, 0xF800);
    PutU32(tail + 4, 0x7E0);
    PutU32(tail + 8, 0x1F);
    tail += 12;
  }
  for (const TPaletteEntry& e : palette) {
    *tail++ = e.Blue;
    *tail++ = e.Green;
    *tail++ = e.Red;
    *tail++ = 0;
  }
  stream.WriteBuffer(head.data(), std::int64_t(head.size()));
  for (int y = bitmap.Height() - 1; y >= 0 && !bitmap.Empty(); --y) {
    stream.WriteBuffer(bitmap.ScanLine(y), std::int64_t(stride));
  }
}

}  // namespace lumox
