// The Photoshop reader against files ImageMagick writes from known pictures; the Paint Shop Pro
// and Photo-CD readers and the Photo-CD corrections against files put together from their
// layouts. With LUMOX_SEED_FOLDER=fuzz/corpus/photo_readers the tests write their files there as
// the fuzzing seeds.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "imageformats/PCDDecoder.h"
#include "imageformats/PCDGraphic.h"
#include "imageformats/PSDGraphic.h"
#include "imageformats/PSPGraphic.h"
#include "tests/imageformats/DecoderTestSupport.h"
#include "tests/imageformats/FormatFiles.h"

namespace lumox {
namespace {

using namespace test;

void SaveSeed(const std::string& kind, const TBytes& file) {
  const std::string name = kind + std::to_string(std::hash<std::string>()({file.begin(), file.end()}) % 997);
  if (const char* folder = std::getenv("LUMOX_SEED_FOLDER"))
    std::ofstream(std::filesystem::path(folder) / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

struct TPsdCase {
  const char* Options;
  int Channels, Colours = 0;  // of the source: grey (and alpha), RGB (and alpha); a few colours
  int Tolerance = 0;          // CMYK goes to ImageMagick's inks and back
};

class PsdFromMagick : public testing::TestWithParam<TPsdCase> {};

TEST_P(PsdFromMagick, ShowsTheSourcePicture) {
  const TPsdCase& c = GetParam();
  const TRaster picture = TestRaster(13, 6, c.Channels, c.Colours);
  const TBytes file = Converted(PortableMap(picture), "convert in " + std::string(c.Options) + " psd:out");
  const std::uint32_t kept = c.Channels == 4 ? 0xFFFFFFFF : 0xFFFFFF;  // a grey picture's alpha is not shown
  const TColours colours = Colours(Load<TPSDGraphic>(file), kept), expected = Colours(picture);
  ASSERT_EQ(colours.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    for (int shift = 0; shift < 32; shift += 8)
      ASSERT_NEAR(colours[i] >> shift & 0xFF, (expected[i] & kept) >> shift & 0xFF, c.Tolerance) << i;
  if (c.Tolerance == 0) ExpectCleanFailures<TPSDGraphic>(file, 7);
  SaveSeed("psd", file);
}

INSTANTIATE_TEST_SUITE_P(Layouts, PsdFromMagick,
                         testing::Values(TPsdCase{"-colorspace gray -compress none", 1},
                                         TPsdCase{"-colorspace gray -depth 16 -compress RLE", 1},
                                         TPsdCase{"-colorspace gray -compress RLE", 2},
                                         TPsdCase{"-type Palette -compress none", 3, 16},
                                         TPsdCase{"-type Palette -compress RLE", 3, 16},
                                         TPsdCase{"-compress none", 3},
                                         TPsdCase{"-depth 16 -compress RLE", 3}, TPsdCase{"-compress RLE", 4},
                                         TPsdCase{"-depth 16 -compress none", 4},
                                         TPsdCase{"-colorspace CMYK -compress RLE", 3, 0, 2},
                                         TPsdCase{"-colorspace CMYK -depth 16", 3, 0, 2}));

// Two pixels in one row: `channels` of `depth` bits, colour mode `mode`, raw `data`.
TBytes TinyPsd(const char* signature, std::uint8_t channels, std::uint8_t depth, std::uint8_t mode,
               const TBytes& data) {
  return TBytes(signature, signature + 4) +
         TBytes{0, 1, 0, 0, 0, 0, 0, 0, 0, channels, 0, 0, 0, 1, 0, 0, 0, 2, 0, depth, 0, mode} + TBytes(14) +
         data;
}

TEST(PsdFile, BitmapAndLabModesAndLayoutsThatCannotBeShown) {
  EXPECT_EQ(Colours(Load<TPSDGraphic>(TinyPsd("8BPS", 1, 1, 0, {0x40})), 0xFFFFFF), (TColours{0xFFFFFF, 0}));
  EXPECT_EQ(
      Colours(Load<TPSDGraphic>(TinyPsd("8BPS", 4, 8, 9, {255, 0, 128, 128, 128, 128, 9, 9})), 0xFFFFFF),
      (TColours{0xFFFFFF, 0}));
  TMemoryStream lower(TinyPsd("8bps", 1, 8, 1, {1, 2}));
  EXPECT_TRUE(TPSDGraphic::CanLoad(lower));
  EXPECT_EQ(LoadError<TPSDGraphic>(lower.Bytes()),
            "Cannot load image. Invalid or unexpected PSD or PDD image format.");
  // RGB of two channels, CMYK of three, an unknown mode, 32-bit grey, 16-bit indexed.
  const std::uint8_t layouts[][3] = {{2, 8, 3}, {3, 8, 4}, {1, 8, 5}, {1, 32, 1}, {1, 16, 2}};
  for (const auto& l : layouts)
    EXPECT_EQ(LoadError<TPSDGraphic>(TinyPsd("8BPS", l[0], l[1], l[2], TBytes(32))),
              "Invalid color format in PSD or PDD file.");
}

// One layer bank of layers of the given types, each with channels of the given types; channel
// type t holds 7·i + 31·t at position i of its rows.
struct TPspSpec {
  std::uint16_t Version = 5, Depth = 24, Compression = 0;
  bool Grey = false;
  std::uint32_t Width = 11, Height = 4;
  std::vector<std::uint8_t> LayerTypes{1};
  std::vector<std::uint16_t> ChannelTypes{1, 2, 3};
  std::vector<std::uint32_t> Palette{};  // 0x00RRGGBB
};
std::uint32_t ChannelByte(std::size_t i, std::uint32_t type) { return (7 * i + 31 * type) & 0xFF; }
std::size_t RowBytes(const TPspSpec& s) { return s.Depth == 4 ? s.Width / 2 + 1 : s.Width; }

TBytes PspFile(const TPspSpec& s) {
  const bool v3 = s.Version == 3;
  const auto chunk = [&](const TBytes& body) { return v3 ? body : Fields({{body.size() + 4, 4}}) + body; };
  const auto block = [&](std::uint16_t id, const TBytes& body) {
    return TBytes{'~', 'B', 'K', 0} + Fields({{id, 2}, {body.size(), v3 ? 4 : 0}, {body.size(), 4}}) + body;
  };
  const std::string signature = "Paint Shop Pro Image File\n\x1a";
  TBytes file = TBytes(signature.begin(), signature.end()) + TBytes(5) + Fields({{s.Version, 2}, {0, 2}});
  const TBytes size = Fields({{s.Width, 4}, {s.Height, 4}, {std::bit_cast<std::uint64_t>(100.0), 8}, {2, 1}});
  file =
      file + block(0, chunk(size + Fields({{s.Compression, 2}, {s.Depth, 2}, {0, 6}, {s.Grey, 1}, {0, 14}})));
  TBytes entries;  // blue, green, red, 0
  for (const std::uint32_t c : s.Palette) entries = entries + Fields({{c, 4}});
  if (!s.Palette.empty()) file = file + block(2, chunk(Fields({{s.Palette.size(), 4}})) + entries);
  TBytes bank;
  for (const std::uint8_t type : s.LayerTypes) {
    TBytes info(115, 0);
    info[0] = type;
    TBytes layer = chunk((v3 ? TBytes(256) : TBytes{1, 0, 'L'}) + info) +
                   chunk(Fields({{0, 2}, {s.ChannelTypes.size(), 2}}));
    for (const std::uint16_t t : s.ChannelTypes) {
      TBytes data(RowBytes(s) * s.Height), packed;
      for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(ChannelByte(i, t));
      for (std::size_t i = 0; i < data.size(); i += 100)  // run-length literals
        packed = packed + TBytes{std::uint8_t(std::min<std::size_t>(100, data.size() - i))} +
                 TBytes(data.begin() + i, data.begin() + std::min(i + 100, data.size()));
      packed = s.Compression == 0 ? data : s.Compression == 2 ? Deflated(data) : packed;
      layer =
          layer + block(5, chunk(Fields({{packed.size(), 4}, {data.size(), 4}, {0, 2}, {t, 2}})) + packed);
    }
    bank = bank + block(4, layer);
  }
  return file + block(3, bank);
}

class PspFromLayout : public testing::TestWithParam<TPspSpec> {};

TEST_P(PspFromLayout, ShowsItsFirstRasterLayer) {
  const TPspSpec& s = GetParam();
  const TBytes file = PspFile(s);
  const auto psp = Load<TPSPGraphic>(file);
  // From the composite channel for indexed and grey pictures, else from red, green, blue and
  // the composite as alpha.
  TColours expected;
  for (std::size_t i = 0; i < s.Width * s.Height; ++i) {
    const std::size_t x = i % s.Width, at = i / s.Width * RowBytes(s) + (s.Depth == 4 ? x / 2 : x);
    const std::uint32_t index =
        s.Depth == 4 ? ChannelByte(at, 0) >> (x % 2 ? 0 : 4) & 15 : ChannelByte(at, 0);
    const std::uint32_t alpha = s.ChannelTypes.size() > 3 ? index << 24 : 0xFF000000;
    expected.push_back(s.Depth == 24
                           ? alpha | ChannelByte(at, 1) << 16 | ChannelByte(at, 2) << 8 | ChannelByte(at, 3)
                           : 0xFF000000 | (s.Grey ? index * 0x010101u : s.Palette.at(index)));
  }
  EXPECT_EQ(Colours(psp), expected);
  EXPECT_FLOAT_EQ(psp.ImageProperties.XResolution, 254);
  ExpectCleanFailures<TPSPGraphic>(file, 5);
  SaveSeed("psp", file);
}

const std::vector<std::uint32_t> Ramp = [] {
  std::vector<std::uint32_t> p(256);
  for (std::uint32_t i = 0; i < 256; ++i) p[i] = i << 16 | (255 - i) << 8 | (i * 7 & 0xFF);
  return p;
}();

// RGB raw, run-length, deflate with alpha; grey; indexed behind a vector layer; 4 bits, version 3.
INSTANTIATE_TEST_SUITE_P(
    Layouts, PspFromLayout,
    testing::Values(
        TPspSpec{}, TPspSpec{.Compression = 1}, TPspSpec{.Compression = 2, .ChannelTypes = {3, 1, 2, 0}},
        TPspSpec{.Depth = 8, .Compression = 2, .Grey = true, .ChannelTypes = {0}},
        TPspSpec{.Depth = 8, .Compression = 1, .LayerTypes = {2, 0}, .ChannelTypes = {0}, .Palette = Ramp},
        TPspSpec{.Version = 3, .Depth = 4, .LayerTypes = {1, 0}, .ChannelTypes = {0}, .Palette = Ramp}));

TEST(PspFile, RefusesOtherVersionsAndDepths) {
  TBytes old = PspFile({});
  old[32] = 2;
  EXPECT_EQ(LoadError<TPSPGraphic>(old), "Cannot load image. Invalid or unexpected PSP image format.");
  EXPECT_EQ(LoadError<TPSPGraphic>(PspFile({.Depth = 16})), "Invalid color format in PSP file.");
}

// An image pack of a 768 × 512 luma plane and constant chroma planes.
TBytes PcdFile(const TBytes& luma, std::uint8_t chroma1, std::uint8_t chroma2, std::uint8_t rotation,
               bool overview = false) {
  TBytes file(96 * 2048);
  std::memcpy(&file[overview ? 0 : 2048], overview ? "PCD_OPA" : "PCD_IPI", 7);
  file[11] = 1;
  file[3586] = rotation;
  for (auto row = luma.begin(); row < luma.end(); row += 1536)
    file = file + TBytes(row, row + 1536) + TBytes(384, chroma1) + TBytes(384, chroma2);
  return file;
}

TEST(PcdFile, ShowsTheBaseImageTurnedAsThePackSaysAndRefusesOtherFiles) {
  const TBytes luma = NoiseBytes(768 * 512, 7);
  for (std::uint8_t rotation = 0; rotation < 4; ++rotation) {
    const TColours colours = Colours(Load<TPCDGraphic>(PcdFile(luma, 156, 137, rotation)));
    for (std::size_t i = 0; i < luma.size(); i += 97) {
      const std::size_t x = i % 768, y = i / 768;
      const std::size_t at = rotation == 1 ? (767 - x) * 512 + y : rotation == 3 ? x * 512 + 511 - y : i;
      ASSERT_EQ(colours.at(at), 0xFF000000 | luma[i] * 0x010101u) << int(rotation) << " " << i;
    }
  }
  // Chroma 1 carries blue, chroma 2 red.
  EXPECT_EQ(Colours(Load<TPCDGraphic>(PcdFile(TBytes(768 * 512, 100), 156, 187, 0)))[4321], 0xFFB34D64u);
  EXPECT_EQ(Colours(Load<TPCDGraphic>(PcdFile(TBytes(768 * 512, 100), 186, 137, 0)))[4321], 0xFF645E9Cu);
  const TBytes pack = PcdFile(luma, 0, 0, 0);
  TMemoryStream stream(pack);
  TPCDGraphic pcd;
  ASSERT_TRUE(pcd.ReadImageProperties(stream, 4));
  EXPECT_EQ(pcd.ImageProperties.Width, 3072u);
  EXPECT_EQ(pcd.ImageProperties.Compression, TCompressionType::ctPCDHuffmann);
  const std::string invalid = "Cannot load image. Invalid or unexpected PCD image format.";
  EXPECT_EQ(LoadError<TPCDGraphic>(PcdFile(TBytes(768 * 512), 0, 0, 0, true)), invalid);
  EXPECT_EQ(LoadError<TPCDGraphic>(TBytes(8000)), invalid);
  ExpectCleanFailures<TPCDGraphic>(pack, 20011, 20);
  SaveSeed("pcd", TBytes(pack.begin(), pack.begin() + 6144));
}

// '0' and '1' are bits, "xHH" a byte, '|' pads to a whole byte; eight zero bytes end it.
TBytes Bits(const std::string& text) {
  TBytes bytes;
  int used = 8;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == 'x' || text[i] == '|') {
      used = 8;
      if (text[i] == 'x')
        bytes.push_back(std::uint8_t(std::stoi(text.substr(i + 1, 2), nullptr, 16))), i += 2;
    } else if (text[i] == '0' || text[i] == '1') {
      if (used == 8) bytes.push_back(0), used = 0;
      bytes.back() |= std::uint8_t((text[i] - '0') << (7 - used++));
    }
  }
  return bytes + TBytes(8);
}

TEST(PcdDecoder, AddsTheCorrectionsOfEachRowUpToTheStopRow) {
  // One table: "0" +5, "10" -3, "110" +100, and "1110" with a stray bit, which never matches.
  // Row 1 is corrected; a chroma row (no table) and row 9 (beyond the plane) are passed over;
  // row 2 ends at "1110"; row 3 stops decoding before row 0.
  const TBytes stream = Bits(
      "x03 x00x00x00x05 x01x80x00xFD x02xC0x00x64 x03xE1x00x01"
      "|xFFxFFxFE x00x02 0 110 10 0 |xFFxFFxFE x80x00 0 |xFFxFFxFE x00x12 0000"
      "|xFFxFFxFE x00x04 10 1110 0 |xFFxFFxFE x00x06 |xFFxFFxFE x00x00 0");
  SaveSeed("corrections", stream);
  TBytes luma(4 * 4, 250), chroma1(16), chroma2(16);
  luma[8] = 1;
  const TPCDPlanes planes{luma, chroma1, chroma2};
  const auto* in = reinterpret_cast<const std::uint8_t*>(&planes);
  std::uint8_t* out = nullptr;
  TMemoryStream input(stream), badTable(Bits("x00 x10")), cut(TBytes(stream.begin(), stream.begin() + 24));
  TPCDDecoder(input).Decode(in, out, 4, 3);
  EXPECT_EQ(luma, (TBytes{250, 250, 250, 250, 255, 255, 247, 255, 0, 250, 250, 250, 250, 250, 250, 250}));
  EXPECT_EQ(chroma1, TBytes(16));
  // A code longer than 16 bits ends decoding; the stream's end raises.
  EXPECT_NO_THROW(TPCDDecoder(badTable).Decode(in, out, 4, 3));
  EXPECT_THROW(TPCDDecoder(cut).Decode(in, out, 4, 3), EReadError);
}

}  // namespace
}  // namespace lumox
