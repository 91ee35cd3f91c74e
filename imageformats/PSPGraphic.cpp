#include "imageformats/PSPGraphic.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "framework/Exceptions.h"
#include "imageformats/LZ77Decoder.h"
#include "imageformats/ReaderSupport.h"
#include "imageformats/SimpleRLE.h"

namespace lumox {
namespace {

using enum TColorScheme;

constexpr std::size_t FileHeaderSize = 36;
constexpr std::string_view Signature = "Paint Shop Pro Image File";
constexpr std::string_view ShortName = "PSP";
constexpr std::int64_t AttributesSize = 42;
constexpr std::int64_t LayerNameSize = 256;  // version 3
constexpr std::int64_t LayerInfoSize = 115;

enum : std::uint16_t { PaletteBlock = 2, LayerStartBlock = 3, LayerBlock = 4 };
enum : std::uint16_t { CompositeChannel, RedChannel, GreenChannel, BlueChannel };

std::uint16_t Word(const std::uint8_t* b) { return std::uint16_t(LittleEndian(b, 2)); }
std::uint32_t Long(const std::uint8_t* b) { return LittleEndian(b, 4); }

// Version 3 block headers carry an initial data length besides the total one.
std::int64_t BlockHeaderSize(std::uint32_t version) { return version == 3 ? 14 : 10; }

struct TBlock {
  bool Valid = false;  // the marker starts with "~"
  std::uint16_t Id = 0;
  std::int64_t End = 0;  // where the next block starts
};

TBlock ReadBlockHeader(TStream& stream, std::uint32_t version) {
  std::array<std::uint8_t, 14> b;
  const std::int64_t size = BlockHeaderSize(version);
  stream.ReadBuffer(b.data(), size);
  const std::uint32_t total = Long(&b[std::size_t(size) - 4]);
  return {b[0] == '~', Word(&b[4]), stream.Position() + total};
}

// Files of version 4 and later begin every data chunk with its length, counted from the
// chunk's start. Reads it and returns where the chunk ends; -1 for version 3 files.
std::int64_t ReadChunkEnd(TStream& stream, std::uint32_t version) {
  if (version < 4) return -1;
  const std::int64_t start = stream.Position();
  return start + ReadLittleEndian(stream, 4);
}

void SkipToChunkEnd(TStream& stream, std::int64_t end) {
  if (end >= 0) stream.SetPosition(end);
}

struct TAttributes {
  std::uint32_t Version = 0;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  double Resolution = 0;
  bool PerCentimetre = false;
  std::uint16_t Compression = 0;
  std::uint16_t Depth = 0;
  bool Grey = false;
};

using TFileHeader = std::array<std::uint8_t, FileHeaderSize>;

// The signature text and major version 3 or later.
bool IsKnownHeader(const TFileHeader& header) {
  return std::string_view(reinterpret_cast<const char*>(header.data()), Signature.size()) == Signature &&
         Word(&header[32]) >= 3;
}

// The file header and the general attributes block behind it (the first block, whatever its
// identifier); none for another kind of file. The stream is left at the end of the block.
std::optional<TAttributes> ReadAttributes(TStream& stream) {
  const TFileHeader header = ReadHeader<FileHeaderSize>(stream);
  if (!IsKnownHeader(header)) return std::nullopt;
  const std::uint16_t version = Word(&header[32]);
  const TBlock block = ReadBlockHeader(stream, version);
  ReadChunkEnd(stream, version);
  const auto a = ReadHeader<AttributesSize>(stream);
  stream.SetPosition(block.End);
  const std::uint64_t resolution = Long(&a[8]) | std::uint64_t(Long(&a[12])) << 32;
  return TAttributes{.Version = version,
                     .Width = Long(&a[0]),
                     .Height = Long(&a[4]),
                     .Resolution = std::bit_cast<double>(resolution),
                     .PerCentimetre = a[16] == 2,
                     .Compression = Word(&a[17]),
                     .Depth = Word(&a[19]),
                     .Grey = a[27] != 0};
}

// Bytes of one row of channel data; -1 for a depth the reader does not know.
std::int64_t RowBytes(std::uint16_t depth, std::int64_t width) {
  switch (depth) {
    case 1:
      return (width + 7) / 8;
    case 4:
      return width / 2 + 1;
    case 8:
    case 24:
      return width;
    default:
      return -1;
  }
}

TCompressionType CompressionOf(std::uint16_t code) {
  switch (code) {
    case 0:
      return TCompressionType::ctNone;
    case 1:
      return TCompressionType::ctRLE;
    case 2:
      return TCompressionType::ctLZ77;
    case 3:
      return TCompressionType::ctJPEG;
    default:
      return TCompressionType::ctUnknown;
  }
}

// The channels of one layer by type, in rows of the row length. A channel holds the rows its
// data can fill; rows it does not hold, and channels the layer does not have, read as black,
// except in the composite of a layer with transparency, which holds its alpha: there they are
// opaque.
class TLayerChannels {
 public:
  TLayerChannels(std::int64_t rowBytes, std::int64_t height, bool alpha)
      : RowBytes(std::size_t(rowBytes)), Height(std::size_t(height)) {
    if (alpha) Fill[CompositeChannel] = 255;
    for (std::size_t k = 0; k < 4; ++k) Missing[k].assign(RowBytes, Fill[k]);
  }

