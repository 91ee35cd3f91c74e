#pragma once
// The clipboard as the bitmaps use it: a picture of 32-bit pixels goes on it and comes off it.
#include <cstdint>
#include <vector>

#include "platform/DeviceContext.h"

namespace lumox {

// Width × Height opaque pixels 0xFFRRGGBB, top row first; empty when there was no picture.
struct TClipboardPicture {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::vector<std::uint32_t> Pixels;
};

class TClipboard {
 public:
  virtual ~TClipboard() = default;
  // Replaces what the clipboard holds by the colours of the block read through `info` (its
  // fourth bytes are not kept: a clipboard picture is opaque).
  virtual void SetBlock(const TBlockInfo& info, const void* bits) = 0;
  // The picture on the clipboard, or an empty one when it holds none.
  virtual TClipboardPicture Picture() const = 0;
};

}  // namespace lumox
