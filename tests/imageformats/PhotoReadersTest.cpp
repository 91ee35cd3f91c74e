// Photoshop and Paint Shop Pro files the readers refuse or show in the modes the reference tools
// do not write; the Photo-CD reader and its corrections against files put together from their
// layouts. With LUMOX_SEED_FOLDER=fuzz/corpus/photo_readers the Photo-CD tests write their files
// there as the fuzzing seeds. (The readers are checked against ImageMagick's and the layouts'
// files with the other readers.)
#include <gtest/gtest.h>

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
  const std::string invalid = "Cannot load image. Invalid or unexpected PSD or PDD image format.";
  TBytes narrow = TinyPsd("8BPS", 1, 8, 1, {0, 0});  // no columns, packed rows of no bytes
  narrow[21] = 0, narrow[39] = 1;
  EXPECT_EQ(LoadError<TPSDGraphic>(narrow), invalid);
  TMemoryStream lower(TinyPsd("8bps", 1, 8, 1, {1, 2}));
  EXPECT_TRUE(TPSDGraphic::CanLoad(lower));
  EXPECT_EQ(LoadError<TPSDGraphic>(lower.Bytes()), invalid);
  // RGB of two channels, CMYK of three, an unknown mode, 32-bit grey, 16-bit indexed.
  const std::uint8_t layouts[][3] = {{2, 8, 3}, {3, 8, 4}, {1, 8, 5}, {1, 32, 1}, {1, 16, 2}};
  for (const auto& l : layouts)
    EXPECT_EQ(LoadError<TPSDGraphic>(TinyPsd("8BPS", l[0], l[1], l[2], TBytes(32))),
              "Invalid color format in PSD or PDD file.");
}

TEST(PsdFile, ReportsItsStagesInOrderLoadingOnlyPicturesOfSeveralPlanes) {
  const std::vector<std::string> planeAtATime{"Preparing...", "end", "Transfering...", "row", "end"};
  std::vector<std::string> severalPlanes = planeAtATime;
  severalPlanes.insert(severalPlanes.begin() + 2, {"Loading data...", "end"});
  const struct {
    TBytes File;
    std::vector<std::string> Stages;
  } cases[] = {
      {TinyPsd("8BPS", 1, 8, 1, {1, 2}), planeAtATime},               // grey
      {TinyPsd("8BPS", 3, 8, 3, {1, 2, 3, 4, 5, 6}), severalPlanes},  // RGB
      {TinyPsd("8BPS", 4, 8, 4, TBytes(8)), severalPlanes},           // CMYK
  };
  for (const auto& c : cases) {
    TMemoryStream stream(c.File);
    TPSDGraphic psd;
    std::vector<std::string> stages;
    psd.OnProgress = [&](TGraphic&, TProgressStage stage, std::uint8_t, bool, const TRect&,
                         const std::string& text) {
      stages.push_back(stage == TProgressStage::Starting  ? text
                       : stage == TProgressStage::Running ? "row"
                                                          : "end");
    };
    psd.LoadFromStream(stream);
    EXPECT_EQ(stages, c.Stages) << &c - cases;
  }
}

TEST(PsdFile, RefusesVersionsOtherThanOne) {
  for (const std::uint8_t version : {0, 2, 3}) {  // 2: a large document, whose sections differ
    TBytes file = TinyPsd("8BPS", 1, 8, 1, {1, 2});
    file[5] = version;
    EXPECT_EQ(LoadError<TPSDGraphic>(file),
              "Cannot load image. Invalid or unexpected PSD or PDD image format.");
  }
}

TEST(PspFile, RefusesOtherVersionsAndDepthsAndKeepsItsResolution) {
  EXPECT_FLOAT_EQ(Load<TPSPGraphic>(PspFile({})).ImageProperties.XResolution, 254);  // 100 per centimetre
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
