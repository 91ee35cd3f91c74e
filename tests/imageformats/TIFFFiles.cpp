#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "tests/imageformats/FormatFiles.h"

namespace lumox::test {
namespace {

using TTempFile = std::unique_ptr<std::FILE, decltype(&std::fclose)>;

// The library on a temporary file from its start; it closes its own duplicate of the descriptor.
TIFF* OpenLibrary(std::FILE* file, const char* mode) {
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  std::rewind(file);
  return TIFFFdOpen(dup(fileno(file)), "picture.tif", mode);
}

std::uint32_t SampleValue(const TTiffSpec& spec, std::uint32_t x, std::uint32_t y, std::uint32_t s) {
  if (spec.BitsPerSample == 1) return y % 5 == 0 ? x >= spec.Width / 3 : (x / (1 + y * 37 % 300) + y) & 1;
  std::uint32_t noise = (x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ s * 0xC2B2AE3Du) * 0x27D4EB2Fu;
  noise ^= noise >> 15;
  const std::uint32_t value = (x * 255 / std::max(1u, spec.Width - 1) + y * 3 + s * 85 + (noise & 15)) & 255;
  return spec.BitsPerSample == 16 ? value * 257 + (noise >> 24)
                                  : value * ((1u << spec.BitsPerSample) - 1) / 255;
}

bool ConvertedByTheLibrary(const TTiffSpec& spec) {
  return spec.Photometric == YCbCr && spec.Compression == Jpeg;
}

// One row as the library takes it: packed from the top bit, 16-bit samples little-endian.
TBytes SampleRow(const TTiffSpec& spec, std::uint32_t y) {
  const std::uint32_t samples = ConvertedByTheLibrary(spec) ? 3 : spec.SamplesPerPixel,
                      bits = spec.BitsPerSample;
  TBytes row((spec.Width * samples * bits + 7) / 8, 0);
  for (std::uint32_t i = 0; i < spec.Width * samples; ++i) {
    const std::uint32_t value = SampleValue(spec, i / samples, y, i % samples), bit = i * bits;
    row[bit / 8] |= std::uint8_t(bits == 16 ? value : value << (8 - bits - bit % 8));
    if (bits == 16) row[bit / 8 + 1] = std::uint8_t(value >> 8);
  }
  return row;
}

void SetTags(TIFF* tiff, const TTiffSpec& spec) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, spec.Width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, spec.Height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, spec.BitsPerSample);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, spec.SamplesPerPixel);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, spec.Compression);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, spec.Photometric);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, spec.RowsPerStrip != 0 ? spec.RowsPerStrip : spec.Height);
  TIFFSetField(tiff, TIFFTAG_PREDICTOR, spec.Predictor);
  if (spec.ReversedBits) TIFFSetField(tiff, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
  if (spec.ReversedBits) TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_FILLBITS);
  const std::uint16_t alpha = EXTRASAMPLE_ASSOCALPHA;
  if (spec.Alpha) TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &alpha);
  const int subsampling = ConvertedByTheLibrary(spec) ? 2 : 1;
  if (spec.Photometric == YCbCr) TIFFSetField(tiff, TIFFTAG_YCBCRSUBSAMPLING, subsampling, subsampling);
  if (ConvertedByTheLibrary(spec)) TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  auto* map = const_cast<std::uint16_t*>(spec.ColorMap.data());
  const std::size_t colors = spec.ColorMap.size() / 3;
  if (colors > 0) TIFFSetField(tiff, TIFFTAG_COLORMAP, map, map + colors, map + 2 * colors);
}

}  // namespace

TBytes LibraryTiff(const TTiffSpec& spec) {
  const TTempFile file(std::tmpfile(), &std::fclose);
  TIFF* tiff = OpenLibrary(file.get(), spec.BigEndian ? "wb" : "wl");
  if (tiff == nullptr) throw std::runtime_error("cannot write a test file");
  SetTags(tiff, spec);
  bool written = true;
  for (std::uint32_t y = 0; y < spec.Height; ++y)
    written = written && TIFFWriteScanline(tiff, SampleRow(spec, y).data(), y, 0) == 1;
  TIFFClose(tiff);
  if (!written) throw std::runtime_error("the reference library could not encode a test file");
  std::rewind(file.get());
  TBytes bytes;
  for (int c; (c = std::fgetc(file.get())) != EOF;) bytes.push_back(std::uint8_t(c));
  return bytes;
}

