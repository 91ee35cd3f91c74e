#pragma once
// The uncompressed 8-bit palette images of the Autodesk animation programs.
#include "imageformats/FormatGraphic.h"

namespace lumox {

class TAutodeskGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 32 bytes left, the magic 0x9119, 8 bits per pixel and no compression. The
  // position is kept.
  static bool CanLoad(TStream& stream);
  // Fills ImageProperties from the 32-byte header (EReadError when shorter); false for another
  // magic. Depth and compression are not checked.
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // A file that ends early leaves the rest of the picture black, without an error.
  void LoadFromStream(TStream& stream) override;
};

}  // namespace lumox
