#pragma once
// Photo-CD image packs: the base image of 768 × 512 pixels (luma and two half-size chroma
// planes), shown in blue-green-red with the quarter turn the pack records. Larger resolutions
// are reported by ReadImageProperties but not decoded.
#include <vector>

#include "imageformats/FormatGraphic.h"

namespace lumox {

class TPCDGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 6144 bytes from the position, and the mark of an overview pack or an image pack.
  // The position is kept.
  static bool CanLoad(TStream& stream);
  // The size of resolution `imageIndex` (0 to 5, larger ones count as 5; 2 is the base image),
  // turned as the pack says; false for another kind of file. Reads 6144 bytes (EReadError when
  // fewer are there).
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // Loads the base image. Raises EInvalidGraphic for another kind of file and for an overview
  // pack, whose thumbnails are not read; EReadError when the base image is cut short.
  void LoadFromStream(TStream& stream) override;

 private:
  void TransferRows(const std::vector<std::uint8_t>& luma, const std::vector<std::uint8_t>& chroma1,
                    const std::vector<std::uint8_t>& chroma2);
};

}  // namespace lumox
