#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"
#include "framework/JpegImage.h"

namespace lumox {
namespace {

using enum TPixelFormat;
using TColours = std::vector<std::uint32_t>;

constexpr TPixelFormat StoredFormats[] = {pfDevice, pf1bit,  pf4bit,  pf8bit,
                                          pf15bit,  pf16bit, pf24bit, pf32bit};
const TPalette Palette{{0, 0, 0, 0}, {255, 255, 255, 0}, {255, 0, 0, 0}, {0, 0, 250, 0}};

// A bitmap whose first row starts with `bytes`.
TBitmap Make(TPixelFormat format, int width, int height, TPalette palette = {},
             std::vector<std::uint8_t> bytes = {}) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(format);
  bitmap.SetPalette(std::move(palette));
  bitmap.SetSize(width, height);
  if (!bytes.empty()) std::memcpy(bitmap.ScanLine(0), bytes.data(), bytes.size());
  return bitmap;
}

std::vector<std::uint8_t> Bytes(const TBitmap& bitmap, int y, std::size_t count) {
  return {bitmap.ScanLine(y), bitmap.ScanLine(y) + count};
}

TColours Row(const TBitmap& bitmap, int y = 0) {
  TColours out(std::size_t(bitmap.Width()));
  bitmap.ScanLineToBGRA(y, out);
  return out;
}

TEST(Bitmap, NewPixelsAreZeroInDwordAlignedRows) {
  const std::size_t strides[] = {20, 4, 4, 8, 12, 12, 16, 20};
  for (std::size_t i = 0; i < std::size(StoredFormats); ++i) {
    TBitmap bitmap = Make(StoredFormats[i], 5, 3);
    EXPECT_EQ(bitmap.BytesPerScanLine(), strides[i]) << i;
    std::memset(bitmap.ScanLine(2), 0xFF, bitmap.BytesPerScanLine());
    bitmap.SetSize(5, 3);
    for (int y = 0; y < 3; ++y)
      EXPECT_EQ(Bytes(bitmap, y, strides[i]), std::vector<std::uint8_t>(strides[i])) << i;
  }
}

TEST(Bitmap, SizesBeyondTheCapAndBadFormatsPalettesAndRowsAreRefused) {
  EXPECT_NO_THROW(TBitmap::CheckSize(32768, 8192));
  EXPECT_NO_THROW(TBitmap::CheckSize(16384, 16384));
  for (const auto& [width, height] : std::initializer_list<std::pair<std::int64_t, std::int64_t>>{
           {32769, 1}, {1, 32769}, {16384, 16385}, {-1, 1}, {std::int64_t(1) << 40, std::int64_t(1) << 40}})
    EXPECT_THROW(TBitmap::CheckSize(width, height), EInvalidGraphic) << width << " x " << height;

  TBitmap bitmap = Make(pf8bit, 4, 2);
  EXPECT_THROW(bitmap.SetSize(40000, 1), EInvalidGraphic);
  EXPECT_EQ(std::pair(bitmap.Width(), bitmap.Height()), std::pair(4, 2));
  EXPECT_THROW(bitmap.SetPixelFormat(pfCustom), EInvalidGraphic);
  EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
  EXPECT_THROW(bitmap.SetPalette(TPalette(257)), EInvalidGraphic);
  EXPECT_THROW(bitmap.ScanLine(2), EInvalidGraphic);
  EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphic);
  EXPECT_THROW(TBitmap().ScanLine(0), EInvalidGraphic);
}

TEST(Bitmap, ALoweredPixelLimitRefusesLargerPicturesAndTheLimitStaysInItsRange) {
  struct TRestore {
    ~TRestore() { TBitmap::SetPixelLimit(TBitmap::MaxPixels); }
  } restore;
  EXPECT_EQ(TBitmap::PixelLimit(), TBitmap::MaxPixels);
  TBitmap::SetPixelLimit(100);
  EXPECT_NO_THROW(TBitmap::CheckSize(10, 10));
  EXPECT_THROW(TBitmap::CheckSize(101, 1), EInvalidGraphic);
  EXPECT_THROW(Make(pf8bit, 11, 10), EInvalidGraphic);
  for (const std::int64_t limit : {std::int64_t(-1), TBitmap::MaxPixels + 1})
    EXPECT_THROW(TBitmap::SetPixelLimit(limit), EInvalidGraphic) << limit;
  EXPECT_EQ(TBitmap::PixelLimit(), 100);
}

