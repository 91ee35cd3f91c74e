#pragma once
// TIFF files for the tests and benchmarks: written by the reference library with its own
// encoders, or put together tag by tag for what it would not write; and the reference
// library's reading of a file, as the pixels to compare with.
#include <cstdint>
#include <vector>

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;

struct TTiffSpec {
  std::uint32_t Width = 8;
  std::uint32_t Height = 8;
  std::uint16_t Photometric = 2;  // RGB
  std::uint16_t BitsPerSample = 8;
  std::uint16_t SamplesPerPixel = 3;
  std::uint16_t Compression = 1;
  std::uint16_t Predictor = 1;
  std::uint32_t RowsPerStrip = 0;  // 0: one strip
  bool BigEndian = false;
  std::uint16_t FillOrder = 1;
  std::uint32_t Group3Options = 0;
  std::uint16_t ExtraSamples = 0;  // 1: the last sample is alpha
  int JpegQuality = 90;
  std::uint16_t Subsampling = 2;  // of JPEG YCbCr pictures
  std::vector<std::uint16_t> ColorMap{};
};

// Deterministic samples for `spec`, rows top first, packed as the file stores them (RGB for
// JPEG YCbCr pictures): gradients with noise, and for 1-bit pictures runs of many lengths.
TBytes SampleRows(const TTiffSpec& spec);
// The file the reference library writes for `spec` and `samples`.
TBytes LibraryTiff(const TTiffSpec& spec, const TBytes& samples);

// The reference library's reading of a file: rows top first, each pixel 0xAABBGGRR; empty
// when it cannot read the file.
struct TReferencePixels {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::vector<std::uint32_t> Pixels;
};
TReferencePixels LibraryPixels(const TBytes& file);

// A little-endian file: the header, `data` at offset 8, then one directory with `tags` in the
// order given, values of more than four bytes behind it.
struct TTag {
  std::uint16_t Tag;
  std::uint16_t Type;  // 1 byte, 3 short, 5 rational (two values each); any other: 4 bytes a value
  std::vector<std::uint32_t> Values;
  std::uint32_t Count = 0;  // 0: as many as Values holds
};
TBytes HandMadeTiff(const std::vector<TTag>& tags, const TBytes& data);

}  // namespace lumox::test
