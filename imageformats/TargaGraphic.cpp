#include "imageformats/TargaGraphic.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "imageformats/ReaderSupport.h"
#include "imageformats/TargaRLE.h"

namespace lumox {
namespace {

constexpr std::string_view TargaName = "TGA";
constexpr std::size_t HeaderSize = 18;
// Pixels of the longest run-length packet.
constexpr std::int64_t MaxPacketPixels = 128;
constexpr std::uint8_t TopDownBit = 0x20;

struct THeader {
  std::uint8_t IDLength = 0;
  std::uint8_t ColorMapType = 0;
  std::uint8_t ImageType = 0;
  std::uint16_t ColorMapLength = 0;
  std::uint8_t ColorMapEntrySize = 0;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint8_t PixelSize = 0;
  std::uint8_t ImageDescriptor = 0;
};

THeader ParseHeader(const std::array<std::uint8_t, HeaderSize>& b) {
  const auto word = [&b](int at) { return std::uint16_t(LittleEndian(&b[std::size_t(at)], 2)); };
  return {b[0], b[1], b[2], word(5), b[7], word(12), word(14), b[16], b[17]};
}

bool IsRunLength(std::uint8_t imageType) { return imageType >= 9 && imageType <= 11; }
bool IsGrey(std::uint8_t imageType) { return imageType == 3 || imageType == 11; }
bool IsKnownType(std::uint8_t imageType) { return imageType <= 3 || IsRunLength(imageType); }

// 24- and 32-bit entries are stored whole; all others as one 16-bit word each.
std::int64_t ColorMapBytes(const THeader& header) {
  const bool wide = header.ColorMapEntrySize == 24 || header.ColorMapEntrySize == 32;
  return std::int64_t(header.ColorMapLength) * (wide ? header.ColorMapEntrySize / 8 : 2);
}

// Blue, green and red in five bits each, shifted to the top of a byte.
TPalette WordPalette(const std::vector<std::uint8_t>& map) {
  TPalette palette(std::min<std::size_t>(map.size() / 2, 256));
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const unsigned w = map[2 * i] | map[2 * i + 1] << 8;
    palette[i] = {std::uint8_t((w & 0x7C00) >> 7), std::uint8_t((w & 0x3E0) >> 2),
                  std::uint8_t((w & 0x1F) * 8), 0};
  }
  return palette;
}

// The grey ramp of a grey image, the colour map of another one, or none. The map is read
// also when a grey image has one, to reach the rows behind it.
std::optional<TPalette> ReadPalette(TStream& stream, const THeader& h, const TColorManager& colorManager) {
  std::optional<TPalette> palette;
  if (IsGrey(h.ImageType)) palette = colorManager.CreateGrayscalePalette(false);
  if (h.ColorMapType != 1) return palette;
  std::vector<std::uint8_t> map(std::size_t(ColorMapBytes(h)));
  stream.ReadBuffer(map.data(), std::int64_t(map.size()));
  if (IsGrey(h.ImageType)) return palette;
  if (h.ColorMapEntrySize != 24 && h.ColorMapEntrySize != 32) return WordPalette(map);
  const auto layout = h.ColorMapEntrySize == 24 ? TPaletteLayout::plTriple8 : TPaletteLayout::plQuad8;
  return colorManager.CreateColorPalette(map, layout, h.ColorMapLength, true);
}

}  // namespace

const TGraphicClass& TTargaGraphic::Class() {
  static const TGraphicClass info{"TTargaGraphic", &CreateGraphic<TTargaGraphic>};
  return info;
}

bool TTargaGraphic::CanLoad(TStream& stream) {
  const auto bytes = PeekHeader<HeaderSize>(stream);
  if (!bytes) return false;
  const THeader h = ParseHeader(*bytes);
  const bool knownType = IsKnownType(h.ImageType);
  const bool knownEntry = h.ColorMapEntrySize == 15 || h.ColorMapEntrySize == 16 ||
                          h.ColorMapEntrySize == 24 || h.ColorMapEntrySize == 32;
  return knownType && h.ColorMapType <= 1 && knownEntry && TTargaRLEDecoder::BytesPerPixel(h.PixelSize) != 0;
}

