#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <functional>
#include <limits>
#include <vector>

#include "platform/ScreenGraphics.h"

namespace lumox {
namespace {

constexpr std::uint32_t Paper = 0x00FFFFFF;  // white, fourth byte 0

// A 100 × 24 block of white paper under a memory context of the screen layer.
struct TPaper {
  static constexpr int Width = 100, Height = 24;
  std::vector<std::uint32_t> Pixels = std::vector<std::uint32_t>(Width * Height, Paper);
  std::unique_ptr<TMemoryDC> DC = ScreenDeviceContextLayer().CreateMemoryDC();
  TPaper() {
    EXPECT_TRUE(DC->SelectBlock({Pixels.data(), Width, Height, Width}));
    DC->SetBackgroundMode(TBackgroundMode::Transparent);
  }
  // The box around every changed pixel; "" unless each changed pixel is opaque.
  TRect Changed(std::string& faults) const {
    TRect box{Width, Height, 0, 0};
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) {
        const std::uint32_t p = Pixels[std::size_t(y * Width + x)];
        if (p == Paper) continue;
        if (p >> 24 != 0xFF) faults += "translucent " + std::to_string(x) + "," + std::to_string(y) + " ";
        box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
               std::max(box.Bottom, y + 1)};
      }
    }
    return box;
  }
};

TEST(ScreenGraphics, DrawTextPlacesMeasuresAndClipsText) {
  const int width = TPaper::Width, height = TPaper::Height;
  const std::pair<std::uint32_t, std::function<bool(const TRect& ink)>> cases[] = {
      {tfLeft | tfSingleLine, [](const TRect& ink) { return ink.Left < 10; }},
      {tfRight | tfSingleLine, [&](const TRect& ink) { return ink.Right > width - 10; }},
      {tfCentre | tfSingleLine | tfMiddle,
       [&](const TRect& ink) {
         return std::abs(ink.Left + ink.Right - width) <= 4 && std::abs(ink.Top + ink.Bottom - height) <= 8;
       }},
  };
  std::string faults;
  for (const auto& [format, placed] : cases) {
    TPaper paper;
    TRect rect{0, 0, width, height};
    EXPECT_GT(paper.DC->DrawText("Wide", rect, format), 0);
    EXPECT_TRUE(placed(paper.Changed(faults))) << format;
  }
  EXPECT_EQ(faults, "") << "ink is opaque";

  TPaper paper;
  TRect measured{5, 6, 7, 8};
  paper.DC->DrawText("Wide", measured, tfMeasure | tfSingleLine);
  EXPECT_EQ(measured,
            (TRect{5, 6, 5 + paper.DC->TextExtent("Wide").Width, 6 + paper.DC->TextExtent("Wide").Height}));
  EXPECT_EQ(paper.Changed(faults).Right, 0) << "measuring draws nothing";
}

TEST(ScreenGraphics, TextAtTheEndsOfTheCoordinateRangeLandsWhereTheOriginPutsItOrNowhere) {
  constexpr int Max = std::numeric_limits<int>::max(), Min = std::numeric_limits<int>::min();
  const auto nowhere = [](const TRect& ink, TSize) { return ink.Right == 0; };
  const struct {
    const char* Name;
    std::function<void(TDC&)> Draw;
    std::function<bool(const TRect& ink, TSize text)> Landed;
  } cases[] = {
      {"past the far end", [](TDC& dc) { dc.TextOut(Max - 3, 0, "Wide"); }, nowhere},
      {"before the near end", [](TDC& dc) { dc.TextOut(Min + 3, 0, "Wide"); }, nowhere},
      {"brought back by the origin",
       [](TDC& dc) {
         dc.SetWindowOrigin({Max - 10, 0});
         dc.TextOut(Max - 3, 0, "Wide");
       },
       [](const TRect& ink, TSize text) {
         return ink.Left >= 7 && ink.Left < 10 && ink.Right <= 7 + text.Width + 1;
       }},
      {"reversed full-range rectangle",
       [](TDC& dc) {
         TRect reversed{Max, Max, Min, Min};
         dc.DrawText("Wide", reversed, tfLeft | tfSingleLine);
       },
       nowhere},
      {"centred in the full range",
       [](TDC& dc) {
         TRect all{Min, Min, Max, Max};
         dc.DrawText("Wide", all, tfCentre | tfMiddle | tfSingleLine);
       },
       [](const TRect& ink, TSize text) {
         return ink.Right <= text.Width / 2 + 2 && ink.Bottom <= text.Height / 2 + 2;
       }},
  };
  std::string faults;
  for (const auto& c : cases) {
    TPaper paper;
    c.Draw(*paper.DC);
    EXPECT_TRUE(c.Landed(paper.Changed(faults), paper.DC->TextExtent("Wide"))) << c.Name;
  }
  EXPECT_EQ(faults, "") << "ink is opaque";

  TPaper paper;
  const TSize text = paper.DC->TextExtent("Wide");
  TRect farEnd{Max - 3, Max - 3, Max, Max};
  EXPECT_EQ(paper.DC->DrawText("Wide", farEnd, tfMeasure | tfWordBreak), text.Height);
  EXPECT_EQ(farEnd, (TRect{Max - 3, Max - 3, Max, Max})) << "the measure stops at the end of the range";
  TRect fullWidth{Min, 0, Max, 0};
  paper.DC->DrawText("Wide", fullWidth, tfMeasure | tfWordBreak);
  EXPECT_EQ(fullWidth, (TRect{Min, 0, Min + text.Width, text.Height}));
}

// A window that paints through its device context what `Paint` draws.
struct TPaintedWindow : QWidget {
  std::function<void(TDC&)> Paint;
  void paintEvent(QPaintEvent*) override { Paint(*CreateWindowDC(*this)); }
};

TEST(ScreenGraphics, AWindowContextShowsColoursOnlyWhereItIsClipped) {
  const std::uint32_t block[] = {0x00112233, 0x80445566, 0xFF778899, 0x10AABBCC};
  TBlockInfo info;
  info.Width = 2;
  info.Height = -2;
  TPaintedWindow window;
  window.resize(8, 6);
  window.Paint = [&](TDC& dc) {
    dc.FillRect({0, 0, 8, 6}, {RGB(0, 0, 255)});
    dc.SetWindowOrigin({-1, -1});
    dc.ExcludeClipRect({2, 0, 3, 8});
    EXPECT_TRUE(dc.StretchBlock({0, 0, 4, 4}, info, block, {0, 0, 2, 2}));
  };
  const QImage shown = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool copied = x >= 1 && x < 5 && y >= 1 && y < 5 && x != 3;
      const std::uint32_t expected = copied ? block[(y - 1) / 2 * 2 + (x - 1) / 2] | 0xFF000000 : 0xFF0000FF;
      EXPECT_EQ(shown.pixel(x, y), expected) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace lumox
