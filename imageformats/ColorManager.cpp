#include "imageformats/ColorManager.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "imageformats/FormatTexts.h"

namespace lumox {
namespace {

using enum TColorScheme;
using enum TConversionOption;

[[noreturn]] void RaiseConversionError(TFormatText text) {
  throw EColorConversionError(std::string(LoadFormatText(text)));
}

// A width or sample count of 1..maximum; raises `error` for any other value.
int Checked(int value, int maximum, TFormatText error) {
  if (value < 1 || value > maximum) RaiseConversionError(error);
  return value;
}

// Stores `value`; true when that changed the field.
template <class T>
bool Store(T& field, T value) {
  return std::exchange(field, value) != value;
}

// Rounds to the nearest integer, halves to even (the default rounding mode), within ±limit.
std::int32_t RoundHalfEven(long double value, std::int32_t limit) {
  if (!(value > -limit)) return -limit;  // also NaN
  if (value > limit) return limit;
  return std::int32_t(std::nearbyintl(value));
}

bool IsPaletteGroup(TColorScheme scheme, bool source) {
  return scheme == schIndexed || scheme == schGray || (source && scheme == schGrayAlpha);
}

bool IsRGBPair(TColorScheme scheme) { return scheme == schRGB || scheme == schRGBAlpha; }
bool IsBGRPair(TColorScheme scheme) { return scheme == schBGR || scheme == schBGRAlpha; }
bool HasAlpha(TColorScheme scheme) {
  return scheme == schGrayAlpha || scheme == schRGBAlpha || scheme == schBGRAlpha;
}
bool IsPackedWidth(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8; }
bool IsByteOrWord(int bits) { return bits == 8 || bits == 16; }

bool IsWeight(float value) { return std::isfinite(value) && value > 0 && value < 1; }

// Pixels of `count` that `mask` selects, the mask repeating every eight pixels.
std::size_t SelectedPixels(std::size_t count, std::uint8_t mask) {
  const unsigned partial = count % 8 == 0 ? 0 : mask & ~(0xFFu >> (count % 8));
  return count / 8 * std::size_t(std::popcount(mask)) + std::size_t(std::popcount(partial));
}

std::size_t BytesFor(std::size_t items, int bitsPerItem) {
  return (items * std::size_t(bitsPerItem) + 7) / 8;
}

std::uint16_t SwapBytes(std::uint16_t w) { return std::uint16_t(w << 8 | w >> 8); }

std::uint16_t Word(const std::uint8_t* p) {
  std::uint16_t w;
  std::memcpy(&w, p, 2);
  return w;
}

// Where the red, green and blue samples of each entry lie in raw palette data.
struct TPaletteData {
  TPaletteData(std::span<const TColorManager::TConstBytes> buffers, TPaletteLayout layout, bool bgrOrder)
      : Buffers(buffers) {
    using enum TPaletteLayout;
    SampleBytes = layout >= plTriple16 ? 2 : 1;
    if (layout == plPlanes8 || layout == plPlanes8Quad || layout == plPlanes16 || layout == plPlanes16Quad) {
      Stride = SampleBytes;
      Buffer = {0, 1, 2};
    } else if (layout <= plPlanes16Quad) {
      Stride = (layout == plQuad8 || layout == plQuad16 ? 4 : 3) * SampleBytes;
      Offset = {0, SampleBytes, 2 * SampleBytes};
      if (bgrOrder) std::swap(Offset[0], Offset[2]);
    } else {
      Buffer.fill(SIZE_MAX);  // an unknown layout holds no entries
    }
  }

  // Whether every sample of entry `i` lies within its buffer.
  bool Holds(std::size_t i) const {
    for (std::size_t c = 0; c < 3; ++c) {
      if (Buffer[c] >= Buffers.size() || Buffers[Buffer[c]].size() < i * Stride + Offset[c] + SampleBytes) {
        return false;
      }
    }
    return true;
  }
  const std::uint8_t* Sample(std::size_t i, std::size_t c) const {
    return Buffers[Buffer[c]].data() + i * Stride + Offset[c];
  }

