#include "imageformats/Decoder.h"

#include "imageformats/FormatTexts.h"

#include <utility>

namespace lumox {
namespace {

TDecoderWarningHandler& WarningHandler() {
  static TDecoderWarningHandler handler;
  return handler;
}

}  // namespace

void RaiseDecoderError(const std::string& message) { throw EGraphicCompression(message); }

TDecoderWarningHandler SetDecoderWarningHandler(TDecoderWarningHandler handler) {
  return std::exchange(WarningHandler(), std::move(handler));
}

void ShowDecoderWarning(const std::string& text) {
  if (WarningHandler()) WarningHandler()(std::string(LoadFormatText(TFormatText::SWarning)), text);
}

void TDecoder::Encode(const std::uint8_t*, std::uint8_t*, std::uint64_t, std::uint64_t&) {}

}  // namespace lumox
