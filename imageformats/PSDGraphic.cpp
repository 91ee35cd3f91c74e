#include "imageformats/PSDGraphic.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "imageformats/ReaderSupport.h"
#include "imageformats/SimpleRLE.h"

namespace lumox {
namespace {

using enum TColorScheme;

constexpr std::size_t HeaderSize = 26;
constexpr std::string_view ShortName = "PSD or PDD";

struct THeader {
  std::array<char, 4> Signature{};
  std::uint16_t Version = 0;
  std::uint16_t Channels = 0;
  std::uint32_t Rows = 0;
  std::uint32_t Columns = 0;
  std::uint16_t Depth = 0;
  std::uint16_t Mode = 0;
};

THeader ParseHeader(const std::array<std::uint8_t, HeaderSize>& bytes) {
  const std::uint8_t* b = bytes.data();
  THeader h;
  std::memcpy(h.Signature.data(), b, 4);
  h.Version = std::uint16_t(BigEndian(b + 4, 2));
  h.Channels = std::uint16_t(BigEndian(b + 12, 2));
  h.Rows = BigEndian(b + 14, 4);
  h.Columns = BigEndian(b + 18, 4);
  h.Depth = std::uint16_t(BigEndian(b + 22, 2));
  h.Mode = std::uint16_t(BigEndian(b + 24, 2));
  return h;
}

// A section is its 4-byte length and that many bytes.
void SkipSection(TStream& stream) { stream.Seek(ReadBigEndian(stream, 4), TSeekOrigin::Current); }

TColorScheme SchemeOf(const THeader& h) {
  switch (h.Mode) {
    case 0:  // bitmap
    case 1:  // greyscale
    case 8:  // duotone: its first channel
      return schGray;
    case 2:
      return schIndexed;
    case 3:  // RGB
    case 7:  // multichannel
      return h.Channels == 3 ? schRGB : schRGBAlpha;
    case 4:
      return schCMYK;
    case 9:
      return schCIELab;
    default:
      return schUnknown;
  }
}

// The channels the picture is made of: the first one of grey and indexed files (an alpha
// channel behind it is not shown), three for RGB and Lab (further ones are extra), four for
// RGB with alpha and CMYK.
int PlanesOf(TColorScheme scheme) {
  switch (scheme) {
    case schGray:
    case schIndexed:
      return 1;
    case schRGB:
    case schCIELab:
      return 3;
    default:
      return 4;
  }
}

// A known colour mode with the channels it needs, at a depth it allows: bitmaps have 1 bit,
// indexed files 8, the others 8 or 16.
bool Showable(const THeader& h, TColorScheme scheme) {
  if (scheme == schUnknown || h.Channels < PlanesOf(scheme)) return false;
  if (h.Mode == 0) return h.Depth == 1;
  if (scheme == schIndexed) return h.Depth == 8;
  return h.Depth == 8 || h.Depth == 16;
}

TColorScheme TargetOf(TColorScheme scheme) {
  switch (scheme) {
    case schIndexed:
    case schGray:
      return scheme;
    case schRGBAlpha:
      return schBGRAlpha;
    default:  // RGB, CMYK and Lab
      return schBGR;
  }
}

// 16-bit samples are big-endian and become 8-bit ones.
void SetUpColorManager(TColorManager& colors, TColorScheme scheme, int depth) {
  const int planes = PlanesOf(scheme);
  colors.SourceOptions = {TConversionOption::optByteSwap};
  if (scheme == schCIELab) {
    colors.SourceOptions.Include(TConversionOption::optLabByteRange)
        .Include(TConversionOption::optLabChromaOffset);
  }
  colors.SetSource(scheme, depth, planes);
  colors.SetTarget(TargetOf(scheme), depth == 16 ? 8 : depth, TargetOf(scheme) == schBGR ? 3 : planes);
}

// The palette of an indexed file (three planes of a third of the data each, red, green and
// blue) or the grey ramp of a grey one; the stream moves behind the colour-mode data.
void ReadColorModeData(TStream& stream, TBitmap& bitmap, const TColorManager& colors, const THeader& h) {
  const std::uint32_t length = ReadBigEndian(stream, 4);
  const std::int64_t start = stream.Position();
  const TColorScheme scheme = colors.SourceColorScheme();
  if (scheme == schGray) bitmap.SetPalette(colors.CreateGrayscalePalette(h.Mode == 0));
  if (scheme == schIndexed) {
    const std::uint32_t plane = length / 3;
    const std::size_t count = std::min<std::uint32_t>(plane, 256);
    std::array<std::vector<std::uint8_t>, 3> planes;
    for (std::size_t k = 0; k < 3; ++k) {
      planes[k].resize(count);
      stream.SetPosition(start + std::int64_t(k) * plane);
      stream.ReadBuffer(planes[k].data(), std::int64_t(count));
    }
    const std::array<TColorManager::TConstBytes, 3> data{planes[0], planes[1], planes[2]};
    bitmap.SetPalette(colors.CreateColorPalette(data, TPaletteLayout::plPlanes8, count, false));
  }
  stream.SetPosition(start + length);
}

// The rows of the first channels, raw or PackBits-compressed, fetched one at a time. The file
// holds every channel whole, one after the other; with PackBits a table of the packed size of
// every row of every channel comes first.
class TChannelRows {
 public:
  // The stream stands behind the compression word.
  TChannelRows(TStream& stream, const THeader& h, bool packed, int planes)
      : Stream(stream), Height(h.Rows), RowBytes((std::int64_t(h.Columns) * h.Depth + 7) / 8) {
    DataStart = stream.Position();
    if (!packed) return;
    const std::size_t rows = std::size_t(planes) * Height;
    std::vector<std::uint8_t> counts(2 * rows);
    stream.ReadBuffer(counts.data(), std::int64_t(counts.size()));
    Offsets.resize(rows + 1);
    for (std::size_t i = 0; i < rows; ++i) Offsets[i + 1] = Offsets[i] + BigEndian(&counts[2 * i], 2);
    DataStart += 2 * std::int64_t(h.Channels) * Height;
  }

