#pragma once
// The image view control without its window: a control that paints a TBitmap32, fitted by a
// scale mode and an alignment, through an ordered list of paint stages into an off-screen
// buffer, which the window system copies to the screen in one block. The window system
// reports the control's bounds, asks it to paint and forwards the mouse; the control asks
// the window system, through Window, to be painted again or to take new bounds.
#include <cstdint>
#include <deque>
#include <functional>

#include "bitmap/Bitmap32.h"

namespace lumox {

// The button face of the window scheme.
constexpr TColor clBtnFace = 0xFF00000F;

class TCustomPaintBox32;
class TCustomImage32;

using TControlEvent = std::function<void(TCustomPaintBox32& sender)>;
// The screen copy: `viewport` of `buffer` goes to the same place on the control.
using TScreenCopy = std::function<void(const TBitmap32& buffer, const TRect& viewport)>;

// How the control asks the window system for work.
struct TControlWindow {
  std::function<void()> Invalidate;  // paint the control again soon
  std::function<void(const TRect& bounds)> SetBounds;
};

// The paint box: the buffer, kept at the viewport's size with some hysteresis, and the paint
// sequence. The buffer never announces changes.
class TCustomPaintBox32 {
 public:
  TCustomPaintBox32();
  virtual ~TCustomPaintBox32() = default;
  TCustomPaintBox32(const TCustomPaintBox32&) = delete;
  TCustomPaintBox32& operator=(const TCustomPaintBox32&) = delete;

  int Left() const { return Bounds.Left; }
  int Top() const { return Bounds.Top; }
  int Width() const { return Bounds.Right - Bounds.Left; }
  int Height() const { return Bounds.Bottom - Bounds.Top; }
  // The window system reports the control's place; a new size resizes the buffer.
  virtual void SetBounds(int left, int top, int width, int height);
  // Streaming of the control's properties is done.
  virtual void Loaded();
  // The buffer (and in descendants, what it is painted from) must be painted again.
  virtual void Invalidate();

  // The framework's paint: the buffer takes the viewport's size, is repainted when invalid
  // and goes to `copyToScreen` while locked; then the overlay is painted.
  void Paint(const TScreenCopy& copyToScreen);
  // Buffer := viewport size, unless the buffer is at most BufferOversize larger on both axes.
  void ResizeBuffer();
  virtual TRect GetViewportRect() const;

  TBitmap32& Buffer() { return FBuffer; }
  const TBitmap32& Buffer() const { return FBuffer; }
  bool BufferValid() const { return FBufferValid; }
  bool MouseInside() const { return FMouseInside; }

  virtual void MouseEnter();
  virtual void MouseLeave();

  int BufferOversize = 40;
  TColor Color = clBtnFace;
  // Set by a form designer: the design-time paint stages run instead of the run-time ones.
  bool Designing = false;
  // A click gives the control the focus.
  bool FocusOnClick = false;
  TControlWindow Window;
  TControlEvent OnGDIOverlay;
  TControlEvent OnMouseEnter;
  TControlEvent OnMouseLeave;

 protected:
  virtual void DoPaintBuffer();
  virtual void DoPaintGDIOverlay();
  void Fire(const TControlEvent& event) {
    if (event) event(*this);
  }

 private:
  TBitmap32 FBuffer;
  TRect Bounds;
  bool FBufferValid = false;
  bool FMouseInside = false;
};

enum class TBitmapAlign : std::uint8_t { baTopLeft, baCenter, baTile, baCustom };
enum class TScaleMode : std::uint8_t { smNormal, smStretch, smScale, smResize };

// Paint stage kinds.
enum : std::uint32_t {
  StageCustom = 1,           // fires OnPaintStage
  StageClearBuffer = 2,      // the whole buffer in the control colour
  StageClearBackground = 3,  // what the bitmap leaves uncovered in the control colour
  StageDrawBitmap = 4,
  StageDrawLayers = 5,
  StageControlFrame = 6,  // focus rectangle around the control
  StageBitmapFrame = 7,   // focus rectangle around the bitmap
};

struct TPaintStage {
  bool DsgnTime = false;
  bool RunTime = true;
  std::uint32_t Stage = 0;
  std::uint32_t Parameter = 0;
};

class TPaintStages {
 public:
  // A run-time stage of kind 0, to be filled in; it stays where it is while stages are added.
  TPaintStage& Add() { return Stages.emplace_back(); }
  int Count() const { return int(Stages.size()); }
  TPaintStage& Items(int index) { return Stages[std::size_t(index)]; }
  void Clear() { Stages.clear(); }

