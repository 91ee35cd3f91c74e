#pragma once
// Photoshop files (psd, pdd): the flattened image behind the layers, in every colour mode a
// preview can show (bitmap, grey, duotone, indexed, RGB with or without alpha, CMYK, Lab) at
// 1, 8 or 16 bits per channel, raw or PackBits-compressed. Layers and image resources are
// passed over.
#include "imageformats/FormatGraphic.h"

namespace lumox {

class TPSDGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 26 bytes from the position, the signature in any case and version 1. The
  // position is kept.
  static bool CanLoad(TStream& stream);
  // Reads the header and passes over the sections up to the compression word, behind which
  // the stream is left; false unless the signature is exactly "8BPS".
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // Raises EInvalidGraphic for a file that is not a Photoshop file of version 1, has no pixels, or whose
  // channels, depth and colour mode do not make a picture; EReadError when the stream ends early.
  void LoadFromStream(TStream& stream) override;
};

}  // namespace lumox
