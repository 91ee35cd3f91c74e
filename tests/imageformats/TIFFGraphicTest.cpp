#include "imageformats/TIFFGraphic.h"

#include <gtest/gtest.h>
#include <tiff.h>

#include <functional>
#include <random>

#include "framework/Exceptions.h"
#include "tests/framework/PictureFiles.h"
#include "tests/imageformats/TIFFFiles.h"

namespace lumox {
namespace {

using test::TBytes;
using test::TTag;
using test::TTiffSpec;

const std::string Invalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
const std::string Unsupported = "Cannot load image. The compression scheme is not supported for TIF/TIFF files.";

// Loads `file` into `graphic`; the pixels as the reference library gives them (0xAABBGGRR).
std::vector<std::uint32_t> Load(TTIFFGraphic& graphic, const TBytes& file) {
  TMemoryStream stream(file.data(), file.size());
  graphic.LoadFromStream(stream);
  std::vector<std::uint32_t> pixels(std::size_t(graphic.Width()) * std::size_t(graphic.Height()));
  for (int y = 0; y < graphic.Height(); ++y)
    graphic.ScanLineToBGRA(y, std::span(pixels).subspan(std::size_t(y * graphic.Width()), std::size_t(graphic.Width())));
  for (auto& p : pixels) p = (p & 0xFF00FF00u) | (p >> 16 & 0xFF) | (p & 0xFF) << 16;
  return pixels;
}

std::vector<std::uint16_t> ColorMap(unsigned bits) {
  std::vector<std::uint16_t> map(3u << bits);
  for (unsigned i = 0; i < map.size(); ++i) map[i] = std::uint16_t((i * 73 + (i >> bits) * 50) % 256 * 257);
  return map;
}

// Pixels of each row from a random mix of ThunderScan codes; runs stop short of the row end.
TBytes ThunderData(std::uint32_t width, std::uint32_t height) {
  std::mt19937 random(5);
  TBytes codes;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t done = 0; done < width;) {
      const auto bits = std::uint8_t(random() & 0x3F);
      switch (random() % 4) {
        case 0:
          if (done + bits % 6 >= width) continue;
          codes.push_back(bits % 6);
          done += bits % 6;
          break;
        case 1:
          codes.push_back(0x40 | bits);
          for (const int shift : {4, 2, 0}) done += (bits >> shift & 3) != 2;
          break;
        case 2:
          codes.push_back(0x80 | bits);
          for (const int shift : {3, 0}) done += (bits >> shift & 7) != 4;
          break;
        default: codes.push_back(0xC0 | bits), ++done;
      }
    }
  }
  if (codes.size() % 2 != 0) codes.push_back(0);
  return codes;
}

TBytes ThunderFile() {
  const TBytes data = ThunderData(13, 6);
  return test::HandMadeTiff({{256, 3, {13}}, {257, 3, {6}}, {258, 3, {4}}, {259, 3, {32809}}, {262, 3, {1}},
                             {273, 4, {8}}, {277, 3, {1}}, {278, 3, {6}}, {279, 4, {std::uint32_t(data.size())}}},
                            data);
}

struct TOracleCase {
  const char* Name;
  TTiffSpec Spec;
  int Tolerance = 0;
};

class LibraryFiles : public testing::TestWithParam<TOracleCase> {};

void ExpectSamePixels(const TBytes& file, int tolerance) {
  const test::TReferencePixels expected = test::LibraryPixels(file);
  ASSERT_FALSE(expected.Pixels.empty());
  TTIFFGraphic graphic;
  const std::vector<std::uint32_t> pixels = Load(graphic, file);
  ASSERT_EQ(std::uint32_t(graphic.Width()), expected.Width);
  ASSERT_EQ(std::uint32_t(graphic.Height()), expected.Height);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    for (int shift = 0; shift < 32; shift += 8)
      ASSERT_NEAR(pixels[i] >> shift & 0xFF, expected.Pixels[i] >> shift & 0xFF, tolerance) << "pixel " << i;
}

TEST_P(LibraryFiles, LoadAsTheReferenceLibraryReadsThem) {
  const TTiffSpec& spec = GetParam().Spec;
  ExpectSamePixels(test::LibraryTiff(spec, test::SampleRows(spec)), GetParam().Tolerance);
}

TEST(LibraryFiles, ThunderScanLoadsAsTheReferenceLibraryReadsIt) { ExpectSamePixels(ThunderFile(), 0); }

