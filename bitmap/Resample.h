#pragma once
// The separable kernel resampler's filters and mapping tables. Kernel arguments and values are
// single-precision floats; weights are rounded to integers (halves to even) so that each
// destination pixel's weights along one axis add up to exactly 256.
#include <cstdint>
#include <vector>

#include "bitmap/Bitmap32.h"

namespace lumox {

// K(x) of each filter: box, triangle (sfDraft and sfLinear), raised cosine, cubic B-spline,
// Lanczos with three lobes, Mitchell.
float FilterKernel(TStretchFilter Filter, float x);
// Where K becomes zero: 1, 2 or 3.
float FilterWidth(TStretchFilter Filter);

struct TContributor {
  std::int32_t Pos;
  std::int32_t Weight;
  bool operator==(const TContributor&) const = default;
};
using TContributorList = std::vector<TContributor>;
// One list per destination pixel of the clipped span.
using TMappingTable = std::vector<TContributorList>;

// The source pixels and weights of each destination pixel ClipLo..ClipHi-1 when the span
// DstLo..DstHi-1 shows the source span SrcLo..SrcHi-1. Positions outside the source span repeat
// its edge pixel. An empty source span gives an empty table.
TMappingTable BuildMappingTable(int DstLo, int DstHi, int ClipLo, int ClipHi, int SrcLo, int SrcHi,
                                TStretchFilter Filter);

// The pixel loops of the resampler's two passes. Every set gives the same pixels: the plain one
// sums 32-bit integers channel by channel, the packed one (SSE2) multiplies 16-bit lanes, eight
// columns per sweep over the source rows. Weights too large for 16 bits take the plain loops
// whatever the set.
struct TResampleLoops;
extern const TResampleLoops PlainResampleLoops;
#ifdef __SSE2__
extern const TResampleLoops PackedResampleLoops;
#endif
// The packed arithmetic in 256-bit registers (AVX2), sixteen columns per sweep; nullptr where
// the processor lacks it.
extern const TResampleLoops* const WideResampleLoops;
// The set the processor allows; Resample uses it.
extern const TResampleLoops& ResampleLoops;

// Resample (Transforms.h) with the given set of loops.
void Resample(const TResampleLoops& Loops, TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src,
              TRect SrcRect, TStretchFilter Filter, TDrawMode CombineOp,
              const TPixelCombineEvent& CombineCallBack);

}  // namespace lumox
