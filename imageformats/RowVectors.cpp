#include "imageformats/RowVectors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "bitmap/ProcessorProbe.h"
#include "framework/PixelVectors.h"

namespace lumox::rows {
namespace {

// Cleared by tests that try the forms without byte shuffles or without 256-bit vectors.
bool ShufflesAllowed = true;
bool WideAllowed = true;

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

// The vector forms below return how many pixels (samples for words) they converted; the plain
// form converts the rest.

// w div 257 is (w·0xFF01) >> 24 for every 16-bit w.
constexpr std::int16_t ByteReciprocal = std::int16_t(0xFF01);
// c·k div 255 is (c·k·0x8081) >> 23 for every product of two bytes.
constexpr std::int16_t InkReciprocal = std::int16_t(0x8081);

std::size_t ReduceWordsSSE2(const std::uint8_t* words, std::uint8_t* target, std::size_t count, bool swap) {
  const __m128i reciprocal = _mm_set1_epi16(ByteReciprocal);
  const auto reduce = [&](__m128i w) {
    if (swap) w = _mm_or_si128(_mm_slli_epi16(w, 8), _mm_srli_epi16(w, 8));
    return _mm_srli_epi16(_mm_mulhi_epu16(w, reciprocal), 8);
  };
  std::size_t i = 0;
  for (; i + 16 <= count; i += 16)
    Store(target + i, _mm_packus_epi16(reduce(Load(words + 2 * i)), reduce(Load(words + 2 * i + 16))));
  return i;
}

std::size_t CMYKToColourSSE2(const std::uint8_t* cmyk, std::uint8_t* target, std::size_t count, bool toBGR) {
  const __m128i reciprocal = _mm_set1_epi16(InkReciprocal), white = _mm_set1_epi16(255);
  const __m128i zero = _mm_setzero_si128();
  std::size_t i = 0;
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
  return i;
}

std::size_t LumaChromaToColourSSE2(const std::uint8_t* ycc, std::uint8_t* target, std::size_t count,
                                   const TChromaFactors& factors, bool toBGR) {
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
  std::size_t i = 0;
  for (; i + 9 <= count; i += 8) {
    __m128i low[3], high[3];
    colours(pixels::LoadPixels24(ycc + 3 * i), low);
    colours(pixels::LoadPixels24(ycc + 3 * i + 12), high);
    const __m128i red = clamped(low[0], high[0]), green = clamped(low[1], high[1]),
                  blue = clamped(low[2], high[2]);
    StoreColours(target + 3 * i, toBGR ? blue : red, green, toBGR ? red : blue);
  }
  return i;
}

// The 256-bit forms. Byte shuffles and unpacking work within each 128-bit half, so each half
// holds four whole pixels.
using pixels::LoadWide;

using TWideShuffle = std::array<std::int8_t, 32>;

// The shuffle that gathers the three colour bytes of the four pixels of each half into its first
// twelve bytes, blue first when `toBGR`, and zeroes the other four. Colour c of pixel p is byte
// p·pixelStep + c·colourStep of the half.
constexpr TWideShuffle GatherColours(int pixelStep, int colourStep, bool toBGR) {
  TWideShuffle shuffle{};
  for (int j = 0; j < 32; ++j) {
    const int pixel = j % 16 / 3, colour = toBGR ? 2 - j % 16 % 3 : j % 16 % 3;
    shuffle[std::size_t(j)] = std::int8_t(j % 16 < 12 ? pixel * pixelStep + colour * colourStep : -1);
  }
  return shuffle;
}

// Two 16-byte blocks, from `p` and `p + offset`, as the halves of one value.
LUMOX_WIDE __m256i LoadHalves(const std::uint8_t* p, std::size_t offset) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(Load(p)), Load(p + offset), 1);
}

