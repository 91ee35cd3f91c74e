#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "tests/framework/PictureFiles.h"
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

// Palette values multiples of 4.
TBytes AutodeskFile(const TRaster& indexed) {
  TBytes file = Fields({{0x9119, 2},
                        {std::uint64_t(indexed.Width), 2},
                        {std::uint64_t(indexed.Height), 2},
                        {0, 4},
                        {8, 2},
                        {0, 20}});
  for (std::size_t i = 0; i < 768; ++i)
    file.push_back(i < indexed.Palette.size() ? indexed.Palette[i] >> 2 : 0);
  return file + indexed.Samples;
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

TBytes CutFile(const TRaster& indexed) {
  TBytes file = Fields({{std::uint64_t(indexed.Width), 2}, {std::uint64_t(indexed.Height), 2}, {0, 2}});
  for (int y = 0; y < indexed.Height; ++y) {
    TBytes line = Literals(&indexed.Samples[std::size_t(y * indexed.Width)], std::size_t(indexed.Width),
                           [](std::size_t n) { return std::uint8_t(n); });
    line.push_back(0);
    Put(file, file.size(), line.size(), 2);
    file.insert(file.end(), line.begin(), line.end());
  }
  return file;
}

TBytes CutPalette(const TBytes& palette) {
  TBytes file(512);
  Put(file, 12, palette.size() / 3 - 1, 2);
  for (std::size_t i = 0, at = 40; i < palette.size() / 3; ++i, at += 6) {
    if (at - (file.size() - 512) > 506) file.resize((at = file.size()) + 512);  // entries never cross a block
    for (std::size_t c = 0; c < 3; ++c) Put(file, at + 2 * c, palette[3 * i + c] | (i + c + 1) << 8, 2);
  }
  return file;
}

TBytes RlaFile(const TRaster& raster, bool bottomUp, const std::string& gamma) {
  const auto width = std::size_t(raster.Width), height = std::size_t(raster.Height);
  const auto channels = std::size_t(raster.Channels);
  TBytes file(740 + 4 * height), plane(width);
  const std::pair<std::size_t, std::size_t> fields[] = {
      {10, width - 1}, {bottomUp ? 14 : 12, height - 1}, {20, 3}, {22, channels / 4}, {26, 0xFFFE}, {658, 8}};
  for (const auto& [at, value] : fields) Put(file, at, value, 2, true);
  std::copy(gamma.begin(), gamma.end(), &file[28]);
  std::copy_n("rgb", 3, &file[580]);
  for (std::size_t stored = 0; stored < height; ++stored) {
    const std::size_t y = bottomUp ? height - 1 - stored : stored;
    Put(file, 740 + 4 * stored, file.size(), 4, true);
    for (std::size_t c = 0; c < channels; ++c) {
      for (std::size_t x = 0; x < width; ++x) plane[x] = raster.Samples[(y * width + x) * channels + c];
      const auto packets = Literals(plane.data(), width, [](std::size_t n) { return std::uint8_t(256 - n); });
      Put(file, file.size(), packets.size(), 2, true);
      file.insert(file.end(), packets.begin(), packets.end());
    }
  }
  return file;
}

namespace {

// 7·i + 31·t, the byte at position i of channel type t.
std::uint8_t ChannelByte(std::size_t i, std::uint32_t type) { return std::uint8_t(7 * i + 31 * type); }
std::size_t RowBytes(const TPspSpec& s) { return s.Depth == 4 ? s.Width / 2 + 1 : s.Width; }

TBytes Deflated(const TBytes& data) {
  uLongf size = compressBound(uLong(data.size()));
  TBytes packed(size);
  compress(packed.data(), &size, data.data(), uLong(data.size()));
  packed.resize(size);
  return packed;
}

}  // namespace

TBytes PspFile(const TPspSpec& s) {
  const bool v3 = s.Version == 3;
  const auto chunk = [&](const TBytes& body) { return v3 ? body : Fields({{body.size() + 4, 4}}) + body; };
  const auto block = [&](std::uint16_t id, const TBytes& body) {
    return TBytes{'~', 'B', 'K', 0} + Fields({{id, 2}, {body.size(), v3 ? 4 : 0}, {body.size(), 4}}) + body;
  };
  const std::string signature = "Paint Shop Pro Image File\n\x1a";
  TBytes file = TBytes(signature.begin(), signature.end()) + TBytes(5) + Fields({{s.Version, 2}, {0, 2}});
  const TBytes size = Fields({{s.Width, 4}, {s.Height, 4}, {std::bit_cast<std::uint64_t>(100.0), 8}, {2, 1}});
  file =
      file + block(0, chunk(size + Fields({{s.Compression, 2}, {s.Depth, 2}, {0, 6}, {s.Grey, 1}, {0, 14}})));
  TBytes entries;  // blue, green, red, 0
  for (const std::uint32_t c : s.Palette) entries = entries + Fields({{c, 4}});
  if (!s.Palette.empty()) file = file + block(2, chunk(Fields({{s.Palette.size(), 4}})) + entries);
  TBytes bank;
  for (const std::uint8_t type : s.LayerTypes) {
    TBytes info(115, 0);
    info[0] = type;
    TBytes layer = chunk((v3 ? TBytes(256) : TBytes{1, 0, 'L'}) + info) +
                   chunk(Fields({{0, 2}, {s.ChannelTypes.size(), 2}}));
    for (const std::uint16_t t : s.ChannelTypes) {
      TBytes data(RowBytes(s) * s.Height), packed;
      for (std::size_t i = 0; i < data.size(); ++i) data[i] = ChannelByte(i, t);
      for (std::size_t i = 0; i < data.size(); i += 100)  // run-length literals
        packed = packed + TBytes{std::uint8_t(std::min<std::size_t>(100, data.size() - i))} +
                 TBytes(data.begin() + i, data.begin() + std::min(i + 100, data.size()));
      packed = s.Compression == 0 ? data : s.Compression == 2 ? Deflated(data) : packed;
      layer =
          layer + block(5, chunk(Fields({{packed.size(), 4}, {data.size(), 4}, {0, 2}, {t, 2}})) + packed);
    }
    bank = bank + block(4, layer);
  }
  return file + block(3, bank);
}

namespace {

// The first raster layer: its composite channel for indexed and grey pictures, else red, green,
// blue and the composite as alpha.
TColours PspColours(const TPspSpec& s) {
  TColours colours;
  for (std::size_t i = 0; i < s.Width * s.Height; ++i) {
    const std::size_t x = i % s.Width, at = i / s.Width * RowBytes(s) + (s.Depth == 4 ? x / 2 : x);
    const std::uint32_t index =
        s.Depth == 4 ? ChannelByte(at, 0) >> (x % 2 ? 0 : 4) & 15 : ChannelByte(at, 0);
    const std::uint32_t alpha = s.ChannelTypes.size() > 3 ? index << 24 : 0xFF000000;
    colours.push_back(s.Depth == 24
                          ? alpha | ChannelByte(at, 1) << 16 | ChannelByte(at, 2) << 8 | ChannelByte(at, 3)
                          : 0xFF000000 | (s.Grey ? index * 0x010101u : s.Palette.at(index)));
  }
  return colours;
}

void AddTargaAndPngFiles(std::map<std::string, TReaderFile>& files) {
  // Type, pixel size, map entry size. Five-bit fields widen by shifting here and by scaling in
  // stb_image; an 8-bit bitmap takes no alpha from a map.
  const int targas[][3] = {{1, 8, 24},  {1, 8, 32},  {1, 8, 16}, {9, 8, 15}, {9, 8, 24},
                           {2, 15, 0},  {2, 16, 0},  {2, 24, 0}, {2, 32, 0}, {10, 16, 0},
                           {10, 24, 0}, {10, 32, 0}, {3, 8, 0},  {11, 8, 0}};
  for (const auto& [type, pixelSize, entrySize] : targas) {
    const bool fiveBits = pixelSize == 15 || pixelSize == 16 || entrySize == 15 || entrySize == 16;
    const std::uint32_t kept = entrySize == 32 ? 0x00FFFFFF : fiveBits ? 0xFFF8F8F8 : 0xFFFFFFFF;
    const TBytes map = entrySize != 0 ? PictureBytes(256, unsigned(entrySize + 1) / 8, 1) : TBytes();
    const TBytes pixels = PictureBytes(37 * 6, unsigned(pixelSize + 1) / 8, unsigned(type));
    for (const bool topDown : {false, true}) {
      // Files without a map state an entry size too, as writers do.
      const TBytes file = TargaFile(std::uint8_t(type), std::uint8_t(pixelSize), topDown, 37, 6,
                                    std::uint8_t(entrySize != 0 ? entrySize : 24), map, pixels);
      const std::string name = "t" + std::to_string(type) + "-" + std::to_string(pixelSize) +
                               (entrySize ? "-m" + std::to_string(entrySize) : "") + (topDown ? "-top" : "");
      files[name + ".tga"] = {file, ReferenceColours(file, kept), kept};
    }
  }
  for (const int kind : {1, 16, 208, 304, 408, 616}) {  // colour type × 100 + depth
    const TBytes file = NoisePng(kind / 100, kind % 100, 7, 3, kind == 208);
    const std::uint32_t kept = kind / 100 == 4 ? 0x00FFFFFF : 0xFFFFFFFF;  // grey and alpha becomes grey
    files["c" + std::to_string(kind) + ".png"] = {file, ReferenceColours(file, kept), kept};
  }
}

}  // namespace

std::map<std::string, TReaderFile> ReaderFiles() {
  const int width = 19, height = 7;
  const TRaster colour = TestRaster(width, height, 3), grey = TestRaster(width, height, 1),
                alpha = TestRaster(width, height, 4), bits = TestRaster(width, height, 1, 2);
  const auto colours = [&](int count) { return TestRaster(width, height, 3, count); };
  const auto tool = [](const std::string& name, const TRaster& source, const std::string& command) {
    return std::pair(name, TReaderFile{Converted(PortableMap(source), command), Colours(source)});
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
      tool("grey.psd", grey, "convert in -colorspace gray -compress none psd:out"),
      tool("grey16-rle.psd", grey, "convert in -colorspace gray -depth 16 -compress RLE psd:out"),
      tool("grey-alpha-rle.psd", TestRaster(width, height, 2),
           "convert in -colorspace gray -compress RLE psd:out"),
      tool("palette.psd", colours(16), "convert in -type Palette -compress none psd:out"),
      tool("palette-rle.psd", colours(16), "convert in -type Palette -compress RLE psd:out"),
      tool("rgb.psd", colour, "convert in -compress none psd:out"),
      tool("rgb16-rle.psd", colour, "convert in -depth 16 -compress RLE psd:out"),
      tool("rgba-rle.psd", alpha, "convert in -compress RLE psd:out"),
      tool("rgba16.psd", alpha, "convert in -depth 16 -compress none psd:out"),
      tool("cmyk-rle.psd", colour, "convert in -colorspace CMYK -compress RLE psd:out"),
      tool("cmyk16.psd", colour, "convert in -colorspace CMYK -depth 16 psd:out"),
      tool("rgba.ico", alpha, "convert in ico:out"),
      tool("palette.ico", colours(16), "convert in -type Palette ico:out"),
      tool("sizes.ico", colour, "convert in -resize 9x3! small.pam && convert small.pam in ico:out"),
  };
  files["png.ico"] = {IconFile({PngFile(width, height, 8, 6, false, 0xF8, alpha.Samples)}), Colours(alpha)};
  files["grey-alpha-rle.psd"].Kept = 0xFFFFFF;  // the alpha of grey pictures is not shown
  files["cmyk-rle.psd"].Tolerance = files["cmyk16.psd"].Tolerance = 2;  // through ImageMagick's inks and back
  TRaster indexed = TestRaster(width, height, 3, 256, true);
  for (std::uint8_t& v : indexed.Palette) v &= 0xFC;
  files["indices.pic"] = {AutodeskFile(indexed), Colours(indexed)};
  files["grey.cut"] = {CutFile(grey), Colours(grey)};  // read without its palette file: a grey ramp
  files["top.rla"] = {RlaFile(colour, false), Colours(colour)};
  files["matte.rla"] = {RlaFile(alpha, true), Colours(alpha)};
  std::vector<std::uint32_t> ramp(256);  // 0x00RRGGBB
  for (std::uint32_t i = 0; i < 256; ++i) ramp[i] = i << 16 | (255 - i) << 8 | (i * 7 & 0xFF);
  const std::pair<const char*, TPspSpec> psps[] = {
      {"rgb", {}},
      {"rgb-rle", {.Compression = 1}},
      {"rgba-deflate", {.Compression = 2, .ChannelTypes = {3, 1, 2, 0}}},
      {"grey-deflate", {.Depth = 8, .Compression = 2, .Grey = true, .ChannelTypes = {0}}},
      {"indexed-behind-vector-layer",
       {.Depth = 8, .Compression = 1, .LayerTypes = {2, 0}, .ChannelTypes = {0}, .Palette = ramp}},
      {"version3-4bit",
       {.Version = 3, .Depth = 4, .LayerTypes = {1, 0}, .ChannelTypes = {0}, .Palette = ramp}}};
  for (const auto& [name, spec] : psps) files[name + std::string(".psp")] = {PspFile(spec), PspColours(spec)};
  AddTargaAndPngFiles(files);
  AddTiffFiles(files);
  return files;
}

}  // namespace lumox::test
