// Arbitrary bytes through each of the PCX, SGI, portable map, Autodesk, CUT and RLA readers, and
// every pixel of what loads; headers of more pixels than LoadedPixels are only read (faster).
#include "fuzz/PictureFuzz.h"
#include "imageformats/AutodeskGraphic.h"
#include "imageformats/CUTGraphic.h"
#include "imageformats/PCXGraphic.h"
#include "imageformats/PPMGraphic.h"
#include "imageformats/RLAGraphic.h"
#include "imageformats/SGIGraphic.h"

namespace {

constexpr std::int64_t LoadedPixels = 1 << 16;

template <class T>
void Try(const std::uint8_t* data, std::size_t size) {
  lumox::TMemoryStream stream(data, size);
  T::CanLoad(stream);
  T graphic;
  try {
    const lumox::TImageProperties& p = graphic.ImageProperties;
    if (graphic.ReadImageProperties(stream, 0) && std::int64_t(p.Width) * p.Height > LoadedPixels) return;
    stream.SetPosition(0);
    graphic.LoadFromStream(stream);
    lumox::fuzz::AllColours(graphic);
  } catch (const lumox::ELumox&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lumox;
  for (const auto read : {&Try<TPCXGraphic>, &Try<TSGIGraphic>, &Try<TPPMGraphic>, &Try<TAutodeskGraphic>,
                          &Try<TCUTGraphic>, &Try<TRLAGraphic>})
    read(data, size);
  return 0;
}
