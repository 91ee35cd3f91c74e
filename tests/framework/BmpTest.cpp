#include <gtest/gtest.h>

#include <functional>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"
#include "tests/framework/PictureFiles.h"

namespace lumox {
namespace {

using enum TPixelFormat;
using test::PaddedRows;
using test::TBmpSpec;
using test::TBytes;

const TPalette Four{{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};

TBitmap Load(const TBytes& file, std::int64_t position = 0) {
  TMemoryStream stream(file);
  stream.SetPosition(position);
  TBitmap bitmap;
  bitmap.LoadFromStream(stream);
  return bitmap;
}

TBytes Bytes(const TBitmap& bitmap, int y, std::size_t count) {
  return TBytes(bitmap.ScanLine(y), bitmap.ScanLine(y) + count);
}

// Row y as red, green, blue bytes.
TBytes Colours(const TBitmap& bitmap, int y = 0) {
  std::vector<std::uint32_t> row(std::size_t(bitmap.Width()));
  bitmap.ScanLineToBGRA(y, row);
  TBytes out;
  for (const std::uint32_t c : row)
    out.insert(out.end(), {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
  return out;
}

TEST(BmpReader, ReadsEveryDepthBottomUpAndTopDown) {
  struct TDepthCase {
    std::uint16_t Bits;
    TPixelFormat Format;
    TBytes Top, Bottom;  // three pixels of each row as stored
  };
  const TDepthCase cases[] = {
      {1, pf1bit, {0b1010'0000}, {0b0110'0000}},
      {4, pf4bit, {0x12, 0x30}, {0x32, 0x10}},
      {8, pf8bit, {1, 2, 3}, {3, 0, 1}},
      {16, pf15bit, {0x1F, 0, 0xE0, 0x03, 0, 0x7C}, {1, 2, 3, 4, 5, 6}},
      {24, pf24bit, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1}},
      {32, pf32bit, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
  };
  for (const TDepthCase& c : cases) {
    for (const bool topDown : {false, true}) {
      TBmpSpec spec{.Width = 3, .Height = topDown ? -2 : 2, .Bits = c.Bits};
      if (c.Bits <= 8) {  // a full palette for 1 bit, the colours used for more
        spec.Palette = TPalette(Four.begin(), Four.begin() + (c.Bits == 1 ? 2 : 4));
        spec.ColorsUsed = c.Bits == 1 ? 0 : 4;
      }
      spec.Pixels = topDown ? PaddedRows({c.Top, c.Bottom}) : PaddedRows({c.Bottom, c.Top});
      const TBitmap bitmap = Load(test::BmpFile(spec));
      ASSERT_EQ(bitmap.PixelFormat(), c.Format) << c.Bits;
      EXPECT_EQ(std::pair(bitmap.Width(), bitmap.Height()), std::pair(3, 2));
      EXPECT_EQ(Bytes(bitmap, 0, c.Top.size()), c.Top) << c.Bits << " top-down " << topDown;
      EXPECT_EQ(Bytes(bitmap, 1, c.Bottom.size()), c.Bottom) << c.Bits << " top-down " << topDown;
      EXPECT_EQ(bitmap.Palette(), spec.Palette);
    }
  }
}

// clang-format off
TEST(BmpReader, ColourTablesOfCoreHeadersAndOfTheColoursUsed) {
  const TPalette two{{9, 8, 7, 0}, {1, 2, 3, 0}};
  const TBitmap core = Load(test::BmpFile(
      {.HeaderSize = 12, .Width = 2, .Height = 1, .Bits = 1, .Palette = two, .Pixels = PaddedRows({{0b0100'0000}})}));
  EXPECT_EQ(Colours(core), (TBytes{9, 8, 7, 1, 2, 3}));
  const TBitmap used = Load(test::BmpFile(
      {.Width = 2, .Height = 1, .Bits = 8, .ColorsUsed = 2, .Palette = two, .Pixels = PaddedRows({{1, 0}})}));
  EXPECT_EQ(used.Palette().size(), 2u);
  EXPECT_EQ(Colours(used), (TBytes{1, 2, 3, 9, 8, 7}));
}

TEST(BmpReader, BitFieldsKeepNativeLayoutsAndExpandOthers) {
  const TBitmap native = Load(test::BmpFile({.Width = 1, .Height = 1, .Bits = 16, .Compression = 3,
                                             .Masks = {0xF800, 0x7E0, 0x1F, 0}, .Pixels = {0xE0, 0x07, 0, 0}}));
  EXPECT_EQ(native.PixelFormat(), pf16bit);
  EXPECT_EQ(Colours(native), (TBytes{0, 0xFF, 0}));

  const TBitmap expanded = Load(test::BmpFile({.HeaderSize = 56, .Width = 2, .Height = 1, .Bits = 16, .Compression = 3,
                                               .Masks = {0x0F00, 0x00F0, 0x000F, 0xF000},
                                               .Pixels = {0x5F, 0x8F, 0x00, 0x00}}));
  EXPECT_EQ(expanded.PixelFormat(), pf32bit);
  EXPECT_EQ(Bytes(expanded, 0, 8), (TBytes{0xFF, 0x55, 0xFF, 0x88, 0, 0, 0, 0}));

  // Narrow channels repeat their high bits: five-bit red 3 is 24 (not 25), green 31 is 255.
  const TBitmap rgba5551 = Load(test::BmpFile({.HeaderSize = 56, .Width = 1, .Height = 1, .Bits = 16, .Compression = 3,
                                               .Masks = {0xF800, 0x07C0, 0x003E, 0x0001}, .Pixels = {0xC1, 0x1F, 0, 0}}));
  EXPECT_EQ(Bytes(rgba5551, 0, 4), (TBytes{0, 0xFF, 24, 0xFF}));

  const TBitmap v5 = Load(test::BmpFile({.HeaderSize = 124, .Width = 1, .Height = 1, .Bits = 32, .Compression = 3,
                                         .Masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, .Pixels = {1, 2, 3, 4}}));
  EXPECT_EQ(Bytes(v5, 0, 4), (TBytes{1, 2, 3, 4}));
}

// The fourth byte is alpha only where the file uses it; left 0 everywhere, it is not.
TEST(BmpReader, ThirtyTwoBitPixelsWhoseFourthBytesAreAllZeroAreOpaque) {
  const struct { std::uint32_t Compression, AlphaMask; TBytes Pixels, Loaded; } cases[] = {
    {0, 0, {1, 2, 3, 0, 4, 5, 6, 0}, {1, 2, 3, 255, 4, 5, 6, 255}},
    {3, 0, {1, 2, 3, 0, 4, 5, 6, 0}, {1, 2, 3, 255, 4, 5, 6, 255}},
    {0, 0, {1, 2, 3, 0, 4, 5, 6, 9}, {1, 2, 3, 0, 4, 5, 6, 9}},
    {3, 0xFF000000, {1, 2, 3, 0, 4, 5, 6, 0}, {1, 2, 3, 0, 4, 5, 6, 0}},
  };
  for (const auto& c : cases) {
    const TBitmap loaded = Load(test::BmpFile({.HeaderSize = 56, .Width = 2, .Height = 1, .Bits = 32,
                                               .Compression = c.Compression,
                                               .Masks = {0xFF0000, 0xFF00, 0xFF, c.AlphaMask}, .Pixels = c.Pixels}));
    EXPECT_EQ(Bytes(loaded, 0, 8), c.Loaded) << c.Compression << " " << c.AlphaMask;
  }
}
// clang-format on

TEST(BmpReader, DecodesRunLengthsCuttingRunsAtTheRightEdge) {
  TBmpSpec rle8{.Width = 6, .Height = 3, .Bits = 8, .Compression = 1, .ColorsUsed = 4, .Palette = Four};
  rle8.Pixels = {
      3, 1, 0, 3, 2, 3, 1, 0,  // bottom row: run of three 1s, absolute 2 3 1 (padded), then
      0, 0,                    // end of line
      0, 2, 1, 1,              // delta: one right, one up, into the top row
      8, 2,                    // a run past the right edge is cut there
      0, 1,                    // end of bitmap: the middle row stays zero
  };
  const TBitmap eight = Load(test::BmpFile(rle8));
  EXPECT_EQ(Bytes(eight, 2, 6), (TBytes{1, 1, 1, 2, 3, 1}));
  EXPECT_EQ(Bytes(eight, 1, 6), (TBytes{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(eight, 0, 6), (TBytes{0, 2, 2, 2, 2, 2}));

  TBmpSpec rle4{.Width = 7, .Height = 2, .Bits = 4, .Compression = 2, .ColorsUsed = 4, .Palette = Four};
  rle4.Pixels = {5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 2, 0x33, 0, 1};  // 1 2 1 2 1 | absolute 3 1 2, run 3 3
  const TBitmap four = Load(test::BmpFile(rle4));
  EXPECT_EQ(Bytes(four, 1, 4), (TBytes{0x12, 0x12, 0x10, 0x00}));
  EXPECT_EQ(Bytes(four, 0, 3), (TBytes{0x31, 0x23, 0x30}));
}

TEST(BmpReader, ReadsFromTheStreamPositionAndAZeroWidthIsEmpty) {
  TBytes file{0xAA, 0xBB, 0xCC};
  const TBytes bmp = test::BmpFile({.Width = 1, .Height = 1, .Bits = 24, .Pixels = {1, 2, 3, 0}});
  file.insert(file.end(), bmp.begin(), bmp.end());
  EXPECT_EQ(Bytes(Load(file, 3), 0, 3), (TBytes{1, 2, 3}));
  EXPECT_TRUE(Load(test::BmpFile({.Width = 0, .Height = 5, .Bits = 24})).Empty());
}

TEST(BmpReader, EveryCutShortFileIsAnInvalidGraphic) {
  for (const auto& [name, file] : test::SampleBmpFiles()) {
    ASSERT_NO_THROW(Load(file)) << name;
    for (std::size_t length = 0; length < file.size(); ++length)
      EXPECT_THROW(Load(TBytes(file.begin(), file.begin() + std::ptrdiff_t(length))), EInvalidGraphic)
          << name << " cut to " << length;
  }
}

TEST(BmpReader, CorruptHeadersAreInvalidGraphics) {
  const TBmpSpec good{
      .Width = 2, .Height = 2, .Bits = 8, .ColorsUsed = 4, .Palette = Four, .Pixels = TBytes(8)};
  const std::vector<std::pair<const char*, std::function<void(TBmpSpec&)>>> changes = {
      {"header size", [](TBmpSpec& s) { s.HeaderSize = 64; }},
      {"depth", [](TBmpSpec& s) { s.Bits = 7; }},
      {"compression", [](TBmpSpec& s) { s.Compression = 5; }},
      {"RLE8 at 4 bits", [](TBmpSpec& s) { s.Bits = 4, s.Compression = 1; }},
      {"RLE4 at 8 bits", [](TBmpSpec& s) { s.Compression = 2; }},
      {"bit fields at 8 bits", [](TBmpSpec& s) { s.Compression = 3; }},
      {"top-down RLE", [](TBmpSpec& s) { s.Height = -2, s.Compression = 1; }},
      {"negative width", [](TBmpSpec& s) { s.Width = -2; }},
      {"too wide", [](TBmpSpec& s) { s.Width = 40000; }},
      {"too many pixels", [](TBmpSpec& s) { s.Width = 20000, s.Height = 20000; }},
      {"most negative height", [](TBmpSpec& s) { s.Height = INT32_MIN; }},
      {"colours used", [](TBmpSpec& s) { s.ColorsUsed = 300; }},
      {"split mask",
       [](TBmpSpec& s) {
         s.Bits = 32, s.Compression = 3, s.Masks = {0xF0F0, 0, 0, 0};
       }},
      {"wide 16-bit mask",
       [](TBmpSpec& s) {
         s.Bits = 16, s.Compression = 3, s.Masks = {0x1F0000, 0, 0, 0};
       }},
  };
  for (const auto& [what, change] : changes) {
    TBmpSpec spec = good;
    change(spec);
    EXPECT_THROW(Load(test::BmpFile(spec)), EInvalidGraphic) << what;
  }
  // The magic, pixel data inside the header, pixel data far past the end.
  for (const auto& [offset, value] : {std::pair{0, 'X'}, {10, 20}, {13, 0x7F}}) {
    TBytes file = test::BmpFile(good);
    file[std::size_t(offset)] = std::uint8_t(value);
    EXPECT_THROW(Load(file), EInvalidGraphic) << "byte " << offset;
  }
}

}  // namespace
}  // namespace lumox
