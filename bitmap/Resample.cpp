// The kernel resampler: a vertical pass per destination row into 32-bit accumulators covering
// only the source columns needed, then a horizontal pass; each sum carries the scale 65536 and
// is clamped into 0..255. Integer sums are exact, so the packed (SSE2) vertical pass, which adds
// the taps in another order, gives the same pixels as the plain one.
#include "bitmap/Resample.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "bitmap/Transfer.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace lumox {
namespace {

constexpr float Pi = std::numbers::pi_v<float>;

float Sinc(float u) { return u == 0.0f ? 1.0f : std::sin(Pi * u) / (Pi * u); }

std::int64_t WidthOf(std::int64_t lo, std::int64_t hi) { return hi - lo; }

// floor(c - reach) .. ceil(c + reach) with every non-zero weight, positions clamped into the span.
TContributorList Contributors(float c, float reach, float scale, int srcLo, int srcHi,
                              TStretchFilter filter) {
  TContributorList list;
  const auto first = std::int64_t(std::floor(c - reach)), last = std::int64_t(std::ceil(c + reach));
  for (std::int64_t j = first; j <= last; ++j) {
    const float x = c - float(j);
    const long w = scale >= 1.0f ? std::lrint(FilterKernel(filter, x) * 256.0f)
                                 : std::lrint(FilterKernel(filter, x * scale) * 256.0f * scale);
    if (w != 0) list.push_back({int(std::clamp<std::int64_t>(j, srcLo, srcHi - 1)), int(w)});
  }
  if (list.empty())
    list.push_back({int(std::clamp<std::int64_t>(std::int64_t(std::floor(c)), srcLo, srcHi - 1)), 256});
  int sum = 0;
  for (const TContributor& p : list) sum += p.Weight;
  list[(list.size() - 1) / 2].Weight -= sum - 256;
  return list;
}

// A contributor list as dense weights of consecutive source positions from First on.
struct TTaps {
  int First = 0;
  std::vector<std::int32_t> Weights;
};

TTaps Dense(const TContributorList& list) {
  const auto [low, high] = std::minmax_element(list.begin(), list.end(),
                                               [](const auto& a, const auto& b) { return a.Pos < b.Pos; });
  TTaps taps{low->Pos, std::vector<std::int32_t>(std::size_t(high->Pos - low->Pos) + 1)};
  for (const TContributor& p : list) taps.Weights[std::size_t(p.Pos - taps.First)] += p.Weight;
  return taps;
}

std::vector<TTaps> DenseTable(const TMappingTable& table) {
  std::vector<TTaps> result;
  result.reserve(table.size());
  for (const TContributorList& list : table) result.push_back(Dense(list));
  return result;
}

// One source row of the vertical pass and its weight.
struct TRowTap {
  const TColor32* Row;  // at the first needed column
  std::int32_t Weight;
};

// Columns from `from` to `count` of the vertical pass, one channel at a time.
void VerticalPlain(const std::vector<TRowTap>& taps, int from, int count, std::int32_t* acc) {
  for (int x = from; x < count; ++x) {
    std::int32_t* sums = acc + 4 * x;
    sums[0] = sums[1] = sums[2] = sums[3] = 0;
    for (const TRowTap& tap : taps) {
      const TColor32 p = tap.Row[x];
      for (int c = 0; c < 4; ++c) sums[c] += std::int32_t(p >> 8 * c & 0xFF) * tap.Weight;
    }
  }
}

#ifdef __SSE2__
bool FitsInt16(const std::vector<TTaps>& table) {
  for (const TTaps& taps : table) {
    for (std::int32_t w : taps.Weights) {
      if (w < std::numeric_limits<std::int16_t>::min() || w > std::numeric_limits<std::int16_t>::max())
        return false;
    }
  }
  return true;
}

// Four columns at a time: the bytes of two rows are interleaved so that one multiply-add of
// 16-bit lanes sums two taps of each channel into a 32-bit lane.
int VerticalPacked(const std::vector<TRowTap>& taps, int count, std::int32_t* acc) {
  const __m128i zero = _mm_setzero_si128();
  const std::size_t pairs = (taps.size() + 1) / 2;
  int x = 0;
  for (; x + 4 <= count; x += 4) {
    __m128i sums[4] = {zero, zero, zero, zero};
    for (std::size_t k = 0; k < pairs; ++k) {
      const TRowTap& a = taps[2 * k];
      const TRowTap& b = 2 * k + 1 < taps.size() ? taps[2 * k + 1] : TRowTap{a.Row, 0};
      const __m128i weights =
          _mm_set1_epi32(int(std::uint32_t(std::uint16_t(a.Weight)) | std::uint32_t(b.Weight) << 16));
      const __m128i upper = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.Row + x));
      const __m128i lower = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.Row + x));
      const __m128i low = _mm_unpacklo_epi8(upper, lower), high = _mm_unpackhi_epi8(upper, lower);
      sums[0] = _mm_add_epi32(sums[0], _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), weights));
      sums[1] = _mm_add_epi32(sums[1], _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), weights));
      sums[2] = _mm_add_epi32(sums[2], _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), weights));
      sums[3] = _mm_add_epi32(sums[3], _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), weights));
    }
    for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(acc + 4 * (x + i)), sums[i]);
  }
  return x;
}
#endif

std::uint32_t ClampChannel(std::int32_t sum) { return std::uint32_t(std::clamp(sum >> 16, 0, 255)); }

