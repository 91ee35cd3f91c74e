// Reads arbitrary bytes as a TIFF and as an EPS file; asking whether either can, moves nothing.
#include <cstdlib>

#include "fuzz/PictureFuzz.h"
#include "imageformats/TIFFGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumox::TMemoryStream stream(data, size);
  lumox::TTIFFGraphic::CanLoad(stream);
  lumox::TEPSGraphic::CanLoad(stream);
  if (stream.Position() != 0) std::abort();
  lumox::TBitmap pixels;
  lumox::fuzz::LoadPicture<lumox::TTIFFGraphic>(data, size, pixels);
  lumox::fuzz::LoadPicture<lumox::TEPSGraphic>(data, size, pixels);
  return 0;
}