TEST(Bitmap, PixelsReadAsColoursInEveryFormat) {
  const TPalette palette{{10, 20, 30, 0}, {200, 100, 50, 0}, {1, 2, 3, 0}};
  EXPECT_EQ(Row(Make(pf1bit, 3, 1, palette, {0b0100'0000})), (TColours{0xFF0A141E, 0xFFC86432, 0xFF0A141E}));
  // Index 7 lies past the palette: black.
  EXPECT_EQ(Row(Make(pf4bit, 3, 1, palette, {0x21, 0x70})), (TColours{0xFF010203, 0xFFC86432, 0xFF000000}));
  EXPECT_EQ(Row(Make(pf15bit, 2, 1, {}, {0xFF, 0x7F, 0x1F, 0x00})), (TColours{0xFFFFFFFF, 0xFF0000FF}));
  EXPECT_EQ(Row(Make(pf16bit, 2, 1, {}, {0xFF, 0xFF, 0xE0, 0x07})), (TColours{0xFFFFFFFF, 0xFF00FF00}));
  EXPECT_EQ(Row(Make(pf24bit, 1, 1, {}, {1, 2, 3})), TColours{0xFF030201});
  EXPECT_EQ(Row(Make(pf32bit, 1, 1, {}, {1, 2, 3, 4})), TColours{0x04030201});
}

// Rows longer than the sixteen pixels a vector step takes, each read under the palette in force.
TEST(Bitmap, EightBitRowsShowThePaletteSetLast) {
  TPalette ramp(256);
  for (std::size_t i = 0; i < ramp.size(); ++i)
    ramp[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
  std::vector<std::uint8_t> indices(21);
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = std::uint8_t(i * 13);
  const auto grey = [](std::uint32_t level) { return 0xFF000000 | level * 0x010101; };
  TBitmap bitmap = Make(pf8bit, 21, 1, ramp, indices);
  const TColours greys = Row(bitmap);
  EXPECT_EQ(greys.back(), grey(20 * 13 % 256));
  for (std::size_t i = 0; i < indices.size(); ++i) EXPECT_EQ(greys[i], grey(indices[i])) << i;

  ramp[13] = {13, 13, 14, 0};  // no longer a plain ramp
  bitmap.SetPalette(ramp);
  EXPECT_EQ(Row(bitmap)[1], 0xFF0D0D0E);
  EXPECT_EQ(Row(bitmap)[2], grey(26));
  TBitmap copy;
  copy.Assign(bitmap);
  EXPECT_EQ(Row(copy), Row(bitmap));
  bitmap.SetPalette({{1, 2, 3, 0}});  // index 13 now lies past the palette
  EXPECT_EQ(Row(bitmap)[0], 0xFF010203);
  EXPECT_EQ(Row(bitmap)[1], 0xFF000000);
}

TEST(Bitmap, ChangingTheFormatConvertsEveryPixel) {
  const TBitmap indexed = Make(pf4bit, 4, 1, Palette, {0x12, 0x30});
  TBitmap wider;
  wider.Assign(indexed);
  wider.SetPixelFormat(pf8bit);  // indices are kept
  EXPECT_EQ(Bytes(wider, 0, 4), (std::vector<std::uint8_t>{1, 2, 3, 0}));
  TBitmap narrower;
  narrower.Assign(indexed);
  narrower.SetPixelFormat(pf1bit);  // indices 2 and 3 do not fit: nearest of black and white
  EXPECT_EQ(narrower.ScanLine(0)[0], 0b1000'0000);

  TBitmap direct;
  direct.Assign(indexed);
  direct.SetPixelFormat(pf24bit);
  EXPECT_EQ(Row(direct), (TColours{0xFFFFFFFF, 0xFFFF0000, 0xFF0000FA, 0xFF000000}));
  direct.SetPixelFormat(pf15bit);
  EXPECT_EQ(Row(direct), (TColours{0xFFFFFFFF, 0xFFFF0000, 0xFF0000FF, 0xFF000000}));

  TBitmap rgb = Make(pf24bit, 2, 1, {}, {240, 10, 10, 10, 10, 130});
  rgb.SetPalette(Palette);
  rgb.SetPixelFormat(pf8bit);
  EXPECT_EQ(Bytes(rgb, 0, 2), (std::vector<std::uint8_t>{3, 2}));
}

TEST(Bitmap, FillColorIsExactForDirectFormatsAndNearestForIndexedOnes) {
  TBitmap rgb = Make(pf24bit, 3, 2);
  rgb.FillColor(RGB(10, 20, 30));
  EXPECT_EQ(Row(rgb, 1), TColours(3, 0xFF0A141E));
  TBitmap argb = Make(pf32bit, 2, 2);
  argb.FillColor(RGB(1, 2, 3));
  EXPECT_EQ(Row(argb, 1), TColours(2, 0xFF010203));
  TBitmap indexed = Make(pf4bit, 3, 2, {{0, 0, 0, 0}, {250, 250, 250, 0}, {200, 0, 0, 0}});
  indexed.FillColor(RGB(190, 20, 5));
  EXPECT_EQ(Bytes(indexed, 1, 2), (std::vector<std::uint8_t>{0x22, 0x20}));
}

TEST(Bitmap, AssignCopiesDeeplyReleaseEmptiesAndUnrelatedClassesRefuse) {
  TBitmap source = Make(pf8bit, 3, 2, {{1, 2, 3, 0}});
  source.ScanLine(1)[2] = 9;
  source.SetTransparent(true);
  source.SetTransparentColor(RGB(1, 2, 3));
  TBitmap copy;
  copy.Assign(source);
  source.ScanLine(1)[2] = 0;
  EXPECT_EQ(copy.ScanLine(1)[2], 9);
  EXPECT_EQ(copy.Palette(), source.Palette());
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.TransparentColor(), RGB(1, 2, 3));

  copy.ReleaseImage();
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(copy.PixelFormat(), pfDevice);
  EXPECT_TRUE(copy.Palette().empty());
  EXPECT_FALSE(copy.Transparent());
  TJPEGImage jpeg;
  EXPECT_THROW(jpeg.Assign(source), EConvertError);
}

TEST(Bitmap, EveryFormatSurvivesSavingAndLoading) {
  for (const TPixelFormat format : StoredFormats) {
    const std::size_t entries = format == pf1bit ? 2 : format == pf4bit || format == pf8bit ? 4 : 0;
    TBitmap original =
        Make(format, 7, 3, TPalette(Palette.begin(), Palette.begin() + std::ptrdiff_t(entries)));
    for (int y = 0; y < 3; ++y)  // every pixel bit set somewhere, the row padding left zero
      for (int i = 0; i < (7 * TBitmap::BitsPerPixel(format) + 7) / 8; ++i)
        original.ScanLine(y)[i] = std::uint8_t(37 * y + 11 * i + 5);
    TMemoryStream stream;
    original.SaveToStream(stream);
    stream.SetPosition(0);
    TBitmap loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.PixelFormat(), format == pfDevice ? pf32bit : format);
    EXPECT_EQ(loaded.Palette(), original.Palette());
    ASSERT_EQ(std::pair(loaded.Width(), loaded.Height()), std::pair(7, 3));
    for (int y = 0; y < 3; ++y)
      EXPECT_EQ(Bytes(loaded, y, original.BytesPerScanLine()),
                Bytes(original, y, original.BytesPerScanLine()))
          << int(format);
  }
  TMemoryStream stream;
  Make(pf24bit, 0, 0).SaveToStream(stream);
  stream.SetPosition(0);
  TBitmap loaded = Make(pf8bit, 2, 2);
  loaded.LoadFromStream(stream);
  EXPECT_TRUE(loaded.Empty());
}

}  // namespace
}  // namespace lumox
