#include "imageformats/PCXGraphic.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "framework/PixelAccess.h"
#include "imageformats/ReaderSupport.h"
#include "imageformats/SimpleRLE.h"

namespace lumox {
namespace {

using enum TColorScheme;
using TConstBytes = TColorManager::TConstBytes;

constexpr std::size_t HeaderSize = 128;
// The optional 256-colour palette at the end of the file: the marker 12, then 256 triples.
constexpr std::int64_t PaletteBlockSize = 769;
constexpr std::uint8_t PaletteMarker = 12;
constexpr std::string_view PCXName = "PCX";

// The 16 standard colours of version 3 files, which carry no palette of their own.
// clang-format off
constexpr std::array<TPaletteEntry, 16> SystemColors{{
    {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255},
    {255, 255, 255}}};
// clang-format on

struct THeader {
  std::uint8_t Manufacturer = 0, Version = 0, Encoding = 0, BitsPerSample = 0;
  std::int64_t Width = 0, Height = 0;  // below 1 when the window's end lies before its start
  std::uint16_t XResolution = 0, YResolution = 0;
  std::array<std::uint8_t, 48> Palette{};
  std::uint8_t Planes = 0;
  std::uint16_t BytesPerLine = 0, PaletteType = 0;
};

THeader ParseHeader(const std::uint8_t* b) {
  const auto word = [b](int at) { return std::uint16_t(LittleEndian(b + at, 2)); };
  THeader h{.Manufacturer = b[0], .Version = b[1], .Encoding = b[2], .BitsPerSample = b[3]};
  h.Width = std::int64_t(word(8)) - word(4) + 1;
  h.Height = std::int64_t(word(10)) - word(6) + 1;
  h.XResolution = word(12);
  h.YResolution = word(14);
  std::copy_n(b + 16, h.Palette.size(), h.Palette.begin());
  h.Planes = b[65];
  h.BytesPerLine = word(66);
  h.PaletteType = word(68);
  return h;
}

// How a row's planes become pixels.
enum class TLayout {
  Indices,  // one plane of 1-, 2-, 4- or 8-bit indices
  Planes,   // two to four planes of 1 bit, each giving one bit of a 4-bit index
  Colour,   // red, green and blue planes of bytes
};

TLayout LayoutOf(const THeader& h) {
  const unsigned bits = h.BitsPerSample;
  if (h.Planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) return TLayout::Indices;
  if (h.Planes >= 2 && h.Planes <= 4 && bits == 1) return TLayout::Planes;
  if (h.Planes == 3 && bits == 8) return TLayout::Colour;
  TFormatGraphic::RaiseGraphicError(TFormatText::SInvalidColorFormat, {PCXName});
}

// The 768 colour bytes at the end of the data, when the marker stands before them.
std::optional<std::vector<std::uint8_t>> TrailingPalette(TStream& stream, std::int64_t dataSize) {
  if (dataSize < PaletteBlockSize) return std::nullopt;
  const TStreamPositionGuard keep(stream);
  stream.Seek(dataSize - PaletteBlockSize, TSeekOrigin::Current);
  std::vector<std::uint8_t> block(PaletteBlockSize);
  stream.ReadBuffer(block.data(), PaletteBlockSize);
  if (block[0] != PaletteMarker) return std::nullopt;
  block.erase(block.begin());
  return block;
}

// The colours of an indexed picture; none for colour pictures and for 8-bit ones without a palette.
std::optional<TPalette> PaletteFor(const THeader& h, TPixelFormat format, const TColorManager& colors,
                                   const std::optional<std::vector<std::uint8_t>>& trailing) {
  using enum TPixelFormat;
  using enum TPaletteLayout;
  if (format == pf24bit) return std::nullopt;
  if (h.Version == 3 && format != pf1bit) return TPalette(SystemColors.begin(), SystemColors.end());
  if (trailing) return colors.CreateColorPalette(*trailing, plTriple8, 256, false);
  if (format == pf1bit || h.PaletteType == 2) return colors.CreateGrayscalePalette(false);
  if (format == pf4bit) return colors.CreateColorPalette(h.Palette, plTriple8, 16, false);
  return std::nullopt;
}

// The rows of the pixel data one after the other. Run-length packets may run on into the next
// row; what a row's data lack is zero.
class TRowReader {
 public:
  TRowReader(TStream& stream, bool runLength, std::int64_t dataSize, std::int64_t rowSize)
      : Input(stream, 2 * rowSize + 2, dataSize),
        RunLength(runLength),
        RowSize(rowSize),
        // A run makes at most 63 bytes, so at most 62 run on behind the row.
        Row(std::size_t(rowSize + 63)) {}

  // The next row; none when the data hold nothing of it.
  const std::uint8_t* Next() {
    std::memmove(Row.data(), Row.data() + RowSize, std::size_t(Carried));
    std::int64_t have = Carried;
    while (have < RowSize) {
      Input.Fill();
      const std::uint8_t* const start = Input.Data();
      const std::uint8_t* next = start;
      if (RunLength) {
        have += Decoder.DecodeBytes(next, Input.Available(), Row.data() + have, RowSize - have,
                                    std::int64_t(Row.size()) - have);
      } else {
        const std::int64_t taken = std::min(Input.Available(), RowSize - have);
        std::memcpy(Row.data() + have, next, std::size_t(taken));
        next += taken;
        have += taken;
      }
      Input.Consume(next);
      if (next == start) break;  // the data have ended
    }
    Carried = std::max<std::int64_t>(have - RowSize, 0);
    if (have == 0) return nullptr;
    if (have < RowSize) std::fill(Row.begin() + have, Row.begin() + RowSize, std::uint8_t(0));
    return Row.data();
  }

