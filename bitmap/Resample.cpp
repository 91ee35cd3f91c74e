// The kernel resampler: a vertical pass per destination row into sums covering only the source
// columns needed, then a horizontal pass; each sum carries the scale 65536 and is clamped into
// 0..255. Integer sums are exact, so the packed loops, which add the taps in another order and
// split the vertical sums in two, give the same pixels as the plain ones.
#include "bitmap/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <numbers>
#include <span>

#include "bitmap/ProcessorProbe.h"
#include "bitmap/Transfer.h"
#include "framework/PixelVectors.h"

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

// Where one destination column finds its weights as 16-bit pairs: pair k covers the column
// sums 2 (FirstPair + k) and 2 (FirstPair + k) + 1.
struct TColumnPairs {
  std::size_t Offset;  // into TKernel::PairWeights
  int FirstPair;
  int Count;
};

// What every destination row of one transfer shares: the weights of both axes and the source
// columns the vertical pass covers.
struct TKernel {
  std::vector<TTaps> Rows;  // absolute source rows
  // First counts from FirstColumn and is even, and each list has an even length, so that the
  // packed loops take the column sums two by two; the padding weighs 0.
  std::vector<TTaps> Columns;
  int FirstColumn = 0;
  int ColumnCount = 0;
  std::vector<TColumnPairs> Pairs;
  std::vector<std::uint32_t> PairWeights;  // low half: the even column's weight
  // Whether the packed loops can take these weights: every weight fits 16 bits, and no row list
  // weighs more than 32767 in all, so a vertical sum divided by 256 fits 16 bits too.
  bool Packed = true;
};

bool FitsInt16(std::int32_t w) {
  return w >= std::numeric_limits<std::int16_t>::min() && w <= std::numeric_limits<std::int16_t>::max();
}

bool PackedFits(const TKernel& k) {
  for (const TTaps& taps : k.Rows) {
    std::int64_t total = 0;
    for (std::int32_t w : taps.Weights) total += std::abs(std::int64_t(w));
    if (total > std::numeric_limits<std::int16_t>::max()) return false;
  }
  return std::ranges::all_of(k.Columns,
                             [](const TTaps& taps) { return std::ranges::all_of(taps.Weights, FitsInt16); });
}

void PairColumns(TKernel& k) {
  for (TTaps& taps : k.Columns) {
    taps.First -= k.FirstColumn;
    if (taps.First % 2 != 0) {
      taps.Weights.insert(taps.Weights.begin(), 0);
      --taps.First;
    }
    if (taps.Weights.size() % 2 != 0) taps.Weights.push_back(0);
    k.Pairs.push_back({k.PairWeights.size(), taps.First / 2, int(taps.Weights.size() / 2)});
    for (std::size_t i = 0; i < taps.Weights.size(); i += 2) {
      k.PairWeights.push_back(std::uint32_t(std::uint16_t(taps.Weights[i])) |
                              std::uint32_t(taps.Weights[i + 1]) << 16);
    }
    if (k.Pairs.back().Count % 2 != 0) k.PairWeights.push_back(0);  // the wide loop takes two at a time
  }
}

TKernel MakeKernel(const TTransfer& t, TStretchFilter filter) {
  TKernel k;
  k.Rows = DenseTable(BuildMappingTable(t.DstRect.Top, t.DstRect.Bottom, t.Clip.Top, t.Clip.Bottom,
                                        t.SrcRect.Top, t.SrcRect.Bottom, filter));
  k.Columns = DenseTable(BuildMappingTable(t.DstRect.Left, t.DstRect.Right, t.Clip.Left, t.Clip.Right,
                                           t.SrcRect.Left, t.SrcRect.Right, filter));
  int endColumn = 0;
  k.FirstColumn = std::numeric_limits<int>::max();
  for (const TTaps& taps : k.Columns) {
    k.FirstColumn = std::min(k.FirstColumn, taps.First);
    endColumn = std::max(endColumn, taps.First + int(taps.Weights.size()));
  }
  k.ColumnCount = endColumn - k.FirstColumn;
  k.Packed = PackedFits(k);
  PairColumns(k);
  return k;
}

