#include "bitmap/Color32.h"

#include <array>

namespace lumox {
namespace {

// The classic desktop scheme, by system colour index; the program has no other source of
// system colours below the window layer.
constexpr std::array<TColor, 31> SystemColors{
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(0, 0, 0),       RGB(0, 0, 255),     RGB(16, 132, 208),  RGB(181, 181, 181), RGB(0, 0, 128),
    RGB(192, 192, 192)};

}  // namespace

TColor32 ColorToColor32(TColor color) {
  if (std::int32_t(color) < 0) {
    const std::size_t index = color & 0xFF;
    color = index < SystemColors.size() ? SystemColors[index] : 0;
  }
  return AlphaMask32 | (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

}  // namespace lumox
