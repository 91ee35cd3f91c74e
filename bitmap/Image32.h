#pragma once
// The image view control without its window: a control that paints a TBitmap32, fitted by a
// scale mode and an alignment, through an ordered list of paint stages into an off-screen
// buffer, which the window system copies to the screen in one block. The window system
// reports the control's bounds and asks it to paint; the control asks the window system,
// through RequestPaint, to be painted again.
#include <cstdint>
#include <deque>
#include <functional>

#include "bitmap/Bitmap32.h"

namespace lumox {

// The button face of the window scheme.
constexpr TColor clBtnFace = 0xFF00000F;

// The screen copy: `viewport` of `buffer` goes to the same place on the control.
using TScreenCopy = std::function<void(const TBitmap32& buffer, const TRect& viewport)>;

// The paint box: the buffer, kept at the viewport's size with some hysteresis, and the paint
// sequence. The buffer never announces changes.
class TCustomPaintBox32 {
 public:
  TCustomPaintBox32();
  virtual ~TCustomPaintBox32() = default;
  TCustomPaintBox32(const TCustomPaintBox32&) = delete;
  TCustomPaintBox32& operator=(const TCustomPaintBox32&) = delete;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // The window system reports the control's size; a new size resizes the buffer.
  virtual void SetSize(int width, int height);
  // Streaming of the control's properties is done.
  virtual void Loaded();
  // The buffer (and in descendants, what it is painted from) must be painted again.
  virtual void Invalidate();

  // The framework's paint: the buffer takes the viewport's size, is repainted when invalid
  // and goes to `copyToScreen` while locked.
  void Paint(const TScreenCopy& copyToScreen);
  // Buffer := viewport size, unless the buffer is at most BufferOversize larger on both axes.
  void ResizeBuffer();
  virtual TRect GetViewportRect() const;

  TBitmap32& Buffer() { return FBuffer; }
  const TBitmap32& Buffer() const { return FBuffer; }
  bool BufferValid() const { return FBufferValid; }

  int BufferOversize = 40;
  TColor Color = clBtnFace;
  // Asks the window system for a paint soon.
  std::function<void()> RequestPaint;

 protected:
  virtual void DoPaintBuffer() { FBufferValid = true; }

 private:
  TBitmap32 FBuffer;
  int FWidth = 0;
  int FHeight = 0;
  bool FBufferValid = false;
};

enum class TBitmapAlign : std::uint8_t { baTopLeft, baCenter, baTile, baCustom };
enum class TScaleMode : std::uint8_t { smNormal, smStretch, smScale, smResize };

// Paint stage kinds. The frames are focus rectangles for a form designer; the program has
// no design mode, so those stages never run.
enum : std::uint32_t {
  StageCustom = 1,           // fires OnPaintStage
  StageClearBuffer = 2,      // the whole buffer in the control colour
  StageClearBackground = 3,  // what the bitmap leaves uncovered in the control colour
  StageDrawBitmap = 4,
  StageDrawLayers = 5,    // no layer class exists: nothing to paint
  StageControlFrame = 6,  // design time only
  StageBitmapFrame = 7,   // design time only
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
};

class TCustomImage32;
using TImageEvent = std::function<void(TCustomImage32& sender)>;
using TPaintStageEvent = std::function<void(TCustomImage32& sender, TBitmap32& buffer, int stageIndex)>;

// The image view: paints Bitmap placed by ScaleMode, Scale and BitmapAlign. Every change of
// the bitmap or of its placement invalidates the cached placement and the buffer.
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

  TImageEvent OnBitmapResize;
  TImageEvent OnChange;
  TImageEvent OnInitStages;
  TPaintStageEvent OnPaintStage;

 protected:
  virtual void BitmapResized();
  virtual void InitStages();
  virtual void ScaleChanged() {}
  virtual void InitDefaultStages();
  virtual void ExecClearBuffer(TBitmap32& dest, int stageIndex);
  virtual void ExecClearBackground(TBitmap32& dest, int stageIndex);
  virtual void ExecCustom(TBitmap32& dest, int stageIndex);
  virtual void ExecDrawBitmap(TBitmap32& dest, int stageIndex);
  void DoPaintBuffer() override;

 private:
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
  TRect CachedBitmapRect;
  bool CacheValid = false;
};

// The image view as forms use it.
class TImage32 : public TCustomImage32 {};

}  // namespace lumox
