#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <functional>
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

TEST(ScreenGraphics, TextLandsInTheBlockWithinItsCellAndOpaque) {
  TPaper paper;
  const TSize extent = paper.DC->TextExtent("Hg");
  ASSERT_GT(extent.Width, 0);
  ASSERT_GT(extent.Height, 0);
  paper.DC->SetWindowOrigin({-10, -2});
  paper.DC->TextOut(0, 0, "Hg");
  std::string faults;
  const TRect box = paper.Changed(faults);
  EXPECT_EQ(faults, "");
  EXPECT_TRUE(box.Left >= 10 && box.Top >= 2 && box.Right <= 10 + extent.Width &&
              box.Bottom <= 2 + extent.Height)
      << box.Left << "," << box.Top << "," << box.Right << "," << box.Bottom;
  EXPECT_LT(box.Left, box.Right) << "some ink";

  TPaper opaque;
  opaque.DC->SetBackgroundMode(TBackgroundMode::Opaque);
  opaque.DC->SetBackgroundColor(RGB(255, 0, 0));
  opaque.DC->TextOut(0, 0, "Hg");
  EXPECT_EQ(opaque.Changed(faults), (TRect{0, 0, extent.Width, extent.Height})) << "the whole cell is filled";
  EXPECT_EQ(faults, "");
}

struct TAlignCase {
  std::uint32_t Format;
  // Where the ink may lie, given the text's width and the rectangle's.
  std::function<bool(const TRect& ink, int textWidth)> Placed;
};

TEST(ScreenGraphics, DrawTextPlacesMeasuresAndClipsText) {
  const TAlignCase cases[] = {
      {tfLeft | tfSingleLine, [](const TRect& ink, int) { return ink.Left < 10; }},
      {tfRight | tfSingleLine, [](const TRect& ink, int) { return ink.Right > TPaper::Width - 10; }},
      {tfCentre | tfSingleLine | tfMiddle,
       [](const TRect& ink, int) {
         return std::abs(ink.Left + ink.Right - TPaper::Width) <= 4 &&
                std::abs(ink.Top + ink.Bottom - TPaper::Height) <= 8;
       }},
  };
  for (const TAlignCase& c : cases) {
    TPaper paper;
    TRect rect{0, 0, TPaper::Width, TPaper::Height};
    const int height = paper.DC->DrawText("Wide", rect, c.Format);
    std::string faults;
    const TRect ink = paper.Changed(faults);
    EXPECT_EQ(faults, "");
    EXPECT_GT(height, 0);
    EXPECT_TRUE(c.Placed(ink, paper.DC->TextExtent("Wide").Width))
        << c.Format << ": " << ink.Left << "-" << ink.Right;
  }

  TPaper paper;
  TRect measured{5, 6, 7, 8};
  paper.DC->DrawText("Wide", measured, tfMeasure | tfSingleLine);
  EXPECT_EQ(measured.Right - measured.Left, paper.DC->TextExtent("Wide").Width);
  EXPECT_EQ(measured.Left, 5);
  TRect wrapped{0, 0, 1, 0};
  paper.DC->DrawText("two words", wrapped, tfMeasure | tfWordBreak);
  EXPECT_GE(wrapped.Bottom, 2 * paper.DC->TextExtent("two").Height) << "one word a line";
  std::string faults;
  EXPECT_EQ(paper.Changed(faults).Right, 0) << "measuring draws nothing";

  paper.DC->ExcludeClipRect({0, 0, 50, TPaper::Height});
  TRect whole{0, 0, TPaper::Width, TPaper::Height};
  paper.DC->DrawText("WWWWWWWWWWWWWWWWWWWWWWWWW", whole, tfLeft);
  EXPECT_GE(paper.Changed(faults).Left, 50);
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
