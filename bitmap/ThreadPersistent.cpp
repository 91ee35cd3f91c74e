#include "bitmap/ThreadPersistent.h"

#include <algorithm>

namespace lumox {

void TThreadPersistent::Changed() {
  if (UpdateCount == 0 && OnChange) OnChange(*this);
}

void TThreadPersistent::Lock() {
  ++Locks;
  Section.lock();
}

void TThreadPersistent::Unlock() {
  Section.unlock();
  --Locks;
}

void TCustomMap::SetSize(int newWidth, int newHeight) {
  newWidth = std::max(newWidth, 0);
  newHeight = std::max(newHeight, 0);
  if (newWidth == MapWidth && newHeight == MapHeight) return;
  ChangeSize(MapWidth, MapHeight, newWidth, newHeight);
  Changed();
  Resized();
}

void TCustomMap::ChangeSize(int& width, int& height, int newWidth, int newHeight) {
  width = newWidth;
  height = newHeight;
}

void TCustomMap::Resized() {
  if (OnResize) OnResize(*this);
}

}  // namespace lumox
