// Reads arbitrary bytes with the Photoshop, Paint Shop Pro and Photo-CD readers (the Photo-CD
// one also with the bytes as the head of a whole image pack, when they begin like one), and as
// Photo-CD Huffman corrections; a picture that loads has every pixel read back.
#include <algorithm>

#include "fuzz/PictureFuzz.h"
#include "imageformats/PCDDecoder.h"
#include "imageformats/PCDGraphic.h"
#include "imageformats/PSDGraphic.h"
#include "imageformats/PSPGraphic.h"

namespace {

constexpr std::size_t PackSize = 96 * 2048 + 256 * 2304;

template <class T>
void Try(const std::uint8_t* data, std::size_t size) {
  lumox::TMemoryStream stream(data, size);
  T::CanLoad(stream);
  T graphic;
  try {
    graphic.LoadFromStream(stream);
  } catch (const lumox::ELumox&) {
    return;
  }
  lumox::fuzz::ReadAllColours(graphic);
}

// Rows longer than 1536 bytes bring three tables.
void TryCorrections(const std::uint8_t* data, std::size_t size) {
  const std::size_t rowLength = size % 2 == 0 ? 64 : 1600;
  std::vector<std::uint8_t> luma(rowLength * 8), chroma1(rowLength * 4), chroma2(rowLength * 4);
  const lumox::TPCDPlanes planes{luma, chroma1, chroma2};
  lumox::TMemoryStream stream(data, size);
  lumox::TPCDDecoder decoder(stream);
  const auto* input = reinterpret_cast<const std::uint8_t*>(&planes);
  std::uint8_t* output = nullptr;
  try {
    decoder.Decode(input, output, std::int64_t(rowLength), 8);
  } catch (const lumox::ELumox&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Try<lumox::TPSDGraphic>(data, size);
  Try<lumox::TPSPGraphic>(data, size);
  Try<lumox::TPCDGraphic>(data, size);
  std::vector<std::uint8_t> pack(data, data + std::min(size, PackSize));
  pack.resize(PackSize);
  lumox::TMemoryStream head(pack);
  if (size < PackSize && lumox::TPCDGraphic::CanLoad(head)) Try<lumox::TPCDGraphic>(pack.data(), pack.size());
  TryCorrections(data, size);
  return 0;
}
