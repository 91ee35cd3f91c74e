#pragma once
// The plain values every drawing layer shares: colours, points, sizes and rectangles.
#include <cstdint>

namespace lumox {

// A colour as 0x00BBGGRR.
using TColor = std::uint32_t;

constexpr TColor RGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return TColor(red) | TColor(green) << 8 | TColor(blue) << 16;
}

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool operator==(const TSize&) const = default;
};

// Left and Top are inside, Right and Bottom just outside.
struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
  bool operator==(const TRect&) const = default;
};

TRect MakeRect(int Left, int Top, int Right, int Bottom);
// The larger left and top, the smaller right and bottom; an empty result becomes (0, 0, 0, 0)
// and answers false.
bool IntersectRect(TRect& Dst, const TRect& R1, const TRect& R2);
void OffsetRect(TRect& R, int dx, int dy);
// Moves the left and right sides dx outwards and the top and bottom dy; negative moves inwards.
void InflateRect(TRect& R, int dx, int dy);
bool IsRectEmpty(const TRect& R);

// `value` brought into the range of 32 bits: coordinates computed in 64 bits saturate there
// instead of wrapping round.
std::int32_t ClampToInt32(std::int64_t value);

}  // namespace lumox
