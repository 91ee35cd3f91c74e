// The packed set: each channel is a 16-bit lane, so a mix is
//   (256 b + (f - b) W + 128) / 256
// computed modulo 2^16. The true value lies in 128..65408, so the lanes never wrap and the
// results are exact.
#include "bitmap/Blend.h"

#ifdef __SSE2__

#include <emmintrin.h>

namespace lumox {
namespace {

__m128i Load(TColor32 c) { return _mm_cvtsi32_si128(int(c)); }
TColor32 Store(__m128i v) { return TColor32(_mm_cvtsi128_si32(v)); }
__m128i Lanes(__m128i bytes) { return _mm_unpacklo_epi8(bytes, _mm_setzero_si128()); }
__m128i LanesHigh(__m128i bytes) { return _mm_unpackhi_epi8(bytes, _mm_setzero_si128()); }
TColor32 Pack(__m128i lanes) { return Store(_mm_packus_epi16(lanes, lanes)); }

__m128i MixLanes(__m128i f, __m128i b, __m128i w) {
  const __m128i delta = _mm_mullo_epi16(_mm_sub_epi16(f, b), w);
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(b, 8), delta), _mm_set1_epi16(128));
  return _mm_srli_epi16(sum, 8);
}

TColor32 Mix(TColor32 F, TColor32 B, std::uint32_t W) {
  return Pack(MixLanes(Lanes(Load(F)), Lanes(Load(B)), _mm_set1_epi16(short(W))));
}

std::uint32_t ScaledWeight(TColor32 F, std::uint32_t M) { return (M + 1) * AlphaComponent(F) >> 8; }

TColor32 MixColors(TColor32 F, TColor32 B, std::uint32_t W) { return Mix(F, B, W); }

void MixColorInto(TColor32 F, TColor32& B, std::uint32_t W) {
  if (W == 0) return;
  B = W >= 255 ? F : Mix(F, B, W);
}

TColor32 BlendColors(TColor32 F, TColor32 B) { return Mix(F, B, AlphaComponent(F)); }

void BlendColorInto(TColor32 F, TColor32& B) { MixColorInto(F, B, AlphaComponent(F)); }

TColor32 BlendColorsScaled(TColor32 F, TColor32 B, std::uint32_t M) {
  const std::uint32_t W = ScaledWeight(F, M);
  return W == 0 ? B : Mix(F, B, W);
}

void BlendColorIntoScaled(TColor32 F, TColor32& B, std::uint32_t M) { B = BlendColorsScaled(F, B, M); }

// Each pixel's alpha in all four lanes of that pixel (two pixels per register).
__m128i AlphaLanes(__m128i lanes) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(lanes, 0xFF), 0xFF); }

// Four pixels of F over four of B, each weighted by `weights(alpha lanes)`.
template <class Weights>
__m128i MixFour(__m128i f, __m128i b, Weights weights) {
  const __m128i fLow = Lanes(f), fHigh = LanesHigh(f);
  const __m128i low = MixLanes(fLow, Lanes(b), weights(AlphaLanes(fLow)));
  const __m128i high = MixLanes(fHigh, LanesHigh(b), weights(AlphaLanes(fHigh)));
  return _mm_packus_epi16(low, high);
}

__m128i AlphaEquals(__m128i pixels, int alpha) {
  const __m128i mask = _mm_set1_epi32(int(AlphaMask32));
  return _mm_cmpeq_epi32(_mm_and_si128(pixels, mask), _mm_set1_epi32(int(TColor32(alpha) << 24)));
}

constexpr int AllLanes = 0xFFFF;

void BlendRow(const TColor32* Src, TColor32* Dst, int Count) {
  int i = 0;
  for (; i + 4 <= Count; i += 4) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
    const __m128i opaque = AlphaEquals(f, 255);
    auto* out = reinterpret_cast<__m128i*>(Dst + i);
    if (_mm_movemask_epi8(opaque) == AllLanes) {
      _mm_storeu_si128(out, f);
      continue;
    }
    if (_mm_movemask_epi8(AlphaEquals(f, 0)) == AllLanes) continue;
    const __m128i mixed = MixFour(f, _mm_loadu_si128(out), [](__m128i alpha) { return alpha; });
    // Opaque pixels are copied, not mixed.
    _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(opaque, f), _mm_andnot_si128(opaque, mixed)));
  }
  for (; i < Count; ++i) BlendColorInto(Src[i], Dst[i]);
}

void BlendRowScaled(const TColor32* Src, TColor32* Dst, int Count, std::uint32_t M) {
  const __m128i scale = _mm_set1_epi16(short(M + 1));
  int i = 0;
  for (; i + 4 <= Count; i += 4) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
    if (_mm_movemask_epi8(AlphaEquals(f, 0)) == AllLanes) continue;
    auto* out = reinterpret_cast<__m128i*>(Dst + i);
    // A weight of 0 leaves the background as it was, so no pixel needs a shortcut.
    _mm_storeu_si128(out, MixFour(f, _mm_loadu_si128(out), [scale](__m128i alpha) {
                       return _mm_srli_epi16(_mm_mullo_epi16(alpha, scale), 8);
                     }));
  }
  for (; i < Count; ++i) BlendColorIntoScaled(Src[i], Dst[i], M);
}

TColor32 AddColors(TColor32 C1, TColor32 C2) { return Store(_mm_adds_epu8(Load(C1), Load(C2))); }
TColor32 SubtractColors(TColor32 C1, TColor32 C2) { return Store(_mm_subs_epu8(Load(C1), Load(C2))); }
TColor32 MaxColors(TColor32 C1, TColor32 C2) { return Store(_mm_max_epu8(Load(C1), Load(C2))); }
TColor32 MinColors(TColor32 C1, TColor32 C2) { return Store(_mm_min_epu8(Load(C1), Load(C2))); }

TColor32 ModulateColors(TColor32 C1, TColor32 C2) {
  return Pack(_mm_srli_epi16(_mm_mullo_epi16(Lanes(Load(C1)), Lanes(Load(C2))), 8));
}

TColor32 DifferenceColors(TColor32 C1, TColor32 C2) {
  const __m128i a = Load(C1), b = Load(C2);
  return Store(_mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a)));
}

TColor32 ExcludeColors(TColor32 C1, TColor32 C2) {
  const __m128i a = Lanes(Load(C1)), b = Lanes(Load(C2));
  const __m128i product = _mm_srli_epi16(_mm_mullo_epi16(a, b), 7);
  return Pack(_mm_sub_epi16(_mm_add_epi16(a, b), product));
}

}  // namespace

constinit const TBlendSet PackedBlendSet{
    MixColors, MixColorInto,     BlendColors,  BlendColorInto, BlendColorsScaled, BlendColorIntoScaled,
    BlendRow,  BlendRowScaled,   AddColors,    SubtractColors, ModulateColors,    MaxColors,
    MinColors, DifferenceColors, ExcludeColors};

}  // namespace lumox

#endif
