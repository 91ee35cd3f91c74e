// Reads arbitrary bytes as a PNG file. When the first byte is odd, the CRCs of the chunks are
// made right first, so that mutations reach past the checks.
#include <zlib.h>

#include "fuzz/PictureFuzz.h"
#include "imageformats/PNGGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> file(data + 1, data + size);
  for (std::size_t at = 8, length; (data[0] & 1) && at + 12 <= file.size(); at += length + 12) {
    length = std::size_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
    if (length > file.size() - at - 12) break;
    const auto crc = std::uint32_t(crc32(0, &file[at + 4], uInt(length + 4)));
    for (std::size_t i = 0; i < 4; ++i) file[at + 8 + length + i] = std::uint8_t(crc >> (24 - 8 * i));
  }
  lumox::TBitmap pixels;
  lumox::fuzz::LoadPicture<lumox::TPNGGraphic>(file.data(), file.size(), pixels);
  return 0;
}
