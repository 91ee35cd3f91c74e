#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"
#include "framework/JpegImage.h"

namespace lumox {
namespace {

using enum TPixelFormat;

constexpr TPixelFormat StoredFormats[] = {pfDevice, pf1bit,  pf4bit,  pf8bit,
                                          pf15bit,  pf16bit, pf24bit, pf32bit};

TBitmap Make(TPixelFormat format, int width, int height, TPalette palette = {}) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(format);
  bitmap.SetPalette(std::move(palette));
  bitmap.SetSize(width, height);
  return bitmap;
}

std::vector<std::uint32_t> Row(const TBitmap& bitmap, int y) {
  std::vector<std::uint32_t> out(std::size_t(bitmap.Width()));
  bitmap.ScanLineToBGRA(y, out);
  return out;
}

// Row bytes that fill every pixel bit but leave the DWORD padding zero.
void FillPattern(TBitmap& bitmap) {
  const std::size_t used =
      (std::size_t(bitmap.Width()) * std::size_t(TBitmap::BitsPerPixel(bitmap.PixelFormat())) + 7) / 8;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (std::size_t i = 0; i < used; ++i) bitmap.ScanLine(y)[i] = std::uint8_t(37 * y + 11 * i + 5);
  }
}

TEST(Bitmap, NewPixelsAreZeroInDwordAlignedRows) {
  const std::size_t strides[] = {20, 4, 4, 8, 12, 12, 16, 20};
  for (std::size_t i = 0; i < std::size(StoredFormats); ++i) {
    TBitmap bitmap = Make(StoredFormats[i], 5, 3);
    EXPECT_EQ(bitmap.BytesPerScanLine(), strides[i]) << i;
    for (int y = 0; y < 3; ++y) {
      for (std::size_t b = 0; b < strides[i]; ++b) ASSERT_EQ(bitmap.ScanLine(y)[b], 0) << i;
    }
    std::memset(bitmap.ScanLine(2), 0xFF, bitmap.BytesPerScanLine());
    bitmap.SetSize(5, 3);
    EXPECT_EQ(bitmap.ScanLine(2)[0], 0) << "resizing gives fresh pixels";
  }
}

TEST(Bitmap, SizesBeyondTheCapAreRefusedBeforeAllocating) {
  EXPECT_NO_THROW(TBitmap::CheckSize(32768, 8192));
  EXPECT_NO_THROW(TBitmap::CheckSize(16384, 16384));
  EXPECT_THROW(TBitmap::CheckSize(32769, 1), EInvalidGraphic);
  EXPECT_THROW(TBitmap::CheckSize(1, 32769), EInvalidGraphic);
  EXPECT_THROW(TBitmap::CheckSize(16384, 16385), EInvalidGraphic);
  EXPECT_THROW(TBitmap::CheckSize(-1, 1), EInvalidGraphic);
  EXPECT_THROW(TBitmap::CheckSize(std::int64_t(1) << 40, std::int64_t(1) << 40), EInvalidGraphic);

  TBitmap bitmap = Make(pf24bit, 4, 2);
  EXPECT_THROW(bitmap.SetSize(40000, 1), EInvalidGraphic);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.Height(), 2);
}

TEST(Bitmap, RefusesCustomFormatsOversizedPalettesAndRowsOutOfRange) {
  TBitmap bitmap = Make(pf8bit, 2, 2);
  EXPECT_THROW(bitmap.SetPixelFormat(pfCustom), EInvalidGraphic);
  EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
  EXPECT_THROW(bitmap.SetPalette(TPalette(257)), EInvalidGraphic);
  EXPECT_THROW(bitmap.ScanLine(2), EInvalidGraphic);
  EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphic);
  EXPECT_THROW(TBitmap().ScanLine(0), EInvalidGraphic);
}

TEST(Bitmap, PixelsReadAsColoursInEveryFormat) {
  const TPalette palette{{10, 20, 30, 0}, {200, 100, 50, 0}, {1, 2, 3, 0}};
  TBitmap one = Make(pf1bit, 3, 1, palette);
  one.ScanLine(0)[0] = 0b0100'0000;
  EXPECT_EQ(Row(one, 0), (std::vector<std::uint32_t>{0xFF0A141E, 0xFFC86432, 0xFF0A141E}));

  TBitmap four = Make(pf4bit, 3, 1, palette);
  four.ScanLine(0)[0] = 0x21;
  four.ScanLine(0)[1] = 0x70;  // index 7 lies past the palette: black
  EXPECT_EQ(Row(four, 0), (std::vector<std::uint32_t>{0xFF010203, 0xFFC86432, 0xFF000000}));

  TBitmap fifteen = Make(pf15bit, 2, 1);
  const std::uint8_t words15[] = {0xFF, 0x7F, 0x1F, 0x00};
  std::memcpy(fifteen.ScanLine(0), words15, 4);
  EXPECT_EQ(Row(fifteen, 0), (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFF0000FF}));

  TBitmap sixteen = Make(pf16bit, 2, 1);
  const std::uint8_t words16[] = {0xFF, 0xFF, 0xE0, 0x07};
  std::memcpy(sixteen.ScanLine(0), words16, 4);
  EXPECT_EQ(Row(sixteen, 0), (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFF00FF00}));

  TBitmap rgb = Make(pf24bit, 1, 1);
  const std::uint8_t bgr[] = {1, 2, 3};
  std::memcpy(rgb.ScanLine(0), bgr, 3);
  EXPECT_EQ(Row(rgb, 0)[0], 0xFF030201u);

  TBitmap argb = Make(pf32bit, 1, 1);
  const std::uint8_t bgra[] = {1, 2, 3, 4};
  std::memcpy(argb.ScanLine(0), bgra, 4);
  EXPECT_EQ(Row(argb, 0)[0], 0x04030201u);
}

