// The plain set and the start-up choice between the two sets.
#include "bitmap/Blend.h"

#include <algorithm>

#include "bitmap/ProcessorProbe.h"

namespace lumox {
namespace {

// Red and blue are mixed in one word, alpha and green in another: each product plus the
// rounding term stays inside its 16-bit field, and the two halves of a channel never carry.
TColor32 Mix(TColor32 F, TColor32 B, std::uint32_t W) {
  constexpr std::uint32_t Low = 0x00FF00FF, Round = 0x00800080, High = 0xFF00FF00;
  const std::uint32_t V = 255 - W;
  const auto half = [](std::uint32_t pair, std::uint32_t weight) { return (pair * weight + Round) & High; };
  const std::uint32_t redBlue = half(F & Low, W) + half(B & Low, V);
  const std::uint32_t alphaGreen = half(F >> 8 & Low, W) + half(B >> 8 & Low, V);
  return redBlue >> 8 | alphaGreen;
}

std::uint32_t ScaledWeight(TColor32 F, std::uint32_t M) { return (M + 1) * AlphaComponent(F) >> 8; }

TColor32 MixColors(TColor32 F, TColor32 B, std::uint32_t W) {
  if (W == 0) return B;
  if (W >= 255) return F;
  return Mix(F, B, W);
}

void MixColorInto(TColor32 F, TColor32& B, std::uint32_t W) { B = MixColors(F, B, W); }

TColor32 BlendColors(TColor32 F, TColor32 B) { return MixColors(F, B, AlphaComponent(F)); }

void BlendColorInto(TColor32 F, TColor32& B) { B = BlendColors(F, B); }

TColor32 BlendColorsScaled(TColor32 F, TColor32 B, std::uint32_t M) {
  const std::uint32_t W = ScaledWeight(F, M);
  return W == 0 ? B : Mix(F, B, W);
}

void BlendColorIntoScaled(TColor32 F, TColor32& B, std::uint32_t M) { B = BlendColorsScaled(F, B, M); }

void BlendRow(const TColor32* Src, TColor32* Dst, int Count) {
  for (int i = 0; i < Count; ++i) BlendColorInto(Src[i], Dst[i]);
}

void BlendRowScaled(const TColor32* Src, TColor32* Dst, int Count, std::uint32_t M) {
  for (int i = 0; i < Count; ++i) BlendColorIntoScaled(Src[i], Dst[i], M);
}

// Applies `op` to each of the four channels.
template <class Op>
TColor32 PerChannel(TColor32 C1, TColor32 C2, Op op) {
  TColor32 result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int c = op(int(C1 >> shift & 0xFF), int(C2 >> shift & 0xFF));
    result |= TColor32(c) << shift;
  }
  return result;
}

TColor32 AddColors(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](int a, int b) { return std::min(a + b, 255); });
}
TColor32 SubtractColors(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](int a, int b) { return std::max(a - b, 0); });
}
TColor32 ModulateColors(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](int a, int b) { return a * b >> 8; });
}
TColor32 MaxColors(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](int a, int b) { return std::max(a, b); });
}
TColor32 MinColors(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](int a, int b) { return std::min(a, b); });
}
TColor32 DifferenceColors(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](int a, int b) { return a > b ? a - b : b - a; });
}
TColor32 ExcludeColors(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](int a, int b) { return a + b - (a * b >> 7); });
}

bool ChoosePacked() {
#ifdef __SSE2__
  return HasPackedIntegers();
#else
  return false;
#endif
}

}  // namespace

constinit const TBlendSet PlainBlendSet{
    MixColors, MixColorInto,     BlendColors,  BlendColorInto, BlendColorsScaled, BlendColorIntoScaled,
    BlendRow,  BlendRowScaled,   AddColors,    SubtractColors, ModulateColors,    MaxColors,
    MinColors, DifferenceColors, ExcludeColors};

const bool PackedBlendActive = ChoosePacked();

#ifdef __SSE2__
const TBlendSet BlendRoutines = PackedBlendActive ? PackedBlendSet : PlainBlendSet;
#else
const TBlendSet BlendRoutines = PlainBlendSet;
#endif

}  // namespace lumox
