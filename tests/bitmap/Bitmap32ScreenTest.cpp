#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <string>

#include "bitmap/Bitmap32.h"
#include "platform/Exception.h"
#include "platform/ScreenGraphics.h"

namespace lumox {
namespace {

constexpr TColor32 Paper = 0x00FFFFFF;

// Pixels of distinct colours and alphas.
void Paint(TBitmap32& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      *b.PixelPtr(x, y) = Color32(std::uint8_t(40 * x), std::uint8_t(50 * y), 7, std::uint8_t(60 * x + y));
}

TEST(Bitmap32Screen, CanvasFillsAndTextChangeTheirPixelsOnly) {
  TBitmap32 b;
  b.SetSize(80, 24);
  b.Clear(Paper);
  int changes = 0;
  b.OnChange = [&](TThreadPersistent&) { ++changes; };
  TCanvas& canvas = b.Canvas();
  canvas.Brush.Color = RGB(255, 0, 0);
  canvas.FillRect({1, 2, 9, 20});
  canvas.Brush = NullBrush;
  canvas.TextOut(20, 3, "Lumox");
  EXPECT_EQ(changes, 2);
  const TSize text = canvas.TextExtent("Lumox");
  int ink = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 80; ++x) {
      const TColor32 p = *b.PixelPtr(x, y);
      if (x >= 1 && x < 9 && y >= 2 && y < 20) {
        EXPECT_EQ(p, 0xFFFF0000u) << x << "," << y;
      } else if (p != Paper) {
        ++ink;
        EXPECT_TRUE(x >= 20 && x < 20 + text.Width && y >= 3 && y < 3 + text.Height) << x << "," << y;
        EXPECT_EQ(AlphaComponent(p), 255u) << x << "," << y;
      }
    }
  }
  EXPECT_GT(ink, 0);
}

TEST(Bitmap32Screen, APictureRoundTripsThroughTheClipboardOpaque) {
  TBitmap32 b;
  b.SetSize(5, 3);
  Paint(b);
  b.AssignTo(ScreenClipboard());
  TBitmap32 pasted;
  int changes = 0;
  pasted.OnChange = [&](TThreadPersistent&) { ++changes; };
  pasted.Assign(ScreenClipboard());
  EXPECT_EQ(changes, 1);
  ASSERT_TRUE(pasted.Width() == 5 && pasted.Height() == 3);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(pasted.Bits()[i], b.Bits()[i] | AlphaMask32) << i;
  TBitmap32().AssignTo(ScreenClipboard());
  pasted.Assign(ScreenClipboard());
  EXPECT_TRUE(pasted.Empty()) << "an empty bitmap leaves the clipboard without a picture";
  QGuiApplication::clipboard()->setImage(QImage(1, 40000, QImage::Format_RGB32));
  EXPECT_THROW(pasted.Assign(ScreenClipboard()), ELumox) << "refused like a picture file";
  EXPECT_TRUE(pasted.Empty());
}

}  // namespace
}  // namespace lumox
