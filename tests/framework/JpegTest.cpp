#include <gtest/gtest.h>

#include <cstdlib>

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
  TBitmap bitmap;
  bitmap.Assign(jpeg);
  return bitmap;
}

// Blue, green, red of pixel (x, y) of a 24-bit bitmap.
std::array<int, 3> Pixel(const TBitmap& bitmap, int x, int y) {
  const std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

void ExpectNear(std::array<int, 3> actual, std::array<int, 3> expected, const char* where) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[std::size_t(i)], expected[std::size_t(i)], 3) << where;
}

// Offset of the first byte after the marker FF `code`.
std::size_t MarkerEnd(const TBytes& file, std::uint8_t code) {
  for (std::size_t i = 0; i + 1 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == code) return i + 2;
  }
  ADD_FAILURE() << "no marker " << int(code);
  return file.size();
}

TEST(JpegImage, DecodesColourAsBlueGreenRed) {
  for (const TJpegKind kind : {TJpegKind::Colour, TJpegKind::Progressive}) {
    const TBitmap bitmap = Decode(test::QuadrantJpeg(32, 16, kind));
    ASSERT_EQ(bitmap.PixelFormat(), pf24bit);
    ASSERT_EQ(bitmap.Width(), 32);
    ASSERT_EQ(bitmap.Height(), 16);
    ExpectNear(Pixel(bitmap, 3, 3), {0, 0, 255}, "red");
    ExpectNear(Pixel(bitmap, 28, 3), {0, 255, 0}, "green");
    ExpectNear(Pixel(bitmap, 3, 12), {255, 0, 0}, "blue");
    ExpectNear(Pixel(bitmap, 28, 12), {255, 255, 255}, "white");
  }
}

TEST(JpegImage, DecodesGreyIntoEightBitsWithAGreyPalette) {
  const TBitmap bitmap = Decode(test::QuadrantJpeg(16, 16, TJpegKind::Grey));
  ASSERT_EQ(bitmap.PixelFormat(), pf8bit);
  ASSERT_EQ(bitmap.Palette().size(), 256u);
  EXPECT_EQ(bitmap.Palette()[77], (TPaletteEntry{77, 77, 77, 0}));
  EXPECT_NEAR(bitmap.ScanLine(2)[2], 20, 1);
  EXPECT_NEAR(bitmap.ScanLine(13)[13], 200, 1);
}

TEST(JpegImage, AFileCutInItsImageDataLoadsAsFarAsItGoes) {
  TBytes file = test::QuadrantJpeg(64, 64);
  const std::size_t dataStart = MarkerEnd(file, 0xDA);
  file.resize(dataStart + (file.size() - dataStart) / 3);
  const TBitmap bitmap = Decode(file);
  EXPECT_EQ(bitmap.Width(), 64);
  EXPECT_EQ(bitmap.Height(), 64);
  ExpectNear(Pixel(bitmap, 3, 3), {0, 0, 255}, "decoded part");
}

TEST(JpegImage, FilesCutBeforeTheirImageDataAreInvalidGraphics) {
  for (const TJpegKind kind : {TJpegKind::Colour, TJpegKind::Grey, TJpegKind::Progressive}) {
    const TBytes file = test::QuadrantJpeg(16, 16, kind);
    const std::size_t headerEnd = MarkerEnd(file, 0xDA);
    for (std::size_t length = 0; length < headerEnd; ++length) {
      EXPECT_THROW(Decode(TBytes(file.begin(), file.begin() + std::ptrdiff_t(length))), EInvalidGraphic)
          << "length " << length;
    }
  }
}

TEST(JpegImage, CorruptFilesAreInvalidGraphics) {
  EXPECT_THROW(Decode(TBytes{'B', 'M', 0, 0, 0, 0}), EInvalidGraphic);

  TBytes wide = test::QuadrantJpeg(16, 16);
  const std::size_t frame = MarkerEnd(wide, 0xC0);  // length (2), precision (1), height (2), width (2)
  wide[frame + 5] = 0x9C;                           // width 40000: beyond the bitmap cap
  wide[frame + 6] = 0x40;
  EXPECT_THROW(Decode(wide), EInvalidGraphic);

  TBytes noComponents = test::QuadrantJpeg(16, 16);
  noComponents[frame + 7] = 0;
  EXPECT_THROW(Decode(noComponents), EInvalidGraphic);

  try {
    Decode(test::QuadrantJpeg(16, 16, TJpegKind::Cmyk));
    FAIL() << "CMYK decoded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.what()).find("CMYK"), std::string::npos);
  }
}

TEST(JpegImage, CopiesByAssignment) {
  TMemoryStream stream(test::QuadrantJpeg(16, 16));
  TJPEGImage original;
  original.LoadFromStream(stream);
  TJPEGImage copy;
  copy.Assign(original);
  EXPECT_EQ(copy.Width(), 16);
  EXPECT_FALSE(copy.Empty());
}

}  // namespace
}  // namespace lumox
