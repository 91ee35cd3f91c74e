// Reads arbitrary bytes as a BMP file; a file that loads must save and load back unchanged.
#include <cstdlib>
#include <cstring>

#include "fuzz/PictureFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumox::TBitmap first;
  if (!lumox::fuzz::LoadPicture<lumox::TBitmap>(data, size, first) || first.Empty()) return 0;
  lumox::TMemoryStream saved;
  first.SaveToStream(saved);
  lumox::TBitmap second;
  if (!lumox::fuzz::LoadPicture<lumox::TBitmap>(saved.Bytes().data(), saved.Bytes().size(), second))
    std::abort();
  if (second.PixelFormat() != first.PixelFormat() || second.Palette() != first.Palette()) std::abort();
  for (int y = 0; y < first.Height(); ++y) {
    if (std::memcmp(first.ScanLine(y), second.ScanLine(y), first.BytesPerScanLine()) != 0) std::abort();
  }
  return 0;
}
