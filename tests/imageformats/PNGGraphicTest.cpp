// PNG files of every colour type, depth and filter, interlaced or not, against libpng; image
// data spread over chunks; the ancillary chunks; every error; cut and corrupted files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "framework/Exceptions.h"
#include "imageformats/PNGGraphic.h"
#include "tests/imageformats/FormatFiles.h"

namespace lumox {
namespace {

using test::TBytes;
using test::TChunk;
using TChunks = std::vector<TChunk>;

TPNGGraphic Load(const TBytes& file) {
  TMemoryStream stream(file);
  TPNGGraphic png;
  png.LoadFromStream(stream);
  return png;
}

// The message of the error a load raises; empty when it loads.
std::string LoadError(const TBytes& file) {
  try {
    Load(file);
  } catch (const ELumox& error) {
    return error.what();
  }
  return {};
}

test::TPngSpec Picture(int colorType, int depth, int width, int height, bool interlaced = false, int filters = 0xF8) {
  const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
  const std::size_t rowBytes = (std::size_t(width) * channels * depth + 7) / 8;
  test::TPngSpec spec{width, height, depth, colorType, interlaced, filters, {}, {}};
  spec.Samples = test::PictureBytes(rowBytes * std::size_t(height), 1, unsigned(colorType * 32 + depth));
  if (colorType == 3) spec.Palette = test::PictureBytes(std::size_t(1) << depth, 3, unsigned(depth));
  return spec;
}

TBytes WithChunk(const TBytes& file, const TChunk& chunk, const std::string& before) {
  TChunks chunks = test::PngChunks(file);
  const auto at = std::find_if(chunks.begin(), chunks.end(), [&](const TChunk& c) { return c.Type == before; });
  chunks.insert(at, chunk);
  return test::PngFromChunks(chunks);
}

struct TDepths {
  int ColorType;
  std::vector<int> Depths;
};

TEST(PNG, EveryColourTypeDepthFilterAndInterlacingDecodesAsTheReference) {
  const std::vector<TDepths> kinds{{0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
  for (const auto& [colorType, depths] : kinds) {
    for (const int depth : depths) {
      for (const int filters : {0x08, 0x10, 0x20, 0x40, 0x80, 0xF8}) {
        for (const auto& [width, height] : {std::pair{1, 1}, {4, 3}, {37, 11}}) {
          for (const bool interlaced : {false, true}) {
            const TBytes file = test::PngFile(Picture(colorType, depth, width, height, interlaced, filters));
            ASSERT_EQ(test::Colours(Load(file)), test::ReferencePngColours(file))
                << colorType << " " << depth << " " << filters << " " << width << " " << interlaced;
          }
        }
      }
    }
  }
}

TEST(PNG, ImageDataSplitAnywhereDecodesTheSame) {
  const TBytes file = test::PngFile(Picture(6, 8, 37, 11, true));
  const auto expected = test::ReferencePngColours(file);
  EXPECT_EQ(test::Colours(Load(test::SplitImageData(file, {0, 1, 0, 0, 7, 2}))), expected);
  EXPECT_EQ(test::Colours(Load(test::SplitImageData(file, std::vector<std::size_t>(600, 1)))), expected);
}

TEST(PNG, AncillaryChunksGiveTheirValues) {
  const TBytes grey = test::PngFile(Picture(0, 2, 4, 1));
  TPNGGraphic png = Load(WithChunk(grey, {"tRNS", {0, 2}}, "IDAT"));
  EXPECT_EQ(png.PixelFormat(), TPixelFormat::pf4bit);
  EXPECT_TRUE(png.Transparent());
  EXPECT_EQ(png.TransparentColor(), RGB(170, 170, 170));

  png = Load(WithChunk(test::PngFile(Picture(3, 8, 4, 1)), {"tRNS", {1, 2, 3}}, "IDAT"));
  EXPECT_EQ(png.TransparencyTable().size(), 256u);
  EXPECT_EQ(png.TransparencyTable()[2], 3);
  EXPECT_EQ(png.TransparencyTable()[3], 255);

  // Gamma 1.0 brightens mid grey through the display gamma; the file keeps its value.
  png = Load(WithChunk(test::PngFile({1, 1, 8, 0, false, 0xF8, {128}}), {"gAMA", {0, 1, 0x86, 0xA0}}, "IDAT"));
  EXPECT_EQ(test::Colours(png), test::TColours({0xFFBABABA}));
  EXPECT_EQ(png.ImageProperties.FileGamma, 1.0f);
}

// Image data that end after `keep` bytes of the compressed stream, for a background to show.
TBytes CutImageData(const TBytes& file, std::size_t keep) {
  TChunks chunks;
  for (TChunk& chunk : test::PngChunks(test::SplitImageData(file, {keep})))
    if (chunk.Type != "IDAT" || chunks.back().Type != "IDAT") chunks.push_back(std::move(chunk));
  return test::PngFromChunks(chunks);
}

TEST(PNG, RowsTheImageDataDoNotReachShowTheBackground) {
  const TBytes grey = WithChunk(test::PngFile(Picture(0, 8, 3, 40)), {"bKGD", {0, 200}}, "IDAT");
  const auto colours = test::Colours(Load(CutImageData(grey, 12)));
  EXPECT_EQ(colours.front(), test::ReferencePngColours(grey).front());
  EXPECT_EQ(colours.back(), 0xFFC8C8C8u);

  test::TPngSpec spec = Picture(3, 2, 3, 40);
  spec.Filters = 0x08;
  const TBytes indexed = WithChunk(test::PngFile(spec), {"bKGD", {2}}, "IDAT");
  const TPalette palette = Load(indexed).Palette();
  const TPaletteEntry entry = palette[10];  // index 2 of a 2-bit image
  EXPECT_EQ(test::Colours(Load(CutImageData(indexed, 12))).back(),
            0xFF000000u | entry.Red << 16 | entry.Green << 8 | entry.Blue);
}

struct TBreak {
  std::string Name;
  std::function<void(TChunks&)> Change;
  std::string Error;
};

TChunk& Find(TChunks& chunks, const std::string& type) {
  return *std::find_if(chunks.begin(), chunks.end(), [&](const TChunk& c) { return c.Type == type; });
}

TEST(PNG, DamagedFilesRaiseTheirErrors) {
  const std::string crc = "Cannot load image. CRC error found in PNG file.";
  const std::string invalid = "Cannot load image. Invalid or unexpected PNG image format.";
  const std::string extra = "Cannot load image. Extra compressed data found in PNG file.";
  const std::vector<TBreak> breaks{
      {"unknown ancillary chunk", [](TChunks& c) { c.insert(c.end() - 1, {"xYzw", {1}}); }, ""},
      {"unknown critical chunk", [](TChunks& c) { c.insert(c.end() - 1, {"XYZW", {1}}); },
       "Cannot load PNG image. Unexpected but critical chunk detected."},
      {"colour type 5", [](TChunks& c) { c[0].Data[9] = 5; }, "Invalid color format in PNG file."},
      {"16-bit indices", [](TChunks& c) { c[0].Data[8] = 16; }, "Invalid color format in PNG file."},
      {"compression 1", [](TChunks& c) { c[0].Data[10] = 1; },
       "Cannot load image. The compression scheme is not supported for PNG files."},
      {"palette of 4 bytes", [](TChunks& c) { Find(c, "PLTE").Data.resize(4); },
       "Cannot load image. Palette in PNG file is invalid."},
      {"no pixels", [](TChunks& c) { c[0].Data[3] = 0; }, invalid},
      {"short header", [](TChunks& c) { c[0].Data.pop_back(); }, invalid},
      {"bytes behind the stream", [](TChunks& c) { Find(c, "IDAT").Data.push_back(0); }, extra},
      {"broken stream", [](TChunks& c) { Find(c, "IDAT").Data[2] ^= 0xFF; },
       "Cannot load image. Compression error found in PNG file."},
  };
  const TBytes file = test::PngFile(Picture(3, 4, 6, 8));
  for (const TBreak& b : breaks) {
    TChunks chunks = test::PngChunks(file);
    b.Change(chunks);
    EXPECT_EQ(LoadError(test::PngFromChunks(chunks)), b.Error) << b.Name;
  }
  // A wrong CRC of any chunk that is read; skipped chunks are not checked.
  for (const std::string type : {"IHDR", "PLTE", "IDAT", "gAMA", "bKGD", "tRNS", "tEXt"}) {
    TBytes changed = WithChunk(WithChunk(WithChunk(WithChunk(file, {"gAMA", {0, 0, 0xB1, 0x8F}}, "PLTE"),
                                                   {"bKGD", {1}}, "IDAT"),
                                         {"tRNS", {9}}, "IDAT"),
                               {"tEXt", {'a', 0, 'b'}}, "IEND");
    const TChunks chunks = test::PngChunks(changed);
    std::size_t at = 8;
    for (const TChunk& chunk : chunks) {
      at += chunk.Data.size() + 12;
      if (chunk.Type == type) break;
    }
    changed[at - 1] ^= 1;
    EXPECT_EQ(LoadError(changed), type == "tEXt" ? "" : crc) << type;
  }
}

TEST(PNG, CutAndCorruptedFilesFailCleanly) {
  const TBytes file = test::PngFile(Picture(2, 16, 9, 7, true));
  for (std::size_t size = 0; size < file.size(); ++size) LoadError(TBytes(file.begin(), file.begin() + std::ptrdiff_t(size)));
  std::mt19937 random(5);
  for (int run = 0; run < 300; ++run) {
    TChunks chunks = test::PngChunks(file);
    TChunk& chunk = chunks[random() % chunks.size()];
    if (!chunk.Data.empty()) chunk.Data[random() % chunk.Data.size()] = std::uint8_t(random());
    LoadError(test::PngFromChunks(chunks));
  }
}

}  // namespace
}  // namespace lumox
