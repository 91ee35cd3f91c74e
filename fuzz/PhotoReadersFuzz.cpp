// Reads arbitrary bytes with the Photoshop, Paint Shop Pro and Photo-CD readers, and as Photo-CD
// corrections for rows of 64 bytes (one table) or 1600 (three); a picture that loads has every
// pixel read back. (A Photo-CD base image is read the same whatever its bytes, so the head of a
// pack is what matters here; the tests load whole packs.)
#include "fuzz/PictureFuzz.h"
#include "imageformats/PCDDecoder.h"
#include "imageformats/PCDGraphic.h"
#include "imageformats/PSDGraphic.h"
#include "imageformats/PSPGraphic.h"

namespace {

template <class T>
void Try(const std::uint8_t* data, std::size_t size) {
  lumox::TBitmap pixels;
  lumox::fuzz::LoadPicture<T>(data, size, pixels);
}

void TryCorrections(const std::uint8_t* data, std::size_t size) {
  const std::size_t rowLength = size % 2 == 0 ? 64 : 1600;
  std::vector<std::uint8_t> luma(rowLength * 8), chroma1(rowLength * 4), chroma2(rowLength * 4);
  const lumox::TPCDPlanes planes{luma, chroma1, chroma2};
  const auto* input = reinterpret_cast<const std::uint8_t*>(&planes);
  std::uint8_t* output = nullptr;
  lumox::TMemoryStream stream(data, size);
  try {
    lumox::TPCDDecoder(stream).Decode(input, output, std::int64_t(rowLength), 8);
  } catch (const lumox::ELumox&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Try<lumox::TPSDGraphic>(data, size);
  Try<lumox::TPSPGraphic>(data, size);
  Try<lumox::TPCDGraphic>(data, size);
  TryCorrections(data, size);
  return 0;
}
