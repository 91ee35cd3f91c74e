// The inflate decoder on arbitrary data fed in two pieces. Flag bits of the first byte pick the
// flush kind and the reset; two bytes the split point and two the output size. A stream that
// ends cleanly both ways must give the same bytes whole and split.
#include "fuzz/DecoderFuzz.h"
#include "imageformats/LZ77Decoder.h"

#include <zlib.h>

#include <algorithm>

namespace {

using lumox::fuzz::CheckWithin;
using lumox::fuzz::TExactBuffer;

struct TResult {
  std::size_t Produced = 0;
  int LastResult = Z_OK;
};

TResult Inflate(const TExactBuffer& packed, const TExactBuffer& output, std::size_t split, int flushKind,
                bool reset) {
  lumox::TLZ77Decoder decoder(flushKind, reset);
  decoder.DecodeInit();
  const std::uint8_t* input = packed.Begin();
  std::uint8_t* out = output.Begin();
  decoder.Decode(input, out, static_cast<std::int64_t>(split), static_cast<std::int64_t>(output.GetSize()));
  CheckWithin(input, packed);
  CheckWithin(out, output);
  if (input - packed.Begin() + decoder.InputRemaining() != static_cast<std::int64_t>(split)) std::abort();
  decoder.Decode(input, out, packed.End() - input, output.End() - out);
  CheckWithin(input, packed);
  CheckWithin(out, output);
  TResult result{static_cast<std::size_t>(out - output.Begin()), decoder.GetLastResult()};
  decoder.DecodeEnd();
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const unsigned flags = lumox::fuzz::TakeNumber(data, size, 1);
  const unsigned splitWanted = lumox::fuzz::TakeNumber(data, size, 2);
  const unsigned outputSize = lumox::fuzz::TakeNumber(data, size, 2);
  const std::size_t split = std::min<std::size_t>(splitWanted, size);
  const int flushKind = flags & 1 ? Z_FINISH : Z_PARTIAL_FLUSH;
  const bool reset = flags & 2;
  const TExactBuffer packed(data, size);
  const TExactBuffer piecesOutput(outputSize);
  const TResult pieces = Inflate(packed, piecesOutput, split, flushKind, reset);
  if (flushKind != Z_PARTIAL_FLUSH || reset || pieces.LastResult != Z_STREAM_END) return 0;

  const TExactBuffer wholeOutput(outputSize);
  const TResult whole = Inflate(packed, wholeOutput, size, flushKind, reset);
  if (whole.LastResult != Z_STREAM_END || whole.Produced != pieces.Produced) std::abort();
  if (whole.Produced > 0 && std::memcmp(wholeOutput.Begin(), piecesOutput.Begin(), whole.Produced) != 0)
    std::abort();
  return 0;
}
