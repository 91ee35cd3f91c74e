// Reads hostile bytes as the bitmap's stream data form and draws the result into a small
// bitmap through hostile rectangles. Input: destination rectangle, source rectangle and clip
// (four signed 32-bit little-endian values each); destination width and height, draw mode,
// filter and master alpha (a byte each); then the data form.
#include <cstdlib>
#include <cstring>

#include "bitmap/Transforms.h"
#include "framework/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumox::TRect rects[3];
  constexpr std::size_t Header = sizeof rects + 5;
  if (size < Header) return 0;
  std::memcpy(rects, data, sizeof rects);
  const std::uint8_t* p = data + sizeof rects;
  lumox::TMemoryStream stream(data + Header, size - Header);
  lumox::TBitmap32 src, dst;
  try {
    src.ReadData(stream);
  } catch (const lumox::ELumox&) {
    if (!src.Empty()) std::abort();
    return 0;
  }
  // Pixels read write back as the bytes they came from (a 5 x 0 form reads as empty).
  lumox::TMemoryStream written;
  src.WriteData(written);
  if (!src.Empty() && std::memcmp(written.Bytes().data(), data + Header, written.Bytes().size()) != 0)
    std::abort();
  dst.SetSize(p[0] % 64 + 1, p[1] % 64 + 1);
  src.SetMasterAlpha(p[4]);
  try {
    lumox::StretchTransfer(&dst, rects[0], rects[2], &src, rects[1], lumox::TDrawMode(p[2] % 3),
                           lumox::TStretchFilter(p[3] % 7),
                           [](lumox::TColor32 F, lumox::TColor32& B, lumox::TColor32 M) { B ^= F + M; });
  } catch (const lumox::ETransformError&) {
  }
  return 0;
}