 private:
  TReadAhead Input;
  TPCXRLEDecoder Decoder;
  bool RunLength;
  std::int64_t RowSize;
  std::vector<std::uint8_t> Row;
  std::int64_t Carried = 0;
};

// Pixel x takes bit x of plane k as bit k of its 4-bit index.
void MergePlanes(const std::uint8_t* row, std::size_t bytesPerLine, unsigned planes, std::size_t width,
                 std::uint8_t* target) {
  for (std::size_t x = 0; x < width; ++x) {
    unsigned index = 0;
    for (unsigned k = 0; k < planes; ++k)
      index |= pixels::IndexAt(row + k * bytesPerLine, std::int64_t(x), 1) << k;
    pixels::SetIndexAt(target, std::int64_t(x), 4, index);
  }
}

}  // namespace

const TGraphicClass& TPCXGraphic::Class() {
  static const TGraphicClass info{"TPCXGraphic", &CreateGraphic<TPCXGraphic>};
  return info;
}

bool TPCXGraphic::CanLoad(TStream& stream) {
  const auto b = PeekHeader<HeaderSize>(stream);
  if (!b) return false;
  const THeader h = ParseHeader(b->data());
  const bool knownVersion = h.Version == 0 || h.Version == 2 || h.Version == 3 || h.Version == 5;
  return (h.Manufacturer == 10 || h.Manufacturer == 12) && knownVersion && h.Encoding <= 1;
}

bool TPCXGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  const THeader h = ParseHeader(ReadHeader<HeaderSize>(stream).data());
  if (h.Manufacturer != 10 && h.Manufacturer != 205) return false;
  TImageProperties& p = ImageProperties;
  p.Width = std::uint32_t(std::max<std::int64_t>(h.Width, 0));
  p.Height = std::uint32_t(std::max<std::int64_t>(h.Height, 0));
  p.SamplesPerPixel = h.Planes;
  p.BitsPerSample = h.BitsPerSample;
  p.BitsPerPixel = std::uint8_t(h.BitsPerSample * h.Planes);
  p.ColorScheme = p.BitsPerPixel <= 8 ? schIndexed : schRGB;
  p.Compression = h.Encoding == 1 ? TCompressionType::ctRLE : TCompressionType::ctNone;
  p.XResolution = h.XResolution;
  p.YResolution = h.YResolution;
  return true;
}

void TPCXGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream)) return;
  stream.SetPosition(BasePosition);
  const TImageProperties& p = ImageProperties;
  ProgressRect = {0, 0, std::int32_t(p.Width), 1};
  StartStage(TFormatText::SPreparing);
  const THeader h = ParseHeader(ReadHeader<HeaderSize>(stream).data());
  const TLayout layout = LayoutOf(h);
  CheckImageSize(p.Width, p.Height, PCXName);
  if (std::int64_t(h.BytesPerLine) * 8 < std::int64_t(p.Width) * h.BitsPerSample)
    RaiseGraphicError(TFormatText::SInvalidImageFormat, {PCXName});

  const bool indexed = p.ColorScheme == schIndexed;
  ColorManager.SourceOptions = {};
  ColorManager.TargetOptions = {};
  ColorManager.SetSource(p.ColorScheme, p.BitsPerSample, p.SamplesPerPixel);
  // 2-bit indices become 4-bit ones; the planes of 1 bit are merged here, not converted.
  ColorManager.SetTarget(indexed ? schIndexed : schBGR, p.BitsPerSample == 2 ? 4 : p.BitsPerSample,
                         p.SamplesPerPixel);
  SetPixelFormat(layout == TLayout::Planes ? TPixelFormat::pf4bit : ColorManager.GetPixelFormat(1));

  std::int64_t dataSize = stream.BytesLeft();
  std::optional<std::vector<std::uint8_t>> trailing;
  if (PixelFormat() == TPixelFormat::pf8bit) trailing = TrailingPalette(stream, dataSize);
  if (trailing) dataSize -= PaletteBlockSize;
  if (auto palette = PaletteFor(h, PixelFormat(), ColorManager, trailing)) SetPalette(std::move(*palette));
  SetSizeForOverwrite(int(p.Width), int(p.Height));
  EndStage();
  StartStage(TFormatText::STransferring);
  const std::int64_t bytesPerLine = h.BytesPerLine, rowSize = h.Planes * bytesPerLine;
  TRowReader rows(stream, h.Encoding == 1, dataSize, rowSize);
  const std::size_t width = p.Width;
  std::int64_t y = 0;
  try {
    for (; y < Height(); ++y) {
      const std::uint8_t* r = rows.Next();
      if (r == nullptr) break;
      const TColorManager::TBytes target(ScanLine(int(y)), BytesPerScanLine());
      if (layout == TLayout::Planes) {
        MergePlanes(r, std::size_t(bytesPerLine), h.Planes, width, target.data());
      } else if (layout == TLayout::Colour) {
        const std::array<TConstBytes, 3> planes{TConstBytes(r, std::size_t(bytesPerLine)),
                                                TConstBytes(r + bytesPerLine, std::size_t(bytesPerLine)),
                                                TConstBytes(r + 2 * bytesPerLine, std::size_t(bytesPerLine))};
        ColorManager.ConvertRow(planes, target, width, 0xFF);
      } else {
        ColorManager.ConvertRow(TConstBytes(r, std::size_t(rowSize)), target, width, 0xFF);
      }
      RowDone(y);
    }
  } catch (...) {
    ClearRows(int(y), Height());
    throw;
  }
  // Rows the data do not reach stay black.
  ClearRows(int(y), Height());
  EndStage();
}

}  // namespace lumox
