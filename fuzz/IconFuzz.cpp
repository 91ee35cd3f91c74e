// Reads arbitrary bytes as an icon file, its PNG images through the PNG reader the picture
// formats give the icon class, as in the program.
#include <cstdlib>

#include "framework/Icon.h"
#include "fuzz/PictureFuzz.h"
#include "imageformats/FileFormatList.h"

namespace {

// The formats are shut down at exit as the program shuts them down, before the picture
// registry they unregister from is gone.
bool StartFormats() {
  lumox::StartUpImageFormats();
  return std::atexit(lumox::ShutDownImageFormats) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  [[maybe_unused]] static const bool started = StartFormats();
  lumox::TBitmap pixels;
  lumox::fuzz::LoadPicture<lumox::TIcon>(data, size, pixels);
  return 0;
}
