#include "imageformats/LZ77Decoder.h"

#include "imageformats/DecoderBuffers.h"
#include "imageformats/FormatTexts.h"

#include <algorithm>
#include <limits>

namespace lumox {
namespace {

constexpr std::int64_t MaxZlibCount = std::numeric_limits<uInt>::max();

uInt ZlibCount(std::int64_t size) { return static_cast<uInt>(std::min(size, MaxZlibCount)); }

[[noreturn]] void RaiseLZ77Error() {
  RaiseDecoderError(std::string(LoadFormatText(TFormatText::SLZ77DecompressionError)));
}

}  // namespace

TLZ77Decoder::TLZ77Decoder(int flushKind, bool resetEachCall)
    : FlushKind(flushKind), ResetEachCall(resetEachCall) {}

TLZ77Decoder::~TLZ77Decoder() { EndStream(); }

void TLZ77Decoder::DecodeInit() {
  EndStream();
  LastResult = inflateInit(&ZStream);
  if (LastResult < 0) RaiseLZ77Error();
  StreamOpen = true;
}

void TLZ77Decoder::SkipChecksum() { inflateValidate(&ZStream, 0); }

void TLZ77Decoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                          std::int64_t outputSize) {
  ZStream.next_in = const_cast<Bytef*>(input);
  InputLeft = decoding::NonNegative(inputSize);
  ZStream.avail_in = ZlibCount(InputLeft);
  if (ResetEachCall) LastResult = inflateReset(&ZStream);
  if (LastResult != Z_OK) return;
  ZStream.next_out = output;
  OutputLeft = decoding::NonNegative(outputSize);
  ZStream.avail_out = ZlibCount(OutputLeft);
  Inflate();
  input = ZStream.next_in;
  output = ZStream.next_out;
}

// One inflate call, or more when a size exceeds what zlib counts in one go.
void TLZ77Decoder::Inflate() {
  for (;;) {
    const uInt inBefore = ZStream.avail_in;
    const uInt outBefore = ZStream.avail_out;
    LastResult = inflate(&ZStream, FlushKind);
    InputLeft -= inBefore - ZStream.avail_in;
    OutputLeft -= outBefore - ZStream.avail_out;
    const bool moreInput = ZStream.avail_in == 0 && InputLeft > 0;
    const bool moreRoom = ZStream.avail_out == 0 && OutputLeft > 0;
    if (LastResult != Z_OK || !(moreInput || moreRoom)) return;
    ZStream.avail_in = ZlibCount(InputLeft);
    ZStream.avail_out = ZlibCount(OutputLeft);
  }
}

void TLZ77Decoder::DecodeEnd() {
  LastResult = inflateEnd(&ZStream);
  StreamOpen = false;
  if (LastResult < 0) RaiseLZ77Error();
}

void TLZ77Decoder::EndStream() {
  if (!StreamOpen) return;
  inflateEnd(&ZStream);
  StreamOpen = false;
}

}  // namespace lumox
