#pragma once
// Whole rows of pixels widened to 32-bit blue-green-red-alpha, and the SSE2 building blocks for
// 3-byte pixels that the row conversions share. Each row routine has a vector form (on x86-64,
// where SSE2 is always there) and a plain form that every other machine uses; both give the same
// bytes, and the vector form finishes its row with the plain one.
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
// Code for 256-bit packed integers (AVX2) is compiled for that extension alone, so the rest of
// the program still runs on every x86-64 processor, and is called only where
// HasWidePackedIntegers says the processor has it. Helpers are inlined into their entry point,
// so no 256-bit value crosses a call.
#define LUMOX_WIDE_ENTRY [[gnu::target("avx2")]]
#define LUMOX_WIDE [[gnu::target("avx2"), gnu::always_inline]] inline
#endif

namespace lumox::pixels {

// Grey levels as opaque grey pixels.
void GreyToBGRA(const std::uint8_t* grey, std::uint32_t* out, std::size_t count);
void GreyToBGRAPlain(const std::uint8_t* grey, std::uint32_t* out, std::size_t count);
// Pixels of blue, green and red bytes as opaque pixels.
void BGRToBGRA(const std::uint8_t* bgr, std::uint32_t* out, std::size_t count);
void BGRToBGRAPlain(const std::uint8_t* bgr, std::uint32_t* out, std::size_t count);

#if defined(__SSE2__)
// Four 3-byte pixels as the low three bytes of four 32-bit lanes (the top bytes are 0). Reads
// 14 bytes: the caller keeps at least one more pixel behind the four.
inline __m128i LoadPixels24(const std::uint8_t* p) {
  const __m128i halves = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 6)));
  // Each 64-bit half holds two pixels in its first six bytes; the second moves up by one byte.
  const __m128i first = _mm_and_si128(halves, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF));
  const __m128i second = _mm_and_si128(_mm_slli_epi64(halves, 8), _mm_set_epi32(0xFFFFFF, 0, 0xFFFFFF, 0));
  return _mm_or_si128(first, second);
}

// The low three bytes of four 32-bit lanes as four 3-byte pixels. Writes 14 bytes, the last two
// of them zero: the caller writes at least one more pixel behind the four afterwards.
inline void StorePixels24(std::uint8_t* p, __m128i pixels) {
  const __m128i first = _mm_and_si128(pixels, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF));
  const __m128i second = _mm_srli_epi64(_mm_and_si128(pixels, _mm_set_epi32(0xFFFFFF, 0, 0xFFFFFF, 0)), 8);
  const __m128i packed = _mm_or_si128(first, second);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), packed);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 6), _mm_unpackhi_epi64(packed, packed));
}

LUMOX_WIDE __m256i LoadWide(const void* from) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(from));
}
#endif

}  // namespace lumox::pixels
