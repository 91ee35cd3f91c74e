#include <gtest/gtest.h>

#include <functional>
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
  const TFillCase cases[] = {
      {"plain",
       [](TDC& dc) {
         dc.FillRect({1, 1, 4, 3}, {Red});
       },
       [](int x, int y) {
         return Inside(x, y, {1, 1, 4, 3});
       }},
      {"partly outside the block",
       [](TDC& dc) {
         dc.FillRect({-3, 4, 20, 9}, {Red});
       },
       [](int, int y) { return y >= 4; }},
      {"null brush",
       [](TDC& dc) {
         dc.FillRect({0, 0, 8, 6}, NullBrush);
       },
       [](int, int) { return false; }},
      {"origin",
       [](TDC& dc) {
         dc.SetWindowOrigin({2, 1});
         dc.FillRect({2, 1, 4, 3}, {Red});
       },
       [](int x, int y) {
         return Inside(x, y, {0, 0, 2, 2});
       }},
      {"clip in logical coordinates of its call",
       [](TDC& dc) {
         dc.SetWindowOrigin({-1, 0});
         dc.IntersectClipRect({0, 0, 3, 6});
         dc.SetWindowOrigin({0, 0});
         dc.FillRect({0, 0, 8, 6}, {Red});
       },
       [](int x, int) { return x >= 1 && x < 4; }},
      {"excluded square",
       [](TDC& dc) {
         dc.ExcludeClipRect({2, 2, 4, 4});
         dc.FillRect({0, 0, 8, 6}, {Red});
       },
       [](int x, int y) {
         return !Inside(x, y, {2, 2, 4, 4});
       }},
      {"intersected then excluded",
       [](TDC& dc) {
         dc.IntersectClipRect({1, 1, 7, 5});
         dc.ExcludeClipRect({0, 2, 8, 3});
         dc.FillRect({0, 0, 8, 6}, {Red});
       },
       [](int x, int y) {
         return Inside(x, y, {1, 1, 7, 5}) && y != 2;
       }},
      {"restored state",
       [](TDC& dc) {
         const int saved = dc.Save();
         dc.IntersectClipRect({0, 0, 1, 1});
         dc.SetWindowOrigin({5, 5});
         dc.Save();
         EXPECT_TRUE(dc.Restore(saved));
         EXPECT_FALSE(dc.Restore(-1)) << "the later state went with it";
         dc.FillRect({0, 0, 8, 6}, {Red});
       },
       [](int, int) { return true; }},
  };
  for (const TFillCase& c : cases) {
    TBlockUnderContext block;
    c.Draw(block.DC);
    EXPECT_EQ(block.Mismatches([&](int x, int y) { return c.Filled(x, y) ? RedPixel : Untouched; }), "")
        << c.Name;
  }
}

