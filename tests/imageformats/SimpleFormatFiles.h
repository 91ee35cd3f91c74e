#pragma once
// Files for the tests, fuzzing seeds and benchmark of the PCX, SGI, portable map, Autodesk, CUT
// and RLA readers: written by the reference tools, or put together from the formats' layouts.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;

// Rows top first, `Channels` samples a pixel (grey, RGB, RGBA) or an index into `Palette` (RGB).
struct TRaster {
  int Width = 0, Height = 0, Channels = 3;
  TBytes Samples, Palette;
};

// Gradients and noise, or `colours` colours (grey levels for one channel), indexed if `indexed`.
TRaster TestRaster(int width, int height, int channels, int colours = 0, bool indexed = false);
// A portable arbitrary map (P7), which the tools read as any portable map.
TBytes PortableMap(const TRaster& raster);
// Runs the shell `command` in a fresh folder holding `input` as the file "in"; the file "out".
TBytes Converted(const TBytes& input, const std::string& command);
TBytes AutodeskFile(const TRaster& indexed);  // palette values multiples of 4
TBytes CutFile(const TRaster& indexed);
TBytes CutPalette(const TBytes& palette);  // each component with a high byte to ignore
TBytes RlaFile(const TRaster& raster, bool bottomUp, const std::string& gamma = "");

// Every variant the readers know, by names whose extensions name the readers.
struct TReaderFile {
  TRaster Source;
  TBytes File;
};
std::map<std::string, TReaderFile> ReaderFiles(int width, int height);

}  // namespace lumox::test
