#pragma once
// Layers over an image view's bitmap and the collection that holds them: it paints them, hands
// them the mouse and tells the view of changes. The program itself defines no kind of layer,
// so an image view's collection stays empty unless a caller adds one.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "bitmap/Bitmap32.h"

namespace lumox {

// Draws `viewport` of `buffer` at the same place on the control: the control's screen side.
using TScreenCopy = std::function<void(const TBitmap32& buffer, const TRect& viewport)>;

enum class TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };
// The modifiers and buttons held while the mouse acts.
using TShiftState = std::uint8_t;
enum : TShiftState { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };

// Layer option bits.
enum : std::uint32_t {
  LayerVisible = 0x80000000,     // painted into the buffer
  LayerGDIOverlay = 0x40000000,  // painted on the screen after the buffer
  LayerMouseEvents = 0x20000000,
};

// The bitmap-to-control transform of the view's last placement, in 16.16 fixed point.
struct TPlacementCache {
  TRect CachedBitmapRect;
  std::int32_t ScaleX = 65536, ScaleY = 65536;
  std::int32_t ShiftX = 0, ShiftY = 0;
  std::int32_t RecScaleX = 65536, RecScaleY = 65536;
  bool operator==(const TPlacementCache&) const = default;
};

class TLayerCollection;

class TCustomLayer {
 public:
  explicit TCustomLayer(TLayerCollection& owner) : LayerCollection(owner) {}
  virtual ~TCustomLayer() = default;
  TCustomLayer(const TCustomLayer&) = delete;
  TCustomLayer& operator=(const TCustomLayer&) = delete;

  // A layer of this one's kind and settings, owned by `owner`.
  virtual std::unique_ptr<TCustomLayer> Clone(TLayerCollection& owner) const = 0;
  virtual bool HitTest(int /*X*/, int /*Y*/) const { return true; }
  virtual void Paint(TBitmap32& /*buffer*/) {}
  virtual void PaintGDI(const TScreenCopy& /*screen*/) {}
  virtual void MouseDown(TMouseButton, TShiftState, int /*X*/, int /*Y*/) {}
  virtual void MouseMove(TShiftState, int /*X*/, int /*Y*/) {}
  virtual void MouseUp(TMouseButton, TShiftState, int /*X*/, int /*Y*/) {}

  TLayerCollection& LayerCollection;
  std::uint32_t LayerOptions = LayerVisible;
  TShiftState PressedButtons = 0;  // of ssLeft, ssRight, ssMiddle
};

class TLayerCollection {
 public:
  // `cache` is the owning view's placement, which layers map their coordinates with.
  explicit TLayerCollection(const TPlacementCache& cache) : Cache(cache) {}
  ~TLayerCollection() = default;  // frees the layers without announcing it
  TLayerCollection(const TLayerCollection&) = delete;
  TLayerCollection& operator=(const TLayerCollection&) = delete;

  template <class Layer, class... Args>
  Layer& Add(Args&&... args) {
    auto layer = std::make_unique<Layer>(*this, std::forward<Args>(args)...);
    Layer& added = *layer;
    Insert(std::move(layer));
    return added;
  }
  // The layers become copies of `source`'s, each of its own kind.
  void Assign(const TLayerCollection& source);
  void Clear();
  int Count() const { return int(FItems.size()); }
  TCustomLayer& Items(int index) const { return *FItems[std::size_t(index)]; }
  const TPlacementCache& Transform() const { return Cache; }

  // Only the outermost pair announces: OnBeginChange first, OnChange at the end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // The topmost layer with an option of `mask` that accepts the point; null when none does.
  TCustomLayer* FindLayerAtPos(int X, int Y, std::uint32_t mask) const;
  // The mouse goes to the listening layer, else to the one under it; the layer pressed on
  // listens until its last button is released. Each returns the layer reached, or null.
  TCustomLayer* MouseDown(TMouseButton button, TShiftState shift, int X, int Y);
  TCustomLayer* MouseMove(TShiftState shift, int X, int Y);
  TCustomLayer* MouseUp(TMouseButton button, TShiftState shift, int X, int Y);

  bool MouseEvents = true;
  TCustomLayer* MouseListener = nullptr;
  std::function<void()> OnBeginChange;
  std::function<void()> OnChange;
  // Paints the owning view now.
  std::function<void()> Repaint;

 private:
  void Insert(std::unique_ptr<TCustomLayer> layer);
  TCustomLayer* Target(int X, int Y) const;

  std::vector<std::unique_ptr<TCustomLayer>> FItems;
  const TPlacementCache& Cache;
  int FUpdateCount = 0;
};

}  // namespace lumox