// Each destination column: the accumulators of its source columns times their weights.
void Horizontal(const std::vector<TTaps>& columns, int firstColumn, const std::int32_t* acc, TColor32* row) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const TTaps& taps = columns[i];
    const std::int32_t* sums = acc + 4 * (taps.First - firstColumn);
    std::int32_t total[4] = {};
    for (std::size_t k = 0; k < taps.Weights.size(); ++k) {
      for (int c = 0; c < 4; ++c) total[c] += sums[4 * k + std::size_t(c)] * taps.Weights[k];
    }
    row[i] = ClampChannel(total[0]) | ClampChannel(total[1]) << 8 | ClampChannel(total[2]) << 16 |
             ClampChannel(total[3]) << 24;
  }
}

}  // namespace

float FilterKernel(TStretchFilter Filter, float x) {
  const float t = std::fabs(x);
  switch (Filter) {
    case TStretchFilter::sfNearest:
      return x > -0.5f && x <= 0.5f ? 1.0f : 0.0f;
    case TStretchFilter::sfDraft:
    case TStretchFilter::sfLinear:
      return t < 1.0f ? 1.0f - t : 0.0f;
    case TStretchFilter::sfCosine:
      return t < 1.0f ? (std::cos(Pi * x) + 1.0f) / 2.0f : 0.0f;
    case TStretchFilter::sfSpline:
      if (t < 1.0f) return 0.5f * t * t * t - t * t + 2.0f / 3.0f;
      return t < 2.0f ? (2.0f - t) * (2.0f - t) * (2.0f - t) / 6.0f : 0.0f;
    case TStretchFilter::sfLanczos:
      return t < 3.0f ? Sinc(t) * Sinc(t / 3.0f) : 0.0f;
    case TStretchFilter::sfMitchell:
      if (t < 1.0f) return (7.0f * t * t * t - 12.0f * t * t + 16.0f / 3.0f) / 6.0f;
      return t < 2.0f ? (-7.0f / 3.0f * t * t * t + 12.0f * t * t - 20.0f * t + 32.0f / 3.0f) / 6.0f : 0.0f;
  }
  return 0.0f;
}

float FilterWidth(TStretchFilter Filter) {
  switch (Filter) {
    case TStretchFilter::sfSpline:
    case TStretchFilter::sfMitchell:
      return 2.0f;
    case TStretchFilter::sfLanczos:
      return 3.0f;
    default:
      return 1.0f;
  }
}

TMappingTable BuildMappingTable(int DstLo, int DstHi, int ClipLo, int ClipHi, int SrcLo, int SrcHi,
                                TStretchFilter Filter) {
  const std::int64_t srcWidth = WidthOf(SrcLo, SrcHi), dstWidth = WidthOf(DstLo, DstHi);
  const auto clipWidth = std::size_t(std::max<std::int64_t>(WidthOf(ClipLo, ClipHi), 0));
  if (srcWidth < 1 || dstWidth < 1) return {};
  if (srcWidth == 1) return TMappingTable(clipWidth, {{SrcLo, 256}});
  const float scale =
      EdgeAlignedSampling ? float(dstWidth) / float(srcWidth) : float(dstWidth - 1) / float(srcWidth - 1);
  if (scale == 0.0f) return TMappingTable(clipWidth, {{int((std::int64_t(SrcLo) + SrcHi) / 2), 256}});
  const float reach = scale >= 1.0f ? FilterWidth(Filter) : FilterWidth(Filter) / scale;
  TMappingTable table(clipWidth);
  for (std::size_t i = 0; i < clipWidth; ++i) {
    const auto d = float(std::int64_t(i) + ClipLo - DstLo);
    const float c = EdgeAlignedSampling ? (d + 0.5f) / scale + float(SrcLo) - 0.5f : d / scale + float(SrcLo);
    table[i] = Contributors(c, reach, scale, SrcLo, SrcHi, Filter);
  }
  return table;
}

void ResampleTransfer(const TTransfer& t, TStretchFilter Filter) {
  const std::vector<TTaps> columns = DenseTable(BuildMappingTable(
      t.DstRect.Left, t.DstRect.Right, t.Clip.Left, t.Clip.Right, t.SrcRect.Left, t.SrcRect.Right, Filter));
  const std::vector<TTaps> rows = DenseTable(BuildMappingTable(
      t.DstRect.Top, t.DstRect.Bottom, t.Clip.Top, t.Clip.Bottom, t.SrcRect.Top, t.SrcRect.Bottom, Filter));
  int firstColumn = std::numeric_limits<int>::max(), endColumn = 0;
  for (const TTaps& taps : columns) {
    firstColumn = std::min(firstColumn, taps.First);
    endColumn = std::max(endColumn, taps.First + int(taps.Weights.size()));
  }
  const int count = endColumn - firstColumn;
  std::vector<std::int32_t> acc(4 * std::size_t(count));
  std::vector<TColor32> row(columns.size());
  std::vector<TRowTap> rowTaps;
#ifdef __SSE2__
  const bool packed = FitsInt16(rows);
#endif
  for (std::size_t y = 0; y < rows.size(); ++y) {
    rowTaps.clear();
    for (std::size_t k = 0; k < rows[y].Weights.size(); ++k) {
      if (rows[y].Weights[k] == 0) continue;
      rowTaps.push_back({t.Src.PixelPtr(firstColumn, rows[y].First + int(k)), rows[y].Weights[k]});
    }
    int done = 0;
#ifdef __SSE2__
    if (packed) done = VerticalPacked(rowTaps, count, acc.data());
#endif
    VerticalPlain(rowTaps, done, count, acc.data());
    Horizontal(columns, firstColumn, acc.data(), row.data());
    CombineRow(t, row.data(), t.DstRow(int(y)), int(row.size()), false);
  }
}

}  // namespace lumox
