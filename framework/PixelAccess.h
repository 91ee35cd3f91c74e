#pragma once
// Reading and writing one pixel index of a 1-, 4- or 8-bit row (most significant bits first),
// and widening colour samples of up to 8 bits.
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

// A sample of 1 to 8 bits as 8 bits: its bits repeated from the top, so the largest value
// becomes 255 (0x1F of 5 bits becomes 0xFF, not 0xF8).
constexpr std::uint32_t Widen(std::uint32_t value, int bits) {
  std::uint32_t result = 0;
  for (int shift = 8 - bits; shift > -bits; shift -= bits) {
    result |= shift >= 0 ? value << shift : value >> -shift;
  }
  return result;
}

}  // namespace lumox::pixels