TColours LibraryColours(const TBytes& bytes) {
  const TTempFile file(std::tmpfile(), &std::fclose);
  std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  TIFF* tiff = OpenLibrary(file.get(), "r");
  if (tiff == nullptr) return {};
  std::uint32_t width = 0, height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TColours pixels(std::size_t{width} * height);
  if (!TIFFReadRGBAImageOriented(tiff, width, height, pixels.data(), ORIENTATION_TOPLEFT, 0)) pixels.clear();
  TIFFClose(tiff);
  for (std::uint32_t& p : pixels) p = (p & 0xFF00FF00u) | (p >> 16 & 0xFF) | (p & 0xFF) << 16;  // from ABGR
  return pixels;
}

TBytes HandMadeTiff(const std::vector<TTag>& tags, const TBytes& data) {
  const std::size_t ifd = 8 + data.size();
  TBytes file = TBytes{'I', 'I', 42, 0} + Fields({{ifd, 4}}) + data + Fields({{tags.size(), 2}});
  file.resize(ifd + 2 + 12 * tags.size() + 4, 0);
  for (std::size_t i = 0, entry = ifd + 2; i < tags.size(); ++i, entry += 12) {
    const TTag& tag = tags[i];
    const int width = tag.Type == 3 ? 2 : tag.Type == 1 ? 1 : 4;
    const std::size_t count = tag.Count != 0 ? tag.Count : tag.Values.size() / (tag.Type == 5 ? 2 : 1);
    Put(file, entry, tag.Tag, 2);
    Put(file, entry + 2, tag.Type, 2);
    Put(file, entry + 4, count, 4);
    std::size_t at = entry + 8;
    if (tag.Values.size() * std::size_t(width) > 4) {
      Put(file, at, file.size(), 4);
      at = file.size();
    }
    for (const std::uint32_t value : tag.Values)
      Put(file, std::exchange(at, at + std::size_t(width)), value, width);
  }
  return file;
}

TBytes EpsFile(const TBytes& tiff, std::uint32_t gap, std::uint32_t previewLength, std::uint8_t magic) {
  const TBytes header = Fields(
      {{0xC6D3D000u | magic, 4}, {30, 4}, {gap, 4}, {0, 8}, {30 + gap, 4}, {previewLength, 4}, {0, 2}});
  return header + TBytes(gap, ' ') + tiff;
}

namespace {

// clang-format off
TTiffSpec GreySpec(std::uint16_t bits, std::uint16_t compression = Raw, std::uint16_t predictor = 1) {
  return {.Photometric = MinIsBlack, .BitsPerSample = bits, .SamplesPerPixel = 1, .Compression = compression, .Predictor = predictor};
}

// A palette picture with a colour map of 2^bits entries.
TTiffSpec PaletteSpec(std::uint16_t bits, std::uint16_t compression = Raw) {
  TTiffSpec spec{.Photometric = Palette, .BitsPerSample = bits, .SamplesPerPixel = 1, .Compression = compression};
  for (unsigned i = 0; i < 3u << bits; ++i) spec.ColorMap.push_back(std::uint16_t((i * 73 + (i >> bits) * 50) % 256 * 257));
  return spec;
}

TTiffSpec FaxSpec(std::uint16_t compression, std::uint32_t width, std::uint32_t rowsPerStrip = 0) {
  return {.Width = width, .Photometric = MinIsWhite, .BitsPerSample = 1, .SamplesPerPixel = 1, .Compression = compression,
          .RowsPerStrip = rowsPerStrip};
}
// clang-format on

// clang-format off
// A 13 x 6 ThunderScan picture with every kind of code (the reference library writes none).
TBytes ThunderTiff() {
  // Rows from 0: deltas to 15, raw 5, deltas, a run from an odd pixel, deltas, one delta beyond the row.
  TBytes codes;
  for (int row = 0; row < 6; ++row) codes.insert(codes.end(), {0x43, 0xC5, 0x45, 0x02, 0x45, 0x89});
  return HandMadeTiff({{256, 3, {13}}, {257, 3, {6}}, {258, 3, {4}}, {259, 3, {32809}}, {262, 3, {1}}, {273, 4, {8}},
                       {277, 3, {1}}, {278, 3, {6}}, {279, 4, {std::uint32_t(codes.size())}}}, codes);
}
// clang-format on

}  // namespace

