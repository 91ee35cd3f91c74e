#include "bitmap/Image32.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "bitmap/Transforms.h"

namespace lumox {
namespace {

constexpr int DefaultControlSize = 192;
constexpr float MinScale = 0.001f;
constexpr std::int32_t Fixed1 = 65536;  // 1.0 in 16.16 fixed point

int ClampToInt(std::int64_t value) {
  return int(
      std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Nearest, halves to even; negative results count as 0 and huge ones stop at the int range.
int FittedLength(double value) {
  if (!(value > 0)) return 0;
  return int(std::min(std::nearbyint(value), double(std::numeric_limits<int>::max())));
}

// a × b / c rounded to nearest, halves away from zero; -1 when c is 0 or the result leaves
// the int range.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  const std::int64_t product = std::int64_t(a) * b, divisor = c;
  const std::int64_t magnitude = (std::abs(product) + std::abs(divisor) / 2) / std::abs(divisor);
  if (magnitude > std::numeric_limits<std::int32_t>::max()) return -1;
  return std::int32_t((product < 0) != (divisor < 0) ? -magnitude : magnitude);
}

TRect Moved(const TRect& r, std::int64_t dx, std::int64_t dy) {
  return {ClampToInt(r.Left + dx), ClampToInt(r.Top + dy), ClampToInt(r.Right + dx),
          ClampToInt(r.Bottom + dy)};
}

// The dotted frame of a focus rectangle: every other pixel of its edge inverted.
void DrawFocusRect(TBitmap32& b, const TRect& r) {
  TRect clip;
  if (!IntersectRect(clip, r, b.BoundsRect())) return;
  const auto invert = [&](int x, int y) {
    if (y >= clip.Top && y < clip.Bottom && x >= clip.Left && x < clip.Right && (x + y) % 2 == 0)
      *b.PixelPtr(x, y) ^= 0x00FFFFFF;
  };
  for (int x = clip.Left; x < clip.Right; ++x) {
    invert(x, r.Top);
    if (r.Bottom - 1 > r.Top) invert(x, r.Bottom - 1);
  }
  for (int y = std::max(clip.Top, r.Top + 1); y < std::min(clip.Bottom, r.Bottom - 1); ++y) {
    invert(r.Left, y);
    if (r.Right - 1 > r.Left) invert(r.Right - 1, y);
  }
}

TControlWindow NoWindow;

}  // namespace

// The paint box.

TCustomPaintBox32::TCustomPaintBox32() : FWindow(&NoWindow) {
  FBuffer.BeginUpdate();  // for good: nobody listens to the buffer
  SetSize(DefaultControlSize, DefaultControlSize);
}

void TCustomPaintBox32::SetSize(int width, int height) {
  FBufferValid = false;
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  ResizeBuffer();
  Invalidate();  // the placement depends on the size
}

void TCustomPaintBox32::Loaded() { FBufferValid = false; }

void TCustomPaintBox32::Invalidate() {
  FBufferValid = false;
  FWindow->Invalidate();
}

void TCustomPaintBox32::Paint(const TScreenCopy& screen) {
  ResizeBuffer();
  if (!FBufferValid) DoPaintBuffer();
  {
    const TLockGuard lock(FBuffer);
    if (screen) screen(FBuffer, GetViewportRect());
  }
  DoPaintGDIOverlay(screen);
}

void TCustomPaintBox32::ResizeBuffer() {
  const TRect viewport = GetViewportRect();
  const std::int64_t width = std::max(viewport.Right - viewport.Left, 0);
  const std::int64_t height = std::max(viewport.Bottom - viewport.Top, 0);
  const auto target = [this](std::int64_t view, std::int64_t buffer) {
    std::int64_t size = buffer;
    if (buffer < view) {
      size = view + BufferOversize;
    } else if (view < buffer - BufferOversize) {
      size = view;
    }
    return std::max<std::int64_t>(size, 1);
  };
  if (target(width, FBuffer.Width()) == FBuffer.Width() &&
      target(height, FBuffer.Height()) == FBuffer.Height())
    return;
  const TLockGuard lock(FBuffer);
  FBuffer.SetSize(int(width), int(height));
  FBufferValid = false;
}

TRect TCustomPaintBox32::GetViewportRect() const { return {0, 0, FWidth, FHeight}; }

void TCustomPaintBox32::DoPaintGDIOverlay(const TScreenCopy&) { Fire(OnGDIOverlay); }

void TCustomPaintBox32::MouseDown(TMouseButton, TShiftState, int, int) {
  if ((FocusOnClick || FWindow->TabStop()) && FWindow->CanFocus()) FWindow->SetFocus();
}

void TCustomPaintBox32::MouseEnter() {
  FMouseInside = true;
  Fire(OnMouseEnter);
}

void TCustomPaintBox32::MouseLeave() {
  FMouseInside = false;
  Fire(OnMouseLeave);
}

// The image.

TCustomImage32::TCustomImage32() {
  FBitmap.OnChange = [this](TThreadPersistent&) { Changed(); };
  FBitmap.OnResize = [this](TThreadPersistent&) { BitmapResized(); };
  FLayers.OnChange = [this] { Changed(); };
  FLayers.Repaint = [this] { Window().Repaint(); };
  InitDefaultStages();
}

TCustomImage32::~TCustomImage32() {
  BeginUpdate();
  FBitmap.OnChange = nullptr;
  FBitmap.OnResize = nullptr;
}

void TCustomImage32::Loaded() {
  TCustomPaintBox32::Loaded();
  InitStages();
}

void TCustomImage32::Invalidate() {
  InvalidateCache();
  TCustomPaintBox32::Invalidate();
}

void TCustomImage32::Changed() {
  if (UpdateCount != 0) return;
  Invalidate();
  FireImage(OnChange);
}

void TCustomImage32::SetBitmap(const TBitmap32* value) {
  InvalidateCache();
  FBitmap.Assign(value);
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign value) {
  InvalidateCache();
  FBitmapAlign = value;
  Changed();
}

void TCustomImage32::SetScale(float value) {
  value = std::max(value, MinScale);
  if (value == FScale) return;
  InvalidateCache();
  FScale = value;
  ScaleChanged();
  Changed();
}

void TCustomImage32::SetScaleMode(TScaleMode value) {
  if (value == FScaleMode) return;
  InvalidateCache();
  FScaleMode = value;
  Changed();
}

void TCustomImage32::SetOffset(float horz, float vert) {
  InvalidateCache();
  FOffsetHorz = horz;
  FOffsetVert = vert;
  Changed();
}

TBitmapSize TCustomImage32::GetBitmapSize() const {
  if (FBitmap.Empty() || Width() <= 0 || Height() <= 0) return {};
  const int bw = FBitmap.Width(), bh = FBitmap.Height();
  switch (FScaleMode) {
    case TScaleMode::smNormal:
      return {bw, bh};
    case TScaleMode::smStretch:
      return {Width(), Height()};
    case TScaleMode::smScale:
      return ScaledBitmapSize();
    case TScaleMode::smResize: {
      const float sx = float(Width()) / float(bw), sy = float(Height()) / float(bh);
      if (sx < sy) return {Width(), FittedLength(double(bh) * sx)};
      return {FittedLength(double(bw) * sy), Height()};
    }
  }
  return {};
}

TRect TCustomImage32::GetBitmapRect() const {
  if (FBitmap.Empty()) return {};
  const TBitmapSize size = GetBitmapSize();
  const TRect fitted{0, 0, size.Width, size.Height};
  switch (FBitmapAlign) {
    case TBitmapAlign::baCenter:
      return Moved(fitted, (std::int64_t(Width()) - size.Width) / 2,
                   (std::int64_t(Height()) - size.Height) / 2);
    case TBitmapAlign::baCustom:
      return Moved(fitted, std::llrint(double(FOffsetHorz)), std::llrint(double(FOffsetVert)));
    case TBitmapAlign::baTopLeft:
    case TBitmapAlign::baTile:
      break;
  }
  return fitted;
}

TBitmapSize TCustomImage32::ScaledBitmapSize() const {
  const int bw = FBitmap.Width(), bh = FBitmap.Height();
  if (FScaleMode != TScaleMode::smScale) return {bw, bh};
  return {FittedLength(double(bw) * FScale), FittedLength(double(bh) * FScale)};
}

bool TCustomImage32::CanAutoSize(int& newWidth, int& newHeight) const {
  using enum TAlign;
  const TBitmapSize size = ScaledBitmapSize();
  if (Align != alTop && Align != alBottom && Align != alClient && Align != alCustom) newWidth = size.Width;
  if (Align != alLeft && Align != alRight && Align != alClient && Align != alCustom) newHeight = size.Height;
  return true;
}

void TCustomImage32::BitmapResized() {
  if (AutoSize) {
    const TBitmapSize size = ScaledBitmapSize();
    if (size.Width >= 1 && size.Height >= 1) {
      SetSize(size.Width, size.Height);
      Window().SetSize(size.Width, size.Height);
    }
  }
  if (UpdateCount == 0) FireImage(OnBitmapResize);
  InvalidateCache();
  Invalidate();
}

void TCustomImage32::InitStages() { FireImage(OnInitStages); }

void TCustomImage32::InitDefaultStages() {
  const auto add = [this](bool runTime, std::uint32_t stage, std::uint32_t parameter = 0) {
    TPaintStage& s = FPaintStages.Add();
    s.DsgnTime = true;
    s.RunTime = runTime;
    s.Stage = stage;
    s.Parameter = parameter;
  };
  add(true, StageClearBackground);
  add(false, StageControlFrame);
  add(true, StageDrawBitmap);
  add(false, StageBitmapFrame);
  add(true, StageDrawLayers, LayerVisible);
}

void TCustomImage32::UpdateCache() {
  FCache = {GetBitmapRect()};
  if (!FBitmap.Empty()) {
    const TRect& r = FCache.CachedBitmapRect;
    const int width = ClampToInt(std::int64_t(r.Right) - r.Left);
    const int height = ClampToInt(std::int64_t(r.Bottom) - r.Top);
    FCache.ScaleX = MulDiv(width, Fixed1, FBitmap.Width());
    FCache.ScaleY = MulDiv(height, Fixed1, FBitmap.Height());
    FCache.ShiftX = r.Left;
    FCache.ShiftY = r.Top;
    FCache.RecScaleX = MulDiv(FBitmap.Width(), Fixed1, width);
    FCache.RecScaleY = MulDiv(FBitmap.Height(), Fixed1, height);
  }
  CacheValid = true;
}

void TCustomImage32::DoPaintBuffer() {
  if (!CacheValid) UpdateCache();
  TBitmap32& buffer = Buffer();
  for (int i = 0; i < FPaintStages.Count(); ++i) {
    if (!FPaintStages.Items(i).RunTime) continue;  // design-time stages: there is no designer
    switch (FPaintStages.Items(i).Stage) {
      case StageCustom:
        ExecCustom(buffer, i);
        break;
      case StageClearBuffer:
        ExecClearBuffer(buffer, i);
        break;
      case StageClearBackground:
        ExecClearBackground(buffer, i);
        break;
      case StageDrawBitmap:
        ExecDrawBitmap(buffer, i);
        break;
      case StageDrawLayers:
        ExecDrawLayers(buffer, i);
        break;
      case StageControlFrame:
        ExecControlFrame(buffer, i);
        break;
      case StageBitmapFrame:
        ExecBitmapFrame(buffer, i);
        break;
      default:
        break;  // unknown kinds paint nothing
    }
  }
  TCustomPaintBox32::DoPaintBuffer();
}

void TCustomImage32::DoPaintGDIOverlay(const TScreenCopy& screen) {
  for (int i = 0; i < FLayers.Count(); ++i) {
    if (FLayers.Items(i).LayerOptions & LayerGDIOverlay) FLayers.Items(i).PaintGDI(screen);
  }
  TCustomPaintBox32::DoPaintGDIOverlay(screen);
}

void TCustomImage32::ExecBitmapFrame(TBitmap32& dest, int) { DrawFocusRect(dest, FCache.CachedBitmapRect); }

void TCustomImage32::ExecClearBuffer(TBitmap32& dest, int) { dest.Clear(ColorToColor32(Color)); }

// An opaque bitmap covers its rectangle, so only the bands around it are filled; a blended
// one lets the control colour show through, so everything is.
void TCustomImage32::ExecClearBackground(TBitmap32& dest, int) {
  const TColor32 color = ColorToColor32(Color);
  if (FBitmap.Empty() || FBitmap.DrawMode() != TDrawMode::dmOpaque) {
    dest.Clear(color);
    return;
  }
  const TRect& r = FCache.CachedBitmapRect;
  const int w = Width(), h = Height();
  if (r.Left <= 0 && r.Right >= w && r.Top <= 0 && (r.Bottom >= h || FBitmapAlign == TBitmapAlign::baTile))
    return;
  dest.FillRectClipped(0, 0, w, r.Top, color);
  dest.FillRectClipped(0, r.Bottom, w, h, color);
  dest.FillRectClipped(0, r.Top, r.Left, r.Bottom, color);
  dest.FillRectClipped(r.Right, r.Top, w, r.Bottom, color);
}

void TCustomImage32::ExecControlFrame(TBitmap32& dest, int) {
  DrawFocusRect(dest, {0, 0, Width(), Height()});
}

void TCustomImage32::ExecCustom(TBitmap32& dest, int stageIndex) {
  if (OnPaintStage) OnPaintStage(*this, dest, stageIndex);
}

void TCustomImage32::ExecDrawBitmap(TBitmap32& dest, int) {
  const TRect& r = FCache.CachedBitmapRect;
  if (FBitmap.Empty() || IsRectEmpty(r)) return;
  const TLockGuard lock(FBitmap);
  if (FBitmapAlign != TBitmapAlign::baTile) {
    FBitmap.DrawTo(dest, r);
    return;
  }
  const int columns = dest.Width() / r.Right, rows = dest.Height() / r.Bottom;
  for (int j = 0; j <= rows; ++j) {
    for (int i = 0; i <= columns; ++i)
      FBitmap.DrawTo(dest, Moved(r, std::int64_t(r.Right) * i, std::int64_t(r.Bottom) * j));
  }
}

void TCustomImage32::ExecDrawLayers(TBitmap32& dest, int stageIndex) {
  const std::uint32_t mask = FPaintStages.Items(stageIndex).Parameter;
  for (int i = 0; i < FLayers.Count(); ++i) {
    if (FLayers.Items(i).LayerOptions & mask) FLayers.Items(i).Paint(dest);
  }
}

void TCustomImage32::MouseDown(TMouseButton button, TShiftState shift, int X, int Y) {
  TCustomPaintBox32::MouseDown(button, shift, X, Y);
  TCustomLayer* layer = FLayers.MouseEvents ? FLayers.MouseDown(button, shift, X, Y) : nullptr;
  if (button == TMouseButton::mbLeft || FLayers.MouseListener) Window().SetCapture(true);
  if (OnMouseDown) OnMouseDown(*this, button, shift, X, Y, layer);
}

void TCustomImage32::MouseMove(TShiftState shift, int X, int Y) {
  TCustomLayer* layer = FLayers.MouseEvents ? FLayers.MouseMove(shift, X, Y) : nullptr;
  if (OnMouseMove) OnMouseMove(*this, shift, X, Y, layer);
}

void TCustomImage32::MouseUp(TMouseButton button, TShiftState shift, int X, int Y) {
  TCustomLayer* layer = FLayers.MouseEvents ? FLayers.MouseUp(button, shift, X, Y) : nullptr;
  if (button == TMouseButton::mbLeft && !FLayers.MouseListener) Window().SetCapture(false);
  if (OnMouseUp) OnMouseUp(*this, button, shift, X, Y, layer);
}

// A layer under the mouse may have changed the cursor.
void TCustomImage32::MouseLeave() {
  if (FLayers.MouseEvents && !FLayers.MouseListener) Window().RestoreScreenCursor();
  TCustomPaintBox32::MouseLeave();
}

}  // namespace lumox
