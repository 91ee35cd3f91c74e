// Reads arbitrary bytes with the Photoshop, Paint Shop Pro and Photo-CD readers (the Photo-CD
// one also as the head of a whole image pack), and as Photo-CD corrections for rows of 64 bytes
// (one table) or 1600 (three); a picture that loads has every pixel read back.
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
  std::vector<std::uint8_t> pack(data, data + std::min<std::size_t>(size, 6144));
  pack.resize(96 * 2048 + 256 * 2304);
  lumox::TMemoryStream head(pack);
  if (lumox::TPCDGraphic::CanLoad(head)) Try<lumox::TPCDGraphic>(pack.data(), pack.size());
  TryCorrections(data, size);
  return 0;
}