// The reference library cannot read back its own word-aligned rows, so they are compared with
// the same picture in byte-aligned rows.
TEST(LibraryFiles, WordAlignedFaxRowsLoadAsByteAlignedOnes) {
  TTiffSpec spec{.Width = 33, .Height = 9, .Photometric = PHOTOMETRIC_MINISWHITE, .BitsPerSample = 1,
                 .SamplesPerPixel = 1, .Compression = COMPRESSION_CCITTRLE, .RowsPerStrip = 4};
  TTIFFGraphic byteAligned, wordAligned;
  const std::vector<std::uint32_t> expected = Load(byteAligned, test::LibraryTiff(spec, test::SampleRows(spec)));
  spec.Compression = COMPRESSION_CCITTRLEW;
  EXPECT_EQ(Load(wordAligned, test::LibraryTiff(spec, test::SampleRows(spec))), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryFiles,
    testing::Values(
        TOracleCase{"RGBStrips", {.Width = 13, .Height = 10, .RowsPerStrip = 3}},
        TOracleCase{"RGBPackBitsBigEndian",
                    {.Width = 13, .Height = 10, .Compression = COMPRESSION_PACKBITS, .RowsPerStrip = 4, .BigEndian = true}},
        TOracleCase{"RGBDeflatePredictor",
                    {.Width = 33, .Height = 17, .Compression = COMPRESSION_ADOBE_DEFLATE, .Predictor = 2, .RowsPerStrip = 5}},
        TOracleCase{"RGB16PredictorBigEndian",
                    {.Width = 9, .BitsPerSample = 16, .Compression = COMPRESSION_ADOBE_DEFLATE, .Predictor = 2, .BigEndian = true},
                    1},
        TOracleCase{"RGBAlpha", {.Width = 7, .SamplesPerPixel = 4, .Compression = COMPRESSION_ADOBE_DEFLATE, .Predictor = 2,
                                 .ExtraSamples = 1}},
        TOracleCase{"Grey", {.Width = 11, .Photometric = PHOTOMETRIC_MINISBLACK, .SamplesPerPixel = 1}},
        TOracleCase{"Grey16Predictor", {.Width = 11, .Photometric = PHOTOMETRIC_MINISBLACK, .BitsPerSample = 16,
                                        .SamplesPerPixel = 1, .Compression = COMPRESSION_ADOBE_DEFLATE, .Predictor = 2},
                    1},
        TOracleCase{"Grey4PackBits", {.Width = 11, .Photometric = PHOTOMETRIC_MINISBLACK, .BitsPerSample = 4,
                                      .SamplesPerPixel = 1, .Compression = COMPRESSION_PACKBITS}},
        TOracleCase{"Grey2", {.Width = 11, .Photometric = PHOTOMETRIC_MINISBLACK, .BitsPerSample = 2, .SamplesPerPixel = 1}},
        TOracleCase{"MinIsWhite1", {.Width = 11, .Photometric = PHOTOMETRIC_MINISWHITE, .BitsPerSample = 1, .SamplesPerPixel = 1}},
        TOracleCase{"Palette8", {.Width = 11, .Photometric = PHOTOMETRIC_PALETTE, .SamplesPerPixel = 1,
                                 .Compression = COMPRESSION_PACKBITS, .ColorMap = ColorMap(8)}},
        TOracleCase{"Palette4", {.Width = 11, .Photometric = PHOTOMETRIC_PALETTE, .BitsPerSample = 4, .SamplesPerPixel = 1,
                                 .ColorMap = ColorMap(4)}},
        TOracleCase{"Palette2", {.Width = 11, .Photometric = PHOTOMETRIC_PALETTE, .BitsPerSample = 2, .SamplesPerPixel = 1,
                                 .ColorMap = ColorMap(2)}},
        TOracleCase{"CMYK", {.Width = 9, .Photometric = PHOTOMETRIC_SEPARATED, .SamplesPerPixel = 4}},
        TOracleCase{"YCbCr", {.Width = 9, .Photometric = PHOTOMETRIC_YCBCR}, 3},
        TOracleCase{"JpegRGB", {.Width = 37, .Height = 21, .Compression = COMPRESSION_JPEG, .RowsPerStrip = 8}},
        TOracleCase{"JpegYCbCr", {.Width = 37, .Height = 21, .Photometric = PHOTOMETRIC_YCBCR,
                                  .Compression = COMPRESSION_JPEG, .RowsPerStrip = 16}},
        TOracleCase{"JpegGrey", {.Width = 37, .Height = 21, .Photometric = PHOTOMETRIC_MINISBLACK, .SamplesPerPixel = 1,
                                 .Compression = COMPRESSION_JPEG, .RowsPerStrip = 8}},
        TOracleCase{"Fax3OddWidth", {.Width = 203, .Height = 11, .Photometric = PHOTOMETRIC_MINISWHITE, .BitsPerSample = 1,
                                     .SamplesPerPixel = 1, .Compression = COMPRESSION_CCITTFAX3, .RowsPerStrip = 4}},
        TOracleCase{"Fax3FillBitsReversed",
                    {.Width = 1729, .Height = 6, .Photometric = PHOTOMETRIC_MINISWHITE, .BitsPerSample = 1,
                     .SamplesPerPixel = 1, .Compression = COMPRESSION_CCITTFAX3, .FillOrder = FILLORDER_LSB2MSB,
                     .Group3Options = GROUP3OPT_FILLBITS}},
        TOracleCase{"FaxMH", {.Width = 33, .Height = 9, .Photometric = PHOTOMETRIC_MINISWHITE, .BitsPerSample = 1,
                              .SamplesPerPixel = 1, .Compression = COMPRESSION_CCITTRLE, .RowsPerStrip = 4}}),
    [](const testing::TestParamInfo<TOracleCase>& info) { return std::string(info.param.Name); });

// A 2 x 2 grey picture, one strip of four bytes at offset 8.
std::vector<TTag> GreyTags() {
  return {{256, 3, {2}}, {257, 3, {2}}, {258, 3, {8}}, {259, 3, {1}}, {262, 3, {1}},
          {273, 4, {8}}, {277, 3, {1}}, {278, 3, {2}}, {279, 4, {4}}};
}

void Set(std::vector<TTag>& tags, TTag tag) {
  std::erase_if(tags, [&](const TTag& t) { return t.Tag == tag.Tag; });
  if (tag.Type != 0) tags.push_back(std::move(tag));
}

struct TEdgeCase {
  const char* Name;
  std::vector<TTag> Changes;  // a type of 0 removes the tag
  TBytes Pixels;              // or
  std::string Error{};
  TBytes Data{10, 20, 30, 40};
};

class EdgeFiles : public testing::TestWithParam<TEdgeCase> {};

TEST_P(EdgeFiles, LoadOrFailAsExpected) {
  std::vector<TTag> tags = GreyTags();
  for (const TTag& change : GetParam().Changes) Set(tags, change);
  const TBytes file = test::HandMadeTiff(tags, GetParam().Data);
  TTIFFGraphic graphic;
  TMemoryStream stream(file.data(), file.size());
  try {
    graphic.LoadFromStream(stream);
    EXPECT_EQ(GetParam().Error, "");
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(GetParam().Error, e.what());
    return;
  }
  TBytes pixels;
  for (int y = 0; y < graphic.Height(); ++y) pixels.insert(pixels.end(), graphic.ScanLine(y), graphic.ScanLine(y) + 2);
  EXPECT_EQ(pixels, GetParam().Pixels);
}

const TBytes Plain{10, 20, 30, 40};

INSTANTIATE_TEST_SUITE_P(
    Cases, EdgeFiles,
    testing::Values(
        // The directory is sorted after reading; no compression and no rows per strip mean none and one strip.
        TEdgeCase{"UnsortedWithoutCompressionOrRowsPerStrip", {{259, 0, {}}, {278, 0, {}}, {256, 3, {2}}}, Plain},
        TEdgeCase{"UnknownTypeCountsAsAbsent", {{259, 99, {5}}}, Plain},
        TEdgeCase{"RowsPerStripShorterThanTheStrips", {{273, 4, {8, 10}}, {278, 3, {1}}, {279, 4, {2, 2}}}, Plain},
        TEdgeCase{"GreyWithAlpha", {{277, 3, {2}}, {258, 3, {8, 8}}, {338, 3, {2}}, {279, 4, {8}}}, Plain, "",
                  {10, 255, 20, 255, 30, 255, 40, 255}},
        TEdgeCase{"StripBeyondTheFile", {{273, 4, {0xFFFF0000}}}, {0, 0, 0, 0}},
        TEdgeCase{"Tiled", {{322, 3, {16}}, {323, 3, {16}}}, {}},
        TEdgeCase{"Lzw", {{259, 3, {5}}}, {}, Unsupported},
        TEdgeCase{"TwoDimensionalFax", {{258, 3, {1}}, {259, 3, {3}}, {292, 4, {1}}}, {}, Unsupported},
        TEdgeCase{"NoWidth", {{256, 0, {}}}, {}, Invalid},
        TEdgeCase{"ValuesBeyondTheFile", {{273, 4, {8}, 0x40000001}}, {}, Invalid},
        TEdgeCase{"SeparatePlanes", {{262, 3, {2}}, {277, 3, {3}}, {258, 3, {8, 8, 8}}, {284, 3, {2}}}, {}, Invalid},
        TEdgeCase{"SubsampledYCbCr", {{262, 3, {6}}, {277, 3, {3}}, {258, 3, {8, 8, 8}}, {530, 3, {2, 1}}}, {}, Invalid},
        TEdgeCase{"ReversedBitOrder", {{266, 3, {2}}}, {}, Invalid},
        TEdgeCase{"PredictorOnFourBits", {{258, 3, {4}}, {259, 3, {32773}}, {317, 3, {2}}}, {}, Invalid},
        TEdgeCase{"CompressedWithoutByteCounts", {{259, 3, {32773}}, {279, 0, {}}}, {}, Invalid}),
    [](const testing::TestParamInfo<TEdgeCase>& info) { return std::string(info.param.Name); });

TEST(TIFFGraphic, ColorMapAndResolution) {
  std::vector<std::uint32_t> map(900);
  for (std::uint32_t i = 0; i < map.size(); ++i) map[i] = i * 7 % 256 * 257;
  const TBytes file = test::HandMadeTiff({{256, 3, {1}}, {257, 3, {1}}, {258, 3, {8}}, {262, 3, {3}}, {273, 4, {8}},
                                          {277, 3, {1}}, {279, 4, {2}}, {282, 5, {118, 1}}, {283, 5, {59, 1}},
                                          {296, 3, {3}}, {320, 3, map}},
                                         {5, 0});
  TTIFFGraphic graphic;
  Load(graphic, file);
  ASSERT_EQ(graphic.Palette().size(), 256u);
  for (const std::uint32_t i : {0u, 5u, 255u}) {
    const TPaletteEntry expected{std::uint8_t(i * 7), std::uint8_t((256 + i) * 7), std::uint8_t((512 + i) * 7), 0};
    EXPECT_EQ(graphic.Palette()[i], expected);
  }
  EXPECT_NEAR(graphic.ImageProperties.XResolution, 299.72, 0.01);
  EXPECT_NEAR(graphic.ImageProperties.YResolution, 149.86, 0.01);
}

TEST(TIFFGraphic, AJpegStripCutShortWarnsOnceAndBogusTablesAreRefused) {
  const TBytes jpeg = test::QuadrantJpeg(16, 8);
  const auto file = [&](std::size_t length, std::vector<std::uint32_t> tables) {
    return test::HandMadeTiff({{256, 3, {16}}, {257, 3, {8}}, {258, 3, {8, 8, 8}}, {259, 3, {7}}, {262, 3, {6}},
                               {273, 4, {8}}, {277, 3, {3}}, {279, 4, {std::uint32_t(length)}}, {347, 1, tables},
                               {530, 3, {1, 1}}},
                              jpeg);
  };
  std::vector<std::string> warnings;
  const TDecoderWarningHandler previous = SetDecoderWarningHandler(
      [&](const std::string& title, const std::string& text) { warnings.push_back(title + ": " + text); });
  TTIFFGraphic graphic;
  Load(graphic, file(jpeg.size() - 10, {}));
  EXPECT_EQ(warnings, std::vector<std::string>{"Warning: JPEG decompression error. Unexpected end of input."});
  try {
    Load(graphic, file(jpeg.size(), {jpeg.begin(), jpeg.end()}));
    ADD_FAILURE();
  } catch (const EGraphicCompression& e) {
    EXPECT_STREQ(e.what(), "Bogus JPEG tables field.");
  }
  SetDecoderWarningHandler(previous);
}

TEST(TIFFGraphic, CanLoadAnswersForTheBytesAtThePositionAndPutsItBack) {
  TBytes bytes{1, 2, 3};
  const TBytes tiff = test::HandMadeTiff(GreyTags(), Plain);
  bytes.insert(bytes.end(), tiff.begin(), tiff.end());
  TMemoryStream stream(bytes.data(), bytes.size());
  EXPECT_FALSE(TTIFFGraphic::CanLoad(stream));
  stream.SetPosition(3);
  EXPECT_TRUE(TTIFFGraphic::CanLoad(stream));
  EXPECT_EQ(stream.Position(), 3);
  TTIFFGraphic graphic;
  graphic.LoadFromStream(stream);
  EXPECT_EQ(graphic.ScanLine(1)[1], 40);
}

// A binary EPS header, `gap` bytes of PostScript and the TIFF preview.
TBytes EpsFile(std::uint32_t gap, std::uint32_t previewLength, std::uint8_t magic = 0xC5) {
  const TBytes tiff = test::HandMadeTiff(GreyTags(), Plain);
  TBytes file(30 + gap, ' ');
  const std::uint32_t fields[] = {0xC6D3D000u | magic, 30, gap, 0, 0, 30 + gap, previewLength};
  for (std::size_t i = 0; i < std::size(fields); ++i)
    for (int b = 0; b < 4; ++b) file[4 * i + std::size_t(b)] = std::uint8_t(fields[i] >> 8 * b);
  file.insert(file.end(), tiff.begin(), tiff.end());
  return file;
}

TEST(EPSGraphic, ShowsItsTIFFPreview) {
  for (const std::uint32_t gap : {0u, 11u}) {
    const TBytes file = EpsFile(gap, 100);
    TMemoryStream stream(file.data(), file.size());
    EXPECT_EQ(TEPSGraphic::CanLoad(stream), gap > 0);  // the preview must lie behind the header
    EXPECT_EQ(stream.Position(), 0);
    TEPSGraphic graphic;
    graphic.LoadFromStream(stream);
    EXPECT_EQ(graphic.ScanLine(1)[0], 30);
  }
  const TBytes noPreview = EpsFile(11, 0);
  TMemoryStream noPreviewStream(noPreview.data(), noPreview.size());
  EXPECT_FALSE(TEPSGraphic::CanLoad(noPreviewStream));
  const TBytes wrong = EpsFile(11, 100, 0xC4);
  TMemoryStream wrongStream(wrong.data(), wrong.size());
  TEPSGraphic graphic;
  EXPECT_THROW(
      try { graphic.LoadFromStream(wrongStream); } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected EPS image format.");
        throw;
      },
      EInvalidGraphic);
}