// The kernels of the last few geometries: a preview repaints at the same sizes each time, and
// a kernel's sines cost about as much as filtering a small picture. A kernel stays alive while
// a transfer uses it, even if a combiner resamples in between.
class TKernelCache {
 public:
  std::shared_ptr<const TKernel> Find(const TTransfer& t, TStretchFilter filter) {
    const TKey key{t.DstRect, t.SrcRect, t.Clip, filter, EdgeAlignedSampling};
    const auto found = std::ranges::find(Recent, key, &TEntry::Key);
    if (found != Recent.end()) {
      std::rotate(Recent.begin(), found, found + 1);
    } else {
      if (Recent.size() == Capacity) Recent.pop_back();
      Recent.insert(Recent.begin(), {key, std::make_shared<const TKernel>(MakeKernel(t, filter))});
    }
    return Recent.front().Kernel;
  }

 private:
  struct TKey {
    TRect DstRect, SrcRect, Clip;
    TStretchFilter Filter;
    bool EdgeAligned;
    bool operator==(const TKey&) const = default;
  };
  struct TEntry {
    TKey Key;
    std::shared_ptr<const TKernel> Kernel;
  };
  static constexpr std::size_t Capacity = 4;
  std::vector<TEntry> Recent;  // the latest first
};

// One source row of the vertical pass and its weight.
struct TRowTap {
  const TColor32* Row;  // at the first needed column
  std::int32_t Weight;
};

// Two source rows for one multiply-add of 16-bit lanes; an odd last row pairs with itself at
// weight 0.
struct TRowPair {
  const TColor32* Upper;
  const TColor32* Lower;
  std::uint32_t Weights;  // low half: the upper row's
};

// The work space of one destination row: its source rows, and the column sums as each set of
// loops lays them out.
struct TRowBuffers {
  std::vector<TRowTap> Taps;
  std::vector<TRowPair> Pairs;
  std::vector<std::int32_t> Sums;  // plain: four per column
  std::vector<std::int16_t> High;  // packed: each sum's high and low halves
  std::vector<std::int16_t> Low;
};

std::uint32_t ClampChannel(std::int32_t sum) { return std::uint32_t(std::clamp(sum >> 16, 0, 255)); }

// The column's four channel sums (blue, green, red, alpha) over the taps.
void ColumnSums(std::span<const TRowTap> taps, int x, std::int32_t* sums) {
  sums[0] = sums[1] = sums[2] = sums[3] = 0;
  for (const TRowTap& tap : taps) {
    const TColor32 p = tap.Row[x];
    for (int c = 0; c < 4; ++c) sums[c] += std::int32_t(p >> 8 * c & 0xFF) * tap.Weight;
  }
}

// Plain loops: four 32-bit sums per column, one channel at a time.
void RowPlain(const TKernel& k, TRowBuffers& b, TColor32* row) {
  b.Sums.resize(4 * (std::size_t(k.ColumnCount) + 1));  // the padding of an odd count weighs 0
  std::int32_t* sums = b.Sums.data();
  for (int x = 0; x < k.ColumnCount; ++x) ColumnSums(b.Taps, x, sums + 4 * x);
  for (std::size_t i = 0; i < k.Columns.size(); ++i) {
    const TTaps& taps = k.Columns[i];
    const std::int32_t* from = sums + 4 * taps.First;
    std::int32_t total[4] = {};
    for (std::size_t j = 0; j < taps.Weights.size(); ++j) {
      for (int c = 0; c < 4; ++c) total[c] += from[4 * j + std::size_t(c)] * taps.Weights[j];
    }
    row[i] = ClampChannel(total[0]) | ClampChannel(total[1]) << 8 | ClampChannel(total[2]) << 16 |
             ClampChannel(total[3]) << 24;
  }
}

void PairRows(TRowBuffers& b) {
  b.Pairs.clear();
  for (std::size_t i = 0; i < b.Taps.size(); i += 2) {
    const TRowTap& upper = b.Taps[i];
    const TRowTap& lower = i + 1 < b.Taps.size() ? b.Taps[i + 1] : TRowTap{upper.Row, 0};
    b.Pairs.push_back({upper.Row, lower.Row,
                       std::uint32_t(std::uint16_t(upper.Weight)) | std::uint32_t(lower.Weight) << 16});
  }
}

