#include "tests/imageformats/PhotoFiles.h"

#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace lumox::test {
namespace {

void Put(TBytes& b, std::uint64_t value, int bytes, bool bigEndian) {
  for (int i = 0; i < bytes; ++i) {
    const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
    b.push_back(shift < 64 ? std::uint8_t(value >> shift) : 0);
  }
}
void Append(TBytes& b, const TBytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// Runs of two or more as 128 + count, other bytes in literals of up to 127.
TBytes PspRunLength(const TBytes& data) {
  TBytes packed;
  for (std::size_t i = 0; i < data.size();) {
    std::size_t n = 1;
    if (i + 1 < data.size() && data[i] == data[i + 1]) {
      while (i + n < data.size() && data[i + n] == data[i] && n < 127) ++n;
      packed.insert(packed.end(), {std::uint8_t(128 + n), data[i]});
    } else {
      while (i + n < data.size() && n < 127 && (i + n + 1 >= data.size() || data[i + n] != data[i + n + 1])) ++n;
      packed.push_back(std::uint8_t(n));
      packed.insert(packed.end(), data.begin() + std::ptrdiff_t(i), data.begin() + std::ptrdiff_t(i + n));
    }
    i += n;
  }
  return packed;
}

TBytes Deflated(const TBytes& data) {
  uLongf size = compressBound(uLong(data.size()));
  TBytes packed(size);
  compress2(packed.data(), &size, data.data(), uLong(data.size()), 9);
  packed.resize(size);
  return packed;
}

}  // namespace

std::vector<std::uint32_t> Picture(TPictureKind kind, bool alpha, int width, int height) {
  std::vector<std::uint32_t> picture(std::size_t(width * height));
  std::uint32_t state = 2024;
  for (std::uint32_t& colour : picture) {
    state = state * 1103515245u + 12345u;
    const std::uint32_t r = state >> 7;
    colour = kind == TPictureKind::Grey ? (r & 0xFF) * 0x010101u
             : kind == TPictureKind::FewColours ? r % 16 * 0x110D09u
                                                 : r & 0xFFFFFF;
    colour |= alpha ? (r >> 17 | 1) << 24 : 0xFF000000u;
  }
  return picture;
}

TBytes MagickPsd(const std::vector<std::uint32_t>& picture, int width, int height, bool alpha,
                 const std::string& options) {
  const auto folder = std::filesystem::temp_directory_path() / ("lumox-psd-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string header = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                             "\nDEPTH " + (alpha ? "4" : "3") + "\nMAXVAL 255\nTUPLTYPE " +
                             (alpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
  TBytes pam(header.begin(), header.end());
  for (const std::uint32_t c : picture) {
    pam.insert(pam.end(), {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
    if (alpha) pam.push_back(std::uint8_t(c >> 24));
  }
  std::ofstream(folder / "in.pam", std::ios::binary).write(reinterpret_cast<const char*>(pam.data()), std::streamsize(pam.size()));
  const std::string command = "convert " + (folder / "in.pam").string() + " " + options + " " + (folder / "out.psd").string();
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
  std::ifstream in(folder / "out.psd", std::ios::binary);
  TBytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove_all(folder);
  return file;
}

std::uint8_t PspChannelByte(std::size_t index, std::uint16_t type) {
  return std::uint8_t(7 * (index / 2) + 31 * type);  // pairs, so that runs occur
}

TBytes PspFile(const TPspSpec& s) {
  const bool v3 = s.Version == 3;
  const auto chunk = [&](TBytes body) {
    if (v3) return body;
    TBytes c;
    Put(c, body.size() + 4, 4, false);
    Append(c, body);
    return c;
  };
  const auto block = [&](std::uint16_t id, const TBytes& body) {
    TBytes b{'~', 'B', 'K', 0};
    Put(b, id, 2, false);
    for (int i = v3 ? 0 : 1; i < 2; ++i) Put(b, body.size(), 4, false);
    Append(b, body);
    return b;
  };
  TBytes file(32);
  std::memcpy(file.data(), "Paint Shop Pro Image File\n\x1a", 27);
  Put(file, s.Version, 2, false);
  Put(file, 0, 2, false);
  TBytes attributes;
  double resolution = 100;
  std::uint64_t bits;
  std::memcpy(&bits, &resolution, 8);
  for (const auto& [value, bytes] : std::initializer_list<std::pair<std::uint64_t, int>>{
           {s.Width, 4}, {s.Height, 4}, {bits, 8}, {2, 1}, {s.Compression, 2}, {s.Depth, 2}, {0, 6},
           {s.Grey, 1}, {0, 14}}) {
    Put(attributes, value, bytes, false);
  }
  Append(file, block(0, chunk(attributes)));
  if (!s.Palette.empty()) {
    TBytes count;
    Put(count, s.Palette.size(), 4, false);
    TBytes palette = chunk(count);
    for (const std::uint32_t c : s.Palette) Put(palette, c, 4, false);  // blue, green, red, 0
    Append(file, block(2, palette));
  }
  const std::size_t rowBytes = s.Depth == 1 ? (s.Width + 7) / 8 : s.Depth == 4 ? s.Width / 2 + 1 : s.Width;
  TBytes bank;
  for (const std::uint8_t type : s.LayerTypes) {
    TBytes info(115);
    info[0] = type;
    TBytes layer = v3 ? TBytes(256) : TBytes{1, 0, 'L'};
    Append(layer, info);
    layer = chunk(layer);
    TBytes channelCount{0, 0};
    Put(channelCount, s.ChannelTypes.size(), 2, false);
    Append(layer, chunk(channelCount));
    for (const std::uint16_t t : s.ChannelTypes) {
      TBytes data(rowBytes * s.Height);
      for (std::size_t i = 0; i < data.size(); ++i) data[i] = PspChannelByte(i, t);
      const TBytes packed = s.Compression == 1 ? PspRunLength(data) : s.Compression == 2 ? Deflated(data) : data;
      TBytes fields;
      for (const auto& [value, bytes] : std::initializer_list<std::pair<std::uint64_t, int>>{
               {packed.size(), 4}, {data.size(), 4}, {0, 2}, {t, 2}}) {
        Put(fields, value, bytes, false);
      }
      TBytes channel = chunk(fields);
      Append(channel, packed);
      Append(layer, block(5, channel));
    }
    Append(bank, block(4, layer));
  }
  Append(file, block(3, bank));
  return file;
}

TBytes PcdFile(const TBytes& luma, std::uint8_t chroma1, std::uint8_t chroma2, std::uint8_t rotation,
               bool overview) {
  TBytes file(96 * 2048);
  std::memcpy(&file[overview ? 0 : 2048], overview ? "PCD_OPA" : "PCD_IPI", 7);
  file[11] = 1;
  file[3586] = rotation;
  for (std::size_t row = 0; row < 512; row += 2) {
    file.insert(file.end(), luma.begin() + std::ptrdiff_t(row * 768), luma.begin() + std::ptrdiff_t(row * 768 + 1536));
    file.insert(file.end(), 384, chroma1);
    file.insert(file.end(), 384, chroma2);
  }
  return file;
}

TBytes PcdHuffmanStream(const std::vector<std::vector<TPcdCode>>& tables, const std::vector<TPcdRow>& rows,
                        std::uint32_t stopRow) {
  TBytes bytes;
  int used = 8;
  const auto bits = [&](std::uint32_t value, int count) {
    for (int i = count; i-- > 0;) {
      if (used == 8) bytes.push_back(0), used = 0;
      bytes.back() |= std::uint8_t((value >> i & 1) << (7 - used++));
    }
  };
  for (const auto& table : tables) {
    bits(std::uint32_t(table.size() - 1), 8);
    for (const TPcdCode& c : table) bits(std::uint32_t(c.Length - 1) << 24 | c.Code << 8 | std::uint8_t(c.Value), 32);
  }
  const auto marker = [&](std::uint32_t row, std::uint32_t plane) {
    used = 8;  // markers start on a byte
    bits(0xFFFFFE, 24);
    bits(plane << 14 | row << 1, 16);
  };
  for (const TPcdRow& row : rows) {
    marker(row.Row, row.Plane);
    for (const int e : row.Entries) {
      const TPcdCode& c = tables[std::min<std::size_t>(row.Plane == 0 ? 0 : row.Plane - 1, tables.size() - 1)][std::size_t(e)];
      bits(c.Code >> (16 - c.Length), c.Length);
    }
  }
  marker(stopRow, 0);
  bytes.resize(bytes.size() + 8);
  return bytes;
}

std::vector<std::pair<std::string, TBytes>> PhotoSeeds() {
  const auto picture = Picture(TPictureKind::Colour, true, 5, 3);
  const auto psd = [&](const std::string& options) { return MagickPsd(picture, 5, 3, true, options); };
  const TBytes pack = PcdFile(TBytes(768 * 512, 128), 156, 137, 1);
  return {{"rgba-rle.psd", psd("-compress RLE")},
          {"grey16.psd", psd("-colorspace gray -depth 16 -compress none")},
          {"indexed.psd", psd("-colors 8 -type Palette")},
          {"cmyk.psd", psd("-colorspace CMYK")},
          {"rgb-rle.psp", PspFile({.Compression = 1})},
          {"alpha-lz77.psp", PspFile({.Compression = 2, .ChannelTypes = {1, 2, 3, 0}})},
          {"v3-indexed4.psp",
           PspFile({.Version = 3, .Depth = 4, .LayerTypes = {1, 0}, .ChannelTypes = {0}, .Palette = {0xFF0000}})},
          {"turned-head.pcd", TBytes(pack.begin(), pack.begin() + 6144)},
          {"corrections.huffman",
           PcdHuffmanStream({{{1, 0, 5}, {2, 0x8000, -3}}}, {{1, 0, {0, 1, 0}}, {2, 2, {1}}}, 3)}};
}

}  // namespace lumox::test
