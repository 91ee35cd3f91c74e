// Reads arbitrary bytes as a Targa file; a picture that loads must save and load back showing
// the same colours.
#include <cstdlib>

#include "fuzz/PictureFuzz.h"
#include "imageformats/TargaGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumox::TMemoryStream file(data, size), saved;
  lumox::TTargaGraphic first;
  try {
    first.LoadFromStream(file);
  } catch (const lumox::ELumox&) {
    return 0;
  }
  // Larger pictures are not saved (nor copied), to keep every run short.
  if (first.Empty() || std::int64_t(first.Width()) * first.Height() > 1 << 16) return 0;
  first.SaveToStream(saved);
  lumox::TBitmap second;
  if (!lumox::fuzz::LoadPicture<lumox::TTargaGraphic>(saved.Bytes().data(), saved.Bytes().size(), second) ||
      lumox::fuzz::AllColours(first) != lumox::fuzz::AllColours(second)) {
    std::abort();
  }
  return 0;
}
