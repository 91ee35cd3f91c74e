#pragma once
// Deflate data (zlib format) through zlib's inflate. The decoder owns the stream across calls,
// so one object can be fed a compressed stream in several pieces.
#include "imageformats/Decoder.h"

#include <zlib.h>

namespace lumox {

class TLZ77Decoder : public TDecoder {
 public:
  // `flushKind` is passed to every inflate call (Z_PARTIAL_FLUSH, Z_FINISH, ...);
  // `resetEachCall` makes every Decode start a new stream.
  TLZ77Decoder(int flushKind, bool resetEachCall);
  ~TLZ77Decoder() override;
  TLZ77Decoder(const TLZ77Decoder&) = delete;
  TLZ77Decoder& operator=(const TLZ77Decoder&) = delete;

  // Raises EGraphicCompression when zlib cannot start a stream.
  void DecodeInit() override;
  // Called after DecodeInit: leaves the Adler-32 sum of the inflated data unchecked, for
  // containers whose own checksums already cover every compressed byte.
  void SkipChecksum();
  // Sizes in bytes; `input` and `output` advance by what was consumed and produced. Corrupt
  // data raise nothing: the stream stops (see GetLastResult) and, unless it is reset each call,
  // every later Decode does nothing. So does the end of the stream.
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
  // Raises EGraphicCompression when zlib reports a broken stream.
  void DecodeEnd() override;

  // Packed bytes not consumed and output room not filled by the last Decode.
  std::int64_t InputRemaining() const { return InputLeft; }
  std::int64_t OutputRemaining() const { return OutputLeft; }
  // zlib's result of the last call: Z_OK, Z_STREAM_END or an error below 0.
  int GetLastResult() const { return LastResult; }

 private:
  void Inflate();
  void EndStream();

  z_stream ZStream{};
  int LastResult = Z_OK;
  int FlushKind;
  bool ResetEachCall;
  bool StreamOpen = false;
  // The sizes of one call may exceed zlib's 32-bit counts; these hold the full amounts.
  std::int64_t InputLeft = 0;
  std::int64_t OutputLeft = 0;
};

}  // namespace lumox
