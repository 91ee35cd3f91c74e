#include "imageformats/ThunderDecoder.h"

#include <algorithm>
#include <array>

#include "imageformats/DecoderBuffers.h"

namespace lumox {
namespace {

constexpr std::array<int, 4> TwoBitDeltas{0, 1, 0, -1};  // code 2: no pixel
constexpr int TwoBitSkip = 2;
constexpr std::array<int, 8> ThreeBitDeltas{0, 1, 2, 3, 0, -3, -2, -1};  // code 4: no pixel
constexpr int ThreeBitSkip = 4;

// One output row of 4-bit pixels; pixels beyond the row or the buffer are dropped.
class TNibbleRow {
 public:
  TNibbleRow(std::uint8_t* data, std::int64_t bytes, std::int64_t pixels)
      : Data(data), Bytes(bytes), Pixels(pixels) {}

  bool Complete() const { return Count >= Pixels; }
  unsigned Last() const { return LastValue; }

  void Put(unsigned value) {
    LastValue = value & 0x0F;
    if (Complete()) return;
    const std::int64_t at = Count / 2;
    if (at < Bytes) {
      if (Count % 2 == 0) {
        Data[at] = static_cast<std::uint8_t>(LastValue << 4);
      } else {
        Data[at] = static_cast<std::uint8_t>(Data[at] | LastValue);
      }
    }
    ++Count;
  }

 private:
  std::uint8_t* Data;
  std::int64_t Bytes;
  std::int64_t Pixels;
  std::int64_t Count = 0;
  unsigned LastValue = 0;
};

void DecodeRow(decoding::TPackedReader& in, TNibbleRow& row) {
  while (!row.Complete() && !in.Empty()) {
    const std::uint8_t packed = in.Byte();
    const unsigned n = packed & 0x3F;
    switch (packed & 0xC0) {
      case 0x00:
        for (unsigned i = 0; i < n && !row.Complete(); ++i) row.Put(row.Last());
        break;
      case 0x40:
        for (const int shift : {4, 2, 0}) {
          const unsigned code = (n >> shift) & 3;
          if (code != TwoBitSkip) row.Put(row.Last() + TwoBitDeltas[code]);
        }
        break;
      case 0x80:
        for (const int shift : {3, 0}) {
          const unsigned code = (n >> shift) & 7;
          if (code != ThreeBitSkip) row.Put(row.Last() + ThreeBitDeltas[code]);
        }
        break;
      default:
        row.Put(n);
    }
  }
}

}  // namespace

void TThunderDecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                             std::int64_t outputSize) {
  const std::int64_t rowBytes = (std::int64_t{RowWidth} + 1) / 2;
  if (rowBytes == 0) return;
  decoding::TPackedReader in(input, inputSize);
  for (std::int64_t start = 0; start < outputSize && !in.Empty(); start += rowBytes) {
    TNibbleRow row(output + start, std::min(rowBytes, outputSize - start), RowWidth);
    DecodeRow(in, row);
  }
}

}  // namespace lumox
