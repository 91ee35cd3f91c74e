#pragma once
// 4-bit ThunderScan data: each packed byte is a run of the last value, two or three small
// deltas from it, or a raw value. Two pixels per output byte, the first in the high nibble.
#include "imageformats/Decoder.h"

namespace lumox {

class TThunderDecoder : public TDecoder {
 public:
  // `rowWidth`: pixels per row.
  explicit TThunderDecoder(std::uint32_t rowWidth) : RowWidth(rowWidth) {}

  // Sizes in bytes. The output is decoded row by row, each row (RowWidth + 1) / 2 bytes and
  // starting from the value 0; pixels the data holds beyond a row are dropped. Pointers unchanged.
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;

 private:
  std::uint32_t RowWidth;
};

}  // namespace lumox
