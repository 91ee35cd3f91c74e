// Reads arbitrary bytes as a JPEG file.
#include "framework/JpegImage.h"
#include "fuzz/PictureFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumox::TBitmap pixels;
  lumox::fuzz::LoadPicture<lumox::TJPEGImage>(data, size, pixels);
  return 0;
}
