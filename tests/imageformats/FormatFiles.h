#pragma once
// Targa and PNG files made for the tests (libpng writes the PNG files), and the colours of their
// pixels as stb_image and Lumox decode them: 0xAARRGGBB, rows top first.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;
using TColours = std::vector<std::uint32_t>;

// `pixels`: rows in stored order; a colour map is declared when `map` holds entries. Run-length
// types pack all pixels as one sequence, so packets run across row ends.
TBytes TargaFile(std::uint8_t type, std::uint8_t pixelSize, bool topDown, int width, int height,
                 std::uint8_t mapEntrySize, const TBytes& map, const TBytes& pixels);
// `samples`: rows as stored; `filters`: libpng's choice, 0x08 none, 0x10 sub, 0x20 up, 0x40
// average, 0x80 Paeth, or several; `palette`: red, green, blue triples.
TBytes PngFile(int width, int height, int depth, int colorType, bool interlaced, int filters,
               const TBytes& samples, const TBytes& palette = {});
// Noise samples, and for colour type 3 a palette of every index.
TBytes NoisePng(int colorType, int depth, int width, int height, bool interlaced = false, int filters = 0xF8);

struct TChunk {
  std::string Type;
  TBytes Data;
};
// The chunks of a PNG file, and a PNG file of chunks (CRCs computed).
std::vector<TChunk> PngChunks(const TBytes& file);
TBytes PngFromChunks(const std::vector<TChunk>& chunks);

// 16-bit samples reduced by ×255 div 65535; only the bits of `kept` compared.
TColours ReferenceColours(const TBytes& file, std::uint32_t kept = 0xFFFFFFFF);
TColours Colours(const TBitmap& bitmap, std::uint32_t kept = 0xFFFFFFFF);

template <class TReader>
TReader Load(const TBytes& file) {
  TMemoryStream stream(file);
  TReader reader;
  reader.LoadFromStream(stream);
  return reader;
}

// The message of the error a load raises; empty when it loads.
template <class TReader>
std::string LoadError(const TBytes& file) {
  try {
    Load<TReader>(file);
  } catch (const ELumox& error) {
    return error.what();
  }
  return {};
}

// Noise pixels, now and then a copy of the one before, so that runs occur.
TBytes PictureBytes(std::size_t pixels, unsigned pixelBytes, std::uint32_t seed);

}  // namespace lumox::test