// Value `from` with its 32-bit lanes moved as `lanes` says: lane j takes lane lanes[j].
LUMOX_WIDE __m256i MovedLanes(__m256i from, std::array<int, 8> lanes) {
  return _mm256_permutevar8x32_epi32(from, LoadWide(lanes.data()));
}

// Thirty-two pixels, four in each half of `a`, `b`, `c` and `d`, gathered by `gather` (one of
// GatherColours), as 96 bytes in three whole stores: stores that overlap, or that cross cache
// lines more often, slow the writes to a bitmap beyond the caches.
LUMOX_WIDE void StoreColoursWide(std::uint8_t* target, __m256i a, __m256i b, __m256i c, __m256i d,
                                 __m256i gather) {
  a = _mm256_shuffle_epi8(a, gather), b = _mm256_shuffle_epi8(b, gather);
  c = _mm256_shuffle_epi8(c, gather), d = _mm256_shuffle_epi8(d, gather);
  // The 24 bytes of each value lie in its lanes 0, 1, 2, 4, 5, 6; each store blends those of two.
  auto* out = reinterpret_cast<__m256i*>(target);
  _mm256_storeu_si256(out, _mm256_blend_epi32(MovedLanes(a, {0, 1, 2, 4, 5, 6}),
                                              MovedLanes(b, {0, 0, 0, 0, 0, 0, 0, 1}), 0xC0));
  _mm256_storeu_si256(out + 1, _mm256_blend_epi32(MovedLanes(b, {2, 4, 5, 6}),
                                                  MovedLanes(c, {0, 0, 0, 0, 0, 1, 2, 4}), 0xF0));
  _mm256_storeu_si256(
      out + 2, _mm256_blend_epi32(MovedLanes(c, {5, 6}), MovedLanes(d, {0, 0, 0, 1, 2, 4, 5, 6}), 0xFC));
}

LUMOX_WIDE __m256i ReduceWide(__m256i w, __m256i reciprocal, bool swap) {
  if (swap) w = _mm256_or_si256(_mm256_slli_epi16(w, 8), _mm256_srli_epi16(w, 8));
  return _mm256_srli_epi16(_mm256_mulhi_epu16(w, reciprocal), 8);
}

LUMOX_WIDE_ENTRY std::size_t ReduceWordsWide(const std::uint8_t* words, std::uint8_t* target,
                                             std::size_t count, bool swap) {
  const __m256i reciprocal = _mm256_set1_epi16(ByteReciprocal);
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    // Packing works by halves too: the middle two quarters change places, and back.
    const __m256i packed = _mm256_packus_epi16(ReduceWide(LoadWide(words + 2 * i), reciprocal, swap),
                                               ReduceWide(LoadWide(words + 2 * i + 32), reciprocal, swap));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + i), _mm256_permute4x64_epi64(packed, 0xD8));
  }
  return i;
}

// The colour words of `inverse`, two pixels per half of words 255 − cyan, magenta, yellow and
// black; the black place takes a value of no use. 255 − (c − c·k div 255 + k), clamped, is
// (255 − c)·(255 − k) div 255 for all bytes c and k, which spares the sums and the clamping.
LUMOX_WIDE __m256i InkWordColoursWide(__m256i inverse) {
  // The black word (bytes 6, 7 and 14, 15 of each half) into all four words of its pixel.
  const __m256i spreadBlack = _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15, 6, 7,
                                               6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
  const __m256i product = _mm256_mullo_epi16(inverse, _mm256_shuffle_epi8(inverse, spreadBlack));
  return _mm256_srli_epi16(_mm256_mulhi_epu16(product, _mm256_set1_epi16(InkReciprocal)), 7);
}

// The colour bytes of the eight pixels at `cmyk`, four 4-byte pixels in each half.
LUMOX_WIDE __m256i InkColoursWide(const std::uint8_t* cmyk) {
  const __m256i inverse = _mm256_xor_si256(LoadWide(cmyk), _mm256_set1_epi8(-1)),
                zero = _mm256_setzero_si256();
  return _mm256_packus_epi16(InkWordColoursWide(_mm256_unpacklo_epi8(inverse, zero)),
                             InkWordColoursWide(_mm256_unpackhi_epi8(inverse, zero)));
}