bool TTargaGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  const THeader h = ParseHeader(ReadHeader<HeaderSize>(stream));
  TImageProperties& p = ImageProperties;
  p.Width = h.Width;
  p.Height = h.Height;
  p.BitsPerSample = 8;
  switch (h.PixelSize) {
    case 8:
      p.ColorScheme = IsGrey(h.ImageType) ? TColorScheme::schGray : TColorScheme::schIndexed;
      p.SamplesPerPixel = 1;
      break;
    case 15:
    case 16:
      p.ColorScheme = TColorScheme::schRGB;
      p.BitsPerSample = 5;
      p.SamplesPerPixel = 3;
      break;
    case 24:
      p.ColorScheme = TColorScheme::schRGB;
      p.SamplesPerPixel = 3;
      break;
    case 32:
      p.ColorScheme = TColorScheme::schRGBAlpha;
      p.SamplesPerPixel = 4;
      break;
  }
  p.BitsPerPixel = std::uint8_t(p.SamplesPerPixel * p.BitsPerSample);
  p.Compression = IsRunLength(h.ImageType) ? TCompressionType::ctRLE : TCompressionType::ctNone;
  return true;
}

void TTargaGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream)) return;
  stream.SetPosition(BasePosition);
  const TImageProperties& p = ImageProperties;
  ProgressRect = {0, 0, std::int32_t(p.Width), 1};
  StartStage(TFormatText::SPreparing);
  const THeader h = ParseHeader(ReadHeader<HeaderSize>(stream));
  // Any file can arrive under a Targa extension: one whose type says nothing readable follows
  // would otherwise become a picture of whatever size its first bytes happen to give.
  if (!IsKnownType(h.ImageType)) RaiseGraphicError(TFormatText::SInvalidImageFormat, {TargaName});
  stream.Seek(h.IDLength, TSeekOrigin::Current);

  // An unknown pixel size has no samples, which the colour manager refuses.
  ColorManager.SourceOptions = {};
  ColorManager.SetSource(p.ColorScheme, p.BitsPerSample, p.SamplesPerPixel);
  ColorManager.SetTarget(TColorScheme::schBGR, p.BitsPerSample, p.SamplesPerPixel);
  SetPixelFormat(ColorManager.GetPixelFormat(1));
  if (auto palette = ReadPalette(stream, h, ColorManager)) SetPalette(std::move(*palette));
  const bool raw = h.ImageType >= 1 && h.ImageType <= 3;
  const std::int64_t rowBytes = std::int64_t(h.Width) * TTargaRLEDecoder::BytesPerPixel(h.PixelSize);
  // Raw rows that are all there overwrite every pixel, so the new pixels need not be cleared.
  const bool overwrite = raw && stream.BytesLeft() >= rowBytes * h.Height;
  if (overwrite) {
    SetSizeForOverwrite(h.Width, h.Height);
  } else {
    SetSize(h.Width, h.Height);
  }
  EndStage();
  StartStage(TFormatText::STransferring);
  const bool topDown = (h.ImageDescriptor & TopDownBit) != 0;
  if (raw) ReadRawRows(stream, rowBytes, topDown, overwrite);
  if (IsRunLength(h.ImageType)) ReadPackedRows(stream, h.PixelSize, topDown);
  EndStage();
}

void TTargaGraphic::ReadRawRows(TStream& stream, std::int64_t rowBytes, bool topDown, bool overwrite) {
  int i = 0;
  const auto row = [&] { return ScanLine(topDown ? i : Height() - 1 - i); };
  try {
    for (; i < Height(); ++i) {
      stream.ReadBuffer(row(), rowBytes);
      RowDone(i);
    }
  } catch (...) {
    // Rows not read show black, never what their memory held before.
    for (; overwrite && i < Height(); ++i) std::memset(row(), 0, std::size_t(rowBytes));
    throw;
  }
}

