#include "framework/JpegImage.h"

#include <memory>
#include <new>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/JpegDecoder.h"

namespace lumox {
namespace {

struct TJpegDeleter {
  void operator()(LumoxJpeg* jpeg) const { lumox_jpeg_destroy(jpeg); }
};
using TJpeg = std::unique_ptr<LumoxJpeg, TJpegDeleter>;

void Check(const TJpeg& jpeg, int status) {
  if (status > 0)
    throw EInvalidGraphic(std::string("Cannot load JPEG image: ") + lumox_jpeg_message(jpeg.get()));
}

TPalette GreyRamp() {
  TPalette palette(256);
  for (unsigned i = 0; i < palette.size(); ++i)
    palette[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
  return palette;
}

}  // namespace

const TGraphicClass& TJPEGImage::Class() {
  static const TGraphicClass info{"TJPEGImage", &CreateGraphic<TJPEGImage>};
  return info;
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(stream.BytesLeft()));
  stream.ReadBuffer(data.data(), std::int64_t(data.size()));
  const TJpeg jpeg(lumox_jpeg_create(data.data(), data.size()));
  if (!jpeg) throw std::bad_alloc();

  unsigned width = 0, height = 0;
  int components = 0;
  Check(jpeg, lumox_jpeg_read_header(jpeg.get(), &width, &height, &components));
  if (components == 0) {
    throw EInvalidGraphic(
        "Cannot load image. CMYK and other colour spaces are not supported for JPEG files.");
  }
  TBitmap::CheckSize(width, height);
  Pixels.ReleaseImage();
  Pixels.SetPixelFormat(components == 1 ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
  if (components == 1) Pixels.SetPalette(GreyRamp());
  Pixels.SetSize(int(width), int(height));
  Check(jpeg, lumox_jpeg_start(jpeg.get()));
  for (int y = 0; y < Pixels.Height(); ++y) {
    const int status = lumox_jpeg_read_row(jpeg.get(), Pixels.ScanLine(y));
    Check(jpeg, status);
    if (status < 0) break;
  }
}

void TJPEGImage::Assign(const TGraphic& source) {
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&source)) {
    Pixels.Assign(jpeg->Pixels);
    return;
  }
  TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TGraphic& dest) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
    bitmap->Assign(Pixels);
    return;
  }
  TGraphic::AssignTo(dest);
}

}  // namespace lumox
