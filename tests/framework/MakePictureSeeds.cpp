// Writes small BMP and JPEG files covering the readers' paths as fuzzing seeds:
//   make_picture_seeds <folder>   makes <folder>/bmp and <folder>/jpeg
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/framework/PictureFiles.h"

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
  const std::filesystem::path bmp = std::filesystem::path(argv[1]) / "bmp",
                              jpeg = std::filesystem::path(argv[1]) / "jpeg";
  std::filesystem::create_directories(bmp);
  std::filesystem::create_directories(jpeg);
  for (const auto& [name, file] : lumox::test::SampleBmpFiles())
    Save(bmp / (std::string(name) + ".bmp"), file);
  Save(jpeg / "colour.jpg", lumox::test::QuadrantJpeg(16, 16));
  Save(jpeg / "grey.jpg", lumox::test::QuadrantJpeg(16, 8, TJpegKind::Grey));
  Save(jpeg / "progressive.jpg", lumox::test::QuadrantJpeg(24, 16, TJpegKind::Progressive));
  Save(jpeg / "cmyk.jpg", lumox::test::QuadrantJpeg(8, 8, TJpegKind::Cmyk));
  return 0;
}
