#include "bitmap/Transforms.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "bitmap/Blend.h"
#include "bitmap/ProcessorProbe.h"
#include "bitmap/Transfer.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace lumox {
namespace {

std::int64_t WidthOf(const TRect& r) { return std::int64_t(r.Right) - r.Left; }
std::int64_t HeightOf(const TRect& r) { return std::int64_t(r.Bottom) - r.Top; }

int ToInt(std::int64_t value) {
  return int(
      std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Checks the arguments and works out the clip; nothing when there is nothing to draw.
std::optional<TTransfer> PrepareTransfer(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src,
                                         TRect SrcRect, TDrawMode CombineOp,
                                         const TPixelCombineEvent& CombineCallBack) {
  if (Src != nullptr && Src->Empty()) return std::nullopt;
  if (Dst == nullptr || Dst->Empty()) throw ETransformError("Destination bitmap is nil or empty");
  if (Src == nullptr) throw ETransformError("Source bitmap is nil or empty");
  if (IsRectEmpty(SrcRect)) return std::nullopt;
  if (SrcRect.Left < 0 || SrcRect.Top < 0 || SrcRect.Right > Src->Width() || SrcRect.Bottom > Src->Height()) {
    throw ETransformError("Source rectangle is invalid");
  }
  TRect clip;
  if (!IntersectRect(clip, DstClip, Dst->BoundsRect()) || !IntersectRect(clip, clip, DstRect))
    return std::nullopt;
  if (CombineOp == TDrawMode::dmCustom && !CombineCallBack) CombineOp = TDrawMode::dmOpaque;
  if (CombineOp == TDrawMode::dmBlend && Src->MasterAlpha() == 0) return std::nullopt;
  return TTransfer{*Dst, *Src, DstRect, SrcRect, clip, CombineOp, Src->MasterAlpha(), CombineCallBack};
}

bool SameSize(const TTransfer& t) {
  return WidthOf(t.DstRect) == WidthOf(t.SrcRect) && HeightOf(t.DstRect) == HeightOf(t.SrcRect);
}

void Block(const TTransfer& t) {
  const int srcX = t.SrcRect.Left + (t.Clip.Left - t.DstRect.Left);
  const int srcY = t.SrcRect.Top + (t.Clip.Top - t.DstRect.Top);
  for (int y = 0; y < t.ClipHeight(); ++y) {
    CombineRow(t, t.Src.PixelPtr(srcX, srcY + y), t.DstRow(y), t.ClipWidth(), true);
  }
}

// floor(numerator / denominator) rounded half to even, for non-negative values.
std::int64_t RoundedQuotient(std::int64_t numerator, std::int64_t denominator) {
  const std::int64_t quotient = numerator / denominator, twice = 2 * (numerator % denominator);
  return quotient + (twice > denominator || (twice == denominator && (quotient & 1) != 0));
}

// The source column (or row) of each clipped destination column (or row).
std::vector<int> NearestMap(int dstLo, std::int64_t dstSize, int clipLo, int clipHi, int srcLo, int srcHi) {
  const std::int64_t srcSize = std::int64_t(srcHi) - srcLo;
  std::vector<int> map(std::size_t(clipHi - clipLo));
  for (std::size_t i = 0; i < map.size(); ++i) {
    const std::int64_t d = clipLo + std::int64_t(i) - dstLo;
    if (dstSize < 2) {
      map[i] = (srcLo + srcHi - 1) / 2;
    } else if (EdgeAlignedSampling) {
      map[i] = int(d * srcSize / dstSize + srcLo);
    } else {
      map[i] = int(RoundedQuotient(d * (srcSize - 1), dstSize - 1) + srcLo);
    }
  }
  return map;
}

void Nearest(const TTransfer& t) {
  if (SameSize(t)) return Block(t);
  const std::vector<int> columns = NearestMap(t.DstRect.Left, WidthOf(t.DstRect), t.Clip.Left, t.Clip.Right,
                                              t.SrcRect.Left, t.SrcRect.Right);
  const std::vector<int> rows = NearestMap(t.DstRect.Top, HeightOf(t.DstRect), t.Clip.Top, t.Clip.Bottom,
                                           t.SrcRect.Top, t.SrcRect.Bottom);
  const auto width = std::size_t(t.ClipWidth());
  std::vector<TColor32> buffer(width);
  for (std::size_t y = 0; y < rows.size(); ++y) {
    TColor32* dst = t.DstRow(int(y));
    const bool repeated = y > 0 && rows[y] == rows[y - 1];
    if (repeated && t.Op == TDrawMode::dmOpaque) {
      MoveLongword(t.DstRow(int(y) - 1), dst, width);
      continue;
    }
    if (!repeated) {
      const TColor32* src = t.Src.ScanLine(rows[y]);
      TColor32* out = t.Op == TDrawMode::dmOpaque ? dst : buffer.data();
      for (std::size_t x = 0; x < width; ++x) out[x] = src[columns[x]];
    }
    if (t.Op != TDrawMode::dmOpaque) CombineRow(t, buffer.data(), dst, int(width), true);
  }
}

// The source blocks of one axis, in 16.16 fixed point: block k starts at First[k] and ends
// before First[k + 1]. Every block holds at least one pixel and none reaches past the span.
struct TDraftBlocks {
  std::vector<int> First;
  int Hi;
  int Start(std::size_t k) const { return std::min(First[k], Hi - 1); }
  int Size(std::size_t k) const { return std::clamp(First[k + 1], Start(k) + 1, Hi) - Start(k); }
};

TDraftBlocks DraftBlocks(int dstLo, std::int64_t dstSize, int clipLo, int clipHi, int srcLo, int srcHi) {
  const float scale = float(std::int64_t(srcHi) - srcLo) / float(dstSize);
  const auto step = std::int64_t(65536.0f * scale);
  const std::int64_t start = srcLo + std::int64_t(float(clipLo - dstLo) * scale);
  TDraftBlocks blocks{std::vector<int>(std::size_t(clipHi - clipLo) + 1), srcHi};
  for (std::size_t k = 0; k < blocks.First.size(); ++k) {
    blocks.First[k] = int(std::min<std::int64_t>(start + (std::int64_t(k) * step >> 16), srcHi));
  }
  return blocks;
}

void Linear(const TTransfer& t);

void Draft(const TTransfer& t) {
  if (WidthOf(t.SrcRect) < WidthOf(t.DstRect) || HeightOf(t.SrcRect) < HeightOf(t.DstRect)) return Linear(t);
  const TDraftBlocks columns = DraftBlocks(t.DstRect.Left, WidthOf(t.DstRect), t.Clip.Left, t.Clip.Right,
                                           t.SrcRect.Left, t.SrcRect.Right);
  const TDraftBlocks rows = DraftBlocks(t.DstRect.Top, HeightOf(t.DstRect), t.Clip.Top, t.Clip.Bottom,
                                        t.SrcRect.Top, t.SrcRect.Bottom);
  std::vector<TColor32> buffer(std::size_t(t.ClipWidth()));
  const auto pitch = std::size_t(t.Src.Width());
  for (int y = 0; y < t.ClipHeight(); ++y) {
    const auto row = std::size_t(y);
    for (std::size_t x = 0; x < buffer.size(); ++x) {
      buffer[x] = BlockAverage(columns.Size(x), rows.Size(row),
                               t.Src.PixelPtr(columns.Start(x), rows.Start(row)), pitch);
    }
    CombineRow(t, buffer.data(), t.DstRow(y), t.ClipWidth(), false);
  }
}

// One column (or row) of the bilinear map: the left pixel, its right neighbour and the left
// pixel's weight (0..256).
struct TLinearEntry {
  int Pos;
  int Next;
  std::uint32_t Weight;
};

std::vector<TLinearEntry> LinearMap(int dstLo, std::int64_t dstSize, int clipLo, int clipHi, int srcLo,
                                    std::int64_t srcSize, int sourceExtent) {
  float scale = float(srcSize) / float(dstSize);
  if (!EdgeAlignedSampling) scale = dstSize > 1 ? float(srcSize - 1) / float(dstSize - 1) : 0.0f;
  const int last = sourceExtent - 1;
  std::vector<TLinearEntry> map(std::size_t(clipHi - clipLo));
  for (std::size_t i = 0; i < map.size(); ++i) {
    const auto d = float(clipLo + std::int64_t(i) - dstLo);
    float x = EdgeAlignedSampling ? (d + 0.5f) * scale + float(srcLo) - 0.5f : d * scale + float(srcLo);
    x = std::clamp(x, 0.0f, float(last));
    const float pos = std::floor(x);
    TLinearEntry& e = map[i];
    e.Pos = int(pos);
    e.Weight = std::uint32_t(256 - std::lrint((x - pos) * 256.0f));
    // The last pixel pairs with the one before it, at weight 0; a one-pixel span with itself.
    if (e.Pos == last && last > 0) {
      e.Pos = last - 1;
      e.Weight = 0;
    }
    e.Next = std::min(e.Pos + 1, last);
  }
  return map;
}

void Linear(const TTransfer& t) {
  const std::vector<TLinearEntry> columns =
      LinearMap(t.DstRect.Left, WidthOf(t.DstRect), t.Clip.Left, t.Clip.Right, t.SrcRect.Left,
                WidthOf(t.SrcRect), t.Src.Width());
  const std::vector<TLinearEntry> rows =
      LinearMap(t.DstRect.Top, HeightOf(t.DstRect), t.Clip.Top, t.Clip.Bottom, t.SrcRect.Top,
                HeightOf(t.SrcRect), t.Src.Height());
  std::vector<TColor32> buffer(columns.size());
  for (std::size_t y = 0; y < rows.size(); ++y) {
    const TColor32* upper = t.Src.ScanLine(rows[y].Pos);
    const TColor32* lower = t.Src.ScanLine(rows[y].Next);
    for (std::size_t x = 0; x < columns.size(); ++x) {
      const TLinearEntry& c = columns[x];
      buffer[x] =
          Interpolate(c.Weight, rows[y].Weight, upper[c.Pos], upper[c.Next], lower[c.Pos], lower[c.Next]);
    }
    CombineRow(t, buffer.data(), t.DstRow(int(y)), int(columns.size()), false);
  }
}

// The public entry points share the checks: each runs `path` on a prepared transfer.
template <class Path>
void Run(Path path, TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
         TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  if (auto transfer = PrepareTransfer(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack)) {
    path(*transfer);
  }
}

TColor32 InterpolatePlain(std::uint32_t WX, std::uint32_t WY, TColor32 UpperLeft, TColor32 UpperRight,
                          TColor32 LowerLeft, TColor32 LowerRight) {
  const auto mix = PlainBlendSet.MixColors;
  const std::uint32_t wx = std::min(WX, 255u), wy = std::min(WY, 255u);
  return mix(mix(UpperLeft, UpperRight, wx), mix(LowerLeft, LowerRight, wx), wy);
}

#ifdef __SSE2__
// floor((f w + b (256 - w)) / 256) in 16-bit lanes; the true value never exceeds 65280.
__m128i MixTruncated(__m128i f, __m128i b, std::uint32_t w) {
  const __m128i delta = _mm_mullo_epi16(_mm_sub_epi16(f, b), _mm_set1_epi16(short(w)));
  return _mm_srli_epi16(_mm_add_epi16(_mm_slli_epi16(b, 8), delta), 8);
}

TColor32 InterpolatePacked(std::uint32_t WX, std::uint32_t WY, TColor32 UpperLeft, TColor32 UpperRight,
                           TColor32 LowerLeft, TColor32 LowerRight) {
  const __m128i zero = _mm_setzero_si128();
  // Upper pixels in the low four lanes, lower ones in the high four.
  const __m128i left = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, int(LowerLeft), int(UpperLeft)), zero);
  const __m128i right = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, int(LowerRight), int(UpperRight)), zero);
  const __m128i rows = MixTruncated(left, right, WX);
  const __m128i mixed = MixTruncated(rows, _mm_unpackhi_epi64(rows, rows), WY);
  return TColor32(_mm_cvtsi128_si32(_mm_packus_epi16(mixed, mixed)));
}
#endif