void AddTiffFiles(std::map<std::string, TReaderFile>& files) {
  // clang-format off
  const std::pair<const char*, TTiffSpec> tiffs[] = {
      {"rgb-strips", {.RowsPerStrip = 3}},
      {"rgb-packbits-big-endian", {.Compression = PackBits, .RowsPerStrip = 4, .BigEndian = true}},
      {"rgb-deflate-predictor", {.Width = 33, .Height = 17, .Compression = Deflate, .Predictor = 2, .RowsPerStrip = 5}},
      {"rgb16-predictor-big-endian", {.BitsPerSample = 16, .Compression = Deflate, .Predictor = 2, .BigEndian = true}},
      {"rgba", {.SamplesPerPixel = 4, .Compression = Deflate, .Predictor = 2, .Alpha = true}},
      {"grey", GreySpec(8)}, {"grey-predictor", GreySpec(8, Deflate, 2)}, {"grey16-predictor", GreySpec(16, Deflate, 2)},
      {"grey4-packbits", GreySpec(4, PackBits)}, {"grey2", GreySpec(2)},
      {"min-is-white", {.Photometric = MinIsWhite, .BitsPerSample = 1, .SamplesPerPixel = 1}},
      {"palette8-packbits", PaletteSpec(8, PackBits)}, {"palette4", PaletteSpec(4)}, {"palette2", PaletteSpec(2)},
      {"palette8-big-endian", [] { TTiffSpec s = PaletteSpec(8); s.BigEndian = true; return s; }()},
      {"cmyk", {.Photometric = CMYK, .SamplesPerPixel = 4}}, {"ycbcr", {.Photometric = YCbCr}},
      {"jpeg-rgb", {.Width = 37, .Height = 21, .Compression = Jpeg, .RowsPerStrip = 8}},
      {"jpeg-ycbcr", {.Width = 37, .Height = 21, .Photometric = YCbCr, .Compression = Jpeg, .RowsPerStrip = 16}},
      {"jpeg-grey", {.Width = 37, .Height = 21, .Photometric = MinIsBlack, .SamplesPerPixel = 1, .Compression = Jpeg,
                     .RowsPerStrip = 8}},
      {"fax3-odd-width", FaxSpec(Fax3, 203, 4)}, {"fax-mh", FaxSpec(MH, 33, 4)},
      {"fax3-reversed-bits", [] { TTiffSpec s = FaxSpec(Fax3, 5003); s.ReversedBits = true; return s; }()}};
  // clang-format on
  for (const auto& [name, spec] : tiffs) {
    const TBytes file = LibraryTiff(spec);
    // 16-bit samples and YCbCr outside JPEG data are rounded differently.
    const int tolerance = spec.BitsPerSample == 16                               ? 1
                          : spec.Photometric == YCbCr && spec.Compression == Raw ? 3
                                                                                 : 0;
    files[name + std::string(".tif")] = {file, LibraryColours(file), 0xFFFFFFFF, tolerance};
  }
  // The reference library cannot read its own word-aligned fax rows: byte-aligned ones are the reference.
  files["fax-mh-words.tif"] = {LibraryTiff(FaxSpec(MHWords, 33, 4)), files.at("fax-mh.tif").Expected};
  files["thunder.tif"] = {ThunderTiff(), LibraryColours(ThunderTiff())};
  const TReaderFile& grey = files.at("grey.tif");
  files["preview.eps"] = {EpsFile(grey.File, 16, std::uint32_t(grey.File.size())), grey.Expected};
}

}  // namespace lumox::test
