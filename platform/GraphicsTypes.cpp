#include "platform/GraphicsTypes.h"

#include <algorithm>
#include <limits>

namespace lumox {

TRect MakeRect(int Left, int Top, int Right, int Bottom) { return {Left, Top, Right, Bottom}; }

bool IntersectRect(TRect& Dst, const TRect& R1, const TRect& R2) {
  Dst = {std::max(R1.Left, R2.Left), std::max(R1.Top, R2.Top), std::min(R1.Right, R2.Right),
         std::min(R1.Bottom, R2.Bottom)};
  if (!IsRectEmpty(Dst)) return true;
  Dst = {};
  return false;
}

void OffsetRect(TRect& R, int dx, int dy) {
  R.Left += dx;
  R.Right += dx;
  R.Top += dy;
  R.Bottom += dy;
}

void InflateRect(TRect& R, int dx, int dy) {
  R.Left -= dx;
  R.Right += dx;
  R.Top -= dy;
  R.Bottom += dy;
}

bool IsRectEmpty(const TRect& R) { return R.Right <= R.Left || R.Bottom <= R.Top; }

std::int32_t ClampToInt32(std::int64_t value) {
  return std::int32_t(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
}

}  // namespace lumox
