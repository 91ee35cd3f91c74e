// The run-length decoders on arbitrary packed data. The first byte picks the decoder, the next
// two the output size; the Targa codec must also give back any pixels it encoded.
#include "fuzz/DecoderFuzz.h"
#include "imageformats/SimpleRLE.h"
#include "imageformats/TargaRLE.h"

#include <array>

namespace {

using lumox::fuzz::CheckWithin;
using lumox::fuzz::TExactBuffer;

constexpr std::array<std::uint32_t, 5> TargaDepths{8, 15, 16, 24, 32};

std::unique_ptr<lumox::TDecoder> PickDecoder(unsigned choice) {
  if (choice < TargaDepths.size()) return std::make_unique<lumox::TTargaRLEDecoder>(TargaDepths[choice]);
  switch (choice - TargaDepths.size()) {
    case 0: return std::make_unique<lumox::TPackbitsRLEDecoder>();
    case 1: return std::make_unique<lumox::TPCXRLEDecoder>();
    case 2: return std::make_unique<lumox::TSGIRLEDecoder>(8);
    case 3: return std::make_unique<lumox::TSGIRLEDecoder>(16);
    case 4: return std::make_unique<lumox::TCUTRLEDecoder>();
    case 5: return std::make_unique<lumox::TPSPRLEDecoder>();
    default: return std::make_unique<lumox::TRLADecoder>();
  }
}

constexpr unsigned DecoderCount = TargaDepths.size() + 7;

// Decodes line after line while the decoder moves on (CUT, Targa), else once.
void DecodeAll(lumox::TDecoder& decoder, const TExactBuffer& packed, unsigned units, unsigned unitBytes) {
  TExactBuffer output(std::size_t{units} * unitBytes);
  const std::uint8_t* input = packed.Begin();
  do {
    const std::uint8_t* before = input;
    std::uint8_t* out = output.Begin();
    decoder.Decode(input, out, packed.End() - input, units);
    CheckWithin(input, packed);
    if (out != output.Begin() || input < before) std::abort();
    if (input == before) break;
  } while (input < packed.End());
}

void CheckTargaRoundTrip(std::uint32_t depth, const std::uint8_t* data, std::size_t size) {
  const unsigned bytesPerPixel = (depth + 1) / 8;
  const std::size_t pixels = size / bytesPerPixel;
  TExactBuffer packed(pixels * (bytesPerPixel + 1));
  std::uint64_t written = 0;
  lumox::TTargaRLEDecoder codec(depth);
  codec.Encode(data, packed.Begin(), pixels, written);
  if (written > packed.GetSize()) std::abort();
  TExactBuffer decoded(pixels * bytesPerPixel);
  const std::uint8_t* input = packed.Begin();
  std::uint8_t* output = decoded.Begin();
  codec.Decode(input, output, static_cast<std::int64_t>(written), static_cast<std::int64_t>(pixels));
  if (input != packed.Begin() + written) std::abort();
  if (pixels > 0 && std::memcmp(decoded.Begin(), data, decoded.GetSize()) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const unsigned choice = lumox::fuzz::TakeNumber(data, size, 1) % DecoderCount;
  const unsigned units = lumox::fuzz::TakeNumber(data, size, 2);
  const TExactBuffer packed(data, size);
  const auto decoder = PickDecoder(choice);
  const bool sixteenBit = choice == TargaDepths.size() + 3;
  unsigned unitBytes = sixteenBit ? 2 : 1;
  if (choice < TargaDepths.size()) unitBytes = (TargaDepths[choice] + 1) / 8;
  DecodeAll(*decoder, packed, units, unitBytes);
  if (choice < TargaDepths.size()) CheckTargaRoundTrip(TargaDepths[choice], data, size);
  return 0;
}
