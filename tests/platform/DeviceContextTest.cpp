#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

#include "platform/DeviceContext.h"

namespace lumox {
namespace {

constexpr std::uint32_t Untouched = 0x12345678;
constexpr TColor Red = RGB(255, 0, 0);
constexpr std::uint32_t RedPixel = 0xFFFF0000;

// An 8 × 6 block (rows 10 pixels apart, the last two unused) under a memory context.
struct TBlockUnderContext {
  std::vector<std::uint32_t> Pixels = std::vector<std::uint32_t>(60, Untouched);
  TMemoryDC DC;
  TBlockUnderContext() { EXPECT_TRUE(DC.SelectBlock({Pixels.data(), 8, 6, 10})); }
  std::uint32_t At(int x, int y) const { return Pixels[std::size_t(y * 10 + x)]; }
  // Which pixels differ from `expected(x, y)`, as "x,y " for each; "" when none does.
  std::string Mismatches(const std::function<std::uint32_t(int x, int y)>& expected) const {
    std::string found;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 10; ++x)
        if (At(x, y) != (x < 8 ? expected(x, y) : Untouched))
          found += std::to_string(x) + "," + std::to_string(y) + " ";
    return found;
  }
};

bool Inside(int x, int y, const TRect& r) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

struct TFillCase {
  const char* Name;
  std::function<void(TDC&)> Draw;
  std::function<bool(int x, int y)> Filled;
};

TEST(DeviceContext, FillsFollowOriginClipAndSavedStates) {
  const auto fill = [](TDC& dc) { dc.FillRect({0, 0, 8, 6}, {Red}); };
  // clang-format off
  const TFillCase cases[] = {
      {"plain", [](TDC& dc) { dc.FillRect({1, 1, 4, 3}, {Red}); },
       [](int x, int y) { return Inside(x, y, {1, 1, 4, 3}); }},
      {"partly outside", [](TDC& dc) { dc.FillRect({-3, 4, 20, 9}, {Red}); },
       [](int, int y) { return y >= 4; }},
      {"null brush", [](TDC& dc) { dc.FillRect({0, 0, 8, 6}, NullBrush); },
       [](int, int) { return false; }},
      {"origin", [](TDC& dc) { dc.SetWindowOrigin({2, 1}); dc.FillRect({2, 1, 4, 3}, {Red}); },
       [](int x, int y) { return Inside(x, y, {0, 0, 2, 2}); }},
      {"clip where the origin stood",
       [&](TDC& dc) {
         dc.SetWindowOrigin({-1, 0});
         dc.IntersectClipRect({0, 0, 3, 6});
         dc.SetWindowOrigin({});
         fill(dc);
       },
       [](int x, int) { return x >= 1 && x < 4; }},
      {"excluded square",
       [&](TDC& dc) {
         dc.ExcludeClipRect({2, 2, 4, 4});
         EXPECT_EQ(dc.ClipBox(), (TRect{0, 0, 8, 6}));
         fill(dc);
       },
       [](int x, int y) { return !Inside(x, y, {2, 2, 4, 4}); }},
      {"intersected, then a band excluded",
       [&](TDC& dc) {
         dc.SetWindowOrigin({1, 1});
         dc.IntersectClipRect({2, 2, 8, 6});
         dc.ExcludeClipRect({1, 3, 9, 4});
         EXPECT_EQ(dc.ClipBox(), (TRect{2, 2, 8, 6})) << "logical, as the origin stands";
         dc.SetWindowOrigin({});
         fill(dc);
       },
       [](int x, int y) { return Inside(x, y, {1, 1, 7, 5}) && y != 2; }},
      {"origin near the far end",
       [&](TDC& dc) {
         constexpr int Max = std::numeric_limits<int>::max();
         dc.SetWindowOrigin({Max - 2, Max - 1});
         EXPECT_EQ(dc.ClipBox(), (TRect{Max - 2, Max - 1, Max, Max})) << "saturated";
         dc.FillRect({Max - 1, Max - 1, Max, Max}, {Red});
       },
       [](int x, int y) { return x == 1 && y == 0; }},
      {"restored",
       [&](TDC& dc) {
         const int saved = dc.Save();
         dc.Save();
         dc.IntersectClipRect({0, 0, 1, 1});
         dc.SetWindowOrigin({5, 5});
         EXPECT_TRUE(dc.Restore(saved));
         EXPECT_FALSE(dc.Restore(-1)) << "the state saved after it is gone";
         fill(dc);
       },
       [](int, int) { return true; }},
  };
  // clang-format on
  for (const TFillCase& c : cases) {
    TBlockUnderContext block;
    c.Draw(block.DC);
    EXPECT_EQ(block.Mismatches([&](int x, int y) { return c.Filled(x, y) ? RedPixel : Untouched; }), "")
        << c.Name;
  }
}

// A 3 × 2 source with distinct pixels, as its rows are stored.
const std::uint32_t Source[] = {0x00000001, 0x80000002, 0xFF000003, 0x00000011, 0x40000012, 0xFF000013};

TBlockInfo SourceInfo(std::int32_t height) {
  TBlockInfo info;
  info.Width = 3;
  info.Height = height;
  return info;
}

struct TCopyCase {
  const char* Name;
  TRect Dest;
  TBlockInfo Info;
  TRect From;
  bool Copied;
  std::function<std::uint32_t(int x, int y)> Expected;
};

TEST(DeviceContext, BlockCopiesKeepAllFourBytesAndStretchToTheNearestPixel) {
  const auto source = [](int x, int y) { return Source[y * 3 + x]; };
  TBlockInfo twentyFourBits = SourceInfo(-2);
  twentyFourBits.BitCount = 24;
  const auto at = [](const TRect& r, std::function<std::uint32_t(int x, int y)> inside) {
    return [=](int x, int y) { return Inside(x, y, r) ? inside(x, y) : Untouched; };
  };
  const auto untouched = [](int, int) { return Untouched; };
  // clang-format off
  const TCopyCase cases[] = {
      {"unscaled, top row first", {2, 1, 5, 3}, SourceInfo(-2), {0, 0, 3, 2}, true,
       at({2, 1, 5, 3}, [&](int x, int y) { return source(x - 2, y - 1); })},
      {"bottom row first", {0, 0, 3, 2}, SourceInfo(2), {0, 0, 3, 2}, true,
       at({0, 0, 3, 2}, [&](int x, int y) { return source(x, 1 - y); })},
      {"doubled", {0, 0, 6, 4}, SourceInfo(-2), {0, 0, 3, 2}, true,
       at({0, 0, 6, 4}, [&](int x, int y) { return source(x / 2, y / 2); })},
      {"halved", {0, 0, 2, 1}, SourceInfo(-2), {0, 0, 3, 2}, true,
       at({0, 0, 2, 1}, [&](int x, int) { return source(x == 0 ? 0 : 2, 1); })},
      {"off the block's edge", {6, 5, 9, 7}, SourceInfo(-2), {0, 0, 3, 2}, true,
       at({6, 5, 8, 6}, [&](int x, int) { return source(x - 6, 0); })},
      {"source outside the block", {0, 0, 3, 2}, SourceInfo(-2), {1, 0, 4, 2}, false, untouched},
      {"not 32 bits", {0, 0, 3, 2}, twentyFourBits, {0, 0, 3, 2}, false, untouched},
      {"empty destination", {3, 0, 3, 2}, SourceInfo(-2), {0, 0, 3, 2}, false, untouched},
  };
  // clang-format on
  for (const TCopyCase& c : cases) {
    TBlockUnderContext block;
    EXPECT_EQ(block.DC.StretchBlock(c.Dest, c.Info, Source, c.From), c.Copied) << c.Name;
    EXPECT_EQ(block.Mismatches(c.Expected), "") << c.Name;
  }
}

}  // namespace
}  // namespace lumox
