// Writes small picture files covering the readers' paths as fuzzing seeds:
//   make_picture_seeds <folder>   makes <folder>/bmp, jpeg, tiff, targa, png, photo_readers and
//   simple_readers
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

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

// The readers' files, each in the corpus of the fuzz target that reads its kind (the Photo-CD
// seeds come from the Photo-CD tests). Each PNG seed starts with the byte that tells its target
// to leave the CRCs as they are.
void MakeReaderSeeds(const std::filesystem::path& corpus) {
  const std::map<std::string, std::string> targets{{"tga", "targa"},         {"png", "png"},
                                                   {"tif", "tiff"},          {"eps", "tiff"},
                                                   {"psd", "photo_readers"}, {"psp", "photo_readers"}};
  for (auto [name, file] : lumox::test::ReaderFiles()) {
    const std::string kind = name.substr(name.rfind('.') + 1);
    const std::filesystem::path folder =
        corpus / (targets.contains(kind) ? targets.at(kind) : "simple_readers");
    if (kind == "png") file.File.insert(file.File.begin(), 0);
    std::filesystem::create_directories(folder);
    Save(folder / name, file.File);
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
  MakeBmpSeeds(corpus / "bmp");
  MakeJpegSeeds(corpus / "jpeg");
  MakeReaderSeeds(corpus);
  return 0;
}
