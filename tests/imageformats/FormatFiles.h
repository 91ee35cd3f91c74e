#pragma once
// Targa and PNG files made by the tests, and the colours the reference decoders (stb_image,
// libpng) read from them, so every pixel of a load can be compared.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Bitmap.h"

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;
// One colour per pixel, rows top first, as 0xAARRGGBB.
using TColours = std::vector<std::uint32_t>;

struct TTargaSpec {
  std::uint8_t ImageType = 2;  // 1, 2, 3 raw; 9, 10, 11 run-length
  std::uint8_t PixelSize = 24;
  bool TopDown = false;
  int Width = 0;
  int Height = 0;
  std::uint8_t MapEntrySize = 24;
  TBytes ColorMap{};  // entries as stored; a map is declared when there are any
  TBytes Pixels{};  // rows in stored order
};

// The run-length types pack all pixels as one sequence, so packets run across row ends.
TBytes TargaFile(const TTargaSpec& spec);

struct TPngSpec {
  int Width = 0;
  int Height = 0;
  int BitDepth = 8;
  int ColorType = 2;
  bool Interlaced = false;
  int Filters = 0xF8;  // the encoder's filter choice: 0x08 none, 0x10 sub, 0x20 up, 0x40 average, 0x80 Paeth
  TBytes Samples{};    // rows as stored (packed below 8 bits, 16-bit samples big-endian), top first
  TBytes Palette{};    // red, green, blue triples
};

TBytes PngFile(const TPngSpec& spec);

struct TChunk {
  std::string Type;
  TBytes Data;
};

// The chunks of a PNG file, and a PNG file of chunks (their CRCs computed).
std::vector<TChunk> PngChunks(const TBytes& file);
TBytes PngFromChunks(const std::vector<TChunk>& chunks);

// The image data of `file` spread over IDAT chunks of the given sizes (the last takes the rest).
TBytes SplitImageData(const TBytes& file, const std::vector<std::size_t>& sizes);

// stb_image's colours of a Targa file.
TColours ReferenceTargaColours(const TBytes& file);
// libpng's samples made colours: 16-bit samples reduced by ×255 div 65535, grey levels widened
// to 8 bits, indices looked up in the palette; alpha kept only for red, green, blue and alpha.
TColours ReferencePngColours(const TBytes& file);
TColours Colours(const TBitmap& bitmap);

// Deterministic noise pixels, each a copy of the one before now and then, so that run-length
// packets of both kinds occur.
TBytes PictureBytes(std::size_t pixels, unsigned pixelBytes, std::uint32_t seed);

}  // namespace lumox::test
