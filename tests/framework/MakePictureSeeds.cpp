// Writes small picture files covering the readers' paths as fuzzing seeds:
//   make_picture_seeds <folder>   makes <folder>/bmp, jpeg, tiff, targa, png, photo_readers, icon
//   and simple_readers
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

#include "tests/framework/PictureFiles.h"
#include "tests/imageformats/FormatFiles.h"

namespace {

using lumox::test::TBytes;
using lumox::test::TJpegKind;

void Save(const std::filesystem::path& path, const TBytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The readers' files, each in the corpus of the fuzz target that reads its kind (the Photo-CD
// seeds come from the Photo-CD tests). Each PNG seed starts with the byte that tells its target
// to leave the CRCs as they are.
void MakeReaderSeeds(const std::filesystem::path& corpus) {
  const std::map<std::string, std::string> targets{
      {"tga", "targa"},         {"png", "png"},           {"tif", "tiff"}, {"eps", "tiff"},
      {"psd", "photo_readers"}, {"psp", "photo_readers"}, {"ico", "icon"}};
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
  for (const char* folder : {"bmp", "jpeg"}) std::filesystem::create_directories(corpus / folder);
  for (const auto& [name, file] : lumox::test::SampleBmpFiles())
    Save(corpus / "bmp" / (std::string(name) + ".bmp"), file);
  Save(corpus / "jpeg" / "colour.jpg", lumox::test::QuadrantJpeg(16, 16));
  Save(corpus / "jpeg" / "grey.jpg", lumox::test::QuadrantJpeg(16, 8, TJpegKind::Grey));
  Save(corpus / "jpeg" / "progressive.jpg", lumox::test::QuadrantJpeg(24, 16, TJpegKind::Progressive));
  Save(corpus / "jpeg" / "cmyk.jpg", lumox::test::QuadrantJpeg(8, 8, TJpegKind::Cmyk));
  MakeReaderSeeds(corpus);
  return 0;
}
