#include <gtest/gtest.h>

#include <string>

#include "bitmap/Image32.h"

namespace lumox {
namespace {

using enum TScaleMode;
using enum TBitmapAlign;
using enum TMouseButton;
using std::to_string;

constexpr TColor32 Face = 0xFFC0C0C0;  // the button face as a pixel

// A window that writes down what the control asks of it.
struct TRecordingWindow : TControlWindow {
  std::string& Log;
  bool Tab = false;
  explicit TRecordingWindow(std::string& log) : Log(log) {}
  void SetSize(int w, int h) override { Log += "size " + to_string(w) + "x" + to_string(h) + " "; }
  bool TabStop() const override { return Tab; }
  bool CanFocus() const override { return true; }
  void SetFocus() override { Log += "focus "; }
  void SetCapture(bool captured) override { Log += captured ? "capture " : "release "; }
};

// An image whose window and events write down what happens, with a custom stage last.
struct TWatchedImage : TImage32 {
  std::string Log;
  TRecordingWindow Screen{Log};
  TWatchedImage(int width, int height, TScaleMode mode = smNormal, TBitmapAlign align = baTopLeft) {
    SetSize(width, height);
    SetScaleMode(mode);
    SetBitmapAlign(align);
    SetWindow(Screen);
    PaintStages().Add().Stage = StageCustom;
    OnPaintStage = [this](auto&, auto&, int stage) { Log += "stage " + to_string(stage) + " "; };
    OnChange = [this](auto&) { Log += "change "; };
    OnBitmapResize = [this](auto&) { Log += "resize "; };
    OnGDIOverlay = [this](auto&) { Log += "overlay "; };
    OnMouseDown = [this](auto&, auto, auto, int, int, auto* on) { Log += on ? "down on layer " : "down "; };
    OnMouseUp = [this](auto&, auto, auto, int, int, auto* on) { Log += on ? "up on layer " : "up "; };
  }
  void Load(int width, int height, TColor32 color = 0xFF102030) {
    Bitmap().SetSize(width, height);
    Bitmap().Clear(color);
  }
  TColor32 Pixel(int x, int y) const { return *Buffer().PixelPtr(x, y); }
};

// A layer over the left half of a 100 wide image, with every option.
struct THalf : TCustomLayer {
  std::string& Log;
  THalf(TLayerCollection& owner, std::string& log) : TCustomLayer(owner), Log(log) { LayerOptions = ~0u; }
  std::unique_ptr<TCustomLayer> Clone(TLayerCollection&) const override { return {}; }  // never copied
  bool HitTest(int X, int) const override { return X < 50; }
  void Paint(TBitmap32& buffer) override { buffer.FillRectClipped(0, 0, 50, 100, 0xFF00FF00); }
  void PaintGDI(const TScreenCopy&) override { Log += "layer overlay "; }
};

TEST(Image32, PlacesTheBitmapByScaleModeAndAlignmentAndCachesTheTransform) {
  struct TCase {
    int BitmapWidth, BitmapHeight, ControlWidth;  // the control is 126 high
    TScaleMode Mode;
    TBitmapAlign Align;
    float Scale;
    TRect Expected;
  };
  const TCase cases[] = {
      {400, 200, 168, smResize, baCenter, 1, {0, 21, 168, 105}},  // width limits: 168 × 84
      {100, 200, 168, smResize, baCenter, 1, {52, 0, 115, 126}},  // height limits: 63 × 126
      {336, 252, 168, smResize, baTopLeft, 1, {0, 0, 168, 126}},  // equal ratios
      {400, 200, 168, smStretch, baTile, 1, {0, 0, 168, 126}},
      {101, 51, 168, smScale, baTopLeft, 0.5f, {0, 0, 50, 26}},      // halves to even
      {301, 301, 168, smNormal, baCenter, 1, {-66, -87, 235, 214}},  // halves toward zero
      {100, 100, 168, smScale, baCenter, 1e30f, {-1073741739, -1073741760, 1073741908, 1073741887}},
      {100, 100, 0, smNormal, baTopLeft, 1, {0, 0, 0, 0}},
      {0, 0, 168, smStretch, baCenter, 1, {0, 0, 0, 0}},
  };
  for (const TCase& c : cases) {
    TWatchedImage image(c.ControlWidth, 126, c.Mode, c.Align);
    image.Load(c.BitmapWidth, c.BitmapHeight);
    image.SetScale(c.Scale);
    image.Paint({});  // a huge placement is clipped, not drawn in full
    EXPECT_EQ(image.Cache().CachedBitmapRect, c.Expected) << c.BitmapWidth << " " << int(c.Mode);
  }
  // Offsets round halves to even; the 16.16 transform follows a resize, -1 for no area.
  TWatchedImage image(168, 126, smStretch, baCustom);
  image.SetOffset(10.5f, -3.5f);
  image.Load(400, 200);
  image.Paint({});
  EXPECT_EQ(image.Cache(), (TPlacementCache{{10, -4, 178, 122}, 27525, 41288, 10, -4, 156038, 104025}));
  image.SetSize(0, 126);
  image.Paint({});
  EXPECT_EQ(image.Cache(), (TPlacementCache{{10, -4, 10, -4}, 0, 0, 10, -4, -1, -1}));
}

TEST(Image32, TheBufferFollowsTheViewportWithHysteresis) {
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
}

TEST(Image32, SettersAndAutoSizeAnnounceChangesAndOnlyAChangeRepaintsTheBuffer) {
  TWatchedImage image(168, 126);
  image.SetScaleMode(smNormal);  // unchanged: nothing
  image.SetScale(1);
  image.SetBitmapAlign(baTopLeft);  // unchanged, but announced
  image.SetScale(0);
  EXPECT_FLOAT_EQ(image.Scale(), 0.001f);
  image.BeginUpdate();
  image.SetScaleMode(smScale);
  image.EndUpdate();
  image.SetScale(0.5f);
  image.AutoSize = true;
  image.Load(101, 51);
  image.Paint({});
  image.Paint({});  // from the valid buffer
  EXPECT_EQ(image.Log, "change change change change size 50x26 resize change stage 5 overlay overlay ");
  EXPECT_EQ(image.Width(), 50);
  const std::pair<TAlign, TBitmapSize> sizes[] = {{TAlign::alTop, {7, 26}}, {TAlign::alRight, {50, 9}}};
  for (auto [align, expected] : sizes) {
    image.Align = align;
    TBitmapSize size{7, 9};
    EXPECT_TRUE(image.CanAutoSize(size.Width, size.Height));
    EXPECT_EQ(size, expected) << int(align);
  }
}

TEST(Image32, TheBackgroundShowsWhereTheBitmapDoesNotCoverOrIsTransparent) {
  TWatchedImage image(168, 126, smResize, baCenter);
  image.Paint({});
  EXPECT_EQ(image.Pixel(100, 60), Face) << "no bitmap";
  image.Load(400, 200, 0xFF0000FF);
  image.Buffer().Clear(0);
  image.PaintStages().Add().Stage = StageControlFrame;
  image.Paint({});
  EXPECT_EQ(image.Pixel(84, 20), Face) << "band above";
  EXPECT_EQ(image.Pixel(84, 63), 0xFF0000FFu);
  EXPECT_EQ(image.Pixel(0, 124), 0xFF3F3F3Fu) << "the frame inverts every other pixel of the edge";
  EXPECT_EQ(image.Pixel(1, 124), Face);
  image.Bitmap().SetDrawMode(TDrawMode::dmBlend);
  image.Bitmap().Clear(0x800000FF);  // half transparent blue over the face
  image.Paint({});
  EXPECT_EQ(image.Pixel(84, 63) & 0xFFFFFF, 0x6060E0u);
}

TEST(Image32, LayersArePaintedAndTakeTheMouseWhichALeftPressOrAListeningLayerCaptures) {
  struct TCase {
    bool FocusOnClick, Tab, Layer, MouseEvents;
    TMouseButton Button;
    const char* Expected;  // press at 10 (on the layer), move to 80 and release there
  };
  const TCase cases[] = {
      {true, false, false, true, mbRight, "focus down up "},
      {false, true, true, true, mbRight, "focus capture down on layer up on layer "},
      {false, false, true, true, mbLeft, "capture down on layer release up on layer "},
      {false, false, true, false, mbLeft, "capture down release up "},
  };
  for (const TCase& c : cases) {
    TWatchedImage image(100, 100);
    image.FocusOnClick = c.FocusOnClick;
    image.Screen.Tab = c.Tab;
    if (c.Layer) image.Layers().Add<THalf>(image.Log);
    image.Layers().MouseEvents = c.MouseEvents;
    image.Log.clear();
    image.MouseDown(c.Button, 0, 10, 5);
    image.MouseMove(0, 80, 5);
    image.MouseUp(c.Button, 0, 80, 5);
    EXPECT_EQ(image.Log, c.Expected) << int(c.Button) << c.Layer;
  }
  TWatchedImage image(100, 100, smStretch);
  image.Layers().OnBeginChange = [&] { image.Log += "begin "; };
  image.Layers().Add<THalf>(image.Log);
  image.Paint({});
  EXPECT_EQ(image.Pixel(49, 0), 0xFF00FF00u);
  EXPECT_EQ(image.Pixel(50, 0), Face);
  EXPECT_EQ(image.Log, "begin change stage 5 layer overlay overlay ");
}

}  // namespace
}  // namespace lumox
