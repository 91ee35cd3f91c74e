#pragma once
// Truevision Targa files: every image type (colour-mapped, true colour, grey; raw or
// run-length; 8, 15, 16, 24 or 32 bits; rows from the top or from the bottom) is read, and
// bitmaps are written run-length encoded. The file's pixel layouts are the bitmap's, so rows
// are copied as they stand.
#include "imageformats/FormatGraphic.h"

namespace lumox {

class TTargaGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 18 bytes from the position, and a header there of a known image type, colour
  // map type, map entry size and pixel size. The position is kept.
  static bool CanLoad(TStream& stream);
  // Fills ImageProperties from the 18-byte header at the position (EReadError when shorter).
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TStream& stream) override;
  // Run-length encoded, top row first; an empty bitmap writes nothing.
  void SaveToStream(TStream& stream) override { SaveToStream(stream, true); }
  void SaveToStream(TStream& stream, bool compressed);

 private:
  void ReadRawRows(TStream& stream, std::int64_t rowBytes, bool topDown, bool overwrite);
  void ReadPackedRows(TStream& stream, unsigned pixelSize, bool topDown);
};

}  // namespace lumox
