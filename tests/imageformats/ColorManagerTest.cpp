#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "imageformats/ColorManager.h"
#include "imageformats/FormatTexts.h"

namespace lumox {
namespace {

using enum TColorScheme;
using enum TConversionOption;
using TBytes = std::vector<std::uint8_t>;
using TErrors = TFormatText;

// 16-bit samples in the machine's byte order.
TBytes Words(std::initializer_list<std::uint16_t> words) {
  TBytes bytes(2 * words.size());
  std::memcpy(bytes.data(), std::data(words), bytes.size());
  return bytes;
}

template <class TCall>
void ExpectConversionError(TCall call, TFormatText text) {
  try {
    call();
    ADD_FAILURE() << "no error: " << LoadFormatText(text);
  } catch (const EColorConversionError& e) {
    EXPECT_EQ(e.what(), LoadFormatText(text));
  }
}
#define EXPECT_CONVERSION_ERROR(statement, text) ExpectConversionError([&] { statement; }, text)

// Three samples a pixel on both sides, as a new manager has.
TColorManager Manager(TColorScheme source, TColorScheme target, int sourceBits, int targetBits) {
  TColorManager manager;
  manager.SetSource(source, sourceBits, 3);
  manager.SetTarget(target, targetBits, 3);
  return manager;
}

TEST(ColorManager, GammaTables) {
  TColorManager manager;
  const std::size_t gamma[][2] = {{0, 0},     {1, 21},    {2, 28},    {64, 136},
                                  {128, 186}, {192, 224}, {254, 255}, {255, 255}};
  for (const auto& [index, value] : gamma) EXPECT_EQ(manager.GammaTable()[index], value) << index;
  manager.SetTargetBitsPerSample(4);
  manager.SetGamma(1, 1);
  EXPECT_EQ(manager.GammaTable()[128], 8);
  EXPECT_EQ(manager.GammaTable()[255], 15);
  manager.SetSourceBitsPerSample(4);
  manager.SetTargetBitsPerSample(16);  // a narrow source never fills more than the table's 256 entries
  manager.SetGamma(0, -1);
  EXPECT_EQ(manager.GammaTable()[64], 136);
}

TEST(ColorManager, ChromaTablesOfBothLumaChromaSchemes) {
  // clang-format off
  const std::tuple<TColorScheme, std::size_t, std::array<int, 4>> cases[] = {
      {schYCbCr, 0, {-179, -227, 91, 44}}, {schYCbCr, 128, {0, 0, 0, 0}},
      {schYCbCr, 255, {178, 225, -91, -44}}, {schPhotoYCC, 0, {-192, -276, 98, 54}},
      {schPhotoYCC, 255, {165, 175, -84, -34}}};
  // clang-format on
  for (const auto& [scheme, i, crRedCbBlueCrGreenCbGreen] : cases) {
    TColorManager manager = Manager(scheme, schBGR, 8, 8);
    manager.PrepareConversion();
    EXPECT_EQ((std::array<int, 4>{manager.CrToRedTable()[i], manager.CbToBlueTable()[i],
                                  manager.CrToGreenTable()[i], manager.CbToGreenTable()[i]}),
              crRedCbBlueCrGreenCbGreen);
  }
}

TEST(ColorManager, DescriptionsWithoutAConverterRaiseOnEveryRow) {
  struct TCase {
    TColorScheme Source, Target;
    int SourceBits, TargetBits;
    TFormatText Error;
  };
  const TFormatText mixed = TErrors::SIndexedNotSupported, none = TErrors::SConversionFailed;
  const TCase cases[] = {{schGray, schBGR, 8, 8, mixed},     {schRGB, schGray, 8, 8, mixed},
                         {schCMY, schBGR, 8, 8, none},       {schRGB, schCMYK, 8, 8, none},
                         {schUnknown, schBGR, 8, 8, none},   {schIndexed, schIndexed, 3, 8, none},
                         {schGray, schGray, 12, 12, none},   {schIndexed, schGray, 16, 12, none},
                         {schIndexed, schGray, 5, 16, none}, {schGray, schGray, 4, 16, none},
                         {schGrayAlpha, schGray, 4, 8, none}};
  for (const TCase& c : cases) {
    TColorManager manager = Manager(c.Source, c.Target, c.SourceBits, c.TargetBits);
    TBytes source(64), target(64, 7);
    for (int call = 0; call < 2; ++call) {
      EXPECT_CONVERSION_ERROR(manager.ConvertRow(source, target, 4, 0xFF), c.Error);
    }
    EXPECT_EQ(manager.Changed(), c.Error == mixed);
    EXPECT_EQ(target, TBytes(64, 7));
  }
  TColorManager manager = Manager(schRGB, schBGR, 12, 8);  // a colour converter given widths it cannot do
  TBytes target(3, 9);
  manager.ConvertRow(TBytes{}, target, 1, 0xFF);
  EXPECT_EQ(target, TBytes(3, 9));
}

TEST(ColorManager, SettersRefuseValuesOutOfRangeAndMarkOnlyRealChanges) {
  TColorManager manager;
  EXPECT_CONVERSION_ERROR(manager.SetSourceBitsPerSample(0), TErrors::SInvalidColorDepth);
  EXPECT_CONVERSION_ERROR(manager.SetTargetBitsPerSample(17), TErrors::SInvalidColorDepth);
  EXPECT_CONVERSION_ERROR(manager.SetSourceSamplesPerPixel(5), TErrors::SInvalidSampleCount);
  EXPECT_CONVERSION_ERROR(manager.SetTargetSamplesPerPixel(0), TErrors::SInvalidSampleCount);
  manager.PrepareConversion();
  manager.SetSourceBitsPerSample(8);
  manager.SetTargetColorScheme(schBGR);
  EXPECT_FALSE(manager.Changed());
  manager.SetSourceBitsPerSample(5);
  EXPECT_TRUE(manager.Changed());
  // Luma weights from a file are kept only when sound; subsampling is checked after storing them.
  const float weights[] = {0.25f, 0.5f, 0.25f};
  EXPECT_CONVERSION_ERROR(manager.SetYCbCrParameters(weights, 1, 2), TErrors::SVerticalSubsamplingError);
  EXPECT_CONVERSION_ERROR(manager.SetYCbCrParameters({}, 3, 1), TErrors::SInvalidSubsampling);
  EXPECT_EQ(manager.HSubsampling(), 1);
  const float hostile[][3] = {{NAN, 0.5f, 0.2f}, {0.3f, 0, 0.1f}, {0.3f, INFINITY, 0.1f}, {0.3f, 0.5f, 1.5f}};
  for (const auto& values : hostile) manager.SetYCbCrParameters(values, 4, 2);
  EXPECT_EQ(manager.YCbCrCoefficients(), (std::array<float, 3>{0.25f, 0.5f, 0.25f}));
  const float redOnly[] = {0.5f};
  manager.SetYCbCrParameters(redOnly, 2, 2);
  EXPECT_EQ(manager.YCbCrCoefficients(), (std::array<float, 3>{0.5f, 0.5f, 0.25f}));
  EXPECT_EQ(manager.VSubsampling(), 2);
}

TEST(ColorManager, GrayscalePalettesFollowTheTargetWidth) {
  const auto greys = [](int bits, bool gamma, bool minimumIsWhite) {
    TColorManager manager;
    manager.SetTarget(schGray, bits, 1);
    manager.TargetOptions.Set(optApplyGamma, gamma);
    std::vector<int> greys;
    for (const TPaletteEntry& e : manager.CreateGrayscalePalette(minimumIsWhite))
      greys.push_back(e.Red == e.Green && e.Green == e.Blue ? e.Red : -1);
    return greys;
  };
  EXPECT_EQ(greys(3, false, false), (std::vector<int>{0, 36, 72, 108, 144, 180, 216, 252}));
  EXPECT_EQ(greys(2, false, true), (std::vector<int>{255, 170, 85, 0}));
  EXPECT_EQ(greys(8, true, false).at(128), 186);
}

TEST(ColorManager, ColorPalettesReadEveryLayoutAndFitTheTargetWidth) {
  using enum TPaletteLayout;
  TColorManager manager;
  TBytes triples;
  for (int i = 0; i < 900; ++i) triples.push_back(std::uint8_t(i / 3 + i % 3));
  const TPalette full = manager.CreateColorPalette(triples, plTriple8, 300, false);
  EXPECT_EQ(full.size(), 256u);
  EXPECT_EQ(full[255], (TPaletteEntry{255, 0, 1, 0}));
  EXPECT_EQ(manager.CreateColorPalette(triples, plTriple8, 2, true)[1], (TPaletteEntry{3, 2, 1, 0}));
  const TBytes quads = {1, 2, 3, 99, 4, 5, 6, 99};
  EXPECT_EQ(manager.CreateColorPalette(quads, plQuad8, 2, false)[1], (TPaletteEntry{4, 5, 6, 0}));
  EXPECT_EQ(manager.CreateColorPalette(quads, plTriple8, 3, false)[2], TPaletteEntry{});  // not in the data
  const TBytes red = Words({65535, 257}), green = Words({0, 514}), blue = Words({0x00FF, 0});
  const TColorManager::TConstBytes planes[] = {red, green, blue};
  manager.SourceOptions.Include(optByteSwap);
  EXPECT_EQ(manager.CreateColorPalette(planes, plPlanes16, 2, true)[0], (TPaletteEntry{255, 0, 254, 0}));
  manager.SetSourceBitsPerSample(4);
  const TPalette grown = manager.CreateColorPalette(triples, plTriple8, 16, false);
  EXPECT_EQ(grown.size(), 256u);
  EXPECT_EQ(grown[5 * 17], (TPaletteEntry{5, 6, 7, 0}));
  manager.SetSourceBitsPerSample(16);
  const TPalette shrunk = manager.CreateColorPalette(triples, plTriple8, 256, false);
  EXPECT_EQ(shrunk[0], (TPaletteEntry{0, 1, 2, 0}));
  EXPECT_EQ(shrunk[1], TPaletteEntry{});  // would be entry 257
}

// One conversion with its exact bytes. One source buffer is interleaved, more are planes. The
// target starts as `Before`, or zeros when that is empty.
struct TConversion {
  TColorScheme Source, Target;
  int SourceBits, TargetBits;
  std::size_t Count;
  std::vector<TBytes> Buffers;
  TBytes After;
  TConversionOptions SourceOptions = {}, TargetOptions = {};
  std::uint8_t Mask = 0xFF;
  TBytes Before = {};
};

// Pixels of `step` counting bytes, and the same with the first and third byte of each exchanged.
std::pair<TBytes, TBytes> CountingPixels(std::size_t pixels, std::size_t step) {
  TBytes bytes(pixels * step), swapped(pixels * step);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    swapped[i] = bytes[i % step == 0 ? i + 2 : i % step == 2 ? i - 2 : i];
  }
  return {bytes, swapped};
}

const std::vector<TConversion>& Conversions() {
  static const auto [rgb, bgr] = CountingPixels(17, 3);
  static const auto [rgba, bgra] = CountingPixels(9, 4);
  const auto m = std::uint8_t(-30), n = std::uint8_t(-40);
  const TConversionOptions swap{optByteSwap}, gamma{optApplyGamma};
  const TConversionOptions labBytes{optLabByteRange, optLabChromaOffset};
  // Mask 0x88 over 16 pixels: pixels 0, 4, 8 and 12 come from four source pixels.
  TBytes everyFourth(48, 9);
  for (std::uint8_t p = 0; p < 4; ++p) std::fill_n(everyFourth.begin() + 12 * p, 3, std::uint8_t(p + 1));
  // clang-format off
  static const std::vector<TConversion> cases = {
    {schRGB, schBGR, 8, 8, 17, {rgb}, bgr},
    {schBGRAlpha, schRGBAlpha, 8, 8, 9, {bgra}, rgba},
    {schRGBAlpha, schBGR, 8, 8, 2, {{1, 2, 3, 4, 5, 6, 7, 8}}, {3, 2, 1, 7, 6, 5}},
    {schRGB, schBGRAlpha, 8, 8, 2, {{1, 2, 3, 4, 5, 6}}, {3, 2, 1, 9, 6, 5, 4, 9}, {}, {}, 0xFF,
     TBytes(8, 9)},
    {schRGBAlpha, schBGRAlpha, 8, 8, 1, {{1, 2, 128, 77}}, {186, 28, 21, 77}, {}, gamma},
    {schBGR, schRGB, 8, 8, 3, {{1, 2, 3}}, {9, 9, 9, 3, 2, 1, 9, 9, 9}, {}, {}, 0x40, TBytes(9, 9)},
    {schBGR, schBGR, 8, 8, 16, {{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}}, everyFourth, {}, {}, 0x88,
     TBytes(48, 9)},
    {schRGB, schRGB, 8, 8, 2, {{1, 2}, {3, 4}, {5, 6}}, {1, 3, 5, 2, 4, 6}},
    {schRGBAlpha, schRGBAlpha, 8, 8, 1, {{1}, {3}, {5}, {7}}, {1, 3, 5, 7}},
    {schRGB, schBGR, 16, 8, 1, {Words({65535, 257, 256})}, {0, 1, 255}},
    {schRGB, schBGR, 16, 8, 1, {Words({0x00FF, 0, 0})}, {0, 0, 254}, swap},
    {schRGBAlpha, schRGBAlpha, 16, 8, 1, {Words({257, 0, 32896, 32896})}, {21, 0, 186, 128}, {}, gamma},
    {schRGBAlpha, schBGRAlpha, 8, 16, 1, {{1, 2, 3, 4}}, Words({771, 514, 257, 1028})},
    {schBGR, schBGR, 16, 16, 1, {Words({0x0102, 3, 4})}, Words({0x0201, 0x0300, 0x0400}), swap},
    {schCMYK, schRGB, 8, 8, 4, {{0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 128, 128, 128, 128}},
     {255, 255, 255, 0, 0, 0, 0, 255, 255, 63, 63, 63}},
    {schCMYK, schBGRAlpha, 8, 8, 1, {{255}, {0}, {0}, {0}}, {255, 255, 0, 9}, {}, {}, 0xFF, TBytes(4, 9)},
    {schCMYK, schBGR, 16, 8, 1, {Words({65535, 0, 32768, 0})}, {128, 255, 0}},
    {schCMYK, schRGB, 16, 16, 1, {Words({65535, 0, 0, 32768})}, Words({0, 32767, 32767})},
    {schCIELab, schRGB, 8, 8, 7, {{100, 0, 0, 0, 0, 0, 50, 0, 0, 5, 0, 0, 50, 20, m, 75, n, 60, 30, 60, 10}},
     {255, 255, 255, 0, 0, 0, 47, 47, 47, 1, 1, 1, 53, 40, 101, 72, 150, 16, 76, 0, 12}},
    {schCIELab, schBGR, 8, 8, 2, {{100, 0, 0, 50, 20, m}}, {255, 255, 255, 101, 40, 53}},
    {schCIELab, schRGB, 8, 16, 1, {{50}, {0}, {0}}, Words({12079, 12079, 12079})},
    {schCIELab, schRGB, 16, 8, 1, {Words({65535, 32896, 32896})}, {255, 255, 255}, labBytes},
    {schYCbCr, schBGR, 8, 8, 2, {{128, 128, 128, 255, 128, 255}}, {128, 128, 128, 255, 164, 255}},
    {schPhotoYCC, schRGB, 8, 8, 1, {{128, 156, 137}}, {128, 128, 128}},
    {schPhotoYCC, schBGR, 16, 16, 2, {Words({32768, 40092, 35209, 65535, 40092, 35209})},
     Words({44512, 44512, 44512, 65535, 65535, 65535})},
    {schYCbCr, schRGB, 16, 16, 1, {Words({32768, 32768, 65535})}, Words({65535, 9368, 32768})},
    {schYCbCr, schRGB, 16, 8, 1, {Words({32896}), Words({32896}), Words({32896})}, {128, 128, 128}},
    {schYCbCr, schBGRAlpha, 8, 16, 1, {{128, 128, 128}}, {128, 128, 128, 128, 128, 128, 9, 9}, {}, {}, 0xFF,
     TBytes(8, 9)},
    {schGrayAlpha, schGray, 8, 8, 2, {{1, 200, 2, 200}}, {1, 2}},
    {schGray, schIndexed, 8, 16, 1, {{3}}, Words({771})},
    {schGray, schGray, 16, 8, 1, {Words({0x00FF})}, {254}, swap},
    {schGrayAlpha, schGray, 16, 16, 2, {Words({0x0102, 9})}, {9, 9, 1, 2}, swap, {}, 0x40, TBytes(4, 9)},
    {schIndexed, schIndexed, 4, 8, 3, {{0x12, 0x3F}}, {17, 34, 51}},
    {schGray, schGray, 8, 1, 10, {{255, 0, 255, 0, 0, 0, 0, 255, 0, 255}}, {0xA1, 0x7F}, {}, {}, 0xFF,
     {0, 0x3F}},
    {schIndexed, schGray, 2, 8, 8, {{0xC0}}, {9, 9, 255, 9, 9, 9, 9, 9}, {}, {}, 0x20, TBytes(8, 9)},
    {schGray, schIndexed, 8, 4, 3, {{255, 17, 16}}, {0xF1, 0x0F}, {}, {}, 0xFF, TBytes(2, 0xFF)},
    {schIndexed, schIndexed, 1, 1, 9, {{0xA5, 0x80}}, {0xA5, 0x80}},
    {schIndexed, schIndexed, 16, 16, 2, {Words({1, 2})}, Words({1, 2})},
    {schIndexed, schGray, 16, 16, 1, {Words({0x0102})}, Words({0x0201}), swap},
    {schIndexed, schIndexed, 16, 4, 3, {Words({65535, 4369, 8738})}, {0xF1, 0x20}},
    {schIndexed, schGray, 2, 16, 2, {{0x40}}, Words({0x5555, 0}), swap},
  };
  // clang-format on
  return cases;
}

TBytes Before(const TConversion& c) { return c.Before.empty() ? TBytes(c.After.size()) : c.Before; }

void Convert(const TConversion& c, const std::vector<TBytes>& buffers, TBytes& target) {
  TColorManager manager = Manager(c.Source, c.Target, c.SourceBits, c.TargetBits);
  manager.SourceOptions = c.SourceOptions;
  manager.TargetOptions = c.TargetOptions;
  const std::vector<TColorManager::TConstBytes> spans(buffers.begin(), buffers.end());
  manager.ConvertRow(spans, target, c.Count, c.Mask);
}

// The buffers are heap blocks of exactly their sizes, so the sanitizers also see any overrun.
TEST(ColorManager, EveryConverterGivesItsExactBytesAndRefusesEveryTooSmallBuffer) {
  for (const TConversion& c : Conversions()) {
    SCOPED_TRACE(&c - Conversions().data());
    TBytes target = Before(c);
    Convert(c, c.Buffers, target);
    EXPECT_EQ(target, c.After);
    for (std::size_t k = 0; k <= c.Buffers.size(); ++k) {  // each buffer a byte short, the target last
      std::vector<TBytes> buffers = c.Buffers;
      target = Before(c);
      (k < buffers.size() ? buffers[k] : target).pop_back();
      EXPECT_CONVERSION_ERROR(Convert(c, buffers, target), TErrors::SInvalidSampleCount);
      EXPECT_TRUE(k == buffers.size() || target == Before(c));
    }
    if (c.Buffers.size() > 1) {  // a plane missing
      EXPECT_CONVERSION_ERROR(Convert(c, {c.Buffers.begin(), c.Buffers.end() - 1}, target),
                              TErrors::SInvalidSampleCount);
    }
  }
}

// Whole interleaved rows of these take vector paths, planes the per-pixel one; random rows must
// come out the same both ways. The second and third samples of bytes run through every value.
TEST(ColorManager, InterleavedRowsGiveThePixelsOfTheSamePlanes) {
  struct TCase {
    TColorScheme Source, Target;
    int Bits, Samples;
    TConversionOptions SourceOptions = {}, TargetOptions = {};
  };
  const TConversionOptions swap{optByteSwap}, gamma{optApplyGamma};
  const TCase cases[] = {{schCMYK, schBGR, 8, 4},
                         {schCMYK, schRGB, 8, 4},
                         {schYCbCr, schBGR, 8, 3},
                         {schPhotoYCC, schRGB, 8, 3},
                         {schRGB, schBGR, 16, 3},
                         {schBGR, schBGR, 16, 3, swap},
                         {schRGBAlpha, schBGRAlpha, 16, 4, swap, gamma},
                         {schRGBAlpha, schBGR, 8, 4}};
  std::mt19937 random(9);
  for (const TCase& c : cases) {
    SCOPED_TRACE(&c - cases);
    // Long enough for several blocks of the 16-bit path, and a part step at the end.
    const std::size_t count = 2100, sampleBytes = std::size_t(c.Bits / 8), samples = std::size_t(c.Samples);
    TBytes interleaved(count * samples * sampleBytes);
    for (auto& b : interleaved) b = std::uint8_t(random());
    for (std::size_t i = 0; sampleBytes == 1 && i < count; ++i) {
      interleaved[i * samples + 1] = std::uint8_t(i);
      interleaved[i * samples + 2] = std::uint8_t(255 - i);
    }
    std::vector<TBytes> planes(samples);
    for (std::size_t i = 0; i < count * samples; ++i) {
      const auto sample = interleaved.begin() + std::ptrdiff_t(i * sampleBytes);
      planes[i % samples].insert(planes[i % samples].end(), sample, sample + std::ptrdiff_t(sampleBytes));
    }
    const int targetSamples = c.Target == schBGRAlpha ? 4 : 3;
    TColorManager manager;
    manager.SetSource(c.Source, c.Bits, c.Samples);
    manager.SetTarget(c.Target, 8, targetSamples);
    manager.SourceOptions = c.SourceOptions;
    manager.TargetOptions = c.TargetOptions;
    TBytes fromInterleaved(count * std::size_t(targetSamples)), fromPlanes = fromInterleaved;
    manager.ConvertRow(interleaved, fromInterleaved, count, 0xFF);
    const std::vector<TColorManager::TConstBytes> spans(planes.begin(), planes.end());
    manager.ConvertRow(spans, fromPlanes, count, 0xFF);
    EXPECT_EQ(fromInterleaved, fromPlanes);
  }
}

}  // namespace
}  // namespace lumox