// Thirty-two pixels of four ink bytes.
struct TInkStepWide {
  static constexpr std::size_t SourceBytes = 4, ReadBehind = 0;
  __m256i Gather;

  LUMOX_WIDE void operator()(const std::uint8_t* cmyk, std::uint8_t* target) const {
    StoreColoursWide(target, InkColoursWide(cmyk), InkColoursWide(cmyk + 32), InkColoursWide(cmyk + 64),
                     InkColoursWide(cmyk + 96), Gather);
  }
};

// The chroma factors and centres in every lane.
struct TWideChroma {
  __m256 RedFromCr, GreenFromCr, BlueFromCb, GreenFromCb;
  __m256i CbCentre, CrCentre;
};

LUMOX_WIDE __m256i ChromaTermWide(__m256 chroma, __m256 factor) {
  return _mm256_cvtps_epi32(_mm256_mul_ps(chroma, factor));
}

// Red, green and blue bytes of the eight pixels at `ycc` (reading 28 bytes): those of four pixels
// in each half, the red ones first, then the green, then the blue ones.
LUMOX_WIDE __m256i LumaChromaColoursWide(const std::uint8_t* ycc, const TWideChroma& f) {
  // Each pixel's three bytes into the low bytes of a 32-bit lane.
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1,
                                          3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m256i byte = _mm256_set1_epi32(0xFF);
  const __m256i pixels = _mm256_shuffle_epi8(LoadHalves(ycc, 12), spread);
  const __m256i y = _mm256_and_si256(pixels, byte);
  const __m256 cb =
      _mm256_cvtepi32_ps(_mm256_sub_epi32(_mm256_and_si256(_mm256_srli_epi32(pixels, 8), byte), f.CbCentre));
  const __m256 cr = _mm256_cvtepi32_ps(_mm256_sub_epi32(_mm256_srli_epi32(pixels, 16), f.CrCentre));
  const __m256i red = _mm256_add_epi32(y, ChromaTermWide(cr, f.RedFromCr));
  const __m256i green = _mm256_sub_epi32(_mm256_sub_epi32(y, ChromaTermWide(cr, f.GreenFromCr)),
                                         ChromaTermWide(cb, f.GreenFromCb));
  const __m256i blue = _mm256_add_epi32(y, ChromaTermWide(cb, f.BlueFromCb));
  // Saturating to 16 bits and then to bytes clamps each sum to 0..255.
  return _mm256_packus_epi16(_mm256_packs_epi32(red, green), _mm256_packs_epi32(blue, blue));
}

// Thirty-two pixels of luma and chroma bytes.
struct TLumaChromaStepWide {
  static constexpr std::size_t SourceBytes = 3, ReadBehind = 4;
  TWideChroma Factors;
  __m256i Gather;

  LUMOX_WIDE void operator()(const std::uint8_t* ycc, std::uint8_t* target) const {
    StoreColoursWide(target, LumaChromaColoursWide(ycc, Factors), LumaChromaColoursWide(ycc + 24, Factors),
                     LumaChromaColoursWide(ycc + 48, Factors), LumaChromaColoursWide(ycc + 72, Factors),
                     Gather);
  }
};

