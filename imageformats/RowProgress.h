#pragma once
// The percentage readers report after each delivered row.
#include <cmath>
#include <cstdint>

namespace lumox {

// `row` of `height` as a percentage, rounded to the nearest (halves to even).
inline std::uint8_t RowPercent(std::int64_t row, std::int64_t height) {
  return height > 0 ? std::uint8_t(std::nearbyint(double(row) * 100.0 / double(height))) : 0;
}

}  // namespace lumox
