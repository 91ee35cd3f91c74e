#include "imageformats/RowVectors.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "framework/PixelVectors.h"

#if defined(__SSE2__)
#include <tmmintrin.h>
#endif

namespace lumox::rows {
namespace {

// Cleared by tests that try the forms without byte shuffles.
bool ShufflesAllowed = true;

#if defined(__SSE2__)
__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Eight pixels from three rows of eight 16-bit values below 256 (first, second, third byte of
// each pixel), stored as 3-byte pixels; writes two bytes behind the 24, as StorePixels24 does.
void StoreColours(std::uint8_t* target, __m128i first, __m128i second, __m128i third) {
  const __m128i low = _mm_or_si128(first, _mm_slli_epi16(second, 8));
  pixels::StorePixels24(target, _mm_unpacklo_epi16(low, third));
  pixels::StorePixels24(target + 12, _mm_unpackhi_epi16(low, third));
}

// Four pixels in the low bytes of 32-bit lanes, stored whole or as 3-byte pixels.
template <bool Alpha>
void StoreFour(std::uint8_t* target, __m128i pixels) {
  if constexpr (Alpha) {
    Store(target, pixels);
  } else {
    pixels::StorePixels24(target, pixels);
  }
}

// Sixteen pixels from sixteen bytes of each plane; without alpha, two bytes behind them are
// written too, as StorePixels24 does.
template <bool Alpha>
void InterleaveSixteen(const TBytePlanes& planes, std::size_t i, std::uint8_t* target) {
  constexpr std::size_t step = Alpha ? 16 : 12;
  const __m128i first = Load(planes[0] + i), second = Load(planes[1] + i), third = Load(planes[2] + i);
  const __m128i fourth = Alpha ? Load(planes[3] + i) : _mm_setzero_si128();
  const __m128i low = _mm_unpacklo_epi8(first, second), high = _mm_unpackhi_epi8(first, second);
  const __m128i lowRest = _mm_unpacklo_epi8(third, fourth), highRest = _mm_unpackhi_epi8(third, fourth);
  StoreFour<Alpha>(target, _mm_unpacklo_epi16(low, lowRest));
  StoreFour<Alpha>(target + step, _mm_unpackhi_epi16(low, lowRest));
  StoreFour<Alpha>(target + 2 * step, _mm_unpacklo_epi16(high, highRest));
  StoreFour<Alpha>(target + 3 * step, _mm_unpackhi_epi16(high, highRest));
}

// The four samples of eight 4-byte pixels (four in `a`, four in `b`) as planes of bytes: the first
// sample of each pixel in the low half of `low`, the second in its high half, the third and fourth
// likewise in `high`. Three rounds of interleaving bytes sort them.
void SplitQuads(__m128i a, __m128i b, __m128i& low, __m128i& high) {
  const __m128i first = _mm_unpacklo_epi8(a, b), second = _mm_unpackhi_epi8(a, b);
  const __m128i even = _mm_unpacklo_epi8(first, second), odd = _mm_unpackhi_epi8(first, second);
  low = _mm_unpacklo_epi8(even, odd);
  high = _mm_unpackhi_epi8(even, odd);
}
#endif

std::uint16_t Word(const std::uint8_t* p, bool swap) {
  std::uint16_t w;
  std::memcpy(&w, p, 2);
  return swap ? std::uint16_t(w << 8 | w >> 8) : w;
}

void StoreOrdered(std::uint8_t* t, bool toBGR, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  t[0] = toBGR ? blue : red;
  t[1] = green;
  t[2] = toBGR ? red : blue;
}

std::uint8_t Clamped(std::int32_t value) { return value < 0 ? 0 : value > 255 ? 255 : std::uint8_t(value); }

// The pixels from `i` on, as the plain form makes them.
void InterleaveRest(const TBytePlanes& planes, std::size_t i, std::uint8_t* target, std::size_t count) {
  const bool alpha = planes[3] != nullptr;
  const TBytePlanes rest{planes[0] + i, planes[1] + i, planes[2] + i, alpha ? planes[3] + i : nullptr};
  InterleaveBytesPlain(rest, target + i * (alpha ? 4 : 3), count - i);
}

#if defined(__SSE2__)
void InterleaveSSE2(const TBytePlanes& planes, std::uint8_t* target, std::size_t count) {
  std::size_t i = 0;
  if (planes[3] != nullptr) {
    for (; i + 16 <= count; i += 16) InterleaveSixteen<true>(planes, i, target + 4 * i);
  } else {
    for (; i + 17 <= count; i += 16) InterleaveSixteen<false>(planes, i, target + 3 * i);
  }
  InterleaveRest(planes, i, target, count);
}

// Each of the three 16-byte blocks of sixteen pixels gathers its bytes from the three planes with
// one shuffle each.
[[gnu::target("ssse3")]] void InterleaveSSSE3(const TBytePlanes& planes, std::uint8_t* target,
                                              std::size_t count, bool stream) {
  if (planes[3] != nullptr) return InterleaveSSE2(planes, target, count);
  // Byte j of the 48 comes from plane j % 3, byte j / 3; -1 leaves it zero.
  alignas(16) static constexpr auto Masks = [] {
    std::array<std::array<std::int8_t, 16>, 9> masks{};  // block × 3 + plane
    for (int j = 0; j < 48; ++j)
      for (int plane = 0; plane < 3; ++plane)
        masks[std::size_t(j / 16 * 3 + plane)][std::size_t(j % 16)] =
            std::int8_t(j % 3 == plane ? j / 3 : -1);
    return masks;
  }();
  const auto mask = [](int block, int plane) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(Masks[std::size_t(block * 3 + plane)].data()));
  };
  // Streamed blocks must start on a 16-byte boundary; the pixels before the first one are plain.
  std::size_t i = 0;
  while (stream && i < count && reinterpret_cast<std::uintptr_t>(target + 3 * i) % 16 != 0) ++i;
  InterleaveBytesPlain(planes, target, i);
  for (; i + 16 <= count; i += 16) {
    const __m128i first = Load(planes[0] + i), second = Load(planes[1] + i), third = Load(planes[2] + i);
    for (int block = 0; block < 3; ++block) {
      const __m128i bytes = _mm_or_si128(
          _mm_or_si128(_mm_shuffle_epi8(first, mask(block, 0)), _mm_shuffle_epi8(second, mask(block, 1))),
          _mm_shuffle_epi8(third, mask(block, 2)));
      std::uint8_t* at = target + 3 * i + 16 * std::size_t(block);
      stream ? _mm_stream_si128(reinterpret_cast<__m128i*>(at), bytes) : Store(at, bytes);
    }
  }
  InterleaveRest(planes, i, target, count);
}
#endif

}  // namespace

