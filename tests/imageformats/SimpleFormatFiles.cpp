#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "tests/imageformats/FormatFiles.h"

namespace lumox::test {
namespace {

// Literal packets of at most 127 bytes, each headed by header(count).
TBytes Literals(const std::uint8_t* row, std::size_t size, std::uint8_t (*header)(std::size_t)) {
  TBytes packets;
  for (std::size_t i = 0, n; i < size; i += n) {
    packets.push_back(header(n = std::min<std::size_t>(127, size - i)));
    packets.insert(packets.end(), row + i, row + i + n);
  }
  return packets;
}

}  // namespace

TRaster TestRaster(int width, int height, int channels, int colours, bool indexed) {
  TRaster raster{width, height, indexed ? 1 : channels, {}, {}};
  std::mt19937 random(unsigned(width * 131 + height * 7 + channels + colours));
  TBytes palette;
  for (int i = 0; i < colours * channels; ++i)
    palette.push_back(std::uint8_t(channels == 1 ? i * 255 / std::max(colours - 1, 1) : random()));
  for (int i = 0; i < width * height; ++i) {
    const int x = i % width, y = i / width;
    const int index = int((x / 3 + y / 2 * 5 + random() % 2) % unsigned(std::max(colours, 1)));
    const auto entry = std::size_t(index * channels);
    for (int c = 0; c < raster.Channels; ++c) {
      const bool alpha = c > 0 && c == raster.Channels - 1 && c % 2 == 1;
      const int gradient = alpha ? x * 255 / width : x * 5 + y * 3 + c * 60 + int(random() % 9);
      const int value = colours == 0 ? gradient : palette[entry + unsigned(c)];
      raster.Samples.push_back(std::uint8_t(indexed ? index : value));
    }
  }
  if (indexed) raster.Palette = palette;
  return raster;
}

TColours Colours(const TRaster& raster) {
  TColours colours;
  const bool grey = raster.Channels <= 2 && raster.Palette.empty(), alpha = raster.Channels % 2 == 0;
  for (auto s = raster.Samples.begin(); s != raster.Samples.end(); s += raster.Channels) {
    const std::uint8_t* c = raster.Palette.empty() ? &*s : &raster.Palette[3 * *s];
    colours.push_back(std::uint32_t(alpha ? s[raster.Channels - 1] : 255) << 24 | std::uint32_t(c[0]) << 16 |
                      std::uint32_t(c[grey ? 0 : 1]) << 8 | c[grey ? 0 : 2]);
  }
  return colours;
}

TBytes PortableMap(const TRaster& raster) {
  const char* types[] = {"", "GRAYSCALE", "GRAYSCALE_ALPHA", "RGB", "RGB_ALPHA"};
  const std::string header = "P7\nWIDTH " + std::to_string(raster.Width) + "\nHEIGHT " +
                             std::to_string(raster.Height) + "\nDEPTH " + std::to_string(raster.Channels) +
                             "\nMAXVAL 255\nTUPLTYPE " + types[raster.Channels] + "\nENDHDR\n";
  TBytes file(header.begin(), header.end());
  file.insert(file.end(), raster.Samples.begin(), raster.Samples.end());
  return file;
}

TBytes Converted(const TBytes& input, const std::string& command) {
  std::string folder = (std::filesystem::temp_directory_path() / "lumox-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) throw std::runtime_error("no temporary folder");
  std::ofstream(folder + "/in", std::ios::binary)
      .write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
  const int status = std::system(("cd '" + folder + "' && (" + command + ") 2>/dev/null").c_str());
  std::ifstream out(folder + "/out", std::ios::binary);
  const TBytes result{std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>()};
  std::filesystem::remove_all(folder);
  if (status != 0 || result.empty()) throw std::runtime_error(command + " failed");
  return result;
}

TBytes AutodeskFile(const TRaster& indexed) {
  TBytes file;
  for (const auto& [at, value] :
       {std::pair{0, 0x9119}, {2, indexed.Width}, {4, indexed.Height}, {10, 8}, {30, 0}})
    Put(file, std::size_t(at), std::uint32_t(value), 2, false);
  for (std::size_t i = 0; i < 768; ++i)
    file.push_back(i < indexed.Palette.size() ? indexed.Palette[i] >> 2 : 0);
  file.insert(file.end(), indexed.Samples.begin(), indexed.Samples.end());
  return file;
}

TBytes CutFile(const TRaster& indexed) {
  TBytes file;
  Put(file, 0, std::uint32_t(indexed.Width), 2, false);
  Put(file, 2, std::uint32_t(indexed.Height), 4, false);  // and the reserved word
  for (int y = 0; y < indexed.Height; ++y) {
    TBytes line = Literals(&indexed.Samples[std::size_t(y * indexed.Width)], std::size_t(indexed.Width),
                           [](std::size_t n) { return std::uint8_t(n); });
    line.push_back(0);
    Put(file, file.size(), std::uint32_t(line.size()), 2, false);
    file.insert(file.end(), line.begin(), line.end());
  }
  return file;
}

TBytes CutPalette(const TBytes& palette) {
  TBytes file(512);
  Put(file, 12, std::uint32_t(palette.size() / 3 - 1), 2, false);
  for (std::size_t i = 0, at = 40; i < palette.size() / 3; ++i, at += 6) {
    if (at - (file.size() - 512) > 506) file.resize((at = file.size()) + 512);  // entries never cross a block
    for (std::size_t c = 0; c < 3; ++c)
      Put(file, at + 2 * c, palette[3 * i + c] | std::uint32_t(i + c + 1) << 8, 2, false);
  }
  return file;
}

TBytes RlaFile(const TRaster& raster, bool bottomUp, const std::string& gamma) {
  const auto width = std::size_t(raster.Width), height = std::size_t(raster.Height);
  const auto channels = std::size_t(raster.Channels);
  TBytes file(740 + 4 * height), plane(width);
  const std::pair<std::size_t, std::size_t> fields[] = {
      {10, width - 1}, {bottomUp ? 14 : 12, height - 1}, {20, 3}, {22, channels / 4}, {26, 0xFFFE}, {658, 8}};
  for (const auto& [at, value] : fields) Put(file, std::size_t(at), std::uint32_t(value), 2, true);
  std::copy(gamma.begin(), gamma.end(), &file[28]);
  std::copy_n("rgb", 3, &file[580]);
  for (std::size_t stored = 0; stored < height; ++stored) {
    const std::size_t y = bottomUp ? height - 1 - stored : stored;
    Put(file, 740 + 4 * stored, std::uint32_t(file.size()), 4, true);
    for (std::size_t c = 0; c < channels; ++c) {
      for (std::size_t x = 0; x < width; ++x) plane[x] = raster.Samples[(y * width + x) * channels + c];
      const auto packets = Literals(plane.data(), width, [](std::size_t n) { return std::uint8_t(256 - n); });
      Put(file, file.size(), std::uint32_t(packets.size()), 2, true);
      file.insert(file.end(), packets.begin(), packets.end());
    }
  }
  return file;
}

std::map<std::string, TReaderFile> ReaderFiles(int width, int height) {
  const TRaster colour = TestRaster(width, height, 3), grey = TestRaster(width, height, 1),
                alpha = TestRaster(width, height, 4), bits = TestRaster(width, height, 1, 2);
  const auto colours = [&](int count) { return TestRaster(width, height, 3, count); };
  const auto tool = [](const std::string& name, const TRaster& source, const std::string& command) {
    return std::pair(name, TReaderFile{source, Converted(PortableMap(source), command)});
  };
  std::map<std::string, TReaderFile> files{
      tool("planes3.pcx", colours(8), "ppmtopcx in >out"),
      tool("planes4.pcx", colours(16), "ppmtopcx -planes 4 in >out"),
      tool("packed2.pcx", colours(4), "ppmtopcx -packed in >out"),
      tool("packed4.pcx", colours(16), "ppmtopcx -packed in >out"),
      tool("mono.pcx", bits, "ppmtopcx -packed in >out"),
      tool("palette.pcx", colours(200), "ppmtopcx -8bit in >out"),
      tool("planes.pcx", colour, "ppmtopcx -24bit in >out"),
      tool("rle.sgi", colour, "pnmtosgi in >out"),
      tool("verbatim.rgb", colour, "pnmtosgi -verbatim in >out"),
      tool("grey.bw", grey, "pnmtosgi in >out"),
      tool("magick.sgi", colour, "convert in -compress RLE sgi:out"),  // rows out of order
      tool("deep.sgi", colour, "convert in -depth 16 sgi:out"),
      tool("alpha.rgba", alpha, "convert in -compress RLE sgi:out"),
      tool("binary.ppm", colour, "pnmtopnm in >out"),
      tool("plain.ppm", colour, "pnmtoplainpnm in >out"),
      tool("deep.ppm", colour, "pamdepth 65535 in | pamtopnm >out"),
      tool("binary.pgm", grey, "pnmtopnm in >out"),
      tool("plain.pgm", grey, "pnmtoplainpnm in >out"),
      tool("binary.pbm", bits, "pgmtopbm -threshold in >out"),
      tool("plain.pbm", bits, "pgmtopbm -threshold in | pnmtoplainpnm >out"),  // digits without blanks
  };
  TRaster indexed = TestRaster(width, height, 3, 256, true);
  for (std::uint8_t& v : indexed.Palette) v &= 0xFC;
  files["indices.pic"] = {indexed, AutodeskFile(indexed)};
  files["grey.cut"] = {grey, CutFile(grey)};  // read without its palette file: a grey ramp
  files["top.rla"] = {colour, RlaFile(colour, false)};
  files["matte.rla"] = {alpha, RlaFile(alpha, true)};
  return files;
}

}  // namespace lumox::test