TInterpolator ChooseInterpolator() {
#ifdef __SSE2__
  if (HasExtendedPackedIntegers() || HasPackedIntegers()) return InterpolatePacked;
#endif
  return InterpolatePlain;
}

}  // namespace

const TInterpolator PlainInterpolate = InterpolatePlain;
#ifdef __SSE2__
const TInterpolator PackedInterpolate = InterpolatePacked;
#endif
const TInterpolator Interpolate = ChooseInterpolator();

void FillLongword(TColor32* X, std::size_t Count, TColor32 Value) { std::fill_n(X, Count, Value); }

void MoveLongword(const TColor32* Source, TColor32* Dest, std::size_t Count) {
  if (Count == 0 || Source == Dest) return;
  std::memmove(Dest, Source, Count * sizeof(TColor32));
}

int Clamp(int Value, int Low, int High) { return Value < Low ? Low : Value > High ? High : Value; }

void CombineRow(const TTransfer& t, const TColor32* Row, TColor32* Dst, int Count, bool RowWise) {
  switch (t.Op) {
    case TDrawMode::dmOpaque:
      MoveLongword(Row, Dst, std::size_t(Count));
      break;
    case TDrawMode::dmBlend:
      if (RowWise && t.MasterAlpha == 255) {
        BlendRoutines.BlendRow(Row, Dst, Count);
      } else {
        BlendRoutines.BlendRowScaled(Row, Dst, Count, t.MasterAlpha);
      }
      break;
    case TDrawMode::dmCustom:
      for (int i = 0; i < Count; ++i) t.CombineCallBack(Row[i], Dst[i], t.MasterAlpha);
      break;
  }
}

