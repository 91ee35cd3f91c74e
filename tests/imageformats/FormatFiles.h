#pragma once
// Targa and PNG files made for the tests (libpng writes the PNG files), and the colours of their
// pixels as stb_image decodes them, 0xAARRGGBB, rows top first.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Bitmap.h"

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;
using TColours = std::vector<std::uint32_t>;

struct TTargaSpec {
  std::uint8_t ImageType = 2, PixelSize = 24;
  bool TopDown = false;
  int Width = 0, Height = 0;
  std::uint8_t MapEntrySize = 24;
  TBytes ColorMap{};  // a map is declared when this holds entries
  TBytes Pixels{};    // rows in stored order
};

// Run-length types pack all pixels as one sequence, so packets run across row ends.
TBytes TargaFile(const TTargaSpec& spec);

struct TPngSpec {
  int Width = 0, Height = 0, BitDepth = 8, ColorType = 2;
  bool Interlaced = false;
  int Filters = 0xF8;  // libpng's choice: 0x08 none, 0x10 sub, 0x20 up, 0x40 average, 0x80 Paeth, or all
  TBytes Samples{};    // rows as stored, top first
  TBytes Palette{};    // red, green, blue triples
};

TBytes PngFile(const TPngSpec& spec);
// Noise samples, and a palette of every index for colour type 3.
TBytes NoisePng(int colorType, int depth, int width, int height, bool interlaced = false, int filters = 0xF8);

struct TChunk {
  std::string Type;
  TBytes Data;
};
std::vector<TChunk> PngChunks(const TBytes& file);
TBytes PngFromChunks(const std::vector<TChunk>& chunks);  // CRCs computed

// stb_image's colours; 16-bit samples reduced by ×255 div 65535.
TColours ReferenceColours(const TBytes& file);
TColours Colours(const TBitmap& bitmap);

// Noise pixels, now and then a copy of the one before, so that runs occur.
TBytes PictureBytes(std::size_t pixels, unsigned pixelBytes, std::uint32_t seed);

}  // namespace lumox::test
