#pragma once
#include <string>

#include "bitmap/Bitmap32.h"

namespace lumox::test {

// A bitmap whose notifications are written down in order.
struct TWatched : TBitmap32 {
  std::string Events;
  TWatched() {
    OnChange = [this](TThreadPersistent&) { Events += "change "; };
    OnResize = [this](TThreadPersistent&) { Events += "resize "; };
    OnHandleChanged = [this](TThreadPersistent&) { Events += "handle "; };
  }
};

}  // namespace lumox::test
