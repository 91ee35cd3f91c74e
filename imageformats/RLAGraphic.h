#pragma once
// Wavefront RLA images: red, green, blue and an optional matte channel of 8 bits, each scan
// line and channel run-length encoded on its own, with a gamma the file may state.
#include <span>
#include <vector>

#include "imageformats/FormatGraphic.h"

namespace lumox {

class TRLAGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 740 bytes left, revision 0xFFFE and the channel type "rgb" or "xyz" in any case.
  // The position is kept.
  static bool CanLoad(TStream& stream);
  // Fills ImageProperties from the 740-byte header (EReadError when shorter) and leaves the
  // stream behind it; false for the channel type "xyz". Any matte channel counts as one
  // sample; the gamma text is read with "." or "," as the decimal separator.
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // Loads nothing for the channel type "xyz". Other than three colour channels of 8 bits, or an
  // empty window, raises EInvalidGraphic; another channel type the colour manager's error. A
  // stream that ends inside the data raises EReadError.
  void LoadFromStream(TStream& stream) override;

 private:
  // One channel of a scan line: its length, then its packets, decoded into `plane`.
  void ReadChannel(TStream& stream, std::span<std::uint8_t> plane);

  std::vector<std::uint8_t> Packed;
};

}  // namespace lumox