// A row of three-byte pixels made by `step`, 32 pixels at a time. The plain forms take some
// twenty times as long a pixel, enough to matter in rows of thousands: the last pixels take one
// more step, through buffers. TStep tells the bytes of a source pixel (SourceBytes) and how many
// a step reads behind its pixels (ReadBehind).
template <class TStep>
LUMOX_WIDE std::size_t StepsWide(const TStep& step, const std::uint8_t* source, std::uint8_t* target,
                                 std::size_t count) {
  constexpr std::size_t sourceStep = 32 * TStep::SourceBytes;
  std::size_t i = 0;
  for (; (i + 32) * TStep::SourceBytes + TStep::ReadBehind <= count * TStep::SourceBytes; i += 32)
    step(source + i * TStep::SourceBytes, target + 3 * i);
  for (; i < count; i += 32) {
    const std::size_t pixels = std::min<std::size_t>(32, count - i);
    std::array<std::uint8_t, sourceStep + TStep::ReadBehind> from{};
    std::array<std::uint8_t, 3 * 32> to;
    std::memcpy(from.data(), source + i * TStep::SourceBytes, pixels * TStep::SourceBytes);
    step(from.data(), to.data());
    std::memcpy(target + 3 * i, to.data(), 3 * pixels);
  }
  return count;
}

LUMOX_WIDE_ENTRY std::size_t CMYKToColourWide(const std::uint8_t* cmyk, std::uint8_t* target,
                                              std::size_t count, bool toBGR) {
  static constexpr TWideShuffle toRGBGather = GatherColours(4, 1, false),
                                toBGRGather = GatherColours(4, 1, true);
  const TInkStepWide step{LoadWide((toBGR ? toBGRGather : toRGBGather).data())};
  return StepsWide(step, cmyk, target, count);
}

LUMOX_WIDE_ENTRY std::size_t LumaChromaToColourWide(const std::uint8_t* ycc, std::uint8_t* target,
                                                    std::size_t count, const TChromaFactors& factors,
                                                    bool toBGR) {
  static constexpr TWideShuffle toRGBGather = GatherColours(1, 4, false),
                                toBGRGather = GatherColours(1, 4, true);
  const TWideChroma f{_mm256_set1_ps(factors.RedFromCr),   _mm256_set1_ps(factors.GreenFromCr),
                      _mm256_set1_ps(factors.BlueFromCb),  _mm256_set1_ps(factors.GreenFromCb),
                      _mm256_set1_epi32(factors.CbCentre), _mm256_set1_epi32(factors.CrCentre)};
  const TLumaChromaStepWide step{f, LoadWide((toBGR ? toBGRGather : toRGBGather).data())};
  return StepsWide(step, ycc, target, count);
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

bool HasWideVectors() {
  static const bool has = HasWidePackedIntegers();
  return has && WideAllowed;
}

void AllowWideVectors(bool allow) { WideAllowed = allow; }

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
  std::size_t done = 0;
#if defined(__SSE2__)
  done = HasWideVectors() ? ReduceWordsWide(words, target, count, swap)
                          : ReduceWordsSSE2(words, target, count, swap);
#endif
  ReduceWordsPlain(words + 2 * done, target + done, count - done, swap);
}

void ReduceWordsPlain(const std::uint8_t* words, std::uint8_t* target, std::size_t count, bool swap) {
  for (std::size_t i = 0; i < count; ++i) target[i] = std::uint8_t(Word(words + 2 * i, swap) / 257);
}

void CMYKToColour(const std::uint8_t* cmyk, std::uint8_t* target, std::size_t count, bool toBGR) {
  std::size_t done = 0;
#if defined(__SSE2__)
  done = HasWideVectors() ? CMYKToColourWide(cmyk, target, count, toBGR)
                          : CMYKToColourSSE2(cmyk, target, count, toBGR);
#endif
  CMYKToColourPlain(cmyk + 4 * done, target + 3 * done, count - done, toBGR);
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
  std::size_t done = 0;
#if defined(__SSE2__)
  done = HasWideVectors() ? LumaChromaToColourWide(ycc, target, count, factors, toBGR)
                          : LumaChromaToColourSSE2(ycc, target, count, factors, toBGR);
#endif
  LumaChromaToColourPlain(ycc + 3 * done, target + 3 * done, count - done, factors, toBGR);
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
