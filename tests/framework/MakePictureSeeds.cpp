// Writes small picture files covering the readers' paths as fuzzing seeds:
//   make_picture_seeds <folder>   makes <folder>/bmp, jpeg, tiff, targa, png and simple_readers
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/framework/PictureFiles.h"
#include "tests/imageformats/FormatFiles.h"
#include "tests/imageformats/SimpleFormatFiles.h"
#include "tests/imageformats/TIFFFiles.h"

namespace {

using lumox::test::TBytes;
using lumox::test::TJpegKind;

void Save(const std::filesystem::path& path, const TBytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

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
  for (const char* folder : {"bmp", "jpeg", "tiff", "targa", "png", "simple_readers"})
    std::filesystem::create_directories(corpus / folder);
  for (const auto& [name, file] : lumox::test::SampleBmpFiles())
    Save(corpus / "bmp" / (std::string(name) + ".bmp"), file);
  Save(corpus / "jpeg" / "colour.jpg", lumox::test::QuadrantJpeg(16, 16));
  Save(corpus / "jpeg" / "grey.jpg", lumox::test::QuadrantJpeg(16, 8, TJpegKind::Grey));
  Save(corpus / "jpeg" / "progressive.jpg", lumox::test::QuadrantJpeg(24, 16, TJpegKind::Progressive));
  Save(corpus / "jpeg" / "cmyk.jpg", lumox::test::QuadrantJpeg(8, 8, TJpegKind::Cmyk));
  for (const auto& [name, bytes] : lumox::test::SeedFiles()) Save(corpus / "tiff" / name, bytes);
  MakeTargaAndPngSeeds(corpus);
  for (const auto& [name, f] : lumox::test::ReaderFiles(9, 5)) Save(corpus / "simple_readers" / name, f.File);
  return 0;
}
