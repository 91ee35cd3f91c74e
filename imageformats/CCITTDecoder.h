#pragma once
// Bi-level fax data coded with the one-dimensional modified Huffman run-length codes: white and
// black runs alternate, each row starting white. The output is one bit per pixel, most
// significant bit first, 1 for black, each row starting on a byte boundary. Two-dimensional
// coding is not decoded.
#include "imageformats/Decoder.h"

namespace lumox {

class TCCITTDecoder : public TDecoder {
 public:
  // `codingOptions`: the file's fax options, kept for the caller; `reverseBits`: the packed bytes
  // hold their bits least significant first; `evenRows`: packed rows start on 16-bit boundaries;
  // `rowPixels`: pixels per row.
  TCCITTDecoder(std::uint32_t codingOptions, bool reverseBits, bool evenRows, std::uint32_t rowPixels)
      : CodingOptions(codingOptions), ReverseBits(reverseBits), EvenRows(evenRows), RowPixels(rowPixels) {}

 protected:
  std::uint32_t CodingOptions;
  bool ReverseBits;
  bool EvenRows;
  std::uint32_t RowPixels;
};

// Group 3: every row is introduced by an end-of-line code. Sizes in bytes; the output is
// cleared first, so pixels a short or broken row leaves out stay white. Decoding ends with
// the packed bits or the output; pointers unchanged.
class TCCITTFax3Decoder : public TCCITTDecoder {
 public:
  using TCCITTDecoder::TCCITTDecoder;
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
};

// Rows without end-of-line codes, each starting on a packed byte boundary (a 16-bit one with
// `evenRows`). Sizes in bytes; the output is cleared first; pointers unchanged.
class TCCITTMHDecoder : public TCCITTDecoder {
 public:
  using TCCITTDecoder::TCCITTDecoder;
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
};

}  // namespace lumox