  // A new buffer of channel `type` for at most `maxBytes` of data, in whole rows.
  std::vector<std::uint8_t>& Channel(std::uint16_t type, std::int64_t maxBytes) {
    const std::size_t rows = RowBytes == 0 ? 0 : (std::size_t(maxBytes) + RowBytes - 1) / RowBytes;
    Buffers[type].assign(std::min(rows, Height) * RowBytes, Fill[type]);
    return Buffers[type];
  }

  // Rows from here on have no data in any channel.
  std::size_t RowsWithData() const {
    std::size_t bytes = 0;
    for (const auto& buffer : Buffers) bytes = std::max(bytes, buffer.size());
    return RowBytes == 0 ? 0 : bytes / RowBytes;
  }

  TColorManager::TConstBytes Row(std::uint16_t type, std::size_t y) const {
    if ((y + 1) * RowBytes > Buffers[type].size()) return Missing[type];
    return {Buffers[type].data() + y * RowBytes, RowBytes};
  }

 private:
  std::size_t RowBytes;
  std::size_t Height;
  std::array<std::uint8_t, 4> Fill{};
  std::array<std::vector<std::uint8_t>, 4> Missing;
  std::array<std::vector<std::uint8_t>, 4> Buffers;
};

// The most bytes one packed byte gives: run-length pairs give up to 127 bytes, deflate 1032.
constexpr std::int64_t RunLengthRatio = 64;
constexpr std::int64_t DeflateRatio = 1032;

// The data of one channel, `packedSize` bytes at the stream's position, into its buffer, which
// is made no larger than the data can fill. Data of another compression (JPEG) are not decoded.
void ReadChannelData(TStream& stream, std::int64_t packedSize, TCompressionType compression,
                     TLayerChannels& channels, std::uint16_t type) {
  const std::int64_t ratio = compression == TCompressionType::ctNone   ? 1
                             : compression == TCompressionType::ctRLE  ? RunLengthRatio
                             : compression == TCompressionType::ctLZ77 ? DeflateRatio
                                                                       : 0;
  std::vector<std::uint8_t>& channel = channels.Channel(type, packedSize * ratio);
  const std::int64_t size = std::int64_t(channel.size());
  if (compression == TCompressionType::ctNone) {
    stream.ReadBuffer(channel.data(), std::min(packedSize, size));
    return;
  }
  if (compression != TCompressionType::ctRLE && compression != TCompressionType::ctLZ77) return;
  if (packedSize > stream.BytesLeft())
    throw EReadError(FormatText(TFormatText::SStreamReadError, {ShortName}));
  std::vector<std::uint8_t> packed(static_cast<std::size_t>(packedSize));
  stream.ReadBuffer(packed.data(), packedSize);
  const std::uint8_t* input = packed.data();
  std::uint8_t* output = channel.data();
  if (compression == TCompressionType::ctRLE) {
    TPSPRLEDecoder().Decode(input, output, packedSize, size);
    return;
  }
  TLZ77Decoder decoder(Z_FINISH, false);
  decoder.DecodeInit();
  decoder.Decode(input, output, packedSize, size);
  decoder.DecodeEnd();
}

}  // namespace

const TGraphicClass& TPSPGraphic::Class() {
  static const TGraphicClass info{"TPSPGraphic", &CreateGraphic<TPSPGraphic>};
  return info;
}

bool TPSPGraphic::CanLoad(TStream& stream) {
  const auto header = PeekHeader<FileHeaderSize>(stream);
  return header && IsKnownHeader(*header);
}

bool TPSPGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  const std::optional<TAttributes> a = ReadAttributes(stream);
  if (!a) return false;
  TImageProperties& p = ImageProperties;
  p.Version = a->Version;
  if (a->Depth == 24) {
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 3;
    p.ColorScheme = schRGB;
  } else {
    p.BitsPerSample = std::uint8_t(a->Depth);
    p.SamplesPerPixel = 1;
    p.ColorScheme = a->Grey ? schGray : schIndexed;
  }
  p.BitsPerPixel = std::uint8_t(p.BitsPerSample * p.SamplesPerPixel);
  p.Width = a->Width;
  p.Height = a->Height;
  p.Compression = CompressionOf(a->Compression);
  p.XResolution = float(a->PerCentimetre ? a->Resolution * 2.54 : a->Resolution);
  p.YResolution = p.XResolution;
  return true;
}

void TPSPGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream)) RaiseGraphicError(TFormatText::SInvalidImageFormat, {ShortName});
  stream.SetPosition(BasePosition);
  const TAttributes a = *ReadAttributes(stream);
  const std::int64_t rowBytes = RowBytes(a.Depth, a.Width);
  if (rowBytes < 0) RaiseGraphicError(TFormatText::SInvalidColorFormat, {ShortName});
  CheckSize(a.Width, a.Height);
  const TImageProperties& p = ImageProperties;
  ProgressRect = {0, 0, int(a.Width), 1};
  StartStage(TFormatText::SPreparing);
  ColorManager.SourceOptions = {};
  ColorManager.SetSource(p.ColorScheme, p.BitsPerSample, p.SamplesPerPixel);
  ColorManager.SetTarget(p.ColorScheme == schRGB ? schBGR : p.ColorScheme, p.BitsPerSample,
                         p.SamplesPerPixel);
  SetPixelFormat(ColorManager.GetPixelFormat(1));
  // Grey files normally bring their grey palette; this one serves those that do not.
  if (p.ColorScheme == schGray) SetPalette(ColorManager.CreateGrayscalePalette(false));
  SetSize(int(a.Width), int(a.Height));
  EndStage();
  ReadBlocks(stream, rowBytes);
}

void TPSPGraphic::ReadBlocks(TStream& stream, std::int64_t rowBytes) {
  const std::uint32_t version = ImageProperties.Version;
  while (stream.BytesLeft() >= BlockHeaderSize(version)) {
    const TBlock block = ReadBlockHeader(stream, version);
    if (!block.Valid) return;
    if (block.Id == PaletteBlock) {
      ReadChunkEnd(stream, version);
      const std::uint32_t count = std::min<std::uint32_t>(ReadLittleEndian(stream, 4), 256);
      std::vector<std::uint8_t> entries(4 * std::size_t(count));
      stream.ReadBuffer(entries.data(), std::int64_t(entries.size()));
      SetPalette(ColorManager.CreateColorPalette(entries, TPaletteLayout::plQuad8, count, true));
    } else if (block.Id == LayerStartBlock) {
      ReadLayer(stream, block.End, rowBytes);
    }
    stream.SetPosition(block.End);
  }
}

