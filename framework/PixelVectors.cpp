#include "framework/PixelVectors.h"

namespace lumox::pixels {

void GreyToBGRA(const std::uint8_t* grey, std::uint32_t* out, std::size_t count) {
  std::size_t x = 0;
#if defined(__SSE2__)
  const __m128i opaque = _mm_set1_epi8(char(0xFF));
  for (; x + 16 <= count; x += 16) {
    const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + x));
    // Words of (grey, grey) and of (grey, alpha) side by side make the pixels.
    const __m128i twiceLow = _mm_unpacklo_epi8(g, g), twiceHigh = _mm_unpackhi_epi8(g, g);
    const __m128i alphaLow = _mm_unpacklo_epi8(g, opaque), alphaHigh = _mm_unpackhi_epi8(g, opaque);
    auto* to = reinterpret_cast<__m128i*>(out + x);
    _mm_storeu_si128(to, _mm_unpacklo_epi16(twiceLow, alphaLow));
    _mm_storeu_si128(to + 1, _mm_unpackhi_epi16(twiceLow, alphaLow));
    _mm_storeu_si128(to + 2, _mm_unpacklo_epi16(twiceHigh, alphaHigh));
    _mm_storeu_si128(to + 3, _mm_unpackhi_epi16(twiceHigh, alphaHigh));
  }
#endif
  GreyToBGRAPlain(grey + x, out + x, count - x);
}

void GreyToBGRAPlain(const std::uint8_t* grey, std::uint32_t* out, std::size_t count) {
  for (std::size_t x = 0; x < count; ++x) out[x] = 0xFF000000u | grey[x] * 0x010101u;
}

void BGRToBGRA(const std::uint8_t* bgr, std::uint32_t* out, std::size_t count) {
  std::size_t x = 0;
#if defined(__SSE2__)
  const __m128i opaque = _mm_set1_epi32(std::int32_t(0xFF000000u));
  for (; x + 5 <= count; x += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(LoadPixels24(bgr + 3 * x), opaque));
#endif
  BGRToBGRAPlain(bgr + 3 * x, out + x, count - x);
}

void BGRToBGRAPlain(const std::uint8_t* bgr, std::uint32_t* out, std::size_t count) {
  for (std::size_t x = 0; x < count; ++x, bgr += 3)
    out[x] = 0xFF000000u | std::uint32_t(bgr[2]) << 16 | std::uint32_t(bgr[1]) << 8 | bgr[0];
}

}  // namespace lumox::pixels