TEST(Bitmap, ChangingTheFormatConvertsEveryPixel) {
  const TPalette palette{{0, 0, 0, 0}, {255, 255, 255, 0}, {255, 0, 0, 0}, {0, 0, 250, 0}};
  TBitmap bitmap = Make(pf4bit, 4, 1, palette);
  bitmap.ScanLine(0)[0] = 0x12;
  bitmap.ScanLine(0)[1] = 0x30;

  TBitmap wider;
  wider.Assign(bitmap);
  wider.SetPixelFormat(pf8bit);  // indices are kept
  EXPECT_EQ(std::vector<std::uint8_t>(wider.ScanLine(0), wider.ScanLine(0) + 4),
            (std::vector<std::uint8_t>{1, 2, 3, 0}));

  TBitmap narrower;
  narrower.Assign(bitmap);
  narrower.SetPixelFormat(pf1bit);  // indices 2 and 3 do not fit: nearest of black and white
  EXPECT_EQ(narrower.ScanLine(0)[0], 0b1000'0000);

  bitmap.SetPixelFormat(pf24bit);
  EXPECT_EQ(Row(bitmap, 0), (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFFFF0000, 0xFF0000FA, 0xFF000000}));
  bitmap.SetPixelFormat(pf15bit);
  EXPECT_EQ(Row(bitmap, 0), (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFFFF0000, 0xFF0000FF, 0xFF000000}));

  TBitmap indexed = Make(pf24bit, 2, 1);
  const std::uint8_t bgr[] = {240, 10, 10, 10, 10, 130};
  std::memcpy(indexed.ScanLine(0), bgr, 6);
  indexed.SetPalette(palette);
  indexed.SetPixelFormat(pf8bit);
  EXPECT_EQ(indexed.ScanLine(0)[0], 3);
  EXPECT_EQ(indexed.ScanLine(0)[1], 2);
}

TEST(Bitmap, FillColorIsExactForDirectFormatsAndNearestForIndexedOnes) {
  TBitmap rgb = Make(pf24bit, 3, 2);
  rgb.FillColor(RGB(10, 20, 30));
  EXPECT_EQ(Row(rgb, 1), std::vector<std::uint32_t>(3, 0xFF0A141E));

  TBitmap argb = Make(pf32bit, 2, 2);
  argb.FillColor(RGB(1, 2, 3));
  EXPECT_EQ(Row(argb, 1), std::vector<std::uint32_t>(2, 0xFF010203));

  TBitmap indexed = Make(pf4bit, 3, 2, {{0, 0, 0, 0}, {250, 250, 250, 0}, {200, 0, 0, 0}});
  indexed.FillColor(RGB(190, 20, 5));
  EXPECT_EQ(indexed.ScanLine(1)[0], 0x22);
  EXPECT_EQ(indexed.ScanLine(1)[1], 0x20);
}

TEST(Bitmap, AssignCopiesEverythingDeeplyAndReleaseEmpties) {
  TBitmap source = Make(pf8bit, 3, 2, {{1, 2, 3, 0}});
  source.ScanLine(1)[2] = 9;
  source.SetTransparent(true);
  source.SetTransparentColor(RGB(1, 2, 3));

  TBitmap copy;
  copy.Assign(source);
  source.ScanLine(1)[2] = 0;
  EXPECT_EQ(copy.ScanLine(1)[2], 9);
  EXPECT_EQ(copy.PixelFormat(), pf8bit);
  EXPECT_EQ(copy.Palette(), source.Palette());
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.TransparentColor(), RGB(1, 2, 3));

  copy.ReleaseImage();
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(copy.PixelFormat(), pfDevice);
  EXPECT_TRUE(copy.Palette().empty());
  EXPECT_FALSE(copy.Transparent());
}

TEST(Bitmap, AssigningToAnUnrelatedClassRaisesAConvertError) {
  TJPEGImage jpeg;
  EXPECT_THROW(jpeg.Assign(Make(pf24bit, 1, 1)), EConvertError);
}

TEST(Bitmap, EveryFormatSurvivesSavingAndLoading) {
  const TPalette palette{{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {7, 8, 9, 0}};
  for (const TPixelFormat format : StoredFormats) {
    const std::size_t entries = format == pf1bit ? 2 : format == pf4bit || format == pf8bit ? 4 : 0;
    TBitmap original =
        Make(format, 7, 3, TPalette(palette.begin(), palette.begin() + std::ptrdiff_t(entries)));
    FillPattern(original);
    TMemoryStream stream;
    original.SaveToStream(stream);
    stream.SetPosition(0);
    TBitmap loaded;
    loaded.LoadFromStream(stream);
    ASSERT_EQ(loaded.Width(), 7);
    ASSERT_EQ(loaded.Height(), 3);
    EXPECT_EQ(loaded.PixelFormat(), format == pfDevice ? pf32bit : format);
    EXPECT_EQ(loaded.Palette(), original.Palette());
    for (int y = 0; y < 3; ++y) {
      EXPECT_EQ(0, std::memcmp(loaded.ScanLine(y), original.ScanLine(y), original.BytesPerScanLine()))
          << int(format) << " row " << y;
    }
  }
}

TEST(Bitmap, EmptyBitmapSavesAndLoadsAsEmpty) {
  TMemoryStream stream;
  Make(pf24bit, 0, 0).SaveToStream(stream);
  stream.SetPosition(0);
  TBitmap loaded = Make(pf8bit, 2, 2);
  loaded.LoadFromStream(stream);
  EXPECT_TRUE(loaded.Empty());
}

}  // namespace
}  // namespace lumox
