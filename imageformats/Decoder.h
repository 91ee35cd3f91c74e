#pragma once
// The common interface of every pixel-stream decoder of the picture readers.
#include "platform/Exception.h"

#include <cstdint>
#include <functional>
#include <string>

namespace lumox {

// Raised by a decoder that cannot go on (the stream library failed).
class EGraphicCompression : public ELumox {
 public:
  using ELumox::ELumox;
};

[[noreturn]] void RaiseDecoderError(const std::string& message);

// Where decoders report what they got past (a strip cut short), as a warning titled "Warning".
// The program shows it to the user; without a handler it goes nowhere. Returns the previous one.
using TDecoderWarningHandler = std::function<void(const std::string& title, const std::string& text)>;
TDecoderWarningHandler SetDecoderWarningHandler(TDecoderWarningHandler handler);
void ShowDecoderWarning(const std::string& text);

// A reader creates the decoder its header names, calls DecodeInit once, Decode once per
// strip, tile, row or plane, and DecodeEnd once. Every Decode reads at most `inputSize`
// bytes behind `input` and writes at most `outputSize` units (stated per decoder) behind
// `output`; a negative size counts as 0. Whether a decoder advances `input` or `output` is
// stated per decoder; callers rely on exactly that.
class TDecoder {
 public:
  virtual ~TDecoder() = default;

  virtual void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                      std::int64_t outputSize) = 0;
  virtual void DecodeEnd() {}
  virtual void DecodeInit() {}
  // Decoders that cannot encode keep this one: it writes nothing and leaves `bytesWritten` alone.
  virtual void Encode(const std::uint8_t* input, std::uint8_t* output, std::uint64_t pixelCount,
                      std::uint64_t& bytesWritten);
  virtual void EncodeInit() {}
  virtual void EncodeEnd() {}
};

}  // namespace lumox
