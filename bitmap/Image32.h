#pragma once
// The image view control without its window: a control that paints a TBitmap32, fitted by a
// scale mode and an alignment, through an ordered list of paint stages into an off-screen
// buffer, which the window system copies to the screen in one block. The window system
// reports the control's size, the mouse and the paint requests; the control asks it, through
// its TControlWindow, for paints, a size, the focus, the mouse capture and the cursor.
#include <cstdint>
#include <deque>
#include <functional>

#include "bitmap/Bitmap32.h"
#include "bitmap/Layers.h"

namespace lumox {

// The button face of the window scheme.
constexpr TColor clBtnFace = 0xFF00000F;

// What a control asks of the window system. The defaults serve a control without a window.
class TControlWindow {
 public:
  virtual ~TControlWindow() = default;
  virtual void Invalidate() {}  // paint again soon
  virtual void Repaint() {}     // paint now
  virtual void SetSize(int /*width*/, int /*height*/) {}
  virtual bool TabStop() const { return false; }
  virtual bool CanFocus() const { return false; }
  virtual void SetFocus() {}
  virtual void SetCapture(bool /*captured*/) {}
  virtual void RestoreScreenCursor() {}  // the application's cursor back to the default
};

// How the framework places a control in its parent; an aligned side does not auto-size.
enum class TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

class TCustomPaintBox32;
using TControlEvent = std::function<void(TCustomPaintBox32& sender)>;

// The paint box: the buffer, kept at the viewport's size with some hysteresis, and the paint
// sequence. The buffer never announces changes.
class TCustomPaintBox32 {
 public:
  TCustomPaintBox32();
  virtual ~TCustomPaintBox32() = default;
  TCustomPaintBox32(const TCustomPaintBox32&) = delete;
  TCustomPaintBox32& operator=(const TCustomPaintBox32&) = delete;

  // `window` outlives the control, or is replaced first.
  void SetWindow(TControlWindow& window) { FWindow = &window; }
  TControlWindow& Window() const { return *FWindow; }

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // The window system reports the control's size; a new size resizes the buffer and
  // invalidates the control.
  void SetSize(int width, int height);
  // Streaming of the control's properties is done.
  virtual void Loaded();
  // The buffer (and in descendants, what it is painted from) must be painted again.
  virtual void Invalidate();

  // The framework's paint: the buffer takes the viewport's size, is repainted when invalid
  // and goes to `screen` while locked; then the overlay is painted.
  void Paint(const TScreenCopy& screen);
  // Buffer := viewport size, unless the buffer is at most BufferOversize larger on both axes.
  void ResizeBuffer();
  virtual TRect GetViewportRect() const;

  TBitmap32& Buffer() { return FBuffer; }
  const TBitmap32& Buffer() const { return FBuffer; }
  bool BufferValid() const { return FBufferValid; }
  bool MouseInside() const { return FMouseInside; }

  // The window system's mouse. A press first takes the focus when FocusOnClick or the
  // window's tab stop is set and the control can take it.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int X, int Y);
  virtual void MouseEnter();
  virtual void MouseLeave();

  int BufferOversize = 40;
  TColor Color = clBtnFace;
  bool FocusOnClick = false;
  // Arrow keys stay with the control instead of going on to the form.
  bool WantArrowKeys = false;
  TControlEvent OnGDIOverlay;
  TControlEvent OnMouseEnter;
  TControlEvent OnMouseLeave;

 protected:
  virtual void DoPaintBuffer() { FBufferValid = true; }
  virtual void DoPaintGDIOverlay(const TScreenCopy& screen);
  void Fire(const TControlEvent& event) {
    if (event) event(*this);
  }

 private:
  TBitmap32 FBuffer;
  TControlWindow* FWindow;
  int FWidth = 0;
  int FHeight = 0;
  bool FBufferValid = false;
  bool FMouseInside = false;
};

enum class TBitmapAlign : std::uint8_t { baTopLeft, baCenter, baTile, baCustom };
enum class TScaleMode : std::uint8_t { smNormal, smStretch, smScale, smResize };

// Paint stage kinds. The default frames are for a form designer; the program has no design
// mode, so those stages never run.
enum : std::uint32_t {
  StageCustom = 1,           // fires OnPaintStage
  StageClearBuffer = 2,      // the whole buffer in the control colour
  StageClearBackground = 3,  // what the bitmap leaves uncovered in the control colour
  StageDrawBitmap = 4,
  StageDrawLayers = 5,    // the layers with an option of the stage's Parameter
  StageControlFrame = 6,  // a focus rectangle around the control
  StageBitmapFrame = 7,   // a focus rectangle around the bitmap
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

class TCustomImage32;
using TImageEvent = std::function<void(TCustomImage32& sender)>;
using TPaintStageEvent = std::function<void(TCustomImage32& sender, TBitmap32& buffer, int stageIndex)>;
// `layer` is the layer the mouse reached, null when none did.
using TImgMouseEvent = std::function<void(TCustomImage32& sender, TMouseButton button, TShiftState shift,
                                          int X, int Y, TCustomLayer* layer)>;
using TImgMouseMoveEvent =
    std::function<void(TCustomImage32& sender, TShiftState shift, int X, int Y, TCustomLayer* layer)>;

// The image view: paints Bitmap placed by ScaleMode, Scale and BitmapAlign, and its layers.
// Every change of the bitmap or of its placement invalidates the cached placement and the
// buffer.
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
  // The placement of the last buffer paint.
  const TPlacementCache& Cache() const { return FCache; }
  void InvalidateCache() { CacheValid = false; }
  // The framework's auto-size query: the bitmap's size (scaled in smScale) on each side that
  // Align leaves free.
  bool CanAutoSize(int& newWidth, int& newHeight) const;

  // The mouse goes to the layers first (when their mouse events are on); a left press, or a
  // layer that listens, captures it until a left release with no layer listening.
  void MouseDown(TMouseButton button, TShiftState shift, int X, int Y) override;
  void MouseMove(TShiftState shift, int X, int Y);
  void MouseUp(TMouseButton button, TShiftState shift, int X, int Y);
  void MouseLeave() override;

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
  void SetOffset(float horz, float vert);
  TPaintStages& PaintStages() { return FPaintStages; }
  TLayerCollection& Layers() { return FLayers; }

  TAlign Align = TAlign::alNone;
  // The control takes the bitmap's size (scaled in smScale) whenever the bitmap is resized.
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
  void DoPaintGDIOverlay(const TScreenCopy& screen) override;

 private:
  void UpdateCache();
  // The bitmap's own size, times Scale in smScale.
  TBitmapSize ScaledBitmapSize() const;
  void FireImage(const TImageEvent& event) {
    if (event) event(*this);
  }

  TBitmap32 FBitmap;
  TBitmapAlign FBitmapAlign = TBitmapAlign::baTopLeft;
  TPlacementCache FCache;
  TLayerCollection FLayers{FCache};
  float FOffsetHorz = 0, FOffsetVert = 0;
  TPaintStages FPaintStages;
  float FScale = 1.0f;
  TScaleMode FScaleMode = TScaleMode::smNormal;
  int UpdateCount = 0;
  bool CacheValid = false;
};

// The image view as forms use it.
class TImage32 : public TCustomImage32 {};

}  // namespace lumox