bool TPSPGraphic::ReadLayer(TStream& stream, std::int64_t end, std::int64_t rowBytes) {
  const std::uint32_t version = ImageProperties.Version;
  for (;;) {
    if (stream.Position() >= end || stream.BytesLeft() < BlockHeaderSize(version)) return false;
    StartStage(TFormatText::SLoadingData);
    const TBlock layer = ReadBlockHeader(stream, version);
    if (!layer.Valid || layer.Id != LayerBlock) return false;
    std::int64_t chunkEnd = ReadChunkEnd(stream, version);
    stream.Seek(version == 3 ? LayerNameSize : ReadLittleEndian(stream, 2), TSeekOrigin::Current);
    std::uint8_t type = 0;
    stream.ReadBuffer(&type, 1);
    stream.Seek(LayerInfoSize - 1, TSeekOrigin::Current);
    SkipToChunkEnd(stream, chunkEnd);
    // Raster layers; later versions add the floating selection (1) and vector layers.
    if (type == 0 || (version >= 4 && type < 2)) break;
    stream.SetPosition(layer.End);
  }
  const std::int64_t chunkEnd = ReadChunkEnd(stream, version);
  stream.Seek(2, TSeekOrigin::Current);
  const auto channelCount = std::uint16_t(ReadLittleEndian(stream, 2));
  SkipToChunkEnd(stream, chunkEnd);

  // The composite channel of an RGB layer with more than three channels is its transparency.
  const bool alpha = ColorManager.SourceColorScheme() == schRGB && channelCount > 3;
  if (alpha) {
    ColorManager.SetSource(schRGBAlpha, 8, 4);
    ColorManager.SetTarget(schBGRAlpha, 8, 4);
    // Nothing is drawn yet: a new 32-bit block costs less than converting every empty pixel.
    const int width = Width();
    const int height = Height();
    SetSize(0, 0);
    SetPixelFormat(TPixelFormat::pf32bit);
    SetSize(width, height);
  }
  TLayerChannels channels(rowBytes, Height(), alpha);
  for (int i = 0; i < channelCount && stream.BytesLeft() >= BlockHeaderSize(version); ++i) {
    const TBlock block = ReadBlockHeader(stream, version);
    if (!block.Valid) break;
    ReadChunkEnd(stream, version);
    const std::uint32_t packedSize = ReadLittleEndian(stream, 4);
    stream.Seek(6, TSeekOrigin::Current);  // unpacked size and bitmap kind
    const auto type = std::uint16_t(ReadLittleEndian(stream, 2));
    if (type <= BlueChannel) ReadChannelData(stream, packedSize, ImageProperties.Compression, channels, type);
    stream.SetPosition(block.End);
  }
  EndStage();

  StartStage(TFormatText::STransferring);
  const bool indexed =
      ColorManager.SourceColorScheme() == schIndexed || ColorManager.SourceColorScheme() == schGray;
  for (int y = 0; y < Height(); ++y) {
    const std::size_t row = std::size_t(y);
    // Rows past every channel's data all come out alike: a hostile file may claim millions.
    if (row > channels.RowsWithData()) {
      std::memcpy(ScanLine(y), ScanLine(y - 1), BytesPerScanLine());
      RowDone(y);
      continue;
    }
    const std::array<TColorManager::TConstBytes, 4> sources{
        channels.Row(indexed ? CompositeChannel : RedChannel, row), channels.Row(GreenChannel, row),
        channels.Row(BlueChannel, row), channels.Row(CompositeChannel, row)};
    ColorManager.ConvertRow(std::span(sources.data(), indexed ? 1
                                                      : alpha ? 4
                                                              : 3),
                            {ScanLine(y), BytesPerScanLine()}, std::size_t(Width()), 0xFF);
    RowDone(y);
  }
  EndStage();
  return true;
}

}  // namespace lumox