#ifdef __SSE2__
// Packed loops. The multiply-adds take 16-bit lanes, which a vertical sum (up to 255 times
// 32767) does not fit, so each sum s is kept as s >> 8 and s & 255: the horizontal pass sums
// both with the column weights and gives (high << 8) + low, the very sum of the plain loops
// (modulo 2^32 like theirs). Columns x, x + 1 (x even) share eight 16-bit lanes of each half:
// blue of x, blue of x + 1, green of x, ..., alpha of x + 1.

// Lanes l0..l3 r0..r3 of two columns' 16-bit channels into l0 r0 l1 r1 ...
__m128i InterleaveColumns(__m128i v) { return _mm_unpacklo_epi16(v, _mm_unpackhi_epi64(v, v)); }

__m128i HighHalves(__m128i left, __m128i right) {
  return InterleaveColumns(_mm_packs_epi32(_mm_srai_epi32(left, 8), _mm_srai_epi32(right, 8)));
}

__m128i LowHalves(__m128i left, __m128i right) {
  const __m128i mask = _mm_set1_epi32(0xFF);
  return InterleaveColumns(_mm_packs_epi32(_mm_and_si128(left, mask), _mm_and_si128(right, mask)));
}

void Store(std::int16_t* to, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v); }
__m128i Load(const std::int16_t* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }
__m128i Load(const TColor32* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }

// Column x's sums, computed plainly, for the columns the vector loops leave over.
void StoreColumn(std::span<const TRowTap> taps, int x, TRowBuffers& b) {
  std::int32_t sums[4];
  ColumnSums(taps, x, sums);
  const std::size_t lane = 8 * std::size_t(x / 2) + std::size_t(x % 2);
  for (std::size_t c = 0; c < 4; ++c) {
    b.High[lane + 2 * c] = std::int16_t(sums[c] >> 8);
    b.Low[lane + 2 * c] = std::int16_t(sums[c] & 0xFF);
  }
}

// The bytes of two rows are interleaved so that one multiply-add sums two taps of each channel
// into a 32-bit lane; sums[i] gets column i of the four.
void AccumulatePacked(__m128i upper, __m128i lower, __m128i weights, __m128i* sums) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_unpacklo_epi8(upper, lower), high = _mm_unpackhi_epi8(upper, lower);
  sums[0] = _mm_add_epi32(sums[0], _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), weights));
  sums[1] = _mm_add_epi32(sums[1], _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), weights));
  sums[2] = _mm_add_epi32(sums[2], _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), weights));
  sums[3] = _mm_add_epi32(sums[3], _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), weights));
}

// Columns from x on, eight at a time, the rest plainly. Each visit reads one row after the
// other; rows whose length is a multiple of the page size fall into the same few cache sets,
// so a line read for columns x.. is gone when x + 8 comes: the wider the visit, the fewer reads.
void VerticalPacked(TRowBuffers& b, int x, int count) {
  for (; x + 8 <= count; x += 8) {
    __m128i sums[8] = {};
    for (const TRowPair& pair : b.Pairs) {
      const __m128i weights = _mm_set1_epi32(int(pair.Weights));
      AccumulatePacked(Load(pair.Upper + x), Load(pair.Lower + x), weights, sums);
      AccumulatePacked(Load(pair.Upper + x + 4), Load(pair.Lower + x + 4), weights, sums + 4);
    }
    for (std::size_t i = 0; i < 8; i += 2) {
      Store(b.High.data() + 4 * (std::size_t(x) + i), HighHalves(sums[i], sums[i + 1]));
      Store(b.Low.data() + 4 * (std::size_t(x) + i), LowHalves(sums[i], sums[i + 1]));
    }
  }
  for (; x < count; ++x) StoreColumn(b.Taps, x, b);
}

