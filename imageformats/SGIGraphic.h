#pragma once
// Silicon Graphics images: grey, RGB and RGBA channels of one or two bytes per sample, stored
// plane by plane from the bottom row up, verbatim or run-length encoded row by row.
#include <array>
#include <memory>
#include <span>
#include <vector>

#include "imageformats/FormatGraphic.h"
#include "imageformats/SimpleRLE.h"

namespace lumox {

class TSGIGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 512 bytes left, the magic 474, 1 or 2 bytes per sample and 1 to 3 dimensions.
  // The position is kept.
  static bool CanLoad(TStream& stream);
  // Fills ImageProperties from the 512-byte header (EReadError when shorter); false for
  // another magic.
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // Images of other than 1 to 4 channels, other sample sizes or no pixels raise EInvalidGraphic;
  // two channels load as grey from the first. Rows the file does not hold stay black.
  void LoadFromStream(TStream& stream) override;

 private:
  // Fills each plane given (red or grey, green, blue, alpha; an empty one is skipped) with
  // stored row `row`, counted from the bottom.
  void ReadAndDecode(const std::array<std::span<std::uint8_t>, 4>& planes, std::uint32_t row);

  // The start offsets and byte counts of the compressed rows, channel by channel.
  TCardinalArray RowStart, RowSize;
  std::unique_ptr<TSGIRLEDecoder> Decoder;
  std::vector<std::uint8_t> Packed;
};

}  // namespace lumox
