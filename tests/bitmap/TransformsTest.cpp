#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "bitmap/Blend.h"
#include "bitmap/ProcessorProbe.h"
#include "bitmap/Resample.h"
#include "bitmap/Transforms.h"

namespace lumox {
namespace {

using enum TStretchFilter;
using enum TDrawMode;

const TStretchFilter AllFilters[] = {sfNearest, sfDraft, sfLinear, sfCosine, sfSpline, sfLanczos, sfMitchell};

void Noise(TBitmap32& b, int width, int height, std::mt19937& random) {
  b.SetSize(width, height);
  for (int i = 0; i < width * height; ++i) b.Bits()[i] = random();
}

std::vector<TColor32> Pixels(const TBitmap32& b) { return {b.Bits(), b.Bits() + b.Width() * b.Height()}; }

TEST(MappingTable, WeightsAddUpTo256WithPositionsInsideTheSource) {
  for (bool edgeAligned : {true, false}) {
    EdgeAlignedSampling = edgeAligned;
    for (TStretchFilter filter : AllFilters) {
      for (int src = 1; src <= 64; ++src) {
        for (int dst = 1; dst <= 64; ++dst) {
          const TMappingTable table = BuildMappingTable(-3, dst - 3, -3, dst - 3, 5, 5 + src, filter);
          ASSERT_EQ(table.size(), std::size_t(dst));
          for (const TContributorList& list : table) {
            int sum = 0;  // a position outside the source spoils it
            for (auto [pos, weight] : list) sum += pos >= 5 && pos < 5 + src ? weight : 9999;
            ASSERT_EQ(sum, 256) << int(filter) << " " << src << " -> " << dst;
          }
        }
      }
    }
  }
  EdgeAlignedSampling = true;
  EXPECT_TRUE(BuildMappingTable(0, 4, 0, 4, 2, 2, sfLanczos).empty());
  EXPECT_EQ(BuildMappingTable(0, 4, 1, 3, 7, 8, sfLanczos), TMappingTable(2, {{7, 256}}));
}

// The resampler written out plainly: per destination pixel and channel, the column weights
// times the row weights times the source channel, summed in 64 bits, clamped.
TColor32 ModelPixel(const TBitmap32& src, const TContributorList& columns, const TContributorList& rows) {
  TColor32 pixel = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    std::int64_t sum = 0;
    for (auto [x, wx] : columns)
      for (auto [y, wy] : rows) sum += std::int64_t(*src.PixelPtr(x, y) >> shift & 0xFF) * wy * wx;
    pixel |= TColor32(std::clamp<std::int64_t>(sum >> 16, 0, 255)) << shift;
  }
  return pixel;
}

struct TLoopSet {
  const char* Name;
  const TResampleLoops* Loops;
};

// Every set of pixel loops the processor can run.
std::vector<TLoopSet> LoopSets() {
  std::vector<TLoopSet> sets{{"Plain", &PlainResampleLoops}};
#ifdef __SSE2__
  sets.push_back({"Packed", &PackedResampleLoops});
#endif
  if (WideResampleLoops != nullptr) sets.push_back({"Wide", WideResampleLoops});
  return sets;
}

const TPixelCombineEvent Exclusive = [](TColor32 F, TColor32& B, TColor32 M) { B ^= F + M; };

// One call of the resampler, and what it must leave in `dst`: the model's pixels combined into
// the destination.
struct TResampleCall {
  TRect DstRect, Clip, SrcRect;
  TStretchFilter Filter = sfLanczos;
  TDrawMode Mode = dmOpaque;
};

std::vector<TColor32> Expected(const TBitmap32& dst, const TBitmap32& src, const TResampleCall& call) {
  TBitmap32 expected;
  expected.Assign(&dst);
  TRect area;  // the clip, as the resampler works it out
  if (IsRectEmpty(call.SrcRect) || !IntersectRect(area, call.Clip, dst.BoundsRect()) ||
      !IntersectRect(area, area, call.DstRect))
    return Pixels(expected);
  const TRect &d = call.DstRect, &s = call.SrcRect;
  const TMappingTable columns =
      BuildMappingTable(d.Left, d.Right, area.Left, area.Right, s.Left, s.Right, call.Filter);
  const TMappingTable rows =
      BuildMappingTable(d.Top, d.Bottom, area.Top, area.Bottom, s.Top, s.Bottom, call.Filter);
  for (int y = area.Top; y < area.Bottom; ++y) {
    for (int x = area.Left; x < area.Right; ++x) {
      const TColor32 c =
          ModelPixel(src, columns[std::size_t(x - area.Left)], rows[std::size_t(y - area.Top)]);
      TColor32& p = *expected.PixelPtr(x, y);
      if (call.Mode == dmOpaque) p = c;
      if (call.Mode == dmBlend) BlendRoutines.BlendColorIntoScaled(c, p, src.MasterAlpha());
      if (call.Mode == dmCustom) Exclusive(c, p, src.MasterAlpha());
    }
  }
  return Pixels(expected);
}

class Resample : public testing::TestWithParam<TLoopSet> {
 protected:
  // Runs `call` with the loops under test; false (with the call's number) when the pixels
  // differ from the model's.
  testing::AssertionResult Matches(TBitmap32& dst, const TBitmap32& src, const TResampleCall& call,
                                   int number) {
    const std::vector<TColor32> expected = Expected(dst, src, call);
    lumox::Resample(*GetParam().Loops, &dst, call.DstRect, call.Clip, &src, call.SrcRect, call.Filter,
                    call.Mode, Exclusive);
    if (Pixels(dst) == expected) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "call " << number;
  }
};

TEST_P(Resample, EqualsAPlainModelOfItsArithmetic) {
  std::mt19937 random(11);
  const auto pick = [&](int lo, int hi) { return lo + int(random() % unsigned(hi - lo + 1)); };
  for (int round = 0; round < 150; ++round) {
    EdgeAlignedSampling = round % 5 != 0;
    TBitmap32 src, dst;
    Noise(src, pick(1, 90), pick(1, 90), random);
    Noise(dst, pick(1, 70), pick(1, 70), random);
    TResampleCall call;
    call.SrcRect = {pick(0, src.Width() - 1), pick(0, src.Height() - 1), pick(1, src.Width()),
                    pick(1, src.Height())};
    call.DstRect = {pick(-30, 40), pick(-30, 40), pick(-10, 140), pick(-10, 140)};
    call.Clip = {pick(-5, 30), pick(-5, 30), pick(0, 80), pick(0, 80)};
    call.Filter = AllFilters[pick(2, 6)];
    call.Mode = TDrawMode(pick(0, 2));
    src.SetMasterAlpha(pick(0, 2) == 0 ? 255 : pick(1, 255));
    ASSERT_TRUE(Matches(dst, src, call, round));
  }
  EdgeAlignedSampling = true;
}

// Reductions as the previews make them: dozens of taps per axis, source rows a page long, runs of
// columns as long as the vector loops take and the odd ones they leave over.
TEST_P(Resample, ReducesLargePicturesExactly) {
  std::mt19937 random(17);
  TBitmap32 src, dst;
  const TResampleCall calls[] = {
      {{0, 0, 168, 9}, {0, 0, 168, 9}, {0, 0, 1024, 56}, sfLanczos, dmBlend},
      {{0, 0, 51, 38}, {0, 0, 51, 38}, {0, 0, 397, 301}, sfLanczos, dmOpaque},
      {{-7, 3, 60, 30}, {5, 4, 33, 20}, {13, 9, 390, 250}, sfMitchell, dmOpaque},
      {{0, 0, 9, 7}, {0, 0, 9, 7}, {1, 0, 396, 300}, sfSpline, dmCustom},
  };
  for (int i = 0; i < int(std::size(calls)); ++i) {
    Noise(src, calls[i].SrcRect.Right + i, calls[i].SrcRect.Bottom, random);
    Noise(dst, calls[i].DstRect.Right, calls[i].DstRect.Bottom, random);
    EXPECT_TRUE(Matches(dst, src, calls[i], i));
  }
}

// Weights are worked out once per geometry and kept: a call that differs from the one before in
// a single argument must not get its weights.
TEST_P(Resample, KeepsWeightsOnlyForTheSameGeometry) {
  std::mt19937 random(19);
  TBitmap32 src, dst;
  Noise(src, 64, 48, random);
  Noise(dst, 30, 20, random);
  const TResampleCall base{{0, 0, 24, 18}, {0, 0, 30, 20}, {0, 0, 64, 48}};
  std::vector<std::pair<TResampleCall, bool>> calls;  // and whether sampling is edge-aligned
  for (int turn = 0; turn < 2; ++turn) {
    for (TStretchFilter filter : {sfLanczos, sfMitchell, sfCosine}) {
      TResampleCall call = base;
      call.Filter = filter;
      calls.push_back({call, true});
      calls.push_back({call, false});
    }
    TResampleCall moved = base;
    moved.DstRect = {1, 0, 25, 18};
    TResampleCall clipped = base;
    clipped.Clip = {2, 1, 30, 20};
    TResampleCall cropped = base;
    cropped.SrcRect = {0, 0, 63, 48};
    TResampleCall lower = base;
    lower.SrcRect = {0, 1, 64, 48};
    for (const TResampleCall& call : {moved, clipped, cropped, lower}) calls.push_back({call, true});
  }
  for (int i = 0; i < int(calls.size()); ++i) {
    EdgeAlignedSampling = calls[std::size_t(i)].second;
    EXPECT_TRUE(Matches(dst, src, calls[std::size_t(i)].first, i));
  }
  EdgeAlignedSampling = true;
}

TEST(ResampleLoops, TheChosenSetIsTheWidestTheProcessorRuns) {
  EXPECT_EQ(WideResampleLoops != nullptr, HasWidePackedIntegers());
#ifdef __SSE2__
  EXPECT_EQ(&ResampleLoops, HasWidePackedIntegers() ? WideResampleLoops : &PackedResampleLoops);
#endif
}

INSTANTIATE_TEST_SUITE_P(Loops, Resample, testing::ValuesIn(LoopSets()),
                         [](const auto& info) { return info.param.Name; });

// The paths other than the kernel resampler, on small pictures with known answers.
TEST(StretchTransfer, DispatchesAndComputesEachPath) {
  std::mt19937 random(3);
  TBitmap32 src, dst;
  Noise(src, 3, 2, random);
  dst.SetSize(7, 4);
  const auto draw = [&](TRect dstRect, TStretchFilter filter, const TBitmap32& from) {
    dst.Clear(0);
    StretchTransfer(&dst, dstRect, dst.BoundsRect(), &from, from.BoundsRect(), dmOpaque, filter, nullptr);
  };
  for (TStretchFilter filter : AllFilters) {
    draw({2, 1, 5, 3}, filter, src);
    EXPECT_EQ(*dst.PixelPtr(4, 2), *src.PixelPtr(2, 1)) << "equal sizes copy, filter " << int(filter);
  }
  draw(dst.BoundsRect(), sfNearest, src);
  const int columns[] = {0, 0, 0, 1, 1, 2, 2};
  for (int x = 0; x < 7; ++x) EXPECT_EQ(*dst.PixelPtr(x, 3), *src.PixelPtr(columns[x], 1)) << x;

  TBitmap32 one, tall, viaResample, white;
  Noise(one, 1, 1, random);
  for (TStretchFilter filter : {sfLanczos, sfLinear, sfDraft}) {
    draw(dst.BoundsRect(), filter, one);
    EXPECT_EQ(Pixels(dst), std::vector<TColor32>(28, *one.Bits())) << int(filter);
  }

  // Wider but lower: the kernel resampler, not the bilinear path.
  Noise(tall, 2, 9, random);
  draw(dst.BoundsRect(), sfLinear, tall);
  viaResample.Assign(&dst);
  lumox::Resample(&viaResample, dst.BoundsRect(), dst.BoundsRect(), &tall, tall.BoundsRect(), sfLinear,
                  dmOpaque, nullptr);
  EXPECT_EQ(Pixels(dst), Pixels(viaResample));

  white.SetSize(4097, 4097);
  white.Clear(0xFFFFFFFF);
  draw({0, 0, 1, 1}, sfDraft, white);
  EXPECT_EQ(*dst.Bits(), 0xFFFFFFFFu) << "blocks above 2^24 pixels are averaged exactly";
  EXPECT_EQ(BlockAverage(3, 3, white.Bits(), 4097), 0xFEFEFEFEu);
  EXPECT_EQ(BlockAverage(600, 1, white.Bits(), 4097), 0xFEFEFEFEu) << "no 16-bit wrap";

  EXPECT_EQ(PlainInterpolate(128, 255, 0xFFFFFFFF, 0, 7, 7), 0x80808080u);
#ifdef __SSE2__
  EXPECT_EQ(PackedInterpolate(128, 256, 0xFFFFFFFF, 0, 7, 7), 0x7F7F7F7Fu);
#endif
}

TEST(StretchTransfer, RefusesBadArgumentsAndSurvivesHostileRectangles) {
  std::mt19937 random(5);
  TBitmap32 src, dst, empty;
  Noise(src, 5, 4, random);
  Noise(dst, 6, 6, random);
  const auto message = [&](TBitmap32* d, const TBitmap32* s, TRect srcRect) -> std::string {
    try {
      StretchTransfer(d, {0, 0, 9, 9}, {0, 0, 9, 9}, s, srcRect, dmOpaque, sfLanczos, nullptr);
      return "none";
    } catch (const ETransformError& e) {
      return e.what();
    }
  };
  EXPECT_EQ(message(nullptr, &src, src.BoundsRect()), "Destination bitmap is nil or empty");
  EXPECT_EQ(message(&empty, &src, src.BoundsRect()), "Destination bitmap is nil or empty");
  EXPECT_EQ(message(&dst, nullptr, src.BoundsRect()), "Source bitmap is nil or empty");
  EXPECT_EQ(message(&dst, &src, {0, 0, 6, 4}), "Source rectangle is invalid");
  EXPECT_EQ(message(nullptr, &empty, src.BoundsRect()), "none");
  EXPECT_EQ(message(&dst, &src, {2, 2, 2, 4}), "none");

  const std::vector<TColor32> before = Pixels(dst);
  src.SetMasterAlpha(0);
  StretchTransfer(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, src.BoundsRect(), dmBlend, sfLanczos,
                  nullptr);
  BlockTransfer(&dst, 0, 0, dst.BoundsRect(), &src, 5, 0, dmOpaque, nullptr);
  EXPECT_EQ(Pixels(dst), before);
  BlockTransfer(&dst, 1, 1, {0, 0, 3, 9}, &src, -1, 2, dmOpaque, nullptr);
  EXPECT_EQ(*dst.PixelPtr(1, 1), before[7]) << "no source pixel left of column 0";
  EXPECT_EQ(*dst.PixelPtr(2, 2), *src.PixelPtr(0, 3));
  EXPECT_EQ(*dst.PixelPtr(2, 3), before[20]) << "no source row below the last";

  src.SetMasterAlpha(255);
  const int edges[] = {INT_MIN, -3, 1, 2, 5, INT_MAX};  // every pair as left/top and right/bottom
  for (TStretchFilter filter : AllFilters) {
    for (int lo : edges) {
      for (int hi : edges) {
        const TRect r{lo, lo / 2, hi, hi / 2 + 1};
        StretchTransfer(&dst, r, r, &src, src.BoundsRect(), TDrawMode(hi & 1), filter, nullptr);
        StretchTransfer(&dst, r, dst.BoundsRect(), &src, {4, 3, 5, 4}, TDrawMode(lo & 1), filter, nullptr);
      }
    }
  }
}

}  // namespace
}  // namespace lumox
