#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "bitmap/Image32.h"

namespace lumox {
namespace {

using enum TScaleMode;
using enum TBitmapAlign;

constexpr TColor32 Face = 0xFFC0C0C0;  // the button face as a pixel

// An image whose changes, resizes and buffer paints are written down.
struct TWatchedImage : TImage32 {
  std::string Events;
  TWatchedImage(int width, int height, TScaleMode mode = smNormal, TBitmapAlign align = baTopLeft) {
    SetSize(width, height);
    SetScaleMode(mode);
    SetBitmapAlign(align);
    OnChange = [this](TCustomImage32&) { Events += "change "; };
    OnBitmapResize = [this](TCustomImage32&) { Events += "resize "; };
    PaintStages().Add().Stage = StageCustom;
    OnPaintStage = [this](TCustomImage32&, TBitmap32&, int stage) {
      Events += "stage " + std::to_string(stage) + " ";
    };
  }
  void Load(int width, int height, TColor32 color = 0xFF102030) {
    Bitmap().SetSize(width, height);
    Bitmap().Clear(color);
  }
  TColor32 Pixel(int x, int y) const { return *Buffer().PixelPtr(x, y); }
};

struct TPlacementCase {
  int BitmapWidth, BitmapHeight, ControlWidth;
  TScaleMode Mode;
  TBitmapAlign Align;
  float Scale;
  TRect Expected;  // in a control 126 high
};

TEST(Image32, PlacesTheBitmapByScaleModeAndAlignment) {
  const TPlacementCase cases[] = {
      {400, 200, 168, smResize, baCenter, 1, {0, 21, 168, 105}},  // width limits: 168 × 84
      {400, 200, 168, smResize, baTopLeft, 1, {0, 0, 168, 84}},
      {100, 200, 168, smResize, baCenter, 1, {52, 0, 115, 126}},  // height limits: 63 × 126
      {336, 252, 168, smResize, baTopLeft, 1, {0, 0, 168, 126}},  // equal ratios
      {400, 200, 168, smStretch, baCenter, 1, {0, 0, 168, 126}},
      {400, 200, 168, smStretch, baTile, 1, {0, 0, 168, 126}},
      {101, 51, 168, smScale, baTopLeft, 0.5f, {0, 0, 50, 26}},      // halves to even
      {301, 301, 168, smNormal, baCenter, 1, {-66, -87, 235, 214}},  // halves toward zero
      {100,
       100,
       168,
       smScale,
       baCenter,
       1e30f,
       {-1073741739, -1073741760, INT_MAX - 1073741739, INT_MAX - 1073741760}},
      {100, 100, 0, smNormal, baTopLeft, 1, {0, 0, 0, 0}},
      {0, 0, 168, smStretch, baCenter, 1, {0, 0, 0, 0}},
  };
  for (const TPlacementCase& c : cases) {
    TWatchedImage image(c.ControlWidth, 126, c.Mode, c.Align);
    image.Load(c.BitmapWidth, c.BitmapHeight);
    image.SetScale(c.Scale);
    EXPECT_EQ(image.GetBitmapRect(), c.Expected)
        << c.BitmapWidth << "x" << c.BitmapHeight << " mode " << int(c.Mode) << " align " << int(c.Align);
    image.Paint({});  // a huge placement is clipped, not drawn in full
  }
  TWatchedImage custom(168, 126, smNormal, baCustom);
  custom.Load(100, 100);
  custom.SetOffset(10.5f, -3.5f);
  EXPECT_EQ(custom.GetBitmapRect(), (TRect{10, -4, 110, 96}));
}

TEST(Image32, TheBufferFollowsTheViewportWithHysteresisAndIsRepaintedOnlyWhenInvalid) {
  // From a 100 × 100 buffer: {new width, buffer width after}.
  const std::pair<int, int> cases[] = {{120, 120}, {100, 100}, {60, 100}, {59, 59}, {0, 0}};
  for (auto [width, expected] : cases) {
    TWatchedImage image(100, 100);
    image.Paint({});
    image.SetSize(width, 100);
    image.Paint({});
    EXPECT_EQ(image.Buffer().Width(), expected) << width;
    EXPECT_EQ(image.Buffer().Height(), expected == 0 ? 0 : 100) << width;
  }
  TWatchedImage image(10, 10);
  TRect copied;
  image.Paint([&](const TBitmap32&, const TRect& viewport) { copied = viewport; });
  image.Paint({});
  image.Invalidate();
  image.Paint({});
  EXPECT_EQ(image.Events, "stage 5 stage 5 ") << "the buffer is painted only when invalid";
  EXPECT_EQ(copied, (TRect{0, 0, 10, 10}));
}

TEST(Image32, SettersAnnounceChangesAsTheControlDefines) {
  TWatchedImage image(168, 126);
  image.SetScaleMode(smNormal);  // unchanged: nothing
  image.SetScale(1);
  image.SetBitmapAlign(baTopLeft);  // unchanged, but announced
  image.SetScale(0);
  EXPECT_FLOAT_EQ(image.Scale(), 0.001f);
  image.BeginUpdate();
  image.SetScaleMode(smStretch);
  image.EndUpdate();
  image.Load(40, 30);
  EXPECT_EQ(image.Events, "change change change resize change ");
}

TEST(Image32, TheBackgroundShowsWhereTheBitmapDoesNotCoverOrIsTransparent) {
  TWatchedImage image(168, 126, smResize, baCenter);
  image.Paint({});
  EXPECT_EQ(image.Pixel(100, 60), Face) << "no bitmap";
  image.Load(400, 200, 0xFF0000FF);
  image.Buffer().Clear(0);
  image.Paint({});
  EXPECT_EQ(image.Pixel(0, 20), Face) << "band above";
  EXPECT_EQ(image.Pixel(167, 105), Face) << "band below";
  EXPECT_EQ(image.Pixel(84, 63), 0xFF0000FFu);
  image.Bitmap().SetDrawMode(TDrawMode::dmBlend);
  image.Bitmap().Clear(0x800000FF);  // half transparent blue over the face
  image.Paint({});
  EXPECT_EQ(image.Pixel(84, 63) & 0xFFFFFF, 0x6060E0u);
}

}  // namespace
}  // namespace lumox
