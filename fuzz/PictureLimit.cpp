// Linked into every target that makes pictures: the picture-size limit is lowered before the
// first input, so that a hostile header cannot make each run allocate and fill a picture of the
// program's limit, and the fuzzer keeps its pace of thousands of inputs a second.
#include "framework/Bitmap.h"
#include "fuzz/PictureFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  lumox::TBitmap::SetPixelLimit(lumox::fuzz::PixelLimit);
  return 0;
}
