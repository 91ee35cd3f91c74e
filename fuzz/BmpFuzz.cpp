// Reads arbitrary bytes as a BMP file; a file that loads must save and load back unchanged, but
// for one rule: 32-bit pixels saved without an alpha mask whose fourth bytes are all 0 load opaque.
#include <cstdlib>

#include "fuzz/PictureFuzz.h"

namespace {

bool HasAlpha(const lumox::TBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      if (bitmap.ScanLine(y)[4 * x + 3] != 0) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumox::TBitmap first;
  if (!lumox::fuzz::LoadPicture<lumox::TBitmap>(data, size, first) || first.Empty()) return 0;
  lumox::TMemoryStream saved;
  first.SaveToStream(saved);
  lumox::TBitmap second;
  if (!lumox::fuzz::LoadPicture<lumox::TBitmap>(saved.Bytes().data(), saved.Bytes().size(), second))
    std::abort();
  if (second.PixelFormat() != first.PixelFormat() || second.Palette() != first.Palette()) std::abort();
  const bool wideOpaque = first.PixelFormat() == lumox::TPixelFormat::pf32bit && !HasAlpha(first);
  for (int y = 0; y < first.Height(); ++y) {
    const std::uint8_t *a = first.ScanLine(y), *b = second.ScanLine(y);
    for (std::size_t i = 0; i < first.BytesPerScanLine(); ++i) {
      const bool alpha = wideOpaque && i % 4 == 3;
      if (alpha ? b[i] != 255 : a[i] != b[i]) std::abort();
    }
  }
  return 0;
}