  std::span<const TColorManager::TConstBytes> Buffers;
  std::size_t SampleBytes = 1;
  std::size_t Stride = 0;
  std::array<std::size_t, 3> Buffer{}, Offset{};  // of red, green and blue
};

// Rearranges a palette for indices of sourceBits so that index v·(2^target−1) div (2^source−1),
// which the row converters make of index v, finds v's colour; entries mapped from beyond the
// palette are black. Returns the new entry count.
std::size_t FitToTargetWidth(std::array<TPaletteEntry, 256>& entries, int sourceBits, int targetBits) {
  const std::size_t sourceMax = (std::size_t(1) << sourceBits) - 1,
                    targetMax = (std::size_t(1) << targetBits) - 1;
  const auto mapped = [&](std::size_t i) {
    const std::size_t from = i * sourceMax / targetMax;
    return from < entries.size() ? entries[from] : TPaletteEntry{};
  };
  if (sourceMax < targetMax) {  // from the top, so every entry is read before it is overwritten
    for (std::size_t i = targetMax + 1; i-- > 0;) entries[i] = mapped(i);
  } else {
    for (std::size_t i = 0; i <= targetMax; ++i) entries[i] = mapped(i);
  }
  return targetMax + 1;
}

// Of the single-precision values next to `factor`, the nearest one whose rounded products with
// every chroma sample less `centre` give the table's entries (times `sign`); none when no value
// within a few steps does. A product a hair's breadth below a half can round up to it in single
// precision; a neighbouring factor then gives the table's rounding.
std::optional<float> SingleFactor(float factor, std::int32_t centre, const std::vector<std::int32_t>& table,
                                  std::int32_t sign) {
  const auto reproduces = [&](float candidate) {
    for (std::size_t i = 0; i < table.size(); ++i) {
      std::int32_t term = 0;
      if (!rows::ChromaTerm(std::int32_t(i), centre, candidate, term) || sign * term != table[i])
        return false;
    }
    return true;
  };
  if (reproduces(factor)) return factor;
  float below = factor, above = factor;
  for (int step = 0; step < 8; ++step) {
    below = std::nextafter(below, -INFINITY);
    above = std::nextafter(above, INFINITY);
    if (reproduces(below)) return below;
    if (reproduces(above)) return above;
  }
  return std::nullopt;
}

}  // namespace

// Every manager starts with the same table, so it is computed once.
TColorManager::TColorManager() {
  static const std::array<std::uint8_t, 256> defaultTable = [this] {
    SetGamma(1.0f, 2.2f);
    return Gamma;
  }();
  Gamma = defaultTable;
}

void TColorManager::SetSourceColorScheme(TColorScheme scheme) { IsChanged |= Store(SourceScheme, scheme); }
void TColorManager::SetTargetColorScheme(TColorScheme scheme) { IsChanged |= Store(TargetScheme, scheme); }

void TColorManager::SetSourceBitsPerSample(int bits) {
  IsChanged |= Store(SourceBits, Checked(bits, 16, TFormatText::SInvalidColorDepth));
}

void TColorManager::SetTargetBitsPerSample(int bits) {
  IsChanged |= Store(TargetBits, Checked(bits, 16, TFormatText::SInvalidColorDepth));
}

void TColorManager::SetSourceSamplesPerPixel(int samples) {
  IsChanged |= Store(SourceSamples, Checked(samples, 4, TFormatText::SInvalidSampleCount));
}

void TColorManager::SetTargetSamplesPerPixel(int samples) {
  IsChanged |= Store(TargetSamples, Checked(samples, 4, TFormatText::SInvalidSampleCount));
}

void TColorManager::SetSource(TColorScheme scheme, int bitsPerSample, int samplesPerPixel) {
  SetSourceSamplesPerPixel(samplesPerPixel);
  SetSourceBitsPerSample(bitsPerSample);
  SetSourceColorScheme(scheme);
}

void TColorManager::SetTarget(TColorScheme scheme, int bitsPerSample, int samplesPerPixel) {
  SetTargetSamplesPerPixel(samplesPerPixel);
  SetTargetBitsPerSample(bitsPerSample);
  SetTargetColorScheme(scheme);
}

TPixelFormat TColorManager::GetPixelFormat(int index) const {
  const int samples = index == 0 ? SourceSamples : TargetSamples;
  const int bits = index == 0 ? SourceBits : TargetBits;
  switch (samples) {
    case 1:
      return bits == 1   ? TPixelFormat::pf1bit
             : bits <= 4 ? TPixelFormat::pf4bit
             : bits >= 8 ? TPixelFormat::pf8bit
                         : TPixelFormat::pfCustom;
    case 3:
      return bits <= 5 ? TPixelFormat::pf15bit : TPixelFormat::pf24bit;
    case 4:
      return bits >= 8 ? TPixelFormat::pf32bit : TPixelFormat::pfCustom;
    default:
      return TPixelFormat::pfCustom;
  }
}

void TColorManager::SetGamma(float mainGamma, float displayGamma) {
  Main = std::isfinite(mainGamma) && mainGamma > 0 ? mainGamma : 1.0f;
  Display = std::isfinite(displayGamma) && displayGamma > 0 ? displayGamma : 2.2f;
  const float exponent = float(1.0L / ((long double)Main * Display));
  const int targetMax = TargetBits >= 8 ? 255 : (1 << TargetBits) - 1;
  // A narrow source takes the target width's range, but never more entries than the table has.
  const int sourceMax = SourceBits >= 8 ? 255 : std::min(255, (1 << TargetBits) - 1);
  for (int i = 0; i <= sourceMax; ++i) {
    const long double x = (long double)i / sourceMax;
    const long double power = exponent == 0 ? 1.0L : x == 0 ? 0.0L : std::pow(x, (long double)exponent);
    Gamma[std::size_t(i)] = std::uint8_t(RoundHalfEven(power * targetMax, targetMax));
  }
}

void TColorManager::SetYCbCrParameters(std::span<const float> values, int hSubsampling, int vSubsampling) {
  std::array<float, 3> weights = Coefficients;
  for (std::size_t i = 0; i < values.size() && i < weights.size(); ++i) weights[i] = values[i];
  if (IsWeight(weights[0]) && IsWeight(weights[1]) && IsWeight(weights[2])) Coefficients = weights;
  const auto valid = [](int s) { return s == 1 || s == 2 || s == 4; };
  if (!valid(hSubsampling) || !valid(vSubsampling)) RaiseConversionError(TFormatText::SInvalidSubsampling);
  if (hSubsampling < vSubsampling) RaiseConversionError(TFormatText::SVerticalSubsamplingError);
  HorizontalSubsampling = hSubsampling;
  VerticalSubsampling = vSubsampling;
}

void TColorManager::InitializeYCbCr() {
  const long double kr = Coefficients[0], kg = Coefficients[1], kb = Coefficients[2];
  const float f1 = float(2 - 2 * kr);
  const float f2 = float(kr * f1 / kg);
  const float f3 = float(2 - 2 * kb);
  const float f4 = float(kb * f3 / kg);
  ChromaFactors = {f1, f2, f3, f4};
  const bool photo = SourceScheme == schPhotoYCC;
  const int redCentre = photo ? 137 : 128, blueCentre = photo ? 156 : 128;
  // Within this bound the converters' sums of a sample and two table values cannot overflow.
  constexpr std::int32_t Limit = 1 << 24;
  for (auto* table : {&CrToRed, &CbToBlue, &CrToGreen, &CbToGreen}) table->resize(256);
  for (int i = 0; i < 256; ++i) {
    const long double r = i - redCentre, b = i - blueCentre;
    CrToRed[std::size_t(i)] = RoundHalfEven(r * f1, Limit);
    CbToBlue[std::size_t(i)] = RoundHalfEven(b * f3, Limit);
    CrToGreen[std::size_t(i)] = -RoundHalfEven(r * f2, Limit);
    CbToGreen[std::size_t(i)] = -RoundHalfEven(b * f4, Limit);
  }
  const auto red = SingleFactor(f1, redCentre, CrToRed, 1),
             green = SingleFactor(f2, redCentre, CrToGreen, -1),
             blue = SingleFactor(f3, blueCentre, CbToBlue, 1),
             greenFromBlue = SingleFactor(f4, blueCentre, CbToGreen, -1);
  VectorChroma.reset();
  if (red && green && blue && greenFromBlue)
    VectorChroma = rows::TChromaFactors{*red, *green, *blue, *greenFromBlue, blueCentre, redCentre};
}

void TColorManager::PrepareConversion() {
  RowConverter = nullptr;
  if (IsPaletteGroup(SourceScheme, true) != IsPaletteGroup(TargetScheme, false)) {
    RaiseConversionError(TFormatText::SIndexedNotSupported);
  }
  SourceOptions.Set(optAlpha, HasAlpha(SourceScheme));
  TargetOptions.Set(optAlpha, HasAlpha(TargetScheme));
  const bool toRGB = IsRGBPair(TargetScheme), toBGR = IsBGRPair(TargetScheme);
  const auto pick = [&](TRowConverter rgb, TRowConverter bgr) { return toRGB ? rgb : toBGR ? bgr : nullptr; };
  const bool source16 = SourceBits == 16, target16 = TargetBits == 16;
  switch (SourceScheme) {
    case schIndexed:
      if (source16 && target16) {
        RowConverter = &TColorManager::RowFromIndexed16To16;
      } else if (source16) {
        if (IsPackedWidth(TargetBits)) RowConverter = &TColorManager::RowFromIndexed16ToPacked;
      } else if (target16) {
        if (IsPackedWidth(SourceBits)) RowConverter = &TColorManager::RowFromPackedTo16;
      } else if (IsPackedWidth(SourceBits) && IsPackedWidth(TargetBits)) {
        RowConverter = &TColorManager::RowFromPacked;
      }
      break;
    case schGray:
      if (source16 || target16) {
        if (SourceBits >= 8 && TargetBits >= 8) RowConverter = &TColorManager::RowFromGray;
      } else if (IsPackedWidth(SourceBits) && IsPackedWidth(TargetBits)) {
        RowConverter = &TColorManager::RowFromPacked;
      }
      break;
    case schGrayAlpha:
      if (IsByteOrWord(SourceBits) && IsByteOrWord(TargetBits)) RowConverter = &TColorManager::RowFromGray;
      break;
    case schRGB:
    case schRGBAlpha:
      RowConverter = pick(&TColorManager::RowFromRGBToRGB, &TColorManager::RowFromRGBToBGR);
      break;
    case schBGR:
    case schBGRAlpha:
      RowConverter = pick(&TColorManager::RowFromBGRToRGB, &TColorManager::RowFromBGRToBGR);
      break;
    case schCMYK:
      RowConverter = pick(&TColorManager::RowFromCMYKToRGB, &TColorManager::RowFromCMYKToBGR);
      break;
    case schCIELab:
      RowConverter = pick(&TColorManager::RowFromLabToRGB, &TColorManager::RowFromLabToBGR);
      break;
    case schYCbCr:
      InitializeYCbCr();
      RowConverter = pick(&TColorManager::RowFromYCbCrToRGB, &TColorManager::RowFromYCbCrToBGR);
      break;
    case schPhotoYCC:
      InitializeYCbCr();
      RowConverter = pick(&TColorManager::RowFromPhotoYCCToRGB, &TColorManager::RowFromPhotoYCCToBGR);
      break;
    default:
      break;
  }
  IsChanged = false;
}

TColorManager::TRowShape TColorManager::RowShape() const {
  const bool sourceAlpha = SourceOptions.Contains(optAlpha), targetAlpha = TargetOptions.Contains(optAlpha);
  const bool colourWidths = IsByteOrWord(SourceBits) && IsByteOrWord(TargetBits);
  const int colourTarget = targetAlpha ? 4 : 3;
  switch (SourceScheme) {
    case schIndexed:
    case schGray:
    case schGrayAlpha: {
      const bool grey = RowConverter == &TColorManager::RowFromGray;
      return {.Writes = !grey || colourWidths, .SourceSamples = sourceAlpha ? 2 : 1, .TargetSamples = 1};
    }
    case schRGB:
    case schRGBAlpha:
    case schBGR:
    case schBGRAlpha:
      return {.Writes = colourWidths,
              .Planes = TPlaneRule::SeveralBuffers,
              .SourceSamples = sourceAlpha ? 4 : 3,
              .PlanesRead = sourceAlpha && targetAlpha ? 4 : 3,
              .TargetSamples = colourTarget};
    case schCMYK:
      return {.Writes = colourWidths,
              .Planes = TPlaneRule::FourBuffers,
              .SourceSamples = 4,
              .PlanesRead = 4,
              .TargetSamples = colourTarget};
    default:  // Lab, YCbCr, Photo-CD
      return {.Writes = colourWidths,
              .Planes = TPlaneRule::SeveralBuffers,
              .SourceSamples = 3,
              .PlanesRead = 3,
              .TargetSamples = colourTarget};
  }
}

TColorManager::TRow TColorManager::CheckedRow(std::span<const TConstBytes> source, TBytes target,
                                              std::size_t count, std::uint8_t mask) const {
  TRow row{.Target = target.data(), .Count = 0, .Mask = mask};
  const TRowShape shape = RowShape();
  const std::size_t produced = SelectedPixels(count, mask);
  if (!shape.Writes || produced == 0) return row;  // nothing would be touched
  row.Count = count;
  bool fits = !source.empty() && target.size() >= BytesFor(count, shape.TargetSamples * TargetBits);
  row.Planar = (shape.Planes == TPlaneRule::SeveralBuffers && source.size() > 1) ||
               (shape.Planes == TPlaneRule::FourBuffers && source.size() == 4);
  if (row.Planar) {
    fits = fits && source.size() >= std::size_t(shape.PlanesRead);
    for (std::size_t k = 0; fits && k < std::size_t(shape.PlanesRead); ++k) {
      fits = source[k].size() >= BytesFor(produced, SourceBits);
      row.Source[k] = source[k].data();
    }
  } else if (fits) {
    fits = source[0].size() >= BytesFor(produced, shape.SourceSamples * SourceBits);
    row.Source[0] = source[0].data();
  }
  if (!fits) RaiseConversionError(TFormatText::SInvalidSampleCount);
  return row;
}

void TColorManager::ConvertRow(std::span<const TConstBytes> source, TBytes target, std::size_t count,
                               std::uint8_t mask) {
  if (IsChanged) PrepareConversion();
  if (RowConverter == nullptr) RaiseConversionError(TFormatText::SConversionFailed);
  const TRow row = CheckedRow(source, target, count, mask);
  if (row.Count > 0) (this->*RowConverter)(row);
}

void TColorManager::ConvertRow(TConstBytes source, TBytes target, std::size_t count, std::uint8_t mask) {
  ConvertRow(std::span<const TConstBytes>(&source, 1), target, count, mask);
}

TPalette TColorManager::CreateColorPalette(std::span<const TConstBytes> data, TPaletteLayout layout,
                                           std::size_t colorCount, bool bgrOrder) const {
  const TPaletteData palette(data, layout, bgrOrder);
  const bool gamma = TargetOptions.Contains(optApplyGamma), swap = SourceOptions.Contains(optByteSwap);
  const auto component = [&](std::size_t entry, std::size_t c) {
    const std::uint8_t* p = palette.Sample(entry, c);
    const unsigned value = palette.SampleBytes == 1 ? *p : (swap ? SwapBytes(Word(p)) : Word(p)) / 257u;
    return gamma ? Gamma[value] : std::uint8_t(value);
  };
  std::array<TPaletteEntry, 256> entries{};
  std::size_t count = std::min<std::size_t>(colorCount, entries.size());
  for (std::size_t i = 0; i < count && palette.Holds(i); ++i) {
    entries[i] = {component(i, 0), component(i, 1), component(i, 2), 0};
  }
  if (TargetBits <= 8 && SourceBits != TargetBits) count = FitToTargetWidth(entries, SourceBits, TargetBits);
  return TPalette(entries.begin(), entries.begin() + std::ptrdiff_t(count));
}

TPalette TColorManager::CreateColorPalette(TConstBytes data, TPaletteLayout layout, std::size_t colorCount,
                                           bool bgrOrder) const {
  return CreateColorPalette(std::span<const TConstBytes>(&data, 1), layout, colorCount, bgrOrder);
}

TPalette TColorManager::CreateGrayscalePalette(bool minimumIsWhite) const {
  const int bits = std::min(TargetBits * TargetSamples, 8);
  const int upper = (1 << bits) - 1;
  const int step = 255 / upper;
  TPalette palette(std::size_t(upper) + 1);
  for (int i = 0; i <= upper; ++i) {
    const std::uint8_t grey =
        TargetOptions.Contains(optApplyGamma) ? Gamma[std::size_t(i * step)] : std::uint8_t(i * step);
    palette[std::size_t(minimumIsWhite ? upper - i : i)] = {grey, grey, grey, 0};
  }
  return palette;
}

}  // namespace lumox