void FenceStreamedWrites() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

bool HasByteShuffles() {
#if defined(__SSE2__)
  static const bool has = __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt");
  return has && ShufflesAllowed;
#else
  return false;
#endif
}

void AllowByteShuffles(bool allow) { ShufflesAllowed = allow; }

void InterleaveBytes(const TBytePlanes& planes, std::uint8_t* target, std::size_t count, bool stream) {
#if defined(__SSE2__)
  if (planes[3] == nullptr && HasByteShuffles()) return InterleaveSSSE3(planes, target, count, stream);
  InterleaveSSE2(planes, target, count);
#else
  InterleaveBytesPlain(planes, target, count);
#endif
}

void InterleaveBytesPlain(const TBytePlanes& planes, std::uint8_t* target, std::size_t count) {
  const std::size_t step = planes[3] ? 4 : 3;
  for (std::size_t i = 0; i < count; ++i, target += step) {
    for (std::size_t k = 0; k < step; ++k) target[k] = planes[k][i];
  }
}

void ReduceWords(const std::uint8_t* words, std::uint8_t* target, std::size_t count, bool swap) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // w div 257 is (w·0xFF01) >> 24 for every 16-bit w.
  const __m128i reciprocal = _mm_set1_epi16(std::int16_t(0xFF01));
  const auto reduce = [&](__m128i w) {
    if (swap) w = _mm_or_si128(_mm_slli_epi16(w, 8), _mm_srli_epi16(w, 8));
    return _mm_srli_epi16(_mm_mulhi_epu16(w, reciprocal), 8);
  };
  for (; i + 16 <= count; i += 16)
    Store(target + i, _mm_packus_epi16(reduce(Load(words + 2 * i)), reduce(Load(words + 2 * i + 16))));
#endif
  ReduceWordsPlain(words + 2 * i, target + i, count - i, swap);
}

void ReduceWordsPlain(const std::uint8_t* words, std::uint8_t* target, std::size_t count, bool swap) {
  for (std::size_t i = 0; i < count; ++i) target[i] = std::uint8_t(Word(words + 2 * i, swap) / 257);
}

void CMYKToColour(const std::uint8_t* cmyk, std::uint8_t* target, std::size_t count, bool toBGR) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // c·k div 255 is (c·k·0x8081) >> 23 for every product of two bytes.
  const __m128i reciprocal = _mm_set1_epi16(std::int16_t(0x8081)), white = _mm_set1_epi16(255);
  const __m128i zero = _mm_setzero_si128();
  for (; i + 9 <= count; i += 8) {
    __m128i cyanMagenta, yellowBlack;
    SplitQuads(Load(cmyk + 4 * i), Load(cmyk + 4 * i + 16), cyanMagenta, yellowBlack);
    const __m128i k = _mm_unpackhi_epi8(yellowBlack, zero);
    const auto colour = [&](__m128i c) {
      const __m128i shade = _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(c, k), reciprocal), 7);
      return _mm_subs_epu16(white, _mm_add_epi16(_mm_sub_epi16(c, shade), k));
    };
    const __m128i red = colour(_mm_unpacklo_epi8(cyanMagenta, zero)),
                  green = colour(_mm_unpackhi_epi8(cyanMagenta, zero)),
                  blue = colour(_mm_unpacklo_epi8(yellowBlack, zero));
    StoreColours(target + 3 * i, toBGR ? blue : red, green, toBGR ? red : blue);
  }
