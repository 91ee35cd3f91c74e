#include "imageformats/SGIGraphic.h"

#include <algorithm>

#include "imageformats/ReaderSupport.h"

namespace lumox {
namespace {

using enum TColorScheme;
using TConstBytes = TColorManager::TConstBytes;

constexpr std::size_t HeaderSize = 512;
constexpr std::uint32_t Magic = 474;
constexpr std::string_view SGIName = "sgi, bw or rgb(a)";

// `count` big-endian 32-bit values; those the stream does not hold are 0.
TCardinalArray ReadTable(TStream& stream, std::size_t count) {
  const std::vector<std::uint8_t> bytes = ReadAvailable(stream, std::int64_t(count) * 4);
  TCardinalArray table(count);
  for (std::size_t i = 0; i < bytes.size() / 4; ++i) table[i] = BigEndian(&bytes[4 * i], 4);
  return table;
}

}  // namespace

const TGraphicClass& TSGIGraphic::Class() {
  static const TGraphicClass info{"TSGIGraphic", &CreateGraphic<TSGIGraphic>};
  return info;
}

bool TSGIGraphic::CanLoad(TStream& stream) {
  const auto b = PeekHeader<HeaderSize>(stream);
  if (!b) return false;
  const std::uint32_t sampleBytes = (*b)[3], dimension = BigEndian(b->data() + 4, 2);
  return BigEndian(b->data(), 2) == Magic && (sampleBytes == 1 || sampleBytes == 2) && dimension >= 1 &&
         dimension <= 3;
}

bool TSGIGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  const auto b = ReadHeader<HeaderSize>(stream);
  if (BigEndian(&b[0], 2) != Magic) return false;
  TImageProperties& p = ImageProperties;
  p.Options = {TImageOption::ioBigEndian};
  p.BitsPerSample = std::uint8_t(b[3] * 8);
  p.Width = BigEndian(&b[6], 2);
  p.Height = BigEndian(&b[8], 2);
  p.SamplesPerPixel = b[11];
  p.ColorScheme = p.SamplesPerPixel == 3 ? schRGB : p.SamplesPerPixel == 4 ? schRGBAlpha : schIndexed;
  p.BitsPerPixel = std::uint8_t(p.BitsPerSample * p.SamplesPerPixel);
  p.Compression = b[2] == 1 ? TCompressionType::ctRLE : TCompressionType::ctNone;
  return true;
}

void TSGIGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream)) RaiseGraphicError(TFormatText::SInvalidImageFormat, {SGIName});
  const TImageProperties& p = ImageProperties;
  ProgressRect = {0, 0, std::int32_t(p.Width), 1};
  StartStage(TFormatText::SPreparing);
  stream.SetPosition(BasePosition);
  const auto header = ReadHeader<HeaderSize>(stream);
  const unsigned sampleBytes = header[3];
  if (sampleBytes < 1 || sampleBytes > 2 || p.SamplesPerPixel < 1 || p.SamplesPerPixel > 4)
    RaiseGraphicError(TFormatText::SInvalidImageFormat, {SGIName});
  CheckImageSize(p.Width, p.Height, SGIName);

  ColorManager.SourceOptions = {TConversionOption::optByteSwap};
  ColorManager.TargetOptions = {};
  if (p.Compression == TCompressionType::ctRLE) {
    const std::size_t entries = std::size_t(p.Height) * p.SamplesPerPixel;
    RowStart = ReadTable(stream, entries);
    RowSize = ReadTable(stream, entries);
    Decoder = std::make_unique<TSGIRLEDecoder>(p.BitsPerSample);
  } else {
    RowStart.clear();
    RowSize.clear();
    Decoder.reset();
  }
  // Grey with alpha shows the grey channel alone.
  const bool grey = p.ColorScheme == schIndexed;
  const int channels = grey ? 1 : p.SamplesPerPixel;
  ColorManager.SetSource(p.ColorScheme, p.BitsPerSample, channels);
  ColorManager.SetTarget(grey ? schIndexed : p.ColorScheme == schRGB ? schBGR : schBGRAlpha, 8, channels);
  SetPixelFormat(ColorManager.GetPixelFormat(1));
  SetSizeForRows(int(p.Width), int(p.Height));
  if (grey) SetPalette(ColorManager.CreateGrayscalePalette(false));
  EndStage();
  StartStage(TFormatText::STransferring);

  const std::size_t planeBytes = std::size_t(p.Width) * sampleBytes;
  std::vector<std::uint8_t> buffer(planeBytes * std::size_t(channels));
  std::array<std::span<std::uint8_t>, 4> planes;
  std::array<TConstBytes, 4> sources;
  for (int c = 0; c < channels; ++c) {
    planes[std::size_t(c)] = {buffer.data() + std::size_t(c) * planeBytes, planeBytes};
    sources[std::size_t(c)] = planes[std::size_t(c)];
  }
  // Rows are stored from the bottom up.
  std::uint32_t y = 0;
  try {
    for (; y < p.Height; ++y) {
      ReadAndDecode(planes, y);
      const TColorManager::TBytes target(ScanLine(int(p.Height - 1 - y)), BytesPerScanLine());
      ColorManager.ConvertRow(std::span(sources.data(), std::size_t(channels)), target, p.Width, 0xFF);
      RowDone(y);
    }
  } catch (...) {
    ClearRows(0, int(p.Height - y));
    throw;
  }
  Decoder.reset();
  EndStage();
}

// What the file lacks of a plane is zero.
void TSGIGraphic::ReadAndDecode(const std::array<std::span<std::uint8_t>, 4>& planes, std::uint32_t row) {
  const TImageProperties& p = ImageProperties;
  const unsigned sampleBytes = p.BitsPerSample / 8;
  for (std::size_t c = 0; c < planes.size(); ++c) {
    const std::span<std::uint8_t> plane = planes[c];
    if (plane.empty()) continue;
    const std::size_t i = c * p.Height + row;
    std::int64_t written = 0;
    if (!Decoder) {
      Stream->SetPosition(BasePosition + std::int64_t(HeaderSize + i * plane.size()));
      written = Stream->Read(plane.data(), std::int64_t(plane.size()));
    } else {
      Stream->SetPosition(BasePosition + RowStart[i]);
      const auto packed = LendOrRead(*Stream, std::int64_t(RowSize[i]) * sampleBytes, Packed);
      written = Decoder->DecodeRow(packed.data(), std::int64_t(packed.size()), plane.data(), p.Width);
    }
    std::fill(plane.begin() + written, plane.end(), 0);
  }
}

}  // namespace lumox