// Packets may run across row ends: the pixels a packet has beyond a row start the next one.
void TTargaGraphic::ReadPackedRows(TStream& stream, unsigned pixelSize, bool topDown) {
  TTargaRLEDecoder decoder(pixelSize);
  const std::int64_t pixelBytes = TTargaRLEDecoder::BytesPerPixel(pixelSize);
  const std::int64_t width = Width();
  const std::int64_t rowBytes = width * pixelBytes;
  std::vector<std::uint8_t> row(std::size_t((width + MaxPacketPixels) * pixelBytes));
  TReadAhead input(stream, width * (pixelBytes + 1) + MaxPacketPixels * pixelBytes + 1);
  std::int64_t carried = 0;
  for (int i = 0; i < Height(); ++i) {
    std::int64_t have = carried;
    if (carried < width) {
      input.Fill();
      const std::uint8_t* next = input.Data();
      have += decoder.DecodePixels(next, input.Available(), row.data() + carried * pixelBytes,
                                   width - carried, width + MaxPacketPixels - 1 - carried);
      input.Consume(next);
    }
    // Where the data end, the rest of the row and the rows below stay black.
    const bool ended = have < width;
    if (ended) std::fill(row.begin() + have * pixelBytes, row.begin() + rowBytes, std::uint8_t(0));
    std::memcpy(ScanLine(topDown ? i : Height() - 1 - i), row.data(), std::size_t(rowBytes));
    RowDone(i);
    if (ended) break;
    carried = have - width;
    std::memmove(row.data(), row.data() + rowBytes, std::size_t(carried * pixelBytes));
  }
  input.Release();
}

void TTargaGraphic::SaveToStream(TStream& stream, bool compressed) {
  // An empty bitmap writes nothing and reports nothing, so no stage is left open.
  if (Empty()) return;
  ProgressRect = {0, 0, Width(), 1};
  StartStage(TFormatText::SPreparing);
  // Indices narrower than a byte are written as bytes, 5-6-5 pixels as 5-5-5 ones.
  TBitmap converted;
  const TBitmap* source = this;
  const TPixelFormat format = PixelFormat();
  if (format == TPixelFormat::pf1bit || format == TPixelFormat::pf4bit || format == TPixelFormat::pf16bit) {
    converted.Assign(*this);
    converted.SetPixelFormat(format == TPixelFormat::pf16bit ? TPixelFormat::pf15bit : TPixelFormat::pf8bit);
    source = &converted;
  }
  const unsigned pixelBytes = unsigned(BitsPerPixel(source->PixelFormat()) / 8);
  const bool mapped = pixelBytes == 1;
  const std::uint8_t imageType = std::uint8_t((mapped ? 1 : 2) + (compressed ? 8 : 0));
  const auto lo = [](int v) { return std::uint8_t(v); };
  const auto hi = [](int v) { return std::uint8_t(v >> 8); };
  // The map length and entry size are written also when no map follows.
  std::vector<std::uint8_t> header{0, std::uint8_t(mapped), imageType, 0, 0, 0, 1, 24, 0, 0, 0, 0};
  header.insert(header.end(),
                {lo(Width()), hi(Width()), lo(Height()), hi(Height()), std::uint8_t(8 * pixelBytes)});
  header.push_back(TopDownBit);
  stream.WriteBuffer(header.data(), HeaderSize);
  if (mapped) {
    std::array<std::uint8_t, 768> map{};
    const TPalette& palette = source->Palette();
    for (std::size_t i = 0; i < palette.size(); ++i) {
      map[3 * i] = palette[i].Blue;
      map[3 * i + 1] = palette[i].Green;
      map[3 * i + 2] = palette[i].Red;
    }
    stream.WriteBuffer(map.data(), std::int64_t(map.size()));
  }
  EndStage();
  StartStage(TFormatText::STransferring);
  const std::uint64_t width = std::uint64_t(Width());
  std::vector<std::uint8_t> packed(width * (pixelBytes + 1));
  TTargaRLEDecoder encoder(8 * pixelBytes);
  for (int y = 0; y < Height(); ++y) {
    const std::uint8_t* row = source->ScanLine(y);
    std::uint64_t written = width * pixelBytes;
    if (compressed) {
      encoder.Encode(row, packed.data(), width, written);
      row = packed.data();
    }
    stream.WriteBuffer(row, std::int64_t(written));
    ReportRow(0);
  }
  EndStage();
}

}  // namespace lumox
