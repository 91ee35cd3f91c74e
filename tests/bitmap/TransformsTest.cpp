#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "bitmap/Blend.h"
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

TEST(Resample, EqualsAPlainModelOfItsArithmetic) {
  std::mt19937 random(11);
  const auto pick = [&](int lo, int hi) { return lo + int(random() % unsigned(hi - lo + 1)); };
  const TPixelCombineEvent exclusive = [](TColor32 F, TColor32& B, TColor32 M) { B ^= F + M; };
  for (int round = 0; round < 150; ++round) {
    EdgeAlignedSampling = round % 5 != 0;
    const TStretchFilter filter = AllFilters[pick(2, 6)];
    TBitmap32 src, dst;
    Noise(src, pick(1, 90), pick(1, 90), random);
    Noise(dst, pick(1, 70), pick(1, 70), random);
    const TRect srcRect{pick(0, src.Width() - 1), pick(0, src.Height() - 1), pick(1, src.Width()),
                        pick(1, src.Height())};
    const TRect dstRect{pick(-30, 40), pick(-30, 40), pick(-10, 140), pick(-10, 140)};
    const TRect clip{pick(-5, 30), pick(-5, 30), pick(0, 80), pick(0, 80)};
    const TDrawMode mode = TDrawMode(pick(0, 2));
    src.SetMasterAlpha(pick(0, 2) == 0 ? 255 : pick(1, 255));
    TBitmap32 expected;
    expected.Assign(&dst);
    TRect area;  // the clip, as the resampler works it out
    if (!IsRectEmpty(srcRect) && IntersectRect(area, clip, dst.BoundsRect()) &&
        IntersectRect(area, area, dstRect)) {
      const TMappingTable columns = BuildMappingTable(dstRect.Left, dstRect.Right, area.Left, area.Right,
                                                      srcRect.Left, srcRect.Right, filter);
      const TMappingTable rows = BuildMappingTable(dstRect.Top, dstRect.Bottom, area.Top, area.Bottom,
                                                   srcRect.Top, srcRect.Bottom, filter);
      for (int y = area.Top; y < area.Bottom; ++y) {
        for (int x = area.Left; x < area.Right; ++x) {
          const TColor32 c =
              ModelPixel(src, columns[std::size_t(x - area.Left)], rows[std::size_t(y - area.Top)]);
          TColor32& d = *expected.PixelPtr(x, y);
          if (mode == dmOpaque) d = c;
          if (mode == dmBlend) BlendRoutines.BlendColorIntoScaled(c, d, src.MasterAlpha());
          if (mode == dmCustom) exclusive(c, d, src.MasterAlpha());
        }
      }
    }
    Resample(&dst, dstRect, clip, &src, srcRect, filter, mode, exclusive);
    ASSERT_EQ(Pixels(dst), Pixels(expected)) << "round " << round;
  }
  EdgeAlignedSampling = true;
}

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
  Resample(&viaResample, dst.BoundsRect(), dst.BoundsRect(), &tall, tall.BoundsRect(), sfLinear, dmOpaque,
           nullptr);
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
