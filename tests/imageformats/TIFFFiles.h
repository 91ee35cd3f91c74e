#pragma once
// TIFF files for the tests, the fuzzing seeds and the benchmark: written by the reference
// library with its own encoders or put together tag by tag; and the reference library's
// reading of a file, as the pixels to compare with.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;

// Photometric and compression tag values.
enum : std::uint16_t { MinIsWhite, MinIsBlack, RGB, Palette, CMYK = 5, YCbCr };
enum : std::uint16_t { Raw = 1, MH, Fax3, Jpeg = 7, Deflate, MHWords = 32771, PackBits = 32773 };

// Fax rows with reversed bits also end on byte boundaries; alpha is the last sample.
struct TTiffSpec {
  std::uint32_t Width = 13, Height = 10;
  std::uint16_t Photometric = RGB, BitsPerSample = 8, SamplesPerPixel = 3, Compression = Raw, Predictor = 1;
  std::uint32_t RowsPerStrip = 0;  // 0: one strip
  bool BigEndian = false, ReversedBits = false, Alpha = false;
  std::vector<std::uint16_t> ColorMap{};
};

TTiffSpec GreySpec(std::uint16_t bits, std::uint16_t compression = Raw, std::uint16_t predictor = 1);
// A palette picture with a colour map of 2^bits entries.
TTiffSpec PaletteSpec(std::uint16_t bits, std::uint16_t compression = Raw);
TTiffSpec FaxSpec(std::uint16_t compression, std::uint32_t width, std::uint32_t rowsPerStrip = 0);

// The reference library's file of gradients with noise (1 bit: runs of all lengths) for `spec`.
TBytes LibraryTiff(const TTiffSpec& spec);
// The reference library's reading of a file: rows top first, pixels 0xAABBGGRR; none on failure.
std::vector<std::uint32_t> LibraryPixels(const TBytes& file);

// A little-endian file: the header, `data` at offset 8, then one directory with `tags` in the
// order given, values of more than four bytes behind it.
struct TTag {
  std::uint16_t Tag;
  std::uint16_t Type;  // 1 byte, 3 short, 5 rational (two values each); others: 4 bytes a value
  std::vector<std::uint32_t> Values;
  std::uint32_t Count = 0;  // 0: as many as Values holds
};
TBytes HandMadeTiff(const std::vector<TTag>& tags, const TBytes& data);

// A 13 x 6 ThunderScan picture with every kind of code (the reference library writes none).
TBytes ThunderTiff();
// A binary EPS header, `gap` bytes of PostScript and `tiff` as the preview.
TBytes EpsFile(const TBytes& tiff, std::uint32_t gap, std::uint32_t previewLength, std::uint8_t magic = 0xC5);

// Small files of every compression and layout: the fuzzing seeds, which the tests also cut and damage.
std::vector<std::pair<std::string, TBytes>> SeedFiles();

}  // namespace lumox::test
