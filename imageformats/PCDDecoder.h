#pragma once
// The Huffman-coded corrections of the Photo-CD resolutions above the base image: each row of
// the luma plane and of the two chroma planes, announced by a sync marker with its row number
// and plane, holds signed differences that are added to the pixels interpolated from the
// resolution below.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/Stream.h"
#include "imageformats/Decoder.h"

namespace lumox {

// The planes the corrections apply to. The chroma planes hold one row per row pair, at the
// luma plane's row distance.
struct TPCDPlanes {
  std::span<std::uint8_t> Luma, Chroma1, Chroma2;
};

class TPCDDecoder : public TDecoder {
 public:
  // The stream stands at the Huffman tables; it is read in pieces of 2048 bytes.
  explicit TPCDDecoder(TStream& stream) : Stream(stream) {}

  // `input` points at a TPCDPlanes; `inputSize` is the row distance of the planes in bytes
  // (up to 1536 one table serves the luma rows, and chroma rows are passed over; else three);
  // decoding stops at the sync marker of row `outputSize`. `output` is not used. Corrections
  // outside the planes or beyond a row's end are passed over. A table with a code longer than
  // 16 bits, or a row of the reserved plane code 1, ends decoding silently; the stream's end
  // raises EReadError.
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;

 private:
  // A lookup in which no code begins.
  static std::vector<std::int16_t> EmptyLookup();

  struct TTable {
    // The entry whose code begins each 16-bit pattern (the first listed of several), -1 for none.
    std::vector<std::int16_t> Lookup = EmptyLookup();
    std::vector<std::uint8_t> Lengths;
    std::vector<std::int8_t> Values;
  };

  // 32 bits of the stream from the current bit on, most significant first.
  std::uint32_t Window() const { return Bits; }
  void Skip(int count);
  void Refill();
  bool ReadTable(TTable& table);
  void Synchronise();
  void ApplyCorrections(std::span<std::uint8_t> plane, std::size_t start, std::size_t rowEnd,
                        const TTable& table);

  TStream& Stream;
  std::array<std::uint8_t, 2048> Buffer{};
  std::size_t BufferAt = 0;
  std::size_t BufferSize = 0;
  std::uint32_t Bits = 0;
  int BitCount = 0;
};

}  // namespace lumox
