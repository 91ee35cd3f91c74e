#include <gtest/gtest.h>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"
#include "framework/JpegImage.h"
#include "tests/framework/PictureFiles.h"

namespace lumox {
namespace {

using enum TPixelFormat;
using test::TBytes;
using test::TJpegKind;

TBitmap Decode(const TBytes& file) {
  TMemoryStream stream(file);
  TJPEGImage jpeg;
  jpeg.LoadFromStream(stream);
  TJPEGImage copy;
  copy.Assign(jpeg);
  TBitmap bitmap;
  bitmap.Assign(copy);
  return bitmap;
}

// Expects pixel (x, y) of a 24-bit bitmap near blue, green, red.
void ExpectNear(const TBitmap& bitmap, int x, int y, std::array<int, 3> bgr) {
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(bitmap.ScanLine(y)[3 * x + i], bgr[std::size_t(i)], 3) << x << "," << y;
}

// Offset of the first byte after the marker FF `code`.
std::size_t MarkerEnd(const TBytes& file, std::uint8_t code) {
  for (std::size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == code) return i + 2;
  ADD_FAILURE() << "no marker " << int(code);
  return file.size();
}

TEST(JpegImage, DecodesColourAsBlueGreenRedAndGreyIntoEightBits) {
  for (const TJpegKind kind : {TJpegKind::Colour, TJpegKind::Progressive}) {
    const TBitmap bitmap = Decode(test::QuadrantJpeg(32, 16, kind));
    ASSERT_EQ(bitmap.PixelFormat(), pf24bit);
    ASSERT_EQ(std::pair(bitmap.Width(), bitmap.Height()), std::pair(32, 16));
    ExpectNear(bitmap, 3, 3, {0, 0, 255});
    ExpectNear(bitmap, 28, 3, {0, 255, 0});
    ExpectNear(bitmap, 3, 12, {255, 0, 0});
    ExpectNear(bitmap, 28, 12, {255, 255, 255});
  }
  const TBitmap grey = Decode(test::QuadrantJpeg(16, 16, TJpegKind::Grey));
  ASSERT_EQ(grey.PixelFormat(), pf8bit);
  ASSERT_EQ(grey.Palette().size(), 256u);
  EXPECT_EQ(grey.Palette()[77], (TPaletteEntry{77, 77, 77, 0}));
  EXPECT_NEAR(grey.ScanLine(13)[13], 200, 1);
}

TEST(JpegImage, AFileCutInItsImageDataLoadsAsFarAsItGoesAndOneCutBeforeIsInvalid) {
  TBytes file = test::QuadrantJpeg(64, 64);
  const std::size_t dataStart = MarkerEnd(file, 0xDA);
  for (std::size_t length = 0; length < dataStart; ++length)
    EXPECT_THROW(Decode(TBytes(file.begin(), file.begin() + std::ptrdiff_t(length))), EInvalidGraphic)
        << length;
  file.resize(dataStart + (file.size() - dataStart) / 3);
  const TBitmap bitmap = Decode(file);
  EXPECT_EQ(std::pair(bitmap.Width(), bitmap.Height()), std::pair(64, 64));
  ExpectNear(bitmap, 3, 3, {0, 0, 255});
}

TEST(JpegImage, CorruptOversizedAndCmykFilesAreInvalidGraphics) {
  EXPECT_THROW(Decode(TBytes{'B', 'M', 0, 0, 0, 0}), EInvalidGraphic);
  const TBytes good = test::QuadrantJpeg(16, 16);
  const std::size_t frame = MarkerEnd(good, 0xC0);  // length (2), precision (1), height (2), width (2)
  TBytes wide = good;
  wide[frame + 5] = 0x9C;  // width 40000: beyond the bitmap cap
  wide[frame + 6] = 0x40;
  EXPECT_THROW(Decode(wide), EInvalidGraphic);
  TBytes noComponents = good;
  noComponents[frame + 7] = 0;
  EXPECT_THROW(Decode(noComponents), EInvalidGraphic);
  try {
    Decode(test::QuadrantJpeg(16, 16, TJpegKind::Cmyk));
    FAIL() << "CMYK decoded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.what()).find("CMYK"), std::string::npos);
  }
}

}  // namespace
}  // namespace lumox
