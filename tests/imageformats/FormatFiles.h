#pragma once
// Picture files for the reader tests, the benchmarks and the fuzzing seeds, written by the
// reference libraries and tools or put together from the formats' layouts; and what the reader
// tests share to load them and compare their colours.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;
using TColours = std::vector<std::uint32_t>;  // 0xAARRGGBB, rows top first

TBytes operator+(TBytes a, const TBytes& b);
// Writes `value` as `width` bytes at `at`, growing `bytes` where it ends.
void Put(TBytes& bytes, std::size_t at, std::uint64_t value, int width, bool bigEndian = false);
// Little-endian fields of the given byte counts, one after the other.
TBytes Fields(std::initializer_list<std::pair<std::uint64_t, int>> fields);
// Noise pixels, now and then a copy of the one before, so that runs occur.
TBytes PictureBytes(std::size_t pixels, unsigned pixelBytes, std::uint32_t seed);

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

// Only the bits of `kept` of each colour.
TColours Colours(const TBitmap& bitmap, std::uint32_t kept = 0xFFFFFFFF);

// Every cut of `file` (every `step` bytes) and `damages` copies with up to four of their first
// 4096 bytes changed go through `load`, which may fail with the project's own errors only.
void ExpectCleanFailures(const TBytes& file, const std::function<void(const TBytes&)>& load,
                         std::size_t step = 1, int damages = 300);
template <class TReader>
void ExpectCleanFailures(const TBytes& file, std::size_t step = 1, int damages = 300) {
  ExpectCleanFailures(
      file, [](const TBytes& damaged) { Colours(Load<TReader>(damaged)); }, step, damages);
}

// Rows top first, `Channels` samples a pixel (grey, grey and alpha, RGB, RGBA) or an index into
// `Palette` (RGB).
struct TRaster {
  int Width = 0, Height = 0, Channels = 3;
  TBytes Samples, Palette;
};
// Gradients and noise, or `colours` colours (grey levels for one channel), indexed if `indexed`.
TRaster TestRaster(int width, int height, int channels, int colours = 0, bool indexed = false);
TColours Colours(const TRaster& raster);
// A portable arbitrary map (P7), which the tools read as any portable map.
TBytes PortableMap(const TRaster& raster);
// Runs the shell `command` in a fresh folder holding `input` as the file "in"; the file "out".
TBytes Converted(const TBytes& input, const std::string& command);

// `pixels`: rows in stored order; a colour map is declared when `map` holds entries. Run-length
// types pack all pixels as one sequence, so packets run across row ends.
TBytes TargaFile(std::uint8_t type, std::uint8_t pixelSize, bool topDown, int width, int height,
                 std::uint8_t mapEntrySize, const TBytes& map, const TBytes& pixels);
// libpng's file. `samples`: rows as stored; `filters`: libpng's choice, 0x08 none, 0x10 sub,
// 0x20 up, 0x40 average, 0x80 Paeth, or several; `palette`: red, green, blue triples.
TBytes PngFile(int width, int height, int depth, int colorType, bool interlaced, int filters,
               const TBytes& samples, const TBytes& palette = {});
// Noise samples, and for colour type 3 a palette of every index.
TBytes NoisePng(int colorType, int depth, int width, int height, bool interlaced = false, int filters = 0xF8);
// stb_image's reading of a Targa or PNG file; 16-bit samples reduced by ×255 div 65535.
TColours ReferenceColours(const TBytes& file, std::uint32_t kept = 0xFFFFFFFF);

TBytes CutFile(const TRaster& indexed);
TBytes CutPalette(const TBytes& palette);  // each component with a high byte to ignore
TBytes RlaFile(const TRaster& raster, bool bottomUp, const std::string& gamma = "");

// One layer bank of layers of the given types, each with channels of the given types; channel
// type t holds 7·i + 31·t at position i of its rows.
struct TPspSpec {
  std::uint16_t Version = 5, Depth = 24, Compression = 0;
  bool Grey = false;
  std::uint32_t Width = 11, Height = 4;
  std::vector<std::uint8_t> LayerTypes{1};
  std::vector<std::uint16_t> ChannelTypes{1, 2, 3};
  std::vector<std::uint32_t> Palette{};  // 0x00RRGGBB
};
TBytes PspFile(const TPspSpec& spec);

// TIFF photometric and compression tag values.
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
// The reference library's file of gradients with noise (1 bit: runs of all lengths) for `spec`,
// and its reading of a file (none when it fails).
TBytes LibraryTiff(const TTiffSpec& spec);
TColours LibraryColours(const TBytes& file);
// A little-endian file: the header, `data` at offset 8, then one directory with `tags` in the
// order given, values of more than four bytes behind it.
struct TTag {
  std::uint16_t Tag;
  std::uint16_t Type;  // 1 byte, 3 short, 5 rational (two values each); others: 4 bytes a value
  std::vector<std::uint32_t> Values;
  std::uint32_t Count = 0;  // 0: as many as Values holds
};
TBytes HandMadeTiff(const std::vector<TTag>& tags, const TBytes& data);
// A binary EPS header, `gap` bytes of PostScript and `tiff` as the preview.
TBytes EpsFile(const TBytes& tiff, std::uint32_t gap, std::uint32_t previewLength, std::uint8_t magic = 0xC5);

// Small files of every variant the readers know, by names whose extensions name the readers,
// with the colours their oracles (stb_image, libtiff, the source picture) show, compared in the
// bits of `Kept`, each channel within `Tolerance`. The fuzzing seeds too.
struct TReaderFile {
  TBytes File;
  TColours Expected;
  std::uint32_t Kept = 0xFFFFFFFF;
  int Tolerance = 0;
};
std::map<std::string, TReaderFile> ReaderFiles();
// Its TIFF and EPS files.
void AddTiffFiles(std::map<std::string, TReaderFile>& files);

}  // namespace lumox::test
