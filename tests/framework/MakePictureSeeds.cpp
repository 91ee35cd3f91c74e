// Writes small picture files covering the readers' paths as fuzzing seeds:
//   make_picture_seeds <folder>   makes <folder>/bmp, jpeg, tiff, targa, png and simple_readers
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/framework/PictureFiles.h"
#include "tests/imageformats/FormatFiles.h"

namespace {

using lumox::TPalette;
using lumox::test::TBmpSpec;
using lumox::test::TBytes;
using lumox::test::TJpegKind;

void Save(const std::filesystem::path& path, const TBytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void MakeBmpSeeds(const std::filesystem::path& folder) {
  const TPalette four{{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};
  using lumox::test::PaddedRows;
  Save(folder / "mono.bmp", lumox::test::BmpFile({.Width = 9,
                                                  .Height = 2,
                                                  .Bits = 1,
                                                  .Palette = {four[0], four[1]},
                                                  .Pixels = PaddedRows({{0xA5, 0x80}, {0x5A, 0x00}})}));
  Save(folder / "core4.bmp", lumox::test::BmpFile({.HeaderSize = 12,
                                                   .Width = 3,
                                                   .Height = 2,
                                                   .Bits = 4,
                                                   .Palette = TPalette(16, four[2]),
                                                   .Pixels = PaddedRows({{0x12, 0x30}, {0xF0, 0x0F}})}));
  Save(folder / "topdown8.bmp", lumox::test::BmpFile({.Width = 3,
                                                      .Height = -2,
                                                      .Bits = 8,
                                                      .ColorsUsed = 4,
                                                      .Palette = four,
                                                      .Pixels = PaddedRows({{1, 2, 3}, {3, 2, 1}})}));
  Save(folder / "rgb555.bmp",
       lumox::test::BmpFile(
           {.Width = 2, .Height = 2, .Bits = 16, .Pixels = PaddedRows({{1, 2, 3, 4}, {5, 6, 7, 8}})}));
  Save(folder / "argb4444.bmp", lumox::test::BmpFile({.HeaderSize = 56,
                                                      .Width = 2,
                                                      .Height = 1,
                                                      .Bits = 16,
                                                      .Compression = 3,
                                                      .Masks = {0x0F00, 0xF0, 0x0F, 0xF000},
                                                      .Pixels = PaddedRows({{0x5F, 0x8F, 0x12, 0x34}})}));
  Save(folder / "rgb24.bmp",
       lumox::test::BmpFile({.Width = 2,
                             .Height = 2,
                             .Bits = 24,
                             .Pixels = PaddedRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}})}));
  Save(folder / "v5.bmp", lumox::test::BmpFile({.HeaderSize = 124,
                                                .Width = 2,
                                                .Height = 1,
                                                .Bits = 32,
                                                .Compression = 3,
                                                .Masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                                                .Pixels = {1, 2, 3, 4, 5, 6, 7, 8}}));
  Save(folder / "rle8.bmp",
       lumox::test::BmpFile({.Width = 6,
                             .Height = 3,
                             .Bits = 8,
                             .Compression = 1,
                             .ColorsUsed = 4,
                             .Palette = four,
                             .Pixels = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 1, 8, 2, 0, 1}}));
  Save(folder / "rle4.bmp",
       lumox::test::BmpFile({.Width = 7,
                             .Height = 2,
                             .Bits = 4,
                             .Compression = 2,
                             .ColorsUsed = 4,
                             .Palette = four,
                             .Pixels = {5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 2, 0x33, 0, 1}}));
}

void MakeJpegSeeds(const std::filesystem::path& folder) {
  Save(folder / "colour.jpg", lumox::test::QuadrantJpeg(16, 16));
  Save(folder / "grey.jpg", lumox::test::QuadrantJpeg(16, 8, TJpegKind::Grey));
  Save(folder / "progressive.jpg", lumox::test::QuadrantJpeg(24, 16, TJpegKind::Progressive));
  Save(folder / "cmyk.jpg", lumox::test::QuadrantJpeg(8, 8, TJpegKind::Cmyk));
}

// Each PNG seed starts with the byte that tells the fuzz target to leave the CRCs as they are.
void MakeTargaAndPngSeeds(const std::filesystem::path& corpus) {
  for (const std::uint8_t type : {1, 2, 3, 9, 10, 11}) {
    const std::uint8_t depth = type == 2 ? 16 : type == 10 ? 32 : 8;
    const TBytes map = type % 8 == 1 ? lumox::test::PictureBytes(4, 3, 1) : TBytes();
    Save(corpus / "targa" / ("type" + std::to_string(type) + ".tga"),
         lumox::test::TargaFile(type, depth, type > 8, 5, 3, 24, map,
                                lumox::test::PictureBytes(15, depth / 8u, 2)));
  }
  for (const int kind : {1, 16, 208, 304, 408, 616}) {
    TBytes file = lumox::test::NoisePng(kind / 100, kind % 100, 7, 3, kind == 208);
    file.insert(file.begin(), 0);
    Save(corpus / "png" / ("kind" + std::to_string(kind) + ".png"), file);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_picture_seeds <corpus folder>\n";
    return 2;
  }
  const std::filesystem::path corpus = argv[1];
  std::filesystem::create_directories(corpus / "bmp");
  std::filesystem::create_directories(corpus / "jpeg");
  std::filesystem::create_directories(corpus / "tiff");
  std::filesystem::create_directories(corpus / "targa");
  std::filesystem::create_directories(corpus / "png");
  MakeBmpSeeds(corpus / "bmp");
  MakeJpegSeeds(corpus / "jpeg");
  for (const auto& [name, bytes] : lumox::test::TiffSeeds()) Save(corpus / "tiff" / name, bytes);
  MakeTargaAndPngSeeds(corpus);
  std::filesystem::create_directories(corpus / "simple_readers");
  for (const auto& [name, f] : lumox::test::ReaderFiles(9, 5)) Save(corpus / "simple_readers" / name, f.File);
  return 0;
}
