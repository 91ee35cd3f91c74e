#include "imageformats/Decoder.h"

namespace lumox {

void RaiseDecoderError(const std::string& message) { throw EGraphicCompression(message); }

void TDecoder::Encode(const std::uint8_t*, std::uint8_t*, std::uint64_t, std::uint64_t&) {}

}  // namespace lumox
