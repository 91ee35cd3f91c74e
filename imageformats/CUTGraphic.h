#pragma once
// Dr. Halo pictures: 8-bit indices run-length encoded line by line, with the palette in a file
// of the same name and the extension .pal beside the picture.
#include <string>

#include "imageformats/FormatGraphic.h"

namespace lumox {

class TCUTGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // Always false: the format has no mark of its own, so it is only chosen by extension.
  static bool CanLoad(TStream& stream);
  // Notes the palette file beside `path` (see PaletteFileFor), then loads the picture.
  void LoadFromFile(const std::string& path) override;
  // Reads width and height (EReadError when the stream is shorter); always true.
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // Without a palette file, as for a stream loaded on its own, the colours are a grey ramp. A
  // palette file that cannot be opened or ends inside a needed block ends the load with its
  // error; entries beyond 256 are ignored. A side of 0 or one beyond the size cap raises
  // EInvalidGraphic.
  void LoadFromStream(TStream& stream) override;

  // `path` with the extension ".pal", or, when no such file exists, the first file in its
  // folder whose name differs from that only in case; empty when there is none.
  static std::string PaletteFileFor(const std::string& path);

 private:
  TPalette LoadPalette() const;

  // The palette file of the picture being loaded from a file.
  std::string PaletteFile;
};

}  // namespace lumox
