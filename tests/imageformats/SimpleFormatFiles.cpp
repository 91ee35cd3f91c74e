#include "tests/imageformats/SimpleFormatFiles.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace lumox::test {
namespace {

namespace fs = std::filesystem;

void Put(TBytes& bytes, std::size_t at, std::uint32_t value, int width, bool bigEndian) {
  for (int i = 0; i < width; ++i)
    bytes[at + std::size_t(i)] = std::uint8_t(value >> 8 * (bigEndian ? width - 1 - i : i));
}

void Append(TBytes& bytes, std::uint32_t value, int width, bool bigEndian) {
  bytes.resize(bytes.size() + std::size_t(width));
  Put(bytes, bytes.size() - std::size_t(width), value, width, bigEndian);
}

// Runs of equal bytes and literal stretches of at most `longest` bytes, each headed by
// header(run, count).
template <class THeader>
TBytes Packets(const std::uint8_t* row, std::size_t size, std::size_t longest, THeader header) {
  TBytes packets;
  const auto repeats = [&](std::size_t k) { return k + 1 < size && row[k + 1] == row[k]; };
  for (std::size_t i = 0; i < size;) {
    const bool run = repeats(i);
    std::size_t n = 1;
    while (n < longest && i + n < size && (run ? row[i + n] == row[i] : !repeats(i + n))) ++n;
    packets.push_back(header(run, n));
    packets.insert(packets.end(), row + i, row + i + (run ? 1 : n));
    i += n;
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
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (colours == 0) {
        for (int c = 0; c < channels; ++c)
          raster.Samples.push_back(
              std::uint8_t(c == 3 ? x * 255 / width : x * 5 + y * 3 + c * 60 + random() % 9));
        continue;
      }
      const auto index = std::size_t((x / 3 + y / 2 * 5 + random() % 2) % unsigned(colours));
      if (indexed) {
        raster.Samples.push_back(std::uint8_t(index));
      } else {
        raster.Samples.insert(raster.Samples.end(), &palette[index * std::size_t(channels)],
                              &palette[index * std::size_t(channels)] + channels);
      }
    }
  }
  if (indexed) raster.Palette = palette;
  return raster;
}

TBytes PortableMap(const TRaster& raster) {
  const std::string size = std::to_string(raster.Width) + " " + std::to_string(raster.Height);
  const std::string header = raster.Channels == 4
                                 ? "P7\nWIDTH " + std::to_string(raster.Width) + "\nHEIGHT " +
                                       std::to_string(raster.Height) +
                                       "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
                                 : (raster.Channels == 1 ? "P5\n" : "P6\n") + size + "\n255\n";
  TBytes file(header.begin(), header.end());
  file.insert(file.end(), raster.Samples.begin(), raster.Samples.end());
  return file;
}

