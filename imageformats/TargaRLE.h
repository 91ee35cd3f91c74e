#pragma once
// The Targa run-length codec: packets of a header byte (bit 7: repeat, bits 0-6: count - 1)
// followed by one pixel (repeat) or count pixels (raw). Pixel bytes keep their file order.
#include "imageformats/Decoder.h"

namespace lumox {

class TTargaRLEDecoder : public TDecoder {
 public:
  // `depthBits`: 8, 15, 16, 24 or 32; any other depth decodes and encodes nothing.
  explicit TTargaRLEDecoder(std::uint32_t depthBits) : DepthBits(depthBits) {}

  // 1, 2, 3 or 4 for the depths above, 0 for any other.
  static unsigned BytesPerPixel(std::uint32_t depthBits);

  // `outputSize` counts pixels. Decoding stops after `outputSize` pixels or at the end of the
  // input; a packet that runs past the requested end is consumed whole and its surplus dropped.
  // On return `input` stands behind the last packet consumed; `output` is left unchanged.
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
  // As Decode, but a packet that runs past `pixels` is written on as far as `room` pixels
  // reach, so a reader can carry the surplus into the next row. Returns the whole pixels written.
  std::int64_t DecodePixels(const std::uint8_t*& input, std::int64_t inputSize, std::uint8_t* output,
                            std::int64_t pixels, std::int64_t room);
  // `output` must hold pixelCount x (bytes per pixel + 1) bytes, the worst case.
  void Encode(const std::uint8_t* input, std::uint8_t* output, std::uint64_t pixelCount,
              std::uint64_t& bytesWritten) override;

 private:
  std::uint32_t DepthBits;
};

}  // namespace lumox
