#include "imageformats/RLAGraphic.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "imageformats/ReaderSupport.h"
#include "imageformats/SimpleRLE.h"

namespace lumox {
namespace {

using enum TColorScheme;
using TConstBytes = TColorManager::TConstBytes;

constexpr std::size_t HeaderSize = 740;
constexpr std::uint32_t Revision = 0xFFFE;
constexpr std::string_view RLAName = "RLA";

using THeader = std::array<std::uint8_t, HeaderSize>;

std::int32_t SignedWord(const THeader& b, std::size_t at) { return std::int16_t(BigEndian(&b[at], 2)); }

// A text field: up to its first zero byte, never beyond its size.
std::string Text(const THeader& b, std::size_t at, std::size_t size) {
  const auto begin = b.begin() + std::ptrdiff_t(at), end = begin + std::ptrdiff_t(size);
  return std::string(begin, std::find(begin, end, 0));
}

std::string ChannelType(const THeader& b) { return AsciiLower(Text(b, 580, 32)); }

// The stated gamma, whatever the decimal separator; 1 when the text is no positive number.
float Gamma(const THeader& b) {
  std::string text = Text(b, 28, 16);
  std::replace(text.begin(), text.end(), ',', '.');
  const auto first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
  if (first == std::string::npos) return 1.0f;
  float gamma = 1.0f;
  const auto [end, error] = std::from_chars(text.data() + first, text.data() + last + 1, gamma);
  const bool whole = error == std::errc() && end == text.data() + last + 1;
  return whole && std::isfinite(gamma) && gamma > 0 ? gamma : 1.0f;
}

}  // namespace

const TGraphicClass& TRLAGraphic::Class() {
  static const TGraphicClass info{"TRLAGraphic", &CreateGraphic<TRLAGraphic>};
  return info;
}

bool TRLAGraphic::CanLoad(TStream& stream) {
  const auto b = PeekHeader<HeaderSize>(stream);
  return b && BigEndian(b->data() + 26, 2) == Revision &&
         (ChannelType(*b) == "rgb" || ChannelType(*b) == "xyz");
}

bool TRLAGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  const THeader b = ReadHeader<HeaderSize>(stream);
  TImageProperties& p = ImageProperties;
  p.Options = {TImageOption::ioBigEndian};
  const bool matte = SignedWord(b, 22) > 0;
  p.SamplesPerPixel = std::uint8_t(b[21] + (matte ? 1 : 0));
  p.BitsPerSample = b[659];
  p.BitsPerPixel = std::uint8_t(p.SamplesPerPixel * p.BitsPerSample);
  const std::string type = ChannelType(b);
  if (type == "xyz") return false;
  if (type == "rgb") p.ColorScheme = matte ? schRGBAlpha : schRGB;
  p.FileGamma = Gamma(b);
  p.Compression = TCompressionType::ctRLE;
  const std::int32_t left = SignedWord(b, 8), right = SignedWord(b, 10), bottom = SignedWord(b, 12),
                     top = SignedWord(b, 14);
  p.Width = std::uint32_t(std::max(right - left + 1, 0));
  p.Height = std::uint32_t(std::abs(bottom - top) + 1);
  p.BottomUp = bottom < top;
  return true;
}

void TRLAGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream)) return;
  const TImageProperties& p = ImageProperties;
  const bool alpha = p.ColorScheme == schRGBAlpha;
  const int channels = alpha ? 4 : 3;
  if (p.BitsPerSample != 8 || p.SamplesPerPixel != channels)
    RaiseGraphicError(TFormatText::SInvalidImageFormat, {RLAName});
  CheckImageSize(p.Width, p.Height, RLAName);
  ProgressRect = {0, 0, std::int32_t(p.Width), 1};
  StartStage(TFormatText::STransferring);

  ColorManager.SourceOptions = {};
  ColorManager.TargetOptions = {};
  ColorManager.SetSource(p.ColorScheme, 8, channels);
  ColorManager.SetTarget(alpha ? schBGRAlpha : schBGR, 8, channels);
  SetPixelFormat(ColorManager.GetPixelFormat(1));
  if (p.FileGamma != 1.0f) ApplyFileGamma(p.FileGamma);
  SetSize(int(p.Width), int(p.Height));

  std::vector<std::uint8_t> table(4 * std::size_t(p.Height));
  stream.ReadBuffer(table.data(), std::int64_t(table.size()));
  std::vector<std::uint8_t> buffer(4 * std::size_t(p.Width));
  std::array<TConstBytes, 4> planes;
  for (std::size_t c = 0; c < planes.size(); ++c) planes[c] = {buffer.data() + c * p.Width, p.Width};
  for (std::uint32_t y = 0; y < p.Height; ++y) {
    stream.SetPosition(BasePosition + BigEndian(&table[4 * std::size_t(y)], 4));
    for (int c = 0; c < channels; ++c)
      ReadChannel(stream, {buffer.data() + std::size_t(c) * p.Width, p.Width});
    const int row = int(p.BottomUp ? p.Height - 1 - y : y);
    ColorManager.ConvertRow(std::span(planes.data(), std::size_t(channels)),
                            {ScanLine(row), BytesPerScanLine()}, p.Width, 0xFF);
    RowDone(y);
  }
  EndStage();
}

void TRLAGraphic::ReadChannel(TStream& stream, std::span<std::uint8_t> plane) {
  Packed.resize(ReadBigEndian(stream, 2));
  stream.ReadBuffer(Packed.data(), std::int64_t(Packed.size()));
  std::fill(plane.begin(), plane.end(), 0);
  const std::uint8_t* input = Packed.data();
  std::uint8_t* output = plane.data();
  TRLADecoder().Decode(input, output, std::int64_t(Packed.size()), std::int64_t(plane.size()));
}

}  // namespace lumox
