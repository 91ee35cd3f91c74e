// Writes small BMP, JPEG and TIFF files covering the readers' paths as fuzzing seeds:
//   make_picture_seeds <folder>   makes <folder>/bmp, <folder>/jpeg and <folder>/tiff
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/framework/PictureFiles.h"
#include "tests/imageformats/TIFFFiles.h"

namespace {

using lumox::test::TBytes;
using lumox::test::TJpegKind;

void Save(const std::filesystem::path& path, const TBytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_picture_seeds <corpus folder>\n";
    return 2;
  }
  const std::filesystem::path corpus = argv[1];
  for (const char* folder : {"bmp", "jpeg", "tiff"}) std::filesystem::create_directories(corpus / folder);
  for (const auto& [name, file] : lumox::test::SampleBmpFiles())
    Save(corpus / "bmp" / (std::string(name) + ".bmp"), file);
  Save(corpus / "jpeg" / "colour.jpg", lumox::test::QuadrantJpeg(16, 16));
  Save(corpus / "jpeg" / "grey.jpg", lumox::test::QuadrantJpeg(16, 8, TJpegKind::Grey));
  Save(corpus / "jpeg" / "progressive.jpg", lumox::test::QuadrantJpeg(24, 16, TJpegKind::Progressive));
  Save(corpus / "jpeg" / "cmyk.jpg", lumox::test::QuadrantJpeg(8, 8, TJpegKind::Cmyk));
  for (const auto& [name, bytes] : lumox::test::SeedFiles()) Save(corpus / "tiff" / name, bytes);
  return 0;
}
