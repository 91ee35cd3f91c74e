// Writes the seed files of the photo_readers fuzz target:
//   make_photo_seeds <folder>   makes <folder>/photo_readers
#include <filesystem>
#include <fstream>

#include "tests/imageformats/PhotoFiles.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path folder = std::filesystem::path(argv[1]) / "photo_readers";
  std::filesystem::create_directories(folder);
  for (const auto& [name, bytes] : lumox::test::PhotoSeeds()) {
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  return 0;
}