  std::int64_t RowSize() const { return RowBytes; }

  // Row y of channel `plane` into `row` (RowSize bytes). Packed data that end early leave the
  // rest of the row black.
  void Read(int plane, std::uint32_t y, std::uint8_t* row) {
    const std::size_t index = std::size_t(plane) * Height + y;
    if (Offsets.empty()) {
      Stream.SetPosition(DataStart + std::int64_t(index) * RowBytes);
      Stream.ReadBuffer(row, RowBytes);
      return;
    }
    const std::int64_t size = Offsets[index + 1] - Offsets[index];
    Packed.resize(std::size_t(size));
    Stream.SetPosition(DataStart + Offsets[index]);
    Stream.ReadBuffer(Packed.data(), size);
    std::memset(row, 0, std::size_t(RowBytes));
    const std::uint8_t* input = Packed.data();
    Decoder.Decode(input, row, size, RowBytes);
  }

 private:
  TStream& Stream;
  std::uint32_t Height;
  std::int64_t RowBytes;
  std::int64_t DataStart = 0;
  // Packed: where the data of each row begin behind DataStart, and where the last one ends.
  std::vector<std::int64_t> Offsets;
  std::vector<std::uint8_t> Packed;
  TPackbitsRLEDecoder Decoder;
};

}  // namespace

const TGraphicClass& TPSDGraphic::Class() {
  static const TGraphicClass info{"TPSDGraphic", &CreateGraphic<TPSDGraphic>};
  return info;
}

bool TPSDGraphic::CanLoad(TStream& stream) {
  const auto bytes = PeekHeader<HeaderSize>(stream);
  if (!bytes) return false;
  const THeader h = ParseHeader(*bytes);
  return AsciiLower({h.Signature.data(), 4}) == "8bps" && h.Version == 1;
}

bool TPSDGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  const THeader h = ParseHeader(ReadHeader<HeaderSize>(stream));
  if (std::string_view(h.Signature.data(), 4) != "8BPS") return false;
  TImageProperties& p = ImageProperties;
  p.Options = {TImageOption::ioBigEndian};
  p.BitsPerSample = std::uint8_t(h.Depth);
  p.Channels = h.Channels;
  p.SamplesPerPixel = std::uint8_t(std::min<std::uint16_t>(h.Channels, 4));
  p.BitsPerPixel = std::uint8_t(p.SamplesPerPixel * p.BitsPerSample);
  p.ColorScheme = SchemeOf(h);
  if (h.Mode == 0) p.Options.Include(TImageOption::ioMinIsWhite);
  p.Width = h.Columns;
  p.Height = h.Rows;
  for (int section = 0; section < 3; ++section) SkipSection(stream);
  p.Compression = ReadBigEndian(stream, 2) == 1 ? TCompressionType::ctPackedBits : TCompressionType::ctNone;
  return true;
}

void TPSDGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream)) RaiseGraphicError(TFormatText::SInvalidImageFormat, {ShortName});
  stream.SetPosition(BasePosition);
  const THeader h = ParseHeader(ReadHeader<HeaderSize>(stream));
  // Version 2 (large documents) lays its sections out differently.
  if (h.Version != 1) RaiseGraphicError(TFormatText::SInvalidImageFormat, {ShortName});
  const TColorScheme scheme = ImageProperties.ColorScheme;
  if (!Showable(h, scheme)) RaiseGraphicError(TFormatText::SInvalidColorFormat, {ShortName});
  CheckImageSize(h.Columns, h.Rows, ShortName);
  const int width = int(h.Columns), height = int(h.Rows);
  ProgressRect = {0, 0, width, 1};
  StartStage(TFormatText::SPreparing);
  SetUpColorManager(ColorManager, scheme, h.Depth);
  SetPixelFormat(ColorManager.GetPixelFormat(1));
  SetSize(width, height);
  ReadColorModeData(stream, *this, ColorManager, h);
  SkipSection(stream);  // image resources
  SkipSection(stream);  // layers and masks
  stream.Seek(2, TSeekOrigin::Current);
  const int planes = PlanesOf(scheme);
  TChannelRows channels(stream, h, ImageProperties.Compression == TCompressionType::ctPackedBits, planes);
  EndStage();

  // Pictures of several planes report a stage for loading their planes before the transfer, as
  // progress displays expect of this format; the rows of the planes are read during the transfer
  // all the same, so that no more than one row of each plane is held at a time.
  if (planes > 1) {
    StartStage(TFormatText::SLoadingData);
    EndStage();
  }
  StartStage(TFormatText::STransferring);
  const std::size_t rowBytes = std::size_t(channels.RowSize());
  std::vector<std::uint8_t> rows(std::size_t(planes) * rowBytes);
  std::array<TColorManager::TConstBytes, 4> sources;
  for (std::size_t k = 0; k < std::size_t(planes); ++k) sources[k] = {rows.data() + k * rowBytes, rowBytes};
  for (int y = 0; y < height; ++y) {
    for (int k = 0; k < planes; ++k)
      channels.Read(k, std::uint32_t(y), rows.data() + std::size_t(k) * rowBytes);
    // CMYK files store ink as 255 minus its amount.
    if (scheme == schCMYK) std::ranges::for_each(rows, [](std::uint8_t& b) { b = std::uint8_t(255 - b); });
    ColorManager.ConvertRow(std::span(sources.data(), std::size_t(planes)), {ScanLine(y), BytesPerScanLine()},
                            std::size_t(width), 0xFF);
    RowDone(y);
  }
  EndStage();
}

}  // namespace lumox
