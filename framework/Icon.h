#pragma once
// Windows icons: a directory of images of several sizes and depths, each a BMP image with an
// AND mask below its colours or a PNG file. An icon shows one of them as a bitmap: the one with
// the most pixels, of those the one with the deepest colours, of those the first.
#include "framework/Bitmap.h"

namespace lumox {

class TIcon final : public TBitmap {
 public:
  // Decodes the PNG file a stream holds into a bitmap. The framework has no PNG reader of its
  // own: the picture formats, which have one, set it when they start.
  using TPngReader = void (*)(TStream& stream, TBitmap& bitmap);
  static void SetPngReader(TPngReader reader);

  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // Raises EInvalidGraphic for a malformed icon, a size or offset that leaves the stream, a
  // broken image, and a PNG image while no PNG reader is set.
  void LoadFromStream(TStream& stream) override;
  // Icons are not written: raises EInvalidGraphic.
  void SaveToStream(TStream& stream) override;
};

}  // namespace lumox