// Clamps the four channel sums into a pixel: the saturating packs clamp exactly as ClampChannel.
TColor32 PackChannels(__m128i sums) {
  const __m128i shifted = _mm_srai_epi32(sums, 16);
  const __m128i words = _mm_packs_epi32(shifted, shifted);
  return TColor32(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

void HorizontalPacked(const TKernel& k, const TRowBuffers& b, TColor32* row) {
  for (std::size_t i = 0; i < k.Pairs.size(); ++i) {
    const TColumnPairs& pairs = k.Pairs[i];
    const std::uint32_t* weights = k.PairWeights.data() + pairs.Offset;
    const std::size_t first = 8 * std::size_t(pairs.FirstPair);
    __m128i high = _mm_setzero_si128(), low = _mm_setzero_si128();
    for (std::size_t j = 0; j < std::size_t(pairs.Count); ++j) {
      const __m128i w = _mm_set1_epi32(int(weights[j]));
      high = _mm_add_epi32(high, _mm_madd_epi16(Load(b.High.data() + first + 8 * j), w));
      low = _mm_add_epi32(low, _mm_madd_epi16(Load(b.Low.data() + first + 8 * j), w));
    }
    row[i] = PackChannels(_mm_add_epi32(_mm_slli_epi32(high, 8), low));
  }
}

// The halves of the column sums: eight lanes per two columns, and room for one more pair, which
// the wide horizontal loop reads at weight 0.
void SizeHalves(const TKernel& k, TRowBuffers& b) {
  const std::size_t lanes = 8 * (std::size_t(k.ColumnCount) / 2 + 2);
  b.High.resize(lanes);
  b.Low.resize(lanes);
}

void RowPacked(const TKernel& k, TRowBuffers& b, TColor32* row) {
  PairRows(b);
  SizeHalves(k, b);
  VerticalPacked(b, 0, k.ColumnCount);
  HorizontalPacked(k, b, row);
}

#if defined(__GNUC__) || defined(__clang__)
#define LUMOX_WIDE_LOOPS 1
// Wide loops: the packed loops' arithmetic in 256-bit registers (AVX2).
using pixels::LoadWide;

// 256-bit unpacking works within each 128-bit half: sums[i] gets column i of the first four
// in its low half and column i + 4 in its high half.
LUMOX_WIDE void AccumulateWide(__m256i upper, __m256i lower, __m256i weights, __m256i* sums) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low = _mm256_unpacklo_epi8(upper, lower), high = _mm256_unpackhi_epi8(upper, lower);
  sums[0] = _mm256_add_epi32(sums[0], _mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), weights));
  sums[1] = _mm256_add_epi32(sums[1], _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero), weights));
  sums[2] = _mm256_add_epi32(sums[2], _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero), weights));
  sums[3] = _mm256_add_epi32(sums[3], _mm256_madd_epi16(_mm256_unpackhi_epi8(high, zero), weights));
}

LUMOX_WIDE __m256i InterleaveColumnsWide(__m256i v) {
  return _mm256_unpacklo_epi16(v, _mm256_unpackhi_epi64(v, v));
}

LUMOX_WIDE __m256i HighHalvesWide(__m256i left, __m256i right) {
  return InterleaveColumnsWide(_mm256_packs_epi32(_mm256_srai_epi32(left, 8), _mm256_srai_epi32(right, 8)));
}

LUMOX_WIDE __m256i LowHalvesWide(__m256i left, __m256i right) {
  const __m256i mask = _mm256_set1_epi32(0xFF);
  return InterleaveColumnsWide(
      _mm256_packs_epi32(_mm256_and_si256(left, mask), _mm256_and_si256(right, mask)));
}

// Halves of columns 0, 1 | 4, 5 in `first` and 2, 3 | 6, 7 in `second`, stored in column order.
LUMOX_WIDE void StoreWide(std::int16_t* to, __m256i first, __m256i second) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_permute2x128_si256(first, second, 0x20));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + 16), _mm256_permute2x128_si256(first, second, 0x31));
}

// Eight columns' sums, as AccumulateWide leaves them, into the halves from column x on.
LUMOX_WIDE void StoreColumnsWide(const __m256i* sums, TRowBuffers& b, std::size_t x) {
  StoreWide(b.High.data() + 4 * x, HighHalvesWide(sums[0], sums[1]), HighHalvesWide(sums[2], sums[3]));
  StoreWide(b.Low.data() + 4 * x, LowHalvesWide(sums[0], sums[1]), LowHalvesWide(sums[2], sums[3]));
}

// Sixteen columns at a time: a whole cache line of each source row per visit (see
// VerticalPacked).
LUMOX_WIDE void VerticalWide(TRowBuffers& b, int count) {
  int x = 0;
  for (; x + 16 <= count; x += 16) {
    __m256i sums[8] = {};
    for (const TRowPair& pair : b.Pairs) {
      const __m256i weights = _mm256_set1_epi32(int(pair.Weights));
      AccumulateWide(LoadWide(pair.Upper + x), LoadWide(pair.Lower + x), weights, sums);
      AccumulateWide(LoadWide(pair.Upper + x + 8), LoadWide(pair.Lower + x + 8), weights, sums + 4);
    }
    StoreColumnsWide(sums, b, std::size_t(x));
    StoreColumnsWide(sums + 4, b, std::size_t(x) + 8);
  }
  VerticalPacked(b, x, count);
}

