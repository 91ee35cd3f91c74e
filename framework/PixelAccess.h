#pragma once
// Reading and writing one pixel index of a 1-, 4- or 8-bit row (most significant bits first).
#include <cstdint>

namespace lumox::pixels {

inline unsigned IndexAt(const std::uint8_t* row, std::int64_t x, int bits) {
  switch (bits) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
      return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0Fu;
    default:
      return row[x];
  }
}

inline void SetIndexAt(std::uint8_t* row, std::int64_t x, int bits, unsigned index) {
  switch (bits) {
    case 1: {
      const auto mask = std::uint8_t(0x80u >> (x & 7));
      row[x >> 3] = std::uint8_t(index & 1u ? row[x >> 3] | mask : row[x >> 3] & ~mask);
      break;
    }
    case 4: {
      const int shift = (x & 1) ? 0 : 4;
      row[x >> 1] = std::uint8_t((row[x >> 1] & ~(0x0Fu << shift)) | (index & 0x0Fu) << shift);
      break;
    }
    default:
      row[x] = std::uint8_t(index);
  }
}

}  // namespace lumox::pixels