TColor32 BlockAverage(int Width, int Height, const TColor32* TopLeft, std::size_t Pitch) {
  std::uint64_t sums[4] = {};
  for (int y = 0; y < Height; ++y) {
    std::uint32_t row[4] = {};
    const TColor32* p = TopLeft + std::size_t(y) * Pitch;
    for (int x = 0; x < Width; ++x) {
      for (int c = 0; c < 4; ++c) row[c] += p[x] >> 8 * c & 0xFF;
    }
    for (int c = 0; c < 4; ++c) sums[c] += row[c];
  }
  const auto pixels = std::uint64_t(Width) * std::uint64_t(Height);
  constexpr std::uint64_t One = std::uint64_t(1) << 24;
  TColor32 result = 0;
  for (int c = 0; c < 4; ++c) {
    const std::uint64_t average = pixels <= One ? sums[c] * (One / pixels) >> 24 : sums[c] / pixels;
    result |= TColor32(average) << 8 * c;
  }
  return result;
}

void StretchTransfer(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
                     TDrawMode CombineOp, TStretchFilter Filter, const TPixelCombineEvent& CombineCallBack) {
  Run(
      [Filter](const TTransfer& t) {
        if (SameSize(t)) return Block(t);
        switch (Filter) {
          case TStretchFilter::sfNearest:
            return Nearest(t);
          case TStretchFilter::sfDraft:
            return Draft(t);
          case TStretchFilter::sfLinear:
            if (WidthOf(t.DstRect) > WidthOf(t.SrcRect) && HeightOf(t.DstRect) > HeightOf(t.SrcRect))
              return Linear(t);
            return ResampleTransfer(t, Filter);
          default:
            return ResampleTransfer(t, Filter);
        }
      },
      Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
}

void BlockTransfer(TBitmap32* Dst, int DstX, int DstY, TRect DstClip, const TBitmap32* Src, int SrcX,
                   int SrcY, TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  // The whole source, placed so that (SrcX, SrcY) lands on (DstX, DstY).
  TRect placed{};
  if (Src != nullptr) {
    const std::int64_t left = std::int64_t(DstX) - SrcX, top = std::int64_t(DstY) - SrcY;
    placed = {ToInt(left), ToInt(top), ToInt(left + Src->Width()), ToInt(top + Src->Height())};
  }
  Run(Block, Dst, placed, DstClip, Src, Src != nullptr ? Src->BoundsRect() : TRect{}, CombineOp,
      CombineCallBack);
}

void StretchNearest(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
                    TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  Run(Nearest, Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
}

void StretchDraft(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
                  TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  Run(Draft, Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
}

void StretchLinear(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
                   TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  Run(Linear, Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
}

void Resample(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
              TStretchFilter Filter, TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  Resample(ResampleLoops, Dst, DstRect, DstClip, Src, SrcRect, Filter, CombineOp, CombineCallBack);
}

void Resample(const TResampleLoops& Loops, TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src,
              TRect SrcRect, TStretchFilter Filter, TDrawMode CombineOp,
              const TPixelCombineEvent& CombineCallBack) {
  Run([Filter, &Loops](const TTransfer& t) { ResampleTransfer(t, Filter, Loops); }, Dst, DstRect, DstClip,
      Src, SrcRect, CombineOp, CombineCallBack);
}

}  // namespace lumox
