#include "bitmap/Layers.h"

namespace lumox {
namespace {

TShiftState ButtonState(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbRight:
      return ssRight;
    case TMouseButton::mbMiddle:
      return ssMiddle;
    case TMouseButton::mbLeft:
      break;
  }
  return ssLeft;
}

}  // namespace

void TLayerCollection::Insert(std::unique_ptr<TCustomLayer> layer) {
  BeginUpdate();
  FItems.push_back(std::move(layer));
  EndUpdate();
}

void TLayerCollection::Assign(const TLayerCollection& source) {
  BeginUpdate();
  std::vector<std::unique_ptr<TCustomLayer>> copies;
  for (const auto& layer : source.FItems) copies.push_back(layer->Clone(*this));
  MouseListener = nullptr;
  FItems = std::move(copies);
  EndUpdate();
}

void TLayerCollection::Clear() {
  BeginUpdate();
  MouseListener = nullptr;
  FItems.clear();
  EndUpdate();
}

void TLayerCollection::BeginUpdate() {
  if (FUpdateCount++ == 0 && OnBeginChange) OnBeginChange();
}

void TLayerCollection::EndUpdate() {
  if (--FUpdateCount == 0 && OnChange) OnChange();
}

TCustomLayer* TLayerCollection::FindLayerAtPos(int X, int Y, std::uint32_t mask) const {
  for (auto layer = FItems.rbegin(); layer != FItems.rend(); ++layer) {
    if (((*layer)->LayerOptions & mask) != 0 && (*layer)->HitTest(X, Y)) return layer->get();
  }
  return nullptr;
}

TCustomLayer* TLayerCollection::Target(int X, int Y) const {
  return MouseListener ? MouseListener : FindLayerAtPos(X, Y, LayerMouseEvents);
}

TCustomLayer* TLayerCollection::MouseDown(TMouseButton button, TShiftState shift, int X, int Y) {
  MouseListener = Target(X, Y);
  if (!MouseListener) return nullptr;
  MouseListener->PressedButtons |= ButtonState(button);
  MouseListener->MouseDown(button, shift, X, Y);
  return MouseListener;
}

TCustomLayer* TLayerCollection::MouseMove(TShiftState shift, int X, int Y) {
  TCustomLayer* layer = Target(X, Y);
  if (layer) layer->MouseMove(shift, X, Y);
  return layer;
}

TCustomLayer* TLayerCollection::MouseUp(TMouseButton button, TShiftState shift, int X, int Y) {
  TCustomLayer* layer = Target(X, Y);
  if (!layer) return nullptr;
  layer->PressedButtons &= TShiftState(~ButtonState(button));
  if (layer == MouseListener && layer->PressedButtons == 0) MouseListener = nullptr;
  layer->MouseUp(button, shift, X, Y);
  return layer;
}

}  // namespace lumox
