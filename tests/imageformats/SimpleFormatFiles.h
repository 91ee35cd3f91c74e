#pragma once
// Pictures for the tests, fuzzing seeds and benchmark of the PCX, SGI, portable map, Autodesk,
// CUT and RLA readers: test pictures, the files the reference tools write from them, and the
// files of the formats those tools cannot write, put together from the formats' layouts.
#include <cstdint>
#include <string>
#include <vector>

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;

// Rows top first, `Channels` samples a pixel: grey, RGB or RGBA; or, with a palette of R, G, B
// triples, one index a pixel.
struct TRaster {
  int Width = 0, Height = 0, Channels = 3;
  TBytes Samples, Palette;
};

// Gradients and noise; with `colours` above 0 only that many colours (grey levels from black to
// white for one channel), kept as indices into a palette when `indexed`.
TRaster TestRaster(int width, int height, int channels, int colours = 0, bool indexed = false);

// The picture as a binary portable map (P5, P6 or, with alpha, P7).
TBytes PortableMap(const TRaster& raster);
// Runs the shell `command` in a fresh folder that holds `input` as the file "in"; the file "out".
TBytes Converted(const TBytes& input, const std::string& command);

// An indexed picture whose palette values are multiples of 4.
TBytes AutodeskFile(const TRaster& indexed);
// An indexed picture; its palette goes to a file of its own.
TBytes CutFile(const TRaster& indexed);
// Components stored with a high byte the reader must ignore.
TBytes CutPalette(const TBytes& palette);
// A picture of three or four channels.
TBytes RlaFile(const TRaster& raster, bool bottomUp, const std::string& gamma = "");

struct TReaderFile {
  std::string Name;  // its extension names the reader
  TRaster Source;
  TBytes File;
};
// Every variant the readers know, written by the tools or put together here.
std::vector<TReaderFile> ReaderFiles(int width, int height);

}  // namespace lumox::test
