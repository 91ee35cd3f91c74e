#include "tests/imageformats/DecoderTestSupport.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <random>

namespace lumox::test {

TDecoded DecodeExact(TDecoder& decoder, const TBytes& input, std::int64_t outputUnits, unsigned unitBytes) {
  const std::size_t outputBytes =
      static_cast<std::size_t>(std::max<std::int64_t>(outputUnits, 0)) * unitBytes;
  const std::unique_ptr<std::uint8_t[]> in(new std::uint8_t[input.size()]);
  const std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[outputBytes]);
  std::copy(input.begin(), input.end(), in.get());
  std::fill_n(out.get(), outputBytes, Unwritten);
  const std::uint8_t* inputPos = in.get();
  std::uint8_t* outputPos = out.get();
  decoder.Decode(inputPos, outputPos, static_cast<std::int64_t>(input.size()), outputUnits);
  return {TBytes(out.get(), out.get() + outputBytes), inputPos - in.get(), outputPos - out.get()};
}

TBytes Deflated(const TBytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  TBytes packed(size);
  compress(packed.data(), &size, data.data(), static_cast<uLong>(data.size()));
  packed.resize(size);
  return packed;
}

TBytes NoiseBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  TBytes bytes(count);
  for (auto& b : bytes) {
    do b = static_cast<std::uint8_t>(random());
    while (b == Unwritten);
  }
  return bytes;
}

}  // namespace lumox::test
