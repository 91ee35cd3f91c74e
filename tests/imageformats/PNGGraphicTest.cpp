// PNG files of every colour type, depth and filter, interlaced or not, against stb_image; image
// data spread over chunks; the ancillary chunks; every error; cut files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>

#include "framework/Exceptions.h"
#include "imageformats/PNGGraphic.h"
#include "imageformats/ReaderSupport.h"
#include "tests/imageformats/FormatFiles.h"

namespace lumox {
namespace {

using test::TBytes;

struct TChunk {
  std::string Type;
  TBytes Data;
};
using TChunks = std::vector<TChunk>;

// The chunks of a PNG file, and a PNG file of chunks (CRCs computed).
TChunks PngChunks(const TBytes& file) {
  TChunks chunks;
  for (std::size_t at = 8; at + 12 <= file.size(); at += chunks.back().Data.size() + 12) {
    const std::size_t length =
        std::size_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
    chunks.push_back(
        {std::string(&file[at + 4], &file[at + 8]), TBytes(&file[at + 8], &file[at + 8] + length)});
  }
  return chunks;
}

TBytes PngFromChunks(const TChunks& chunks) {
  TBytes file{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  for (const TChunk& chunk : chunks) {
    test::Put(file, file.size(), chunk.Data.size(), 4, true);
    const std::size_t typeAt = file.size();
    file.insert(file.end(), chunk.Type.begin(), chunk.Type.end());
    file.insert(file.end(), chunk.Data.begin(), chunk.Data.end());
    test::Put(file, file.size(), crc32(0, &file[typeAt], uInt(file.size() - typeAt)), 4, true);
  }
  return file;
}

using TChange = std::function<void(TChunks&)>;

const auto Load = test::Load<TPNGGraphic>;
const auto LoadError = test::LoadError<TPNGGraphic>;

TChange With(const TChunk& chunk, const std::string& before) {
  return [=](TChunks& c) {
    c.insert(std::find_if(c.begin(), c.end(), [&](auto& k) { return k.Type == before; }), chunk);
  };
}

// The chunks changed, then the image data (all IDAT chunks joined) cut into chunks of `sizes`;
// data past those are left out.
TBytes Changed(const TBytes& file, const TChange& change, std::vector<std::size_t> sizes = {}) {
  TChunks chunks = PngChunks(file);
  if (change) change(chunks);
  const auto isData = [](const TChunk& c) { return c.Type == "IDAT"; };
  auto data = std::find_if(chunks.begin(), chunks.end(), isData);
  if (!sizes.empty()) {
    for (auto more = data + 1; more != chunks.end() && isData(*more); more = chunks.erase(more))
      data->Data.insert(data->Data.end(), more->Data.begin(), more->Data.end());
  }
  TChunks parts;
  for (std::size_t at = 0, size = 0; !sizes.empty(); at += size, sizes.erase(sizes.begin())) {
    size = std::min(sizes.front(), data->Data.size() - at);
    parts.push_back({"IDAT", TBytes(&data->Data[at], &data->Data[at] + size)});
  }
  if (!parts.empty()) chunks.insert(chunks.erase(data), parts.begin(), parts.end());
  return PngFromChunks(chunks);
}

TEST(PNG, EveryColourTypeDepthFilterAndInterlacingDecodesAsTheReference) {
  // Colour type × 100 + bit depth.
  for (const int kind : {1, 2, 4, 8, 16, 208, 216, 301, 302, 304, 308, 408, 416, 608, 616}) {
    const int colorType = kind / 100, depth = kind % 100;
    for (const int filters : {0x08, 0x10, 0x20, 0x40, 0x80, 0xF8}) {
      for (const int size : {1, 4, 37}) {
        for (const bool interlaced : {false, true}) {
          const TBytes file = test::NoisePng(colorType, depth, size, size / 3 + 1, interlaced, filters);
          const std::uint32_t kept = colorType == 4 ? 0x00FFFFFF : 0xFFFFFFFF;  // grey and alpha becomes grey
          ASSERT_EQ(test::Colours(Load(file), kept), test::ReferenceColours(file, kept))
              << colorType << " " << depth << " " << filters << " " << size << " " << interlaced;
        }
      }
    }
  }
  // Image data in any number of chunks, empty ones among them.
  const TBytes file = test::NoisePng(6, 8, 37, 11, true);
  EXPECT_EQ(test::Colours(Load(Changed(file, {}, {0, 1, 0, 0, 7, 2, 9999}))), test::ReferenceColours(file));
  EXPECT_EQ(test::Colours(Load(Changed(file, {}, std::vector<std::size_t>(9999, 1)))),
            test::ReferenceColours(file));
}

// Rows and image data far longer than what the reader inflates, and gathers of IDAT chunks, at
// once: rows filter against the row above across those batches, and a damaged chunk far ahead is
// met only once its data are needed, after the rows before it were decoded.
TEST(PNG, ImageDataBeyondOneBatchDecodeWholeAndADamagedChunkAheadWaitsItsTurn) {
  const int width = 2000, height = 150;
  for (const int filters : {0x20, 0x40, 0x80, 0xF8}) {
    const TBytes file = test::NoisePng(6, 8, width, height, false, filters);
    EXPECT_EQ(test::Colours(Load(Changed(file, {}, std::vector<std::size_t>(300, 8192)))),
              test::ReferenceColours(file))
        << filters;
  }
  const TBytes file = test::NoisePng(6, 8, width, height, false, 0xF8);
  TBytes damaged = Changed(file, {}, std::vector<std::size_t>(300, 4096));
  std::size_t at = 8;
  for (int chunk = 0; chunk < 40; ++chunk) at += 12 + BigEndian(&damaged[at], 4);
  damaged[at + 8] ^= 1;  // the first data byte of the 40th chunk of image data
  TMemoryStream stream(damaged);
  TPNGGraphic png;
  EXPECT_THROW(png.LoadFromStream(stream), EInvalidGraphic);
  const std::size_t decoded = 10 * width;  // 38 chunks of 4096 bytes hold more than 10 rows
  const auto colours = test::Colours(png), expected = test::ReferenceColours(file);
  EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + decoded, colours.begin()));
}

TEST(PNG, AncillaryChunksGiveWhatTheyMean) {
  TPNGGraphic png = Load(Changed(test::NoisePng(0, 2, 4, 1), With({"tRNS", {0, 2}}, "IDAT")));
  EXPECT_EQ(png.PixelFormat(), TPixelFormat::pf4bit);
  EXPECT_TRUE(png.Transparent());
  EXPECT_EQ(png.TransparentColor(), RGB(170, 170, 170));
  png = Load(Changed(test::NoisePng(3, 8, 4, 1), With({"tRNS", {1}}, "IDAT")));
  TBytes alphas(256, 255);
  alphas[0] = 1;
  EXPECT_EQ(png.TransparencyTable(), alphas);
  // Linear data brighten through the display gamma.
  png = Load(
      Changed(test::PngFile(1, 1, 8, 0, false, 0xF8, {128}), With({"gAMA", {0, 1, 0x86, 0xA0}}, "IDAT")));
  EXPECT_EQ(test::Colours(png), test::TColours({0xFFBABABA}));
  EXPECT_EQ(png.ImageProperties.FileGamma, 1.0f);
  // Rows the image data do not reach show the background: a grey level, a palette colour.
  for (const auto& [file, background] :
       {std::pair{test::NoisePng(0, 8, 30, 40), TBytes{0, 200}}, {test::NoisePng(3, 2, 30, 40), {2}}}) {
    const TPNGGraphic full = Load(Changed(file, With({"bKGD", background}, "IDAT")));
    const auto cut = test::Colours(Load(Changed(file, With({"bKGD", background}, "IDAT"), {200})));
    const TPaletteEntry entry = full.Palette()[background.size() == 1 ? 10 : 200];
    EXPECT_EQ(cut.front(), test::Colours(full).front());
    EXPECT_EQ(cut.back(), 0xFF000000u | entry.Red << 16 | entry.Green << 8 | entry.Blue);
  }
}

TEST(PNG, DamagedFilesRaiseTheirErrors) {
  const auto set = [](std::size_t chunk, std::size_t at, std::uint8_t value) -> TChange {
    return [=](TChunks& c) {
      c[chunk].Data.resize(std::max(c[chunk].Data.size(), at + 1)), c[chunk].Data[at] = value;
    };
  };
  const std::string invalid = "Cannot load image. Invalid or unexpected PNG image format.";
  const std::string colour = "Invalid color format in PNG file.";
  const std::pair<TChange, std::string> breaks[] = {
      {With({"xYzw", {1}}, "IEND"), ""},
      {With({"XYZW", {1}}, "IEND"), "Cannot load PNG image. Unexpected but critical chunk detected."},
      {set(0, 9, 5), colour},
      {set(0, 8, 16), colour},
      {set(0, 10, 1), "Cannot load image. The compression scheme is not supported for PNG files."},
      {set(1, 48, 0), "Cannot load image. Palette in PNG file is invalid."},
      {set(0, 3, 0), invalid},
      {set(0, 13, 0), invalid},
      {set(2, 999, 0), "Cannot load image. Extra compressed data found in PNG file."},
      {set(2, 2, 0xFF), "Cannot load image. Compression error found in PNG file."},
  };
  const TBytes file = test::NoisePng(3, 4, 6, 8);
  for (const auto& [change, error] : breaks) EXPECT_EQ(LoadError(Changed(file, change)), error) << error;
  // A wrong CRC in any chunk that is read; chunks passed over are not checked.
  const TBytes all = Changed(file, [&](TChunks& c) {
    for (const TChange& add : {With({"gAMA", {0, 0, 0xB1, 0x8F}}, "PLTE"), With({"bKGD", {1}}, "IDAT"),
                               With({"tRNS", {9}}, "IDAT"), With({"tEXt", {'a'}}, "IEND")})
      add(c);
  });
  std::size_t at = 8;
  for (const auto& chunk : PngChunks(all)) {
    TBytes wrong = all;
    wrong[(at += chunk.Data.size() + 12) - 1] ^= 1;
    const bool passedOver = chunk.Type == "tEXt" || chunk.Type == "IEND";
    EXPECT_EQ(LoadError(wrong), passedOver ? "" : "Cannot load image. CRC error found in PNG file.")
        << chunk.Type;
  }
}

}  // namespace
}  // namespace lumox