// Two pairs of column sums per multiply-add: the low half takes the even pair.
LUMOX_WIDE void HorizontalWide(const TKernel& k, const TRowBuffers& b, TColor32* row) {
  const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
  for (std::size_t i = 0; i < k.Pairs.size(); ++i) {
    const TColumnPairs& pairs = k.Pairs[i];
    const std::uint32_t* weights = k.PairWeights.data() + pairs.Offset;
    const std::size_t first = 8 * std::size_t(pairs.FirstPair);
    __m256i high = _mm256_setzero_si256(), low = _mm256_setzero_si256();
    for (std::size_t j = 0; j < std::size_t(pairs.Count); j += 2) {
      const __m256i w = _mm256_permutevar8x32_epi32(
          _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(weights + j))), spread);
      high = _mm256_add_epi32(high, _mm256_madd_epi16(LoadWide(b.High.data() + first + 8 * j), w));
      low = _mm256_add_epi32(low, _mm256_madd_epi16(LoadWide(b.Low.data() + first + 8 * j), w));
    }
    const __m128i h = _mm_add_epi32(_mm256_castsi256_si128(high), _mm256_extracti128_si256(high, 1));
    const __m128i l = _mm_add_epi32(_mm256_castsi256_si128(low), _mm256_extracti128_si256(low, 1));
    row[i] = PackChannels(_mm_add_epi32(_mm_slli_epi32(h, 8), l));
  }
}

LUMOX_WIDE_ENTRY void RowWide(const TKernel& k, TRowBuffers& b, TColor32* row) {
  PairRows(b);
  SizeHalves(k, b);
  VerticalWide(b, k.ColumnCount);
  HorizontalWide(k, b, row);
}
#endif
#endif
}  // namespace

struct TResampleLoops {
  // Both passes of one destination row.
  void (*Row)(const TKernel&, TRowBuffers&, TColor32* row);
};

const TResampleLoops PlainResampleLoops{RowPlain};
#ifdef __SSE2__
const TResampleLoops PackedResampleLoops{RowPacked};
#endif

namespace {

#ifdef LUMOX_WIDE_LOOPS
const TResampleLoops WideLoops{RowWide};
#endif

const TResampleLoops* ChooseWideLoops() {
#ifdef LUMOX_WIDE_LOOPS
  if (HasWidePackedIntegers()) return &WideLoops;
#endif
  return nullptr;
}

}  // namespace

const TResampleLoops* const WideResampleLoops = ChooseWideLoops();

namespace {

const TResampleLoops& ChooseLoops() {
  if (WideResampleLoops != nullptr) return *WideResampleLoops;
#ifdef __SSE2__
  return PackedResampleLoops;
#else
  return PlainResampleLoops;
#endif
}

}  // namespace

const TResampleLoops& ResampleLoops = ChooseLoops();

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

void ResampleTransfer(const TTransfer& t, TStretchFilter Filter, const TResampleLoops& Loops) {
  thread_local TKernelCache kernels;
  const std::shared_ptr<const TKernel> kernel = kernels.Find(t, Filter);
  const TKernel& k = *kernel;
  const TResampleLoops& loops = k.Packed ? Loops : PlainResampleLoops;
  TRowBuffers buffers;
  std::vector<TColor32> row(k.Columns.size());
  for (std::size_t y = 0; y < k.Rows.size(); ++y) {
    buffers.Taps.clear();
    const TTaps& taps = k.Rows[y];
    for (std::size_t i = 0; i < taps.Weights.size(); ++i) {
      if (taps.Weights[i] == 0) continue;
      buffers.Taps.push_back({t.Src.PixelPtr(k.FirstColumn, taps.First + int(i)), taps.Weights[i]});
    }
    loops.Row(k, buffers, row.data());
    CombineRow(t, row.data(), t.DstRow(int(y)), int(row.size()), false);
  }
}
}  // namespace lumox
