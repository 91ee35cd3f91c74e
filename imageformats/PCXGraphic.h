#pragma once
// Paintbrush pictures: 1-, 2-, 4- and 8-bit indices in one plane, 16 colours or fewer in two to
// four planes of 1 bit, and 24-bit colour in three planes of bytes; raw or run-length encoded.
#include "imageformats/FormatGraphic.h"

namespace lumox {

class TPCXGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 128 bytes left and a header there with the first byte 10 or 12, a known version
  // and encoding. The position is kept.
  static bool CanLoad(TStream& stream);
  // Fills ImageProperties from the 128-byte header (EReadError when shorter); false unless the
  // first byte is 10 or 205. A window whose end lies before its start gives a side of 0.
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // A header ReadImageProperties refuses loads nothing and raises nothing. Sizes and colour
  // layouts the reader cannot show raise EInvalidGraphic; rows the data does not reach stay black.
  void LoadFromStream(TStream& stream) override;
};

}  // namespace lumox
