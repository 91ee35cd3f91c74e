#pragma once
// Picture files made by the tests: BMP files with any header, depth and compression, icons, and
// JPEG files written by the JPEG library.
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "framework/Bitmap.h"

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;

struct TBmpSpec {
  std::uint32_t HeaderSize = 40;  // 12, 40, 52, 56, 108 or 124
  std::int32_t Width = 0;
  std::int32_t Height = 0;  // negative: top-down
  std::uint16_t Bits = 8;
  std::uint32_t Compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
  std::uint32_t ColorsUsed = 0;
  TPalette Palette{};                    // written as the file's colour table
  std::array<std::uint32_t, 4> Masks{};  // red, green, blue, alpha
  TBytes Pixels{};                       // the pixel data as stored in the file
};

// A complete file: file header, info header (and masks after a 40-byte header with bit
// fields), colour table, pixel data.
TBytes BmpFile(const TBmpSpec& spec);

// Rows of `width` pixels, each padded with zeros to a multiple of four bytes, in the order given.
TBytes PaddedRows(const std::vector<TBytes>& rows);
// Small valid BMP files, by name, that together take every path of the reader.
std::vector<std::pair<const char*, TBytes>> SampleBmpFiles();

// The BMP image of an icon: BmpFile's from the info header on, with `mask` (rows of one bit a
// pixel, padded to four bytes) behind the pixels and the height doubled to count its rows.
TBytes IconBmp(TBmpSpec spec, const TBytes& mask);
// An icon of `images` (icon BMP images or PNG files) in the order given, behind a directory whose
// entries state their sizes and offsets and leave the other fields zero.
TBytes IconFile(const std::vector<TBytes>& images);

enum class TJpegKind { Grey, Colour, Progressive, Cmyk };

// Encodes `samples` (rows top first; 1, 3 or 4 bytes a pixel as `kind` asks; colour as R, G, B)
// at quality 100 without chroma subsampling.
TBytes JpegFile(int width, int height, TJpegKind kind, const TBytes& samples);
// Four flat quadrants: red, green, blue, white (grey: 20, 80, 140, 200).
TBytes QuadrantJpeg(int width, int height, TJpegKind kind = TJpegKind::Colour);

}  // namespace lumox::test
