#include "imageformats/ColorManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "imageformats/FormatTexts.h"

namespace lumox {
namespace {

using enum TColorScheme;
using enum TConversionOption;
using TBytes = std::vector<std::uint8_t>;

// 16-bit samples in the machine's byte order.
TBytes Words(std::initializer_list<std::uint16_t> words) {
  TBytes bytes(2 * words.size());
  std::memcpy(bytes.data(), std::data(words), bytes.size());
  return bytes;
}

std::string Message(TFormatText text) { return std::string(LoadFormatText(text)); }

template <class TCall>
void ExpectConversionError(TCall call, TFormatText text) {
  try {
    call();
    ADD_FAILURE() << "no error: " << Message(text);
  } catch (const EColorConversionError& e) {
    EXPECT_EQ(e.what(), Message(text));
  }
}
#define EXPECT_CONVERSION_ERROR(statement, text) ExpectConversionError([&] { statement; }, text)

TColorManager Manager(TColorScheme source, TColorScheme target, int sourceBits, int targetBits) {
  TColorManager manager;
  manager.SetSourceColorScheme(source);
  manager.SetTargetColorScheme(target);
  manager.SetSourceBitsPerSample(sourceBits);
  manager.SetTargetBitsPerSample(targetBits);
  return manager;
}

TEST(ColorManager, DefaultsDescribeRGBToBGRWithTheDefaultGammaTable) {
  TColorManager manager;
  EXPECT_TRUE(manager.Changed());
  EXPECT_EQ(manager.GetPixelFormat(1), TPixelFormat::pf24bit);
  const std::pair<int, int> gamma[] = {{0, 0}, {1, 21}, {2, 28}, {64, 136}, {128, 186}, {192, 224}, {254, 255}, {255, 255}};
  for (const auto& [index, value] : gamma) EXPECT_EQ(manager.GammaTable()[std::size_t(index)], value) << index;
}

TEST(ColorManager, ChromaTablesOfBothLumaChromaSchemes) {
  struct TCase {
    TColorScheme Scheme;
    int Index;
    std::array<int, 4> CrRedCbBlueCrGreenCbGreen;
  };
  const TCase cases[] = {{schYCbCr, 0, {-179, -227, 91, 44}},     {schYCbCr, 128, {0, 0, 0, 0}},
                         {schYCbCr, 255, {178, 225, -91, -44}},   {schPhotoYCC, 0, {-192, -276, 98, 54}},
                         {schPhotoYCC, 255, {165, 175, -84, -34}}};
  for (const TCase& c : cases) {
    TColorManager manager = Manager(c.Scheme, schBGR, 8, 8);
    manager.PrepareConversion();
    const auto i = std::size_t(c.Index);
    EXPECT_EQ((std::array<int, 4>{manager.CrToRedTable()[i], manager.CbToBlueTable()[i], manager.CrToGreenTable()[i],
                                  manager.CbToGreenTable()[i]}),
              c.CrRedCbBlueCrGreenCbGreen)
        << int(c.Scheme) << " " << c.Index;
  }
}

TEST(ColorManager, SettersCheckTheirRangesAndMarkOnlyRealChanges) {
  TColorManager manager;
  manager.SetSourceBitsPerSample(5);
  EXPECT_CONVERSION_ERROR(manager.SetSourceBitsPerSample(0), TFormatText::SInvalidColorDepth);
  EXPECT_CONVERSION_ERROR(manager.SetTargetBitsPerSample(17), TFormatText::SInvalidColorDepth);
  EXPECT_CONVERSION_ERROR(manager.SetSourceSamplesPerPixel(5), TFormatText::SInvalidSampleCount);
  EXPECT_CONVERSION_ERROR(manager.SetTargetSamplesPerPixel(0), TFormatText::SInvalidSampleCount);
  EXPECT_EQ(manager.SourceBitsPerSample(), 5);
  manager.SetSourceBitsPerSample(8);
  manager.PrepareConversion();
  manager.SetSourceBitsPerSample(8);
  manager.SetTargetColorScheme(schBGR);
  manager.SetSourceSamplesPerPixel(3);
  EXPECT_FALSE(manager.Changed());
  manager.SetTargetSamplesPerPixel(4);
  EXPECT_TRUE(manager.Changed());
}

TEST(ColorManager, DescriptionsWithoutAConverterRaiseOnEveryRow) {
  struct TCase {
    TColorScheme Source, Target;
    int SourceBits, TargetBits;
    TFormatText Error;
  };
  const TCase cases[] = {
      {schGray, schBGR, 8, 8, TFormatText::SIndexedNotSupported},
      {schRGB, schGray, 8, 8, TFormatText::SIndexedNotSupported},
      {schCMY, schBGR, 8, 8, TFormatText::SConversionFailed},
      {schRGB, schCMYK, 8, 8, TFormatText::SConversionFailed},
      {schUnknown, schBGR, 8, 8, TFormatText::SConversionFailed},
      {schIndexed, schIndexed, 3, 8, TFormatText::SConversionFailed},
      {schGray, schGray, 12, 12, TFormatText::SConversionFailed},
      {schIndexed, schIndexed, 16, 12, TFormatText::SConversionFailed},
      {schIndexed, schIndexed, 5, 16, TFormatText::SConversionFailed},
      {schGray, schGray, 4, 16, TFormatText::SConversionFailed},
      {schGrayAlpha, schGray, 4, 8, TFormatText::SConversionFailed},
  };
  for (const TCase& c : cases) {
    TColorManager manager = Manager(c.Source, c.Target, c.SourceBits, c.TargetBits);
    TBytes source(64), target(64, 7);
    for (int call = 0; call < 2; ++call) EXPECT_CONVERSION_ERROR(manager.ConvertRow(source, target, 4, 0xFF), c.Error);
    EXPECT_EQ(manager.Changed(), c.Error == TFormatText::SIndexedNotSupported);
    EXPECT_EQ(target, TBytes(64, 7));
  }
}

TEST(ColorManager, YCbCrParametersCheckSubsamplingAfterStoringTheWeights) {
  TColorManager manager;
  const float weights[] = {0.25f, 0.5f, 0.25f};
  EXPECT_CONVERSION_ERROR(manager.SetYCbCrParameters(weights, 1, 2), TFormatText::SVerticalSubsamplingError);
  EXPECT_EQ(manager.YCbCrCoefficients(), (std::array<float, 3>{0.25f, 0.5f, 0.25f}));
  EXPECT_CONVERSION_ERROR(manager.SetYCbCrParameters({}, 3, 1), TFormatText::SInvalidSubsampling);
  EXPECT_EQ(manager.HSubsampling(), 1);
  const float hostile[][3] = {{NAN, 0.5f, 0.2f}, {0.3f, 0.0f, 0.1f}, {0.3f, INFINITY, 0.1f}, {0.3f, 0.5f, 1.5f}};
  for (const auto& values : hostile) {
    manager.SetYCbCrParameters(values, 4, 2);
    EXPECT_EQ(manager.YCbCrCoefficients(), (std::array<float, 3>{0.25f, 0.5f, 0.25f}));
  }
  const float redOnly[] = {0.5f};
  manager.SetYCbCrParameters(redOnly, 2, 2);
  EXPECT_EQ(manager.YCbCrCoefficients(), (std::array<float, 3>{0.5f, 0.5f, 0.25f}));
  EXPECT_EQ(manager.VSubsampling(), 2);
}

TEST(ColorManager, PixelFormatsOfSampleCountsAndWidths) {
  struct TCase {
    int Samples, Bits;
    TPixelFormat Format;
  };
  const TCase cases[] = {{1, 1, TPixelFormat::pf1bit},   {1, 2, TPixelFormat::pf4bit},   {1, 4, TPixelFormat::pf4bit},
                         {1, 5, TPixelFormat::pfCustom}, {1, 16, TPixelFormat::pf8bit},  {2, 8, TPixelFormat::pfCustom},
                         {3, 5, TPixelFormat::pf15bit},  {3, 6, TPixelFormat::pf24bit},  {4, 7, TPixelFormat::pfCustom},
                         {4, 16, TPixelFormat::pf32bit}};
  for (const TCase& c : cases) {
    TColorManager manager;
    manager.SetTargetSamplesPerPixel(c.Samples);
    manager.SetTargetBitsPerSample(c.Bits);
    EXPECT_EQ(manager.GetPixelFormat(1), c.Format) << c.Samples << "x" << c.Bits;
    EXPECT_EQ(manager.GetPixelFormat(0), TPixelFormat::pf24bit);
  }
}

std::vector<int> Greys(const TPalette& palette) {
  std::vector<int> greys;
  for (const TPaletteEntry& e : palette) {
    EXPECT_TRUE(e.Red == e.Green && e.Green == e.Blue);
    greys.push_back(e.Red);
  }
  return greys;
}

TEST(ColorManager, GrayscalePalettesFollowTheTargetWidth) {
  TColorManager manager;
  manager.SetTargetSamplesPerPixel(1);
  manager.SetTargetBitsPerSample(4);
  const std::vector<int> sixteen = Greys(manager.CreateGrayscalePalette(false));
  ASSERT_EQ(sixteen.size(), 16u);
  EXPECT_EQ(sixteen[1], 17);
  EXPECT_EQ(sixteen[15], 255);
  EXPECT_EQ(Greys(manager.CreateGrayscalePalette(true)).front(), 255);
  manager.SetTargetBitsPerSample(3);
  EXPECT_EQ(Greys(manager.CreateGrayscalePalette(false)), (std::vector<int>{0, 36, 72, 108, 144, 180, 216, 252}));
  manager.SetTargetSamplesPerPixel(3);
  manager.SetTargetBitsPerSample(8);
  manager.TargetOptions.Include(optApplyGamma);
  const std::vector<int> gamma = Greys(manager.CreateGrayscalePalette(false));
  ASSERT_EQ(gamma.size(), 256u);
  EXPECT_EQ(gamma[128], 186);
}

TEST(ColorManager, ColorPalettesReadEveryLayoutAndFitTheTargetWidth) {
  TColorManager manager;
  TBytes triples;
  for (int i = 0; i < 300; ++i) triples.insert(triples.end(), {std::uint8_t(i), std::uint8_t(i + 1), std::uint8_t(i + 2)});
  const TPalette full = manager.CreateColorPalette(triples, TPaletteLayout::plTriple8, 300, false);
  ASSERT_EQ(full.size(), 256u);
  EXPECT_EQ(full[255], (TPaletteEntry{255, 0, 1, 0}));
  EXPECT_EQ(manager.CreateColorPalette(triples, TPaletteLayout::plTriple8, 2, true)[1], (TPaletteEntry{3, 2, 1, 0}));
  const TBytes quads = {1, 2, 3, 99, 4, 5, 6, 99};
  EXPECT_EQ(manager.CreateColorPalette(quads, TPaletteLayout::plQuad8, 2, false)[1], (TPaletteEntry{4, 5, 6, 0}));
  // Entries the data does not hold stay black.
  EXPECT_EQ(manager.CreateColorPalette(quads, TPaletteLayout::plTriple8, 3, false)[2], TPaletteEntry{});
  const TBytes red = Words({65535, 257}), green = Words({0, 514}), blue = Words({0x00FF, 0});
  const TColorManager::TConstBytes planes[] = {red, green, blue};
  manager.SourceOptions.Include(optByteSwap);
  EXPECT_EQ(manager.CreateColorPalette(planes, TPaletteLayout::plPlanes16, 2, true)[0], (TPaletteEntry{255, 0, 254, 0}));
  manager.SourceOptions = {};
  manager.SetSourceBitsPerSample(4);
  const TPalette grown = manager.CreateColorPalette(triples, TPaletteLayout::plTriple8, 16, false);
  ASSERT_EQ(grown.size(), 256u);
  EXPECT_EQ(grown[5 * 17], (TPaletteEntry{5, 6, 7, 0}));
  manager.SetSourceBitsPerSample(16);
  const TPalette shrunk = manager.CreateColorPalette(triples, TPaletteLayout::plTriple8, 256, false);
  EXPECT_EQ(shrunk[0], (TPaletteEntry{0, 1, 2, 0}));
  EXPECT_EQ(shrunk[1], TPaletteEntry{});  // would be entry 257
}

// One conversion with its exact bytes. One source buffer is interleaved, more are planes.
struct TConversion {
  const char* Name;
  TColorScheme Source, Target;
  int SourceBits, TargetBits;
  TConversionOptions SourceOptions, TargetOptions;
  std::uint8_t Mask;
  std::size_t Count;
  std::vector<TBytes> Buffers;
  TBytes Before, After;
};

const std::vector<TConversion>& Conversions() {
  static const std::vector<TConversion> cases = {
      {"rgb-bgr", schRGB, schBGR, 8, 8, {}, {}, 0xFF, 2, {{10, 20, 30, 1, 2, 3}}, TBytes(6), {30, 20, 10, 3, 2, 1}},
      {"rgb-bgr-gamma", schRGB, schBGR, 8, 8, {}, {optApplyGamma}, 0xFF, 1, {{1, 2, 128}}, TBytes(3), {186, 28, 21}},
      {"rgba-bgr", schRGBAlpha, schBGR, 8, 8, {}, {}, 0xFF, 2, {{1, 2, 3, 4, 5, 6, 7, 8}}, TBytes(6), {3, 2, 1, 7, 6, 5}},
      {"rgb-bgra", schRGB, schBGRAlpha, 8, 8, {}, {}, 0xFF, 2, {{1, 2, 3, 4, 5, 6}}, TBytes(8, 9), {3, 2, 1, 9, 6, 5, 4, 9}},
      {"bgra-bgra-gamma", schBGRAlpha, schBGRAlpha, 8, 8, {}, {optApplyGamma}, 0xFF, 1, {{1, 2, 128, 77}}, TBytes(4),
       {21, 28, 186, 77}},
      {"bgr-rgb-masked", schBGR, schRGB, 8, 8, {}, {}, 0x40, 3, {{1, 2, 3}}, TBytes(9, 9), {9, 9, 9, 3, 2, 1, 9, 9, 9}},
      {"rgb-rgb-planes", schRGB, schRGB, 8, 8, {}, {}, 0xFF, 2, {{1, 2}, {3, 4}, {5, 6}}, TBytes(6), {1, 3, 5, 2, 4, 6}},
      {"rgba-rgba-planes", schRGBAlpha, schRGBAlpha, 8, 8, {}, {}, 0xFF, 1, {{1}, {3}, {5}, {7}}, TBytes(4), {1, 3, 5, 7}},
      {"rgb16-bgr8", schRGB, schBGR, 16, 8, {}, {}, 0xFF, 1, {Words({65535, 257, 256})}, TBytes(3), {0, 1, 255}},
      {"rgb16-bgr8-swapped", schRGB, schBGR, 16, 8, {optByteSwap}, {}, 0xFF, 1, {Words({0x00FF, 0, 0})}, TBytes(3),
       {0, 0, 254}},
      {"rgba16-rgba8-gamma", schRGBAlpha, schRGBAlpha, 16, 8, {}, {optApplyGamma}, 0xFF, 1,
       {Words({257, 0, 32896, 32896})}, TBytes(4), {21, 0, 186, 128}},
      {"rgba8-bgra16", schRGBAlpha, schBGRAlpha, 8, 16, {}, {}, 0xFF, 1, {{1, 2, 3, 4}}, TBytes(8),
       Words({771, 514, 257, 1028})},
      {"bgr16-bgr16-swapped", schBGR, schBGR, 16, 16, {optByteSwap}, {}, 0xFF, 1, {Words({0x0102, 3, 4})}, TBytes(6),
       Words({0x0201, 0x0300, 0x0400})},
      {"bgr-bgr-mask88", schBGR, schBGR, 8, 8, {}, {}, 0x88, 16, {{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}}, TBytes(48, 9),
       [] {
         TBytes after(48, 9);
         for (std::uint8_t p = 0; p < 4; ++p) std::fill_n(after.begin() + 12 * p, 3, std::uint8_t(p + 1));
         return after;
       }()},
      {"cmyk-rgb", schCMYK, schRGB, 8, 8, {}, {}, 0xFF, 4, {{0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 128, 128, 128, 128}},
       TBytes(12), {255, 255, 255, 0, 0, 0, 0, 255, 255, 63, 63, 63}},
      {"cmyk-bgra-planes", schCMYK, schBGRAlpha, 8, 8, {}, {}, 0xFF, 1, {{255}, {0}, {0}, {0}}, TBytes(4, 9),
       {255, 255, 0, 9}},
      {"cmyk8-rgb16", schCMYK, schRGB, 8, 16, {}, {}, 0xFF, 1, {{255, 0, 0, 0}}, TBytes(6), Words({0, 65535, 65535})},
      {"cmyk16-bgr8", schCMYK, schBGR, 16, 8, {}, {}, 0xFF, 1, {Words({65535, 0, 32768, 0})}, TBytes(3), {128, 255, 0}},
      {"cmyk16-rgb16", schCMYK, schRGB, 16, 16, {}, {}, 0xFF, 1, {Words({65535, 0, 0, 32768})}, TBytes(6),
       Words({0, 32767, 32767})},
      {"lab-rgb", schCIELab, schRGB, 8, 8, {}, {}, 0xFF, 7,
       {{100, 0, 0, 0, 0, 0, 50, 0, 0, 5, 0, 0, 50, 20, std::uint8_t(-30), 75, std::uint8_t(-40), 60, 30, 60, 10}},
       TBytes(21), {255, 255, 255, 0, 0, 0, 47, 47, 47, 1, 1, 1, 53, 40, 101, 72, 150, 16, 76, 0, 12}},
      {"lab-bgr-ranges", schCIELab, schBGR, 8, 8, {optLabByteRange, optLabChromaOffset}, {}, 0xFF, 1, {{255, 128, 128}},
       TBytes(3), {255, 255, 255}},
      {"lab-planes-rgb16", schCIELab, schRGB, 8, 16, {}, {}, 0xFF, 1, {{50}, {0}, {0}}, TBytes(6), Words({47 * 257, 47 * 257, 47 * 257})},
      {"lab16-rgb", schCIELab, schRGB, 16, 8, {optLabByteRange, optLabChromaOffset}, {}, 0xFF, 1,
       {Words({65535, 32896, 32896})}, TBytes(3), {255, 255, 255}},
      {"ycbcr-bgr", schYCbCr, schBGR, 8, 8, {}, {}, 0xFF, 2, {{128, 128, 128, 255, 128, 255}}, TBytes(6),
       {128, 128, 128, 255, 164, 255}},
      {"photoycc-rgb", schPhotoYCC, schRGB, 8, 8, {}, {}, 0xFF, 1, {{128, 156, 137}}, TBytes(3), {128, 128, 128}},
      {"photoycc16-bgr16", schPhotoYCC, schBGR, 16, 16, {}, {}, 0xFF, 2, {Words({32768, 40092, 35209, 65535, 40092, 35209})},
       TBytes(12), Words({44512, 44512, 44512, 65535, 65535, 65535})},
      {"ycbcr16-rgb16", schYCbCr, schRGB, 16, 16, {}, {}, 0xFF, 1, {Words({32768, 32768, 65535})}, TBytes(6),
       Words({65535, 9368, 32768})},
      {"ycbcr16-rgb8-planes", schYCbCr, schRGB, 16, 8, {}, {}, 0xFF, 1, {Words({32896}), Words({32896}), Words({32896})},
       TBytes(3), {128, 128, 128}},
      {"ycbcr-bgra16", schYCbCr, schBGRAlpha, 8, 16, {}, {}, 0xFF, 1, {{128, 128, 128}}, TBytes(8, 9),
       {128, 128, 128, 128, 128, 128, 9, 9}},
      {"gray-gray", schGray, schGray, 8, 8, {}, {}, 0xFF, 3, {{1, 2, 3}}, TBytes(3), {1, 2, 3}},
      {"grayalpha-gray", schGrayAlpha, schGray, 8, 8, {}, {}, 0xFF, 2, {{1, 200, 2, 200}}, TBytes(2), {1, 2}},
      {"gray8-indexed16", schGray, schIndexed, 8, 16, {}, {}, 0xFF, 1, {{3}}, TBytes(2), Words({771})},
      {"gray16-gray8-swapped", schGray, schGray, 16, 8, {optByteSwap}, {}, 0xFF, 1, {Words({0x00FF})}, TBytes(1), {254}},
      {"grayalpha16-gray16-masked", schGrayAlpha, schGray, 16, 16, {optByteSwap}, {}, 0x40, 2, {Words({0x0102, 9})},
       TBytes(4, 9), {9, 9, 1, 2}},
      {"packed4-8", schIndexed, schIndexed, 4, 8, {}, {}, 0xFF, 3, {{0x12, 0x3F}}, TBytes(3), {17, 34, 51}},
      {"packed8-1", schGray, schGray, 8, 1, {}, {}, 0xFF, 10, {{255, 0, 255, 0, 0, 0, 0, 255, 0, 255}}, {0, 0x3F},
       {0xA1, 0x7F}},
      {"packed2-8-masked", schIndexed, schGray, 2, 8, {}, {}, 0x20, 8, {{0xC0}}, TBytes(8, 9), {9, 9, 255, 9, 9, 9, 9, 9}},
      {"packed8-4", schGray, schIndexed, 8, 4, {}, {}, 0xFF, 3, {{255, 17, 16}}, TBytes(2, 0xFF), {0xF1, 0x0F}},
      {"packed1-1-copy", schIndexed, schIndexed, 1, 1, {}, {}, 0xFF, 9, {{0xA5, 0x80}}, TBytes(2), {0xA5, 0x80}},
      {"indexed16-16", schIndexed, schIndexed, 16, 16, {}, {}, 0xFF, 2, {Words({1, 2})}, TBytes(4), Words({1, 2})},
      {"indexed16-16-swapped", schIndexed, schGray, 16, 16, {optByteSwap}, {}, 0xFF, 1, {Words({0x0102})}, TBytes(2),
       Words({0x0201})},
      {"indexed16-packed4", schIndexed, schIndexed, 16, 4, {}, {}, 0xFF, 3, {Words({65535, 4369, 8738})}, TBytes(2),
       {0xF1, 0x20}},
      {"packed2-16-swapped", schIndexed, schGray, 2, 16, {optByteSwap}, {}, 0xFF, 2, {{0x40}}, TBytes(4),
       Words({0x5555, 0})},
  };
  return cases;
}

// Copies of the buffers on the heap at exactly their sizes, so the sanitizers see any overrun.
void Convert(TColorManager& manager, const TConversion& c, const std::vector<TBytes>& buffers, TBytes& target) {
  std::vector<TColorManager::TConstBytes> spans(buffers.begin(), buffers.end());
  manager.ConvertRow(spans, target, c.Count, c.Mask);
}

TColorManager ManagerFor(const TConversion& c) {
  TColorManager manager = Manager(c.Source, c.Target, c.SourceBits, c.TargetBits);
  manager.SourceOptions = c.SourceOptions;
  manager.TargetOptions = c.TargetOptions;
  return manager;
}

TEST(ColorManager, EveryConverterGivesItsExactBytes) {
  for (const TConversion& c : Conversions()) {
    TColorManager manager = ManagerFor(c);
    TBytes target = c.Before;
    Convert(manager, c, c.Buffers, target);
    EXPECT_EQ(target, c.After) << c.Name;
  }
}

TEST(ColorManager, EveryTooSmallBufferIsRefusedBeforeAnythingIsWritten) {
  for (const TConversion& c : Conversions()) {
    TColorManager manager = ManagerFor(c);
    for (std::size_t k = 0; k <= c.Buffers.size(); ++k) {
      std::vector<TBytes> buffers = c.Buffers;
      TBytes target = c.Before;
      TBytes& shrunk = k < buffers.size() ? buffers[k] : target;
      shrunk.pop_back();
      EXPECT_CONVERSION_ERROR(Convert(manager, c, buffers, target), TFormatText::SInvalidSampleCount);
      if (k < buffers.size()) {
        EXPECT_EQ(target, c.Before) << c.Name;
      }
    }
    if (c.Buffers.size() > 1) {  // a missing plane
      TBytes target = c.Before;
      EXPECT_CONVERSION_ERROR(Convert(manager, c, {c.Buffers.begin(), c.Buffers.end() - 1}, target),
                              TFormatText::SInvalidSampleCount);
    }
  }
}

TEST(ColorManager, ColourWidthsNoConverterHandlesWriteNothing) {
  TColorManager manager = Manager(schRGB, schBGR, 12, 8);
  TBytes target(3, 9);
  manager.ConvertRow(TBytes{}, target, 1, 0xFF);
  EXPECT_EQ(target, TBytes(3, 9));
}

}  // namespace
}  // namespace lumox