#endif
  CMYKToColourPlain(cmyk + 4 * i, target + 3 * i, count - i, toBGR);
}

void CMYKToColourPlain(const std::uint8_t* cmyk, std::uint8_t* target, std::size_t count, bool toBGR) {
  for (std::size_t i = 0; i < count; ++i, cmyk += 4, target += 3)
    StoreOrdered(target, toBGR, InkToColour(cmyk[0], cmyk[3]), InkToColour(cmyk[1], cmyk[3]),
                 InkToColour(cmyk[2], cmyk[3]));
}

bool ChromaTerm(std::int32_t chroma, std::int32_t centre, float factor, std::int32_t& term) {
  // The vector form rounds in the same way (to nearest, halves to even) and needs sums of a
  // luma and two terms to stay far within 32 bits.
  const float product = float(chroma - centre) * factor;
  if (!(std::fabs(product) < 1 << 24)) return false;
  term = std::int32_t(std::nearbyint(product));
  return true;
}

void LumaChromaToColour(const std::uint8_t* ycc, std::uint8_t* target, std::size_t count,
                        const TChromaFactors& factors, bool toBGR) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128 redFromCr = _mm_set1_ps(factors.RedFromCr), greenFromCr = _mm_set1_ps(factors.GreenFromCr),
               blueFromCb = _mm_set1_ps(factors.BlueFromCb), greenFromCb = _mm_set1_ps(factors.GreenFromCb);
  const __m128i cbCentre = _mm_set1_epi32(factors.CbCentre), crCentre = _mm_set1_epi32(factors.CrCentre);
  const __m128i byte = _mm_set1_epi32(0xFF), zero = _mm_setzero_si128(), white = _mm_set1_epi16(255);
  const auto term = [](__m128 chroma, __m128 factor) { return _mm_cvtps_epi32(_mm_mul_ps(chroma, factor)); };
  // Red, green and blue of four pixels as 32-bit values.
  const auto colours = [&](__m128i pixels, __m128i(&rgb)[3]) {
    const __m128i y = _mm_and_si128(pixels, byte);
    const __m128 cb =
        _mm_cvtepi32_ps(_mm_sub_epi32(_mm_and_si128(_mm_srli_epi32(pixels, 8), byte), cbCentre));
    const __m128 cr = _mm_cvtepi32_ps(_mm_sub_epi32(_mm_srli_epi32(pixels, 16), crCentre));
    rgb[0] = _mm_add_epi32(y, term(cr, redFromCr));
    rgb[1] = _mm_sub_epi32(_mm_sub_epi32(y, term(cr, greenFromCr)), term(cb, greenFromCb));
    rgb[2] = _mm_add_epi32(y, term(cb, blueFromCb));
  };
  const auto clamped = [&](__m128i a, __m128i b) {
    return _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(a, b), zero), white);
  };
  for (; i + 9 <= count; i += 8) {
    __m128i low[3], high[3];
    colours(pixels::LoadPixels24(ycc + 3 * i), low);
    colours(pixels::LoadPixels24(ycc + 3 * i + 12), high);
    const __m128i red = clamped(low[0], high[0]), green = clamped(low[1], high[1]),
                  blue = clamped(low[2], high[2]);
    StoreColours(target + 3 * i, toBGR ? blue : red, green, toBGR ? red : blue);
  }
#endif
  LumaChromaToColourPlain(ycc + 3 * i, target + 3 * i, count - i, factors, toBGR);
}

void LumaChromaToColourPlain(const std::uint8_t* ycc, std::uint8_t* target, std::size_t count,
                             const TChromaFactors& factors, bool toBGR) {
  for (std::size_t i = 0; i < count; ++i, ycc += 3, target += 3) {
    std::int32_t redTerm = 0, greenCrTerm = 0, blueTerm = 0, greenCbTerm = 0;
    ChromaTerm(ycc[2], factors.CrCentre, factors.RedFromCr, redTerm);
    ChromaTerm(ycc[2], factors.CrCentre, factors.GreenFromCr, greenCrTerm);
    ChromaTerm(ycc[1], factors.CbCentre, factors.BlueFromCb, blueTerm);
    ChromaTerm(ycc[1], factors.CbCentre, factors.GreenFromCb, greenCbTerm);
    StoreOrdered(target, toBGR, Clamped(ycc[0] + redTerm), Clamped(ycc[0] - greenCrTerm - greenCbTerm),
                 Clamped(ycc[0] + blueTerm));
  }
}

}  // namespace lumox::rows