TBytes Converted(const TBytes& input, const std::string& command) {
  std::string folder = (fs::temp_directory_path() / "lumox-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) throw std::runtime_error("no temporary folder");
  std::ofstream(folder + "/in", std::ios::binary)
      .write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
  const int status = std::system(("cd '" + folder + "' && (" + command + ") 2>/dev/null").c_str());
  std::ifstream out(folder + "/out", std::ios::binary);
  const TBytes result{std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>()};
  fs::remove_all(folder);
  if (status != 0 || result.empty()) throw std::runtime_error(command + " failed");
  return result;
}

TBytes AutodeskFile(const TRaster& indexed) {
  TBytes file(32);
  Put(file, 0, 0x9119, 2, false);
  Put(file, 2, std::uint32_t(indexed.Width), 2, false);
  Put(file, 4, std::uint32_t(indexed.Height), 2, false);
  file[10] = 8;
  TBytes palette = indexed.Palette;
  palette.resize(768);
  for (const std::uint8_t v : palette) file.push_back(v >> 2);
  file.insert(file.end(), indexed.Samples.begin(), indexed.Samples.end());
  return file;
}

TBytes CutFile(const TRaster& indexed) {
  TBytes file;
  Append(file, std::uint32_t(indexed.Width), 2, false);
  Append(file, std::uint32_t(indexed.Height), 2, false);
  Append(file, 0, 2, false);
  for (int y = 0; y < indexed.Height; ++y) {
    TBytes line = Packets(&indexed.Samples[std::size_t(y * indexed.Width)], std::size_t(indexed.Width), 127,
                          [](bool run, std::size_t n) { return std::uint8_t(run ? 0x80 | n : n); });
    line.push_back(0);
    Append(file, std::uint32_t(line.size()), 2, false);
    file.insert(file.end(), line.begin(), line.end());
  }
  return file;
}

TBytes CutPalette(const TBytes& palette) {
  const std::size_t count = palette.size() / 3;
  TBytes file(512);
  Put(file, 12, std::uint32_t(count - 1), 2, false);
  std::size_t at = 40;
  for (std::size_t i = 0; i < count; ++i) {
    if (at - (file.size() - 512) > 506) {
      at = file.size();
      file.resize(at + 512);
    }
    for (std::size_t c = 0; c < 3; ++c)
      Put(file, at + 2 * c, palette[3 * i + c] | std::uint32_t(i + c + 1) << 8, 2, false);
    at += 6;
  }
  return file;
}

TBytes RlaFile(const TRaster& raster, bool bottomUp, const std::string& gamma) {
  const auto width = std::size_t(raster.Width), height = std::size_t(raster.Height);
  const auto channels = std::size_t(raster.Channels);
  TBytes file(740 + 4 * height);
  Put(file, 10, std::uint32_t(width - 1), 2, true);
  Put(file, bottomUp ? 14 : 12, std::uint32_t(height - 1), 2, true);
  Put(file, 20, 3, 2, true);
  Put(file, 22, channels == 4, 2, true);
  Put(file, 26, 0xFFFE, 2, true);
  std::copy(gamma.begin(), gamma.end(), &file[28]);
  std::copy_n("rgb", 3, &file[580]);
  Put(file, 658, 8, 2, true);
  TBytes plane(width);
  for (std::size_t stored = 0; stored < height; ++stored) {
    const std::size_t y = bottomUp ? height - 1 - stored : stored;
    Put(file, 740 + 4 * stored, std::uint32_t(file.size()), 4, true);
    for (std::size_t c = 0; c < channels; ++c) {
      for (std::size_t x = 0; x < width; ++x) plane[x] = raster.Samples[(y * width + x) * channels + c];
      const TBytes packets = Packets(plane.data(), width, 128, [](bool run, std::size_t n) {
        return std::uint8_t(run ? n - 1 : 256 - n);
      });
      Append(file, std::uint32_t(packets.size()), 2, true);
      file.insert(file.end(), packets.begin(), packets.end());
    }
  }
  return file;
}

std::vector<TReaderFile> ReaderFiles(int width, int height) {
  const TRaster colour = TestRaster(width, height, 3), grey = TestRaster(width, height, 1),
                alpha = TestRaster(width, height, 4), bits = TestRaster(width, height, 1, 2);
  const auto tool = [](std::string name, const TRaster& source, const std::string& command) {
    return TReaderFile{std::move(name), source, Converted(PortableMap(source), command)};
  };
  const auto colours = [&](int count) { return TestRaster(width, height, 3, count); };
  std::vector<TReaderFile> files{
      tool("planes3.pcx", colours(8), "ppmtopcx in >out"),
      tool("planes4.pcx", colours(16), "ppmtopcx -planes 4 in >out"),
      tool("packed2.pcx", colours(4), "ppmtopcx -packed in >out"),
      tool("packed4.pcx", colours(16), "ppmtopcx -packed in >out"),
      tool("mono.pcx", bits, "ppmtopcx -packed in >out"),
      tool("palette.pcx", colours(200), "ppmtopcx -8bit in >out"),
      tool("planes.pcx", colour, "ppmtopcx -24bit in >out"),
      tool("magick.pcx", colour, "convert in pcx:out"),
      tool("rle.sgi", colour, "pnmtosgi in >out"),
      tool("verbatim.rgb", colour, "pnmtosgi -verbatim in >out"),
      tool("grey.bw", grey, "pnmtosgi in >out"),
      tool("magick.sgi", colour, "convert in -compress RLE sgi:out"),
      tool("deep.sgi", colour, "convert in -depth 16 sgi:out"),
      tool("alpha.rgba", alpha, "convert in -compress RLE sgi:out"),
      tool("binary.ppm", colour, "pnmtopnm in >out"),
      tool("plain.ppm", colour, "pnmtoplainpnm in >out"),
      tool("deep.ppm", colour, "pamdepth 65535 in >out"),
      tool("deepplain.ppm", colour, "pamdepth 65535 in | pnmtoplainpnm >out"),
      tool("binary.pgm", grey, "pnmtopnm in >out"),
      tool("plain.pgm", grey, "pnmtoplainpnm in >out"),
      tool("binary.pbm", bits, "pgmtopbm -threshold in >out"),
      tool("plain.pbm", bits, "pgmtopbm -threshold in | pnmtoplainpnm >out"),
  };
  TRaster indexed = TestRaster(width, height, 3, 256, true);
  for (std::uint8_t& v : indexed.Palette) v &= 0xFC;
  files.push_back({"indices.pic", indexed, AutodeskFile(indexed)});
  files.push_back({"grey.cut", grey, CutFile(grey)});  // read without its palette file: a grey ramp
  files.push_back({"top.rla", colour, RlaFile(colour, false)});
  files.push_back({"matte.rla", alpha, RlaFile(alpha, true)});
  return files;
}

}  // namespace lumox::test
