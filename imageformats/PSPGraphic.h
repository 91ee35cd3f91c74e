#pragma once
// Paint Shop Pro files of major version 3 and later: the general image attributes, the palette
// and the channels of the first raster layer of a layer bank, raw, run-length or deflate
// compressed, at 1, 4, 8 or 24 bits per pixel.
#include "imageformats/FormatGraphic.h"

namespace lumox {

class TPSPGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 36 bytes from the position, the signature text and major version 3 or later.
  // The position is kept.
  static bool CanLoad(TStream& stream);
  // Reads the file header and the general attributes block and leaves the stream behind it;
  // false for another kind of file.
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // Raises EInvalidGraphic for another kind of file or an unknown bit depth, EReadError when
  // the stream ends inside a block that is read. Without a raster layer the picture is black.
  void LoadFromStream(TStream& stream) override;

 private:
  void ReadBlocks(TStream& stream, std::int64_t rowBytes);
  // The first raster layer among the sub-blocks up to `end`; false when there is none.
  bool ReadLayer(TStream& stream, std::int64_t end, std::int64_t rowBytes);
};

}  // namespace lumox
