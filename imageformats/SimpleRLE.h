#pragma once
// Run-length decoders of the simple packet schemes: one header byte (or word) announcing a run
// of one repeated value or a literal stretch. None keeps state between calls and none encodes.
// Each one stops at the end of its input and never writes more than `outputSize` units.
#include "imageformats/Decoder.h"

namespace lumox {

// PackBits (TIFF, Photoshop): N 0..127 literal N + 1 bytes, N -1..-127 run of 1 - N, -128 no-op.
// Sizes in bytes; pointers unchanged.
class TPackbitsRLEDecoder : public TDecoder {
 public:
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
};

// PCX: a byte with both top bits set is a run of (H and 0x3F) copies of the next byte; any
// other byte stands for itself. Sizes in bytes; pointers unchanged.
class TPCXRLEDecoder : public TDecoder {
 public:
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
  // As Decode, but a run that reaches past `bytes` is written on as far as `room` bytes reach
  // (room at least `bytes`), so a reader can carry the surplus into the next row; `input` moves
  // behind the packets used, and stays on a run header whose byte lies past the input's end, so
  // that a reader can decode that run once it has read on. Returns the bytes written.
  std::int64_t DecodeBytes(const std::uint8_t*& input, std::int64_t inputSize, std::uint8_t* output,
                           std::int64_t bytes, std::int64_t room);
};

// SGI: bit 7 set literal, clear run, count in bits 0-6, count 0 ends the row. With 16-bit
// samples the header is a big-endian word whose low byte carries flag and count, and samples
// are copied in file order. `outputSize` counts samples; pointers unchanged.
class TSGIRLEDecoder : public TDecoder {
 public:
  // 8 selects byte samples, any other value 16-bit samples.
  explicit TSGIRLEDecoder(std::uint8_t sampleBits) : SampleBits(sampleBits) {}

  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
  // As Decode; returns the bytes written.
  std::int64_t DecodeRow(const std::uint8_t* input, std::int64_t inputSize, std::uint8_t* output,
                         std::int64_t outputSize);

 private:
  std::uint8_t SampleBits;
};

// Dr. Halo CUT, one line per call: a 2-byte line length (not used), then packets (bit 7 set
// run, clear literal, count in bits 0-6) up to a header byte 0. `input` advances behind that
// terminator, so the next call starts at the next line. Sizes in bytes; `output` unchanged.
class TCUTRLEDecoder : public TDecoder {
 public:
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
};

// Paint Shop Pro: H 128..255 run of H - 128, H 0..127 literal of H bytes; runs until the
// input is used up. Sizes in bytes; pointers unchanged.
class TPSPRLEDecoder : public TDecoder {
 public:
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
};

// Wavefront RLA: N 0..127 run of N + 1, N -1..-128 literal of -N bytes (the reverse of
// PackBits); runs until the input is used up. Sizes in bytes; pointers unchanged.
class TRLADecoder : public TDecoder {
 public:
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
};

}  // namespace lumox