 private:
  std::deque<TPaintStage> Stages;
};

struct TBitmapSize {
  int Width = 0;
  int Height = 0;
  bool operator==(const TBitmapSize&) const = default;
};

// The placement that painting uses, with the bitmap-to-control transform in 16.16 fixed point.
struct TPlacementCache {
  TRect BitmapRect;
  std::int32_t ScaleX = 65536, ScaleY = 65536;
  std::int32_t ShiftX = 0, ShiftY = 0;
  std::int32_t RecScaleX = 65536, RecScaleY = 65536;
};

enum class TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };
using TShiftState = std::uint8_t;  // the window system's modifier and button flags

using TImageEvent = std::function<void(TCustomImage32& sender)>;
using TPaintStageEvent = std::function<void(TCustomImage32& sender, TBitmap32& buffer, int stageIndex)>;
// No layer class exists, so the mouse events carry no layer.
using TImgMouseEvent = std::function<void(TCustomImage32& sender, TMouseButton button, TShiftState shift, int X, int Y)>;
using TImgMouseMoveEvent = std::function<void(TCustomImage32& sender, TShiftState shift, int X, int Y)>;

// The image view: paints Bitmap placed by ScaleMode, Scale and BitmapAlign. Every change of
// the bitmap or of its placement invalidates the placement cache and the buffer. The layer
// collection is always empty: no layer class exists.
class TCustomImage32 : public TCustomPaintBox32 {
 public:
  TCustomImage32();
  ~TCustomImage32() override;

  void Loaded() override;
  void Invalidate() override;

  // Changed invalidates the control and fires OnChange, except between BeginUpdate and EndUpdate.
  void BeginUpdate() { ++UpdateCount; }
  void EndUpdate() { --UpdateCount; }
  void Changed();

  // The bitmap's fitted size; zero for an empty bitmap or a control without area.
  TBitmapSize GetBitmapSize() const;
  // Where the bitmap goes in the control.
  TRect GetBitmapRect() const;
  void InvalidateCache() { CacheValid = false; }
  const TPlacementCache& Cache() const { return FCache; }

  // The window system's mouse events.
  void MouseDown(TMouseButton button, TShiftState shift, int X, int Y);
  void MouseMove(TShiftState shift, int X, int Y);
  void MouseUp(TMouseButton button, TShiftState shift, int X, int Y);

  TBitmap32& Bitmap() { return FBitmap; }
  const TBitmap32& Bitmap() const { return FBitmap; }
  void SetBitmap(const TBitmap32* value);
  TBitmapAlign BitmapAlign() const { return FBitmapAlign; }
  // Announces a change even when the value is the same.
  void SetBitmapAlign(TBitmapAlign value);
  float Scale() const { return FScale; }
  // Values below 0.001 count as 0.001.
  void SetScale(float value);
  TScaleMode ScaleMode() const { return FScaleMode; }
  void SetScaleMode(TScaleMode value);
  // The bitmap's offset for baCustom.
  float OffsetHorz() const { return FOffsetHorz; }
  float OffsetVert() const { return FOffsetVert; }
  void SetOffset(float horz, float vert);
  TPaintStages& PaintStages() { return FPaintStages; }

  // The control takes the bitmap's (scaled) size whenever the bitmap is resized.
  bool AutoSize = false;
  TImageEvent OnBitmapResize;
  TImageEvent OnChange;
  TImageEvent OnInitStages;
  TImgMouseEvent OnMouseDown;
  TImgMouseMoveEvent OnMouseMove;
  TImgMouseEvent OnMouseUp;
  TPaintStageEvent OnPaintStage;

 protected:
  virtual void BitmapResized();
  virtual void InitStages();
  virtual void ScaleChanged() {}
  virtual void InitDefaultStages();
  virtual void ExecBitmapFrame(TBitmap32& dest, int stageIndex);
  virtual void ExecClearBuffer(TBitmap32& dest, int stageIndex);
  virtual void ExecClearBackground(TBitmap32& dest, int stageIndex);
  virtual void ExecControlFrame(TBitmap32& dest, int stageIndex);
  virtual void ExecCustom(TBitmap32& dest, int stageIndex);
  virtual void ExecDrawBitmap(TBitmap32& dest, int stageIndex);
  virtual void ExecDrawLayers(TBitmap32& dest, int stageIndex);
  void DoPaintBuffer() override;

 private:
  void UpdateCache();
  void FireImage(const TImageEvent& event) {
    if (event) event(*this);
  }

  TBitmap32 FBitmap;
  TBitmapAlign FBitmapAlign = TBitmapAlign::baTopLeft;
  float FOffsetHorz = 0, FOffsetVert = 0;
  TPaintStages FPaintStages;
  float FScale = 1.0f;
  TScaleMode FScaleMode = TScaleMode::smNormal;
  int UpdateCount = 0;
  TPlacementCache FCache;
  bool CacheValid = false;
};

// The image view as forms use it.
class TImage32 : public TCustomImage32 {};

}  // namespace lumox
