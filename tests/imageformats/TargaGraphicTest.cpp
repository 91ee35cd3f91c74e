// Targa files of every type, depth and row order against stb_image; the writer's exact bytes
// and round trips; cut and oversized files.
#include <gtest/gtest.h>

#include "framework/Exceptions.h"
#include "imageformats/TargaGraphic.h"
#include "tests/imageformats/FormatFiles.h"

namespace lumox {
namespace {

using test::TBytes;

struct TTargaCase {
  std::uint8_t ImageType, PixelSize, MapEntrySize;
  bool TopDown;
  // The bits both sides keep: five-bit fields are widened differently here (shifted) and by
  // the reference (scaled), and an 8-bit bitmap has no alpha from a map.
  std::uint32_t Compared = 0xFFFFFFFF;
};

constexpr std::uint32_t FiveBits = 0xFFF8F8F8, NoAlpha = 0x00FFFFFF;

TTargaGraphic Load(const TBytes& file) {
  TMemoryStream stream(file);
  TTargaGraphic targa;
  targa.LoadFromStream(stream);
  return targa;
}

test::TColours Masked(test::TColours colours, std::uint32_t mask) {
  for (auto& c : colours) c &= mask;
  return colours;
}

class TargaFiles : public testing::TestWithParam<TTargaCase> {};

TEST_P(TargaFiles, LoadAsTheReferenceDecodes) {
  const auto [type, pixelSize, entrySize, topDown, compared] = GetParam();
  test::TTargaSpec spec{.ImageType = type, .PixelSize = pixelSize, .TopDown = topDown, .Width = 37, .Height = 6,
                        .MapEntrySize = entrySize};
  spec.Pixels = test::PictureBytes(37 * 6, (pixelSize + 1) / 8, type + pixelSize);
  if (type == 1 || type == 9) spec.ColorMap = test::PictureBytes(256, (entrySize + 1) / 8, entrySize);
  const TBytes file = test::TargaFile(spec);
  EXPECT_EQ(Masked(test::Colours(Load(file)), compared), Masked(test::ReferenceTargaColours(file), compared));
  // Every cut of the file loads what is there or fails cleanly.
  for (std::size_t size = 0; size < file.size(); size += 7) {
    try {
      Load(TBytes(file.begin(), file.begin() + std::ptrdiff_t(size)));
    } catch (const ELumox&) {
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TypesAndDepths, TargaFiles,
                         testing::Values(TTargaCase{1, 8, 24, false}, TTargaCase{1, 8, 32, true, NoAlpha},
                                         TTargaCase{1, 8, 16, false, FiveBits}, TTargaCase{9, 8, 15, true, FiveBits},
                                         TTargaCase{9, 8, 24, false}, TTargaCase{2, 15, 24, false, FiveBits},
                                         TTargaCase{2, 16, 24, true, FiveBits}, TTargaCase{2, 24, 24, false},
                                         TTargaCase{2, 32, 24, true}, TTargaCase{10, 16, 24, false, FiveBits},
                                         TTargaCase{10, 24, 24, true}, TTargaCase{10, 32, 24, false},
                                         TTargaCase{3, 8, 24, true}, TTargaCase{11, 8, 24, false}));

TEST(Targa, ALongSixteenBitMapIsReadPastAndKeepsItsFirst256Entries) {
  TBytes map(2 * 300, 0);
  map[0] = 0xFF, map[1] = 0x7F;  // entry 0: 7FFFh
  const TTargaGraphic targa =
      Load(test::TargaFile({.ImageType = 1, .PixelSize = 8, .Width = 2, .Height = 1, .MapEntrySize = 16,
                            .ColorMap = map, .Pixels = {0, 1}}));
  ASSERT_EQ(targa.Palette().size(), 256u);
  EXPECT_EQ(targa.Palette()[0], (TPaletteEntry{0xF8, 0xF8, 0xF8, 0}));
  EXPECT_EQ(test::Colours(targa), test::TColours({0xFFF8F8F8, 0xFF000000}));
}

TEST(Targa, RawRowsCutShortRaiseAReadErrorAndRunLengthOnesLeaveBlack) {
  const TBytes raw = test::TargaFile({.Width = 2, .Height = 2, .Pixels = TBytes(12, 9)});
  EXPECT_THROW(Load(TBytes(raw.begin(), raw.end() - 1)), EReadError);
  const TBytes packed = test::TargaFile({.ImageType = 10, .TopDown = true, .Width = 2, .Height = 2,
                                         .Pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}});
  EXPECT_EQ(test::Colours(Load(TBytes(packed.begin(), packed.end() - 4))),
            test::TColours({0xFF030201, 0xFF060504, 0xFF090807, 0xFF000000}));
}

TEST(Targa, SavesTheHeaderTheMapAndRunLengthRowsTopFirst) {
  TTargaGraphic bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf8bit);
  bitmap.SetPalette({{1, 2, 3, 0}});
  bitmap.SetSize(2, 1);
  TMemoryStream indexed;
  bitmap.SaveToStream(indexed);
  TBytes expected{0, 1, 9, 0, 0, 0, 1, 24, 0, 0, 0, 0, 2, 0, 1, 0, 8, 0x20, 3, 2, 1};
  expected.resize(18 + 768);
  expected.insert(expected.end(), {0x81, 0});
  EXPECT_EQ(indexed.Bytes(), expected);

  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(1, 1);
  bitmap.ScanLine(0)[0] = 7;
  TMemoryStream direct;
  bitmap.SaveToStream(direct);
  EXPECT_EQ(direct.Bytes(), TBytes({0, 0, 10, 0, 0, 0, 1, 24, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20, 0x00, 7, 0, 0}));
}

TEST(Targa, EveryPixelFormatSurvivesASaveAndALoad) {
  using enum TPixelFormat;
  for (const TPixelFormat format : {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetPalette({{10, 20, 30, 0}, {200, 100, 0, 0}});
    bitmap.SetSize(5, 3);
    for (int y = 0; y < 3; ++y) bitmap.ScanLine(y)[0] = std::uint8_t(0x5A + y);
    TTargaGraphic targa;
    targa.Assign(bitmap);
    for (const bool compressed : {true, false}) {
      TMemoryStream stream;
      targa.SaveToStream(stream, compressed);
      stream.SetPosition(0);
      EXPECT_TRUE(TTargaGraphic::CanLoad(stream));
      EXPECT_EQ(stream.Position(), 0);
      // 5-6-5 pixels keep their colour in five bits.
      EXPECT_EQ(Masked(test::Colours(Load(stream.Bytes())), FiveBits), Masked(test::Colours(bitmap), FiveBits));
    }
  }
}

}  // namespace
}  // namespace lumox
