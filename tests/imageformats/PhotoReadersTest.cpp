#include <gtest/gtest.h>

#include "framework/Exceptions.h"
#include "imageformats/PCDDecoder.h"
#include "imageformats/PCDGraphic.h"
#include "imageformats/PSDGraphic.h"
#include "imageformats/PSPGraphic.h"
#include "tests/imageformats/PhotoFiles.h"

namespace lumox {
namespace {

using namespace test;
using TColours = std::vector<std::uint32_t>;

template <class TReader>
TReader Load(const TBytes& file) {
  TMemoryStream stream(file);
  TReader reader;
  reader.LoadFromStream(stream);
  return reader;
}

template <class TReader>
std::string LoadError(const TBytes& file) {
  try {
    Load<TReader>(file);
  } catch (const ELumox& e) {
    return e.what();
  }
  return {};
}

TColours Colours(const TBitmap& bitmap, std::uint32_t kept) {
  TColours colours(std::size_t(bitmap.Width() * bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y)
    bitmap.ScanLineToBGRA(y, std::span(colours).subspan(std::size_t(y * bitmap.Width()), std::size_t(bitmap.Width())));
  for (auto& c : colours) c &= kept;
  return colours;
}

// Every cut and many corruptions of a file load or raise the project's errors, nothing else.
template <class TReader>
void ExpectCleanFailures(const TBytes& file, std::size_t cutStep, std::uint32_t corruptions = 300) {
  for (std::size_t size = 0; size < file.size(); size += cutStep)
    LoadError<TReader>(TBytes(file.begin(), file.begin() + std::ptrdiff_t(size)));
  for (std::uint32_t seed = 1; seed <= corruptions; ++seed) {
    TBytes damaged = file;
    for (std::uint32_t k = 0; k < 4; ++k) damaged[(seed * 7919u + k * 104729u) % std::min<std::size_t>(file.size(), 4096)] ^= std::uint8_t(seed * 37 + k);
    LoadError<TReader>(damaged);
  }
}

struct TPsdCase {
  const char* Options;
  TPictureKind Kind;
  bool Alpha;
  int Tolerance = 0;
};

class PsdFromMagick : public ::testing::TestWithParam<TPsdCase> {};

TEST_P(PsdFromMagick, ShowsTheSourcePicture) {
  const TPsdCase& c = GetParam();
  const int width = 13, height = 6;
  const TColours picture = Picture(c.Kind, c.Alpha, width, height);
  const TBytes file = MagickPsd(picture, width, height, c.Alpha, c.Options);
  const TPSDGraphic psd = Load<TPSDGraphic>(file);
  // Grey pictures with alpha show their grey only.
  const std::uint32_t kept = c.Alpha && c.Kind != TPictureKind::Grey ? 0xFFFFFFFF : 0xFFFFFF;
  const TColours colours = Colours(psd, kept);
  ASSERT_EQ(colours.size(), picture.size());
  for (std::size_t i = 0; i < picture.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      EXPECT_NEAR(int(colours[i] >> shift & 0xFF), int((picture[i] & kept) >> shift & 0xFF), c.Tolerance)
          << "pixel " << i;
    }
  }
  if (c.Tolerance == 0) ExpectCleanFailures<TPSDGraphic>(file, 7);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PsdFromMagick,
    ::testing::Values(TPsdCase{"-colorspace gray -compress none", TPictureKind::Grey, false},
                      TPsdCase{"-colorspace gray -depth 16 -compress RLE", TPictureKind::Grey, false},
                      TPsdCase{"-colorspace gray -compress RLE", TPictureKind::Grey, true},
                      TPsdCase{"-type Palette -compress none", TPictureKind::FewColours, false},
                      TPsdCase{"-type Palette -compress RLE", TPictureKind::FewColours, false},
                      TPsdCase{"-compress none", TPictureKind::Colour, false},
                      TPsdCase{"-depth 16 -compress RLE", TPictureKind::Colour, false},
                      TPsdCase{"-compress RLE", TPictureKind::Colour, true},
                      TPsdCase{"-depth 16 -compress none", TPictureKind::Colour, true},
                      TPsdCase{"-colorspace CMYK -compress RLE", TPictureKind::Colour, false, 2},
                      TPsdCase{"-colorspace CMYK -depth 16", TPictureKind::Colour, false, 2}));

// A raw file: `channels` of `depth` bits, colour mode `mode`, `data` behind an empty colour table.
TBytes TinyPsd(const char* signature, std::uint16_t channels, std::uint16_t depth, std::uint16_t mode,
               const TBytes& data) {
  TBytes f(signature, signature + 4);
  f.insert(f.end(), {0, 1, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(channels), 0, 0, 0, 1, 0, 0, 0, 2, 0,
                     std::uint8_t(depth), 0, std::uint8_t(mode)});
  f.resize(f.size() + 14);
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

TEST(PsdFile, ModesTheConverterShowsAndLayoutsItRefuses) {
  // Bitmap mode: set bits are black; Lab: L*, a*, b* of white and black.
  EXPECT_EQ(Colours(Load<TPSDGraphic>(TinyPsd("8BPS", 1, 1, 0, {0x40})), 0xFFFFFF), (TColours{0xFFFFFF, 0}));
  EXPECT_EQ(Colours(Load<TPSDGraphic>(TinyPsd("8BPS", 4, 8, 9, {255, 0, 128, 128, 128, 128, 9, 9})), 0xFFFFFF),
            (TColours{0xFFFFFF, 0}));
  const std::string invalid = "Cannot load image. Invalid or unexpected PSD or PDD image format.";
  const std::string colour = "Invalid color format in PSD or PDD file.";
  const TBytes lower = TinyPsd("8bps", 1, 8, 1, {1, 2});
  TMemoryStream stream(lower);
  EXPECT_TRUE(TPSDGraphic::CanLoad(stream));
  EXPECT_EQ(LoadError<TPSDGraphic>(lower), invalid);
  // RGB of two channels, CMYK of three, an unknown mode, 32-bit grey, 16-bit indexed.
  const std::uint16_t layouts[][3] = {{2, 8, 3}, {3, 8, 4}, {1, 8, 5}, {1, 32, 1}, {1, 16, 2}};
  for (const auto& l : layouts) EXPECT_EQ(LoadError<TPSDGraphic>(TinyPsd("8BPS", l[0], l[1], l[2], TBytes(32))), colour);
}

struct TPspCase {
  const char* Name;
  TPspSpec Spec;
};

class PspFile : public ::testing::TestWithParam<TPspCase> {};

// Pixels from the channel bytes: the composite for indexed and grey pictures, else red,
// green, blue and the composite as alpha.
TColours ExpectedPsp(const TPspSpec& s) {
  const std::size_t rowBytes = s.Depth == 1 ? (s.Width + 7) / 8 : s.Depth == 4 ? s.Width / 2 + 1 : s.Width;
  const bool alpha = s.ChannelTypes.size() > 3;
  TColours colours;
  for (std::size_t y = 0; y < s.Height; ++y) {
    for (std::size_t x = 0; x < s.Width; ++x) {
      const auto byte = [&](std::uint16_t type) { return std::uint32_t(PspChannelByte(y * rowBytes + x * std::min<std::uint16_t>(s.Depth, 8) / 8, type)); };
      if (s.Depth == 24) {
        colours.push_back((alpha ? byte(0) << 24 : 0xFF000000u) | byte(1) << 16 | byte(2) << 8 | byte(3));
        continue;
      }
      const std::uint32_t index = s.Depth == 8 ? byte(0) : byte(0) >> (8 - s.Depth - x * s.Depth % 8) & ((1u << s.Depth) - 1);
      colours.push_back(0xFF000000u | (s.Grey ? index * 0x010101u : index < s.Palette.size() ? s.Palette[index] : 0));
    }
  }
  return colours;
}

TEST_P(PspFile, ShowsItsFirstRasterLayer) {
  const TPspSpec& spec = GetParam().Spec;
  const TBytes file = test::PspFile(spec);
  const TPSPGraphic psp = Load<TPSPGraphic>(file);
  EXPECT_EQ(Colours(psp, 0xFFFFFFFF), ExpectedPsp(spec));
  EXPECT_FLOAT_EQ(psp.ImageProperties.XResolution, 254);
  ExpectCleanFailures<TPSPGraphic>(file, 5);
}

const std::vector<std::uint32_t> Ramp = [] {
  std::vector<std::uint32_t> p(256);
  for (std::uint32_t i = 0; i < 256; ++i) p[i] = i << 16 | (255 - i) << 8 | (i * 7 & 0xFF);
  return p;
}();

INSTANTIATE_TEST_SUITE_P(
    Layouts, PspFile,
    ::testing::Values(TPspCase{"RgbRaw", {}}, TPspCase{"RgbRunLength", {.Compression = 1}},
                      TPspCase{"RgbAlphaDeflate", {.Compression = 2, .ChannelTypes = {3, 1, 2, 0}}},
                      TPspCase{"GreyDeflate", {.Depth = 8, .Compression = 2, .Grey = true, .ChannelTypes = {0}}},
                      TPspCase{"Indexed8AfterVectorLayer",
                               {.Depth = 8, .Compression = 1, .LayerTypes = {2, 0}, .ChannelTypes = {0}, .Palette = Ramp}},
                      TPspCase{"Version3Indexed4", {.Version = 3, .Depth = 4, .LayerTypes = {1, 0}, .ChannelTypes = {0}, .Palette = Ramp}},
                      TPspCase{"Indexed1", {.Depth = 1, .ChannelTypes = {0}, .Palette = {0xFF, 0xFF00}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PspFile, RefusesOtherVersionsAndDepths) {
  TBytes old = test::PspFile({});
  old[32] = 2;
  EXPECT_EQ(LoadError<TPSPGraphic>(old), "Cannot load image. Invalid or unexpected PSP image format.");
  EXPECT_EQ(LoadError<TPSPGraphic>(test::PspFile({.Depth = 16})), "Invalid color format in PSP file.");
}

TBytes Noise(std::size_t size) {
  TBytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = std::uint8_t(i * i * 31 / 7 + i / 768);
  return bytes;
}

TEST(PcdFile, ShowsTheBaseImageTurnedAsThePackSays) {
  const TBytes luma = Noise(768 * 512);
  for (std::uint8_t rotation = 0; rotation < 4; ++rotation) {
    const TPCDGraphic pcd = Load<TPCDGraphic>(PcdFile(luma, 156, 137, rotation));
    const bool turned = rotation % 2 == 1;
    ASSERT_EQ(pcd.Width(), turned ? 512 : 768);
    const TColours colours = Colours(pcd, 0xFFFFFF);
    for (std::size_t y = 0; y < 512; y += 3) {
      for (std::size_t x = 0; x < 768; x += 5) {
        const std::size_t at = rotation == 1 ? (767 - x) * 512 + y : rotation == 3 ? x * 512 + 511 - y : y * 768 + x;
        ASSERT_EQ(colours[at], luma[y * 768 + x] * 0x010101u) << int(rotation) << " " << x << " " << y;
      }
    }
  }
  // Chroma 1 carries blue, chroma 2 red.
  EXPECT_EQ(Colours(Load<TPCDGraphic>(PcdFile(TBytes(768 * 512, 100), 156, 187, 0)), 0xFFFFFF)[4321], 0xB34D64u);
  EXPECT_EQ(Colours(Load<TPCDGraphic>(PcdFile(TBytes(768 * 512, 100), 186, 137, 0)), 0xFFFFFF)[4321], 0x645E9Cu);
}

TEST(PcdFile, PropertiesAndRefusals) {
  TMemoryStream stream(PcdFile(TBytes(768 * 512), 0, 0, 0));
  TPCDGraphic pcd;
  ASSERT_TRUE(pcd.ReadImageProperties(stream, 4));
  EXPECT_EQ(pcd.ImageProperties.Width, 3072u);
  EXPECT_EQ(pcd.ImageProperties.Compression, TCompressionType::ctPCDHuffmann);
  EXPECT_EQ(pcd.ImageProperties.ImageCount, 1);
  const std::string invalid = "Cannot load image. Invalid or unexpected PCD image format.";
  EXPECT_EQ(LoadError<TPCDGraphic>(PcdFile(TBytes(768 * 512), 0, 0, 0, true)), invalid);
  EXPECT_EQ(LoadError<TPCDGraphic>(TBytes(8000)), invalid);
  ExpectCleanFailures<TPCDGraphic>(PcdFile(TBytes(768 * 512), 0, 0, 0), 20011, 20);
}

TEST(PcdDecoder, AddsTheCorrectionsOfEachRowUpToTheStopRow) {
  // Entry 3 has a bit behind its length, so it never matches and "1110" begins no code.
  const std::vector<TPcdCode> table{{1, 0, 5}, {2, 0x8000, -3}, {3, 0xC000, 100}, {4, 0xE100, 1}};
  // Row 1 is corrected; a chroma row (one table) and row 9 (beyond the plane) are passed over;
  // row 2 ends at the pattern; row 3 stops decoding, so row 0 is never reached.
  const TBytes stream = PcdHuffmanStream(
      {table}, {{1, 0, {0, 2, 1, 0}}, {0, 2, {0}}, {9, 0, {0}}, {2, 0, {1, 3, 0}}, {3, 0, {}}, {0, 0, {0}}}, 3);
  TBytes luma(4 * 4, 250), chroma1(16), chroma2(16);
  luma[8] = 1;
  TPCDPlanes planes{luma, chroma1, chroma2};
  TMemoryStream input(stream);
  TPCDDecoder decoder(input);
  const std::uint8_t* in = reinterpret_cast<const std::uint8_t*>(&planes);
  std::uint8_t* out = nullptr;
  decoder.Decode(in, out, 4, 3);
  EXPECT_EQ(luma, (TBytes{250, 250, 250, 250, 255, 255, 247, 255, 0, 250, 250, 250, 250, 250, 250, 250}));
  EXPECT_EQ(chroma1, TBytes(16));
  // A code longer than 16 bits ends decoding; so does the stream's end.
  TMemoryStream badTable(PcdHuffmanStream({{{17, 0, 1}}}, {}, 5));
  EXPECT_NO_THROW(TPCDDecoder(badTable).Decode(in, out, 4, 3));
  TMemoryStream cut(TBytes(stream.begin(), stream.begin() + 24));
  EXPECT_THROW(TPCDDecoder(cut).Decode(in, out, 4, 3), EReadError);
}

}  // namespace
}  // namespace lumox
