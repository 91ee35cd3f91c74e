#include "bitmap/Image32.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "bitmap/Transforms.h"

namespace lumox {
namespace {

constexpr int DefaultControlSize = 192;
constexpr float MinScale = 0.001f;

int ClampToInt(std::int64_t value) {
  return int(
      std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Nearest, halves to even; negative results count as 0 and huge ones stop at the int range.
int FittedLength(double value) {
  if (!(value > 0)) return 0;
  return int(std::min(std::nearbyint(value), double(std::numeric_limits<int>::max())));
}

TRect Moved(const TRect& r, std::int64_t dx, std::int64_t dy) {
  return {ClampToInt(r.Left + dx), ClampToInt(r.Top + dy), ClampToInt(r.Right + dx),
          ClampToInt(r.Bottom + dy)};
}

}  // namespace

// The paint box.

TCustomPaintBox32::TCustomPaintBox32() {
  FBuffer.BeginUpdate();  // for good: nobody listens to the buffer
  SetSize(DefaultControlSize, DefaultControlSize);
}

void TCustomPaintBox32::SetSize(int width, int height) {
  FBufferValid = false;
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  ResizeBuffer();
  FBufferValid = false;
}

void TCustomPaintBox32::Loaded() { FBufferValid = false; }

void TCustomPaintBox32::Invalidate() {
  FBufferValid = false;
  if (RequestPaint) RequestPaint();
}

void TCustomPaintBox32::Paint(const TScreenCopy& copyToScreen) {
  ResizeBuffer();
  if (!FBufferValid) DoPaintBuffer();
  const TLockGuard lock(FBuffer);
  if (copyToScreen) copyToScreen(FBuffer, GetViewportRect());
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

// The image.

TCustomImage32::TCustomImage32() {
  FBitmap.OnChange = [this](TThreadPersistent&) { Changed(); };
  FBitmap.OnResize = [this](TThreadPersistent&) { BitmapResized(); };
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
      return {FittedLength(double(bw) * FScale), FittedLength(double(bh) * FScale)};
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

void TCustomImage32::BitmapResized() {
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
  add(true, StageDrawLayers, 0x80000000u);
}

void TCustomImage32::DoPaintBuffer() {
  if (!CacheValid) {
    CachedBitmapRect = GetBitmapRect();
    CacheValid = true;
  }
  TBitmap32& buffer = Buffer();
  for (int i = 0; i < FPaintStages.Count(); ++i) {
    const TPaintStage& stage = FPaintStages.Items(i);
    if (!stage.RunTime) continue;
    switch (stage.Stage) {
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
      default:
        break;  // layers, design-time frames and unknown kinds paint nothing
    }
  }
  TCustomPaintBox32::DoPaintBuffer();
}

void TCustomImage32::ExecClearBuffer(TBitmap32& dest, int) { dest.Clear(ColorToColor32(Color)); }

// An opaque bitmap covers its rectangle, so only the bands around it are filled; a blended
// one lets the control colour show through, so everything is.
void TCustomImage32::ExecClearBackground(TBitmap32& dest, int) {
  const TColor32 color = ColorToColor32(Color);
  if (FBitmap.Empty() || FBitmap.DrawMode() != TDrawMode::dmOpaque) {
    dest.Clear(color);
    return;
  }
  const TRect& r = CachedBitmapRect;
  const int w = Width(), h = Height();
  if (r.Left <= 0 && r.Right >= w && r.Top <= 0 && (r.Bottom >= h || FBitmapAlign == TBitmapAlign::baTile))
    return;
  dest.FillRectClipped(0, 0, w, r.Top, color);
  dest.FillRectClipped(0, r.Bottom, w, h, color);
  dest.FillRectClipped(0, r.Top, r.Left, r.Bottom, color);
  dest.FillRectClipped(r.Right, r.Top, w, r.Bottom, color);
}

void TCustomImage32::ExecCustom(TBitmap32& dest, int stageIndex) {
  if (OnPaintStage) OnPaintStage(*this, dest, stageIndex);
}

void TCustomImage32::ExecDrawBitmap(TBitmap32& dest, int) {
  const TRect& r = CachedBitmapRect;
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

}  // namespace lumox
