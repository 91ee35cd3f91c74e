#pragma once
// The 32-bit pixel 0xAARRGGBB, stored little-endian as the bytes blue, green, red, alpha.
// Alpha 255 is opaque, 0 fully transparent.
#include <cstdint>
#include <vector>

#include "framework/Graphic.h"

namespace lumox {

using TColor32 = std::uint32_t;
using TArrayOfColor32 = std::vector<TColor32>;

constexpr TColor32 AlphaMask32 = 0xFF000000u;

constexpr TColor32 Color32(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                           std::uint8_t alpha = 255) {
  return TColor32(alpha) << 24 | TColor32(red) << 16 | TColor32(green) << 8 | blue;
}

constexpr std::uint32_t AlphaComponent(TColor32 color) { return color >> 24; }

// A framework colour (0x00BBGGRR) as an opaque pixel. A negative value names a system colour
// by its low byte, which is looked up first.
TColor32 ColorToColor32(TColor color);

}  // namespace lumox