// Every prefix and many random corruptions of files of each decoder load or fail with the
// project's own errors, never anything else, under the sanitizers.
TEST(TIFFGraphic, TruncatedAndCorruptFilesFailCleanly) {
  const auto library = [](TTiffSpec spec) { return test::LibraryTiff(spec, test::SampleRows(spec)); };
  const TBytes files[] = {
      library({.Width = 9, .Height = 7, .Compression = COMPRESSION_ADOBE_DEFLATE, .Predictor = 2, .RowsPerStrip = 3}),
      library({.Width = 9, .Height = 7, .Photometric = PHOTOMETRIC_PALETTE, .SamplesPerPixel = 1,
               .Compression = COMPRESSION_PACKBITS, .BigEndian = true, .ColorMap = ColorMap(8)}),
      library({.Width = 19, .Height = 17, .Photometric = PHOTOMETRIC_YCBCR, .Compression = COMPRESSION_JPEG,
               .RowsPerStrip = 16}),
      library({.Width = 67, .Height = 7, .Photometric = PHOTOMETRIC_MINISWHITE, .BitsPerSample = 1, .SamplesPerPixel = 1,
               .Compression = COMPRESSION_CCITTFAX3, .RowsPerStrip = 3}),
      library({.Width = 67, .Height = 7, .Photometric = PHOTOMETRIC_MINISWHITE, .BitsPerSample = 1, .SamplesPerPixel = 1,
               .Compression = COMPRESSION_CCITTRLEW, .RowsPerStrip = 3}),
      ThunderFile()};
  std::mt19937 random(11);
  const auto tryLoad = [](const TBytes& file) {
    try {
      TTIFFGraphic graphic;
      Load(graphic, file);
    } catch (const ELumox&) {
    }
  };
  for (const TBytes& file : files) {
    for (std::size_t length = 0; length < file.size(); ++length) tryLoad(TBytes(file.begin(), file.begin() + std::ptrdiff_t(length)));
    for (int i = 0; i < 300; ++i) {
      TBytes damaged = file;
      for (unsigned n = random() % 4 + 1; n > 0; --n) damaged[random() % damaged.size()] = std::uint8_t(random());
      tryLoad(damaged);
    }
  }
}

}  // namespace
}  // namespace lumox
