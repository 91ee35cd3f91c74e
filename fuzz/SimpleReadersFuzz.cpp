// Reads arbitrary bytes with each of the PCX, SGI, portable map, Autodesk, CUT and RLA readers
// (the CUT picture without a palette file); a picture that loads has every pixel read back.
// Headers of more than LoadedPixels pixels are only read, not loaded: the readers refuse nothing
// below the bitmap cap, and making and reading such bitmaps would take most of the time.
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
    const bool known = graphic.ReadImageProperties(stream, 0);
    const lumox::TImageProperties& p = graphic.ImageProperties;
    if (known && std::int64_t(p.Width) * p.Height > LoadedPixels) return;
    stream.SetPosition(0);
    graphic.LoadFromStream(stream);
  } catch (const lumox::ELumox&) {
    return;
  }
  lumox::fuzz::ReadAllColours(graphic);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Try<lumox::TPCXGraphic>(data, size);
  Try<lumox::TSGIGraphic>(data, size);
  Try<lumox::TPPMGraphic>(data, size);
  Try<lumox::TAutodeskGraphic>(data, size);
  Try<lumox::TCUTGraphic>(data, size);
  Try<lumox::TRLAGraphic>(data, size);
  return 0;
}
