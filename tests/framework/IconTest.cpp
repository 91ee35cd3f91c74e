#include <gtest/gtest.h>

#include "framework/Exceptions.h"
#include "framework/Icon.h"
#include "tests/framework/PictureFiles.h"

namespace lumox {
namespace {

using test::IconBmp;
using test::IconFile;
using test::TBmpSpec;
using test::TBytes;
using TColours = std::vector<std::uint32_t>;

TIcon Load(const TBytes& file) {
  TMemoryStream stream(file);
  TIcon icon;
  icon.LoadFromStream(stream);
  return icon;
}

std::string LoadError(TGraphic&& graphic, const TBytes& file) {
  TMemoryStream stream(file);
  try {
    graphic.LoadFromStream(stream);
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return {};
}

// Every pixel as 0xAARRGGBB, rows top first.
TColours Colours(const TBitmap& bitmap) {
  TColours colours(std::size_t(bitmap.Width()) * std::size_t(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y)
    bitmap.ScanLineToBGRA(y, std::span(colours).subspan(std::size_t(y) * std::size_t(bitmap.Width())));
  return colours;
}

// An opaque image of `bits` per pixel (24, or 8 and less through a palette) in one grey shade.
TBytes Flat(int width, int height, std::uint16_t bits, std::uint8_t shade) {
  TBmpSpec spec{.Width = width, .Height = height, .Bits = bits};
  if (bits <= 8) spec.Palette = TPalette(std::size_t(1) << bits, {shade, shade, shade, 0});
  spec.Pixels = TBytes(TBitmap::BytesPerScanLine(width, bits) * std::size_t(height), bits > 8 ? shade : 0);
  return IconBmp(spec, TBytes(TBitmap::BytesPerScanLine(width, 1) * std::size_t(height)));
}

TEST(IconReader, ShowsTheImageWithTheMostPixelsThenTheDeepestColoursThenTheFirst) {
  const std::pair<std::vector<TBytes>, std::uint8_t> choices[] = {
      {{Flat(2, 2, 24, 10), Flat(4, 4, 1, 20), Flat(4, 4, 8, 30), Flat(4, 4, 4, 40)}, 30},
      {{Flat(3, 3, 8, 10), Flat(3, 3, 8, 20)}, 10},
      {{Flat(3, 2, 24, 10), Flat(1, 7, 1, 20)}, 20},
  };
  for (const auto& [images, shade] : choices)
    EXPECT_EQ(Colours(Load(IconFile(images)))[0], 0xFF000000u | 0x010101u * shade);
  // PNG images go through the reader the picture formats set, which gets their bytes alone.
  const TBytes png{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H',
                   'D',  'R', 0,   0,   0,  5,  0,  0,  0, 5, 8, 6,  1};
  const TBytes file = IconFile({Flat(4, 4, 24, 10), png});
  EXPECT_EQ(LoadError(TIcon(), file), "Cannot load image. PNG images are not supported for ICO files.");
  static TBytes read;
  TIcon::SetPngReader([](TStream& stream, TBitmap& bitmap) {
    read.resize(std::size_t(stream.Size()));
    stream.ReadBuffer(read.data(), stream.Size());
    bitmap.SetSize(5, 5);
  });
  EXPECT_EQ(Load(file).Width(), 5);
  EXPECT_EQ(read, png);
  TIcon::SetPngReader(nullptr);
}

TEST(IconReader, TheMaskGivesAlphaWhereTheImageHasNone) {
  // Two pixels a row; the mask's first bit is the left pixel of the bottom row.
  const TBmpSpec rgb{
      .Width = 2, .Height = 2, .Bits = 24, .Pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 1, 2, 3, 0, 0}};
  const TBmpSpec index{
      .Width = 2, .Height = 1, .Bits = 1, .Palette = {{9, 8, 7, 0}, {1, 2, 3, 0}}, .Pixels = {0x40, 0, 0, 0}};
  const TBmpSpec alpha{.Width = 2, .Height = 1, .Bits = 32, .Pixels = {1, 2, 3, 0x80, 4, 5, 6, 0}};
  const TBmpSpec none{.Width = 2, .Height = 1, .Bits = 32, .Pixels = {1, 2, 3, 0, 4, 5, 6, 0}};
  const std::tuple<TBmpSpec, TBytes, TColours> cases[] = {
      {rgb, {0x80, 0, 0, 0, 0x40, 0, 0, 0}, {0xFF090807, 0x00030201, 0x00030201, 0xFF060504}},
      {index, {0x80, 0, 0, 0}, {0x00090807, 0xFF010203}},
      {alpha, {0xC0, 0, 0, 0}, {0x80030201, 0x00060504}},  // its own alpha: the mask is not read
      {alpha, {}, {0x80030201, 0x00060504}},
      {none, {0x40, 0, 0, 0}, {0xFF030201, 0x00060504}},
  };
  for (const auto& [spec, mask, expected] : cases)
    EXPECT_EQ(Colours(Load(IconFile({IconBmp(spec, mask)}))), expected) << spec.Bits << " " << mask.size();
  EXPECT_THROW(Load(IconFile({IconBmp(none, {})})), EInvalidGraphic);  // its mask is needed
}

TEST(IconReader, InconsistentIconsAreInvalidGraphicsAndMetafilesAreNotShown) {
  const TBytes good = IconFile({Flat(2, 2, 24, 10)});  // the entry at 6, its image at 22
  ASSERT_EQ(Load(good).Width(), 2);
  const std::pair<std::size_t, TBytes> damages[] = {
      {0, {1}},                        // reserved word
      {2, {2}},                        // a cursor
      {4, {0}},                        // no images
      {4, {0xFF, 0xFF}},               // more entries than the file holds
      {14, {0x51}},                    // size past the end
      {14, {10}},                      // size below a header
      {18, {6}},                       // offset into the directory
      {18, {0xFF, 0xFF, 0xFF, 0xFF}},  // offset far past the end
      {22, {12}},                      // a core header
      {26, {0xFE, 0xFF, 0xFF, 0xFF}},  // negative width
      {30, {5}},                       // an odd height
      {38, {1}},                       // run-length data
  };
  for (const auto& [at, bytes] : damages) {
    TBytes file = good;
    std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
    EXPECT_THROW(Load(file), EInvalidGraphic) << at;
  }
  EXPECT_EQ(LoadError(TMetafile(), good), "Cannot load image. Windows metafiles are not shown as pictures.");
}

}  // namespace
}  // namespace lumox
