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

}  // namespace lumox
