#pragma once
#include "imageformats/Decoder.h"

#include <cstdint>
#include <vector>

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;

// Output bytes a decoder did not write keep this value.
inline constexpr std::uint8_t Unwritten = 0xEE;

struct TDecoded {
  TBytes Output;
  std::int64_t Consumed;  // how far the decoder moved `input`
  std::int64_t Produced;  // how far it moved `output`
};

// Decodes from a heap copy of exactly `input` into a heap buffer of exactly `outputUnits` x
// `unitBytes` bytes, so the sanitizers report any access behind either.
TDecoded DecodeExact(TDecoder& decoder, const TBytes& input, std::int64_t outputUnits,
                     unsigned unitBytes = 1);

// `data` in zlib format.
TBytes Deflated(const TBytes& data);

// Deterministic pseudo-random bytes, never Unwritten.
TBytes NoiseBytes(std::size_t count, std::uint32_t seed);

}  // namespace lumox::test