TEST(DeviceContext, StateCallsReturnWhatTheyReplacedAndRestoreByNumber) {
  TMemoryDC dc;
  EXPECT_EQ(dc.Bounds(), TRect{});
  EXPECT_FALSE(dc.SelectBlock({nullptr, 2, 2, 2}));
  std::uint32_t pixel = 0;
  EXPECT_FALSE(dc.SelectBlock({&pixel, 2, 1, 1})) << "rows shorter than the width";
  EXPECT_EQ(dc.SelectFont({"Serif", 12, fsBold}), SystemFont());
  EXPECT_EQ(dc.SetTextColor(Red), TColor(0));
  const int first = dc.Save();
  dc.SelectFont(SystemFont());
  dc.SetWindowOrigin({3, 4});
  EXPECT_EQ(dc.Save(), first + 1);
  EXPECT_FALSE(dc.Restore(first + 2));
  EXPECT_TRUE(dc.Restore(-1));
  EXPECT_EQ(dc.WindowOrigin(), (TPoint{3, 4}));
  EXPECT_TRUE(dc.Restore(first));
  EXPECT_EQ(dc.Font(), (TFontSpec{"Serif", 12, fsBold}));
  EXPECT_EQ(dc.WindowOrigin(), TPoint{});
  EXPECT_FALSE(dc.Restore(-1));

  TBlockUnderContext block;
  block.DC.SetWindowOrigin({1, 1});
  block.DC.ExcludeClipRect({0, 0, 9, 2});
  EXPECT_EQ(block.DC.ClipBox(), (TRect{1, 2, 9, 7})) << "logical: the surface moved by the origin";
  block.DC.IntersectClipRect({20, 20, 30, 30});
  EXPECT_EQ(block.DC.ClipBox(), TRect{});
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
  const TCopyCase cases[] = {
      {"unscaled, top row first",
       {2, 1, 5, 3},
       SourceInfo(-2),
       {0, 0, 3, 2},
       true,
       [&](int x, int y) {
         return Inside(x, y, {2, 1, 5, 3}) ? source(x - 2, y - 1) : Untouched;
       }},
      {"bottom row first",
       {0, 0, 3, 2},
       SourceInfo(2),
       {0, 0, 3, 2},
       true,
       [&](int x, int y) {
         return Inside(x, y, {0, 0, 3, 2}) ? source(x, 1 - y) : Untouched;
       }},
      {"part of the source",
       {0, 0, 2, 1},
       SourceInfo(-2),
       {1, 1, 3, 2},
       true,
       [&](int x, int y) { return y == 0 && x < 2 ? source(x + 1, 1) : Untouched; }},
      {"doubled",
       {0, 0, 6, 4},
       SourceInfo(-2),
       {0, 0, 3, 2},
       true,
       [&](int x, int y) { return x < 6 && y < 4 ? source(x / 2, y / 2) : Untouched; }},
      {"halved",
       {0, 0, 2, 1},
       SourceInfo(-2),
       {0, 0, 3, 2},
       true,
       [&](int x, int y) { return y == 0 && x < 2 ? source(x == 0 ? 0 : 2, 1) : Untouched; }},
      {"off the block's edge",
       {6, 5, 9, 7},
       SourceInfo(-2),
       {0, 0, 3, 2},
       true,
       [&](int x, int y) { return x >= 6 && y == 5 ? source(x - 6, 0) : Untouched; }},
      {"source outside the block",
       {0, 0, 3, 2},
       SourceInfo(-2),
       {1, 0, 4, 2},
       false,
       [](int, int) { return Untouched; }},
      {"not 32 bits", {0, 0, 3, 2}, twentyFourBits, {0, 0, 3, 2}, false, [](int, int) { return Untouched; }},
      {"empty destination",
       {3, 0, 3, 2},
       SourceInfo(-2),
       {0, 0, 3, 2},
       false,
       [](int, int) { return Untouched; }},
  };
  for (const TCopyCase& c : cases) {
    TBlockUnderContext block;
    EXPECT_EQ(block.DC.StretchBlock(c.Dest, c.Info, Source, c.From), c.Copied) << c.Name;
    EXPECT_EQ(block.Mismatches(c.Expected), "") << c.Name;
  }
}

TEST(DeviceContext, ThePlainContextHasNoFonts) {
  TBlockUnderContext block;
  block.DC.TextOut(0, 0, "text");
  TRect rect{1, 2, 50, 50};
  EXPECT_EQ(block.DC.DrawText("text", rect, tfMeasure), 0);
  EXPECT_EQ(rect, (TRect{1, 2, 1, 2}));
  EXPECT_EQ(block.DC.TextExtent("text"), TSize{});
  EXPECT_EQ(block.Mismatches([](int, int) { return Untouched; }), "");
}

TEST(DeviceContext, AnInstalledLayerMakesTheContextsWhileItsScopeLives) {
  struct TFailingLayer : TDeviceContextLayer {
    std::unique_ptr<TMemoryDC> CreateMemoryDC() override { return nullptr; }
  } failing;
  {
    const TDeviceContextLayerScope scope(failing);
    EXPECT_EQ(DeviceContextLayer().CreateMemoryDC(), nullptr);
  }
  EXPECT_NE(DeviceContextLayer().CreateMemoryDC(), nullptr);
}

}  // namespace
}  // namespace lumox
