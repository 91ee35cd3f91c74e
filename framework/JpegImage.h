#pragma once
// The framework's JPEG picture: decodes a JPEG file into a 24-bit (blue, green, red) bitmap,
// or an 8-bit one with a grey palette for grey files, and hands it on by assignment.
#include "framework/Bitmap.h"

namespace lumox {

class TJPEGImage final : public TGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  bool Empty() const override { return Pixels.Empty(); }
  int Width() const override { return Pixels.Width(); }
  int Height() const override { return Pixels.Height(); }

  // Reads the JPEG file from the stream's position to its end. A file that ends early or has
  // corrupt data loads as far as it goes; one that cannot be decoded at all, or whose colour
  // space is not grey, YCbCr or RGB, raises EInvalidGraphic.
  void LoadFromStream(TStream& stream) override;

  void Assign(const TGraphic& source) override;
  // Into a TBitmap: the decoded pixels.
  void AssignTo(TGraphic& dest) const override;
  const TBitmap* DecodedBitmap() const override { return &Pixels; }

 private:
  TBitmap Pixels;
};

}  // namespace lumox
