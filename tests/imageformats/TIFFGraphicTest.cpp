// Hand-made TIFF files of the edge cases; the EPS preview; the fax rows libtiff does not write.
// (Files of every compression and layout are read against libtiff with the other readers' files.)
#include <gtest/gtest.h>

#include "imageformats/CCITTDecoder.h"
#include "imageformats/TIFFGraphic.h"
#include "tests/framework/PictureFiles.h"
#include "tests/imageformats/DecoderTestSupport.h"
#include "tests/imageformats/FormatFiles.h"

namespace lumox {
namespace {

using namespace test;

const std::string Invalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
const std::string Unsupported =
    "Cannot load image. The compression scheme is not supported for TIF/TIFF files.";

struct TEdgeCase {
  const char* Name;
  std::vector<TTag> Changes;  // a type of 0 removes the tag
  TColours Pixels;
  std::string Error{};
  TBytes Data{10, 20, 30, 40};
};

class EdgeFiles : public testing::TestWithParam<TEdgeCase> {};

// A 2 x 2 grey picture, one strip of four bytes at offset 8, with the case's changes.
TEST_P(EdgeFiles, LoadOrFailAsExpected) {
  std::vector<TTag> tags{{256, 3, {2}}, {257, 3, {2}}, {258, 3, {8}}, {259, 3, {1}}, {262, 3, {1}},
                         {273, 4, {8}}, {277, 3, {1}}, {278, 3, {2}}, {279, 4, {4}}};
  for (const TTag& change : GetParam().Changes) {
    std::erase_if(tags, [&](const TTag& t) { return t.Tag == change.Tag; });
    if (change.Type != 0) tags.push_back(change);
  }
  const TBytes file = HandMadeTiff(tags, GetParam().Data);
  EXPECT_EQ(LoadError<TTIFFGraphic>(file), GetParam().Error);
  if (GetParam().Error.empty()) {
    EXPECT_EQ(Colours(Load<TTIFFGraphic>(file), 0xFF), GetParam().Pixels);
  }
}

const TColours Plain{10, 20, 30, 40};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, EdgeFiles, testing::Values(
    // Sorted after reading; no compression tag means none, no rows per strip one strip.
    TEdgeCase{"UnsortedWithoutCompressionOrRowsPerStrip", {{259, 0, {}}, {278, 0, {}}, {256, 3, {2}}}, Plain},
    TEdgeCase{"UnknownTypeCountsAsAbsent", {{259, 99, {5}}}, Plain},
    TEdgeCase{"RowsPerStripShorterThanTheStrips", {{273, 4, {8, 10}}, {278, 3, {1}}, {279, 4, {2, 2}}}, Plain},
    TEdgeCase{"GreyWithAlpha", {{277, 3, {2}}, {258, 3, {8, 8}}, {338, 3, {2}}, {279, 4, {8}}}, Plain, "",
              {10, 255, 20, 255, 30, 255, 40, 255}},
    TEdgeCase{"StripBeyondTheFile", {{273, 4, {0xFFFF0000}}}, {0, 0, 0, 0}},
    TEdgeCase{"TiledLoadsEmpty", {{322, 3, {16}}, {323, 3, {16}}}, {}},
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
// clang-format on

TEST(TIFFGraphic, ColorMapOfMoreThan768ValuesAndResolutionPerCentimetre) {
  std::vector<std::uint32_t> map(900);
  for (std::uint32_t i = 0; i < map.size(); ++i) map[i] = (i * 7 + i / 256 * 50) % 256 * 257;
  // clang-format off
  const auto graphic = Load<TTIFFGraphic>(HandMadeTiff({{256, 3, {1}}, {257, 3, {1}}, {258, 3, {8}}, {262, 3, {3}},
      {273, 4, {8}}, {277, 3, {1}}, {279, 4, {2}}, {282, 5, {118, 1}}, {296, 3, {3}}, {320, 3, map}}, {5, 0}));
  // clang-format on
  for (const unsigned i : {0u, 5u, 255u})
    EXPECT_EQ(graphic.Palette().at(i),
              (TPaletteEntry{std::uint8_t(i * 7), std::uint8_t(i * 7 + 50), std::uint8_t(i * 7 + 100)}));
  EXPECT_NEAR(graphic.ImageProperties.XResolution, 299.72, 0.01);
}

TEST(TIFFGraphic, AJpegStripCutShortWarnsOnceAndBogusTablesAreRefused) {
  const TBytes jpeg = QuadrantJpeg(16, 8);
  const auto file = [&](std::size_t length, std::vector<std::uint32_t> tables) {
    // clang-format off
    return HandMadeTiff({{256, 3, {16}}, {257, 3, {8}}, {258, 3, {8, 8, 8}}, {259, 3, {7}}, {262, 3, {6}}, {273, 4, {8}},
                         {277, 3, {3}}, {279, 4, {std::uint32_t(length)}}, {347, 1, tables}, {530, 3, {1, 1}}}, jpeg);
    // clang-format on
  };
  std::vector<std::string> warnings;
  const TDecoderWarningHandler previous = SetDecoderWarningHandler(
      [&](const std::string& title, const std::string& text) { warnings.push_back(title + ": " + text); });
  Load<TTIFFGraphic>(file(jpeg.size() - 10, {}));
  SetDecoderWarningHandler(previous);
  EXPECT_EQ(warnings,
            std::vector<std::string>{"Warning: JPEG decompression error. Unexpected end of input."});
  EXPECT_THROW(Load<TTIFFGraphic>(file(jpeg.size(), {jpeg.begin(), jpeg.end()})), EGraphicCompression);
}

// CanLoad answers for the bytes at the stream's position and puts the position back.
TEST(EPSGraphic, ShowsItsTIFFPreview) {
  const TBytes tiff = LibraryTiff({.Photometric = MinIsBlack, .SamplesPerPixel = 1});
  for (const std::uint32_t gap : {0u, 11u}) {
    const TBytes file = EpsFile(tiff, gap, gap);
    TMemoryStream stream(file.data(), file.size());
    EXPECT_EQ(TEPSGraphic::CanLoad(stream), gap > 0);  // a preview behind the header, of a length above 0
    stream.SetPosition(30 + gap);
    EXPECT_TRUE(TTIFFGraphic::CanLoad(stream));
    EXPECT_EQ(Colours(Load<TEPSGraphic>(file)), Colours(Load<TTIFFGraphic>(tiff)));
  }
  EXPECT_EQ(LoadError<TEPSGraphic>(EpsFile(tiff, 11, 100, 0xC4)),
            "Cannot load image. Invalid or unexpected EPS image format.");
}

// What the reference library's files do not show: the last row ending with the data, runs past
// the row end, broken codes. Each row starts with an end of line (000000000001).
TEST(FaxDecoder, KeepsTheLastRowCutsLongRunsAndResumesAfterBrokenCodes) {
  const auto decode = [](std::uint32_t width, const TBytes& packed, std::int64_t outputSize) {
    TCCITTFax3Decoder decoder(0, false, false, width);
    return DecodeExact(decoder, packed, outputSize).Output;
  };
  // white 3 (1000), black 5 (0011); white 0 (00110101), black 4 (011), white 4 (1011)
  EXPECT_EQ(decode(8, {0x00, 0x18, 0x30, 0x01, 0x35, 0x76}, 2), TBytes({0x1F, 0xF0}));
  // white 0, black 64 (0000001111) + 0 (0000110111) in a row of 4; the next row stays white
  EXPECT_EQ(decode(4, {0x00, 0x13, 0x50, 0x3C, 0x37}, 2), TBytes({0xF0, 0x00}));
  // white 2 (0111), black 3 (10), twelve zeros; the next row, white 0, black 12 (0000111), starts a row on
  EXPECT_EQ(decode(12, {0x00, 0x17, 0x80, 0x00, 0x00, 0x4D, 0x43, 0x80}, 4),
            TBytes({0x38, 0x00, 0xFF, 0xF0}));
}

}  // namespace
}  // namespace lumox
