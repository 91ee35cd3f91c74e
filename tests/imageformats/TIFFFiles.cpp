#include "tests/imageformats/TIFFFiles.h"

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace lumox::test {
namespace {

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TTempFile = std::unique_ptr<std::FILE, TFileCloser>;

TBytes ReadAll(std::FILE* file) {
  std::rewind(file);
  TBytes bytes;
  std::uint8_t buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
  return bytes;
}

// The library on a temporary file; it closes its own duplicate of the descriptor.
TIFF* OpenLibrary(std::FILE* file, const char* mode) {
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  return TIFFFdOpen(dup(fileno(file)), "picture.tif", mode);
}

std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t s) {
  std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u ^ s * 0xC2B2AE3Du;
  return h ^ h >> 15;
}

std::uint32_t SampleValue(const TTiffSpec& spec, std::uint32_t x, std::uint32_t y, std::uint32_t s) {
  const std::uint32_t max = (1u << spec.BitsPerSample) - 1;
  if (spec.BitsPerSample == 1) {
    // Runs of many lengths, and rows of two long runs for the longest codes.
    if (y % 5 == 0) return x >= spec.Width / 3;
    return ((x / (1 + y * 37 % 300)) + y) & 1;
  }
  const std::uint32_t ramp = x * 255 / std::max(1u, spec.Width - 1) + y * 3 + s * 85;
  const std::uint32_t value = (ramp + (Hash(x, y, s) & 15)) & 255;
  return spec.BitsPerSample == 16 ? value * 257 + (Hash(y, x, s) & 255) : value * max / 255;
}

void SetTags(TIFF* tiff, const TTiffSpec& spec) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, spec.Width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, spec.Height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, spec.BitsPerSample);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, spec.SamplesPerPixel);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, spec.Compression);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, spec.Photometric);
  TIFFSetField(tiff, TIFFTAG_FILLORDER, spec.FillOrder);
  if (spec.Predictor != 1) TIFFSetField(tiff, TIFFTAG_PREDICTOR, spec.Predictor);
  if (spec.ExtraSamples != 0) {
    const std::uint16_t kind = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &kind);
  }
  if (spec.Compression == COMPRESSION_CCITTFAX3) TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, spec.Group3Options);
  if (spec.Photometric == PHOTOMETRIC_YCBCR) {
    const std::uint16_t sub = spec.Compression == COMPRESSION_JPEG ? spec.Subsampling : 1;
    TIFFSetField(tiff, TIFFTAG_YCBCRSUBSAMPLING, sub, sub);
  }
  if (spec.Compression == COMPRESSION_JPEG) {
    TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, spec.JpegQuality);
    if (spec.Photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  if (!spec.ColorMap.empty()) {
    const std::size_t n = spec.ColorMap.size() / 3;
    auto* map = const_cast<std::uint16_t*>(spec.ColorMap.data());
    TIFFSetField(tiff, TIFFTAG_COLORMAP, map, map + n, map + 2 * n);
  }
}

void Require(bool ok) {
  if (!ok) throw std::runtime_error("the reference library could not write the test file");
}

// The bytes of one row as the library takes them: RGB for YCbCr pictures it converts itself.
std::size_t RowBytes(const TTiffSpec& spec) {
  const bool converted = spec.Photometric == PHOTOMETRIC_YCBCR && spec.Compression == COMPRESSION_JPEG;
  const std::size_t samples = converted ? 3 : spec.SamplesPerPixel;
  return (std::size_t{spec.Width} * spec.BitsPerSample * samples + 7) / 8;
}

void WriteTiles(TIFF* tiff, const TTiffSpec& spec, const TBytes& samples) {
  TIFFSetField(tiff, TIFFTAG_TILEWIDTH, spec.TileSide);
  TIFFSetField(tiff, TIFFTAG_TILELENGTH, spec.TileSide);
  const std::size_t pixelBytes = spec.BitsPerSample * spec.SamplesPerPixel / 8;
  TBytes tile(std::size_t{spec.TileSide} * spec.TileSide * pixelBytes);
  for (std::uint32_t ty = 0; ty < spec.Height; ty += spec.TileSide) {
    for (std::uint32_t tx = 0; tx < spec.Width; tx += spec.TileSide) {
      for (std::uint32_t y = 0; y < spec.TileSide && ty + y < spec.Height; ++y)
        for (std::size_t b = 0; b < spec.TileSide * pixelBytes && tx * pixelBytes + b < RowBytes(spec); ++b)
          tile[y * spec.TileSide * pixelBytes + b] = samples[(ty + y) * RowBytes(spec) + tx * pixelBytes + b];
      Require(TIFFWriteTile(tiff, tile.data(), tx, ty, 0, 0) >= 0);
    }
  }
}

}  // namespace

TBytes SampleRows(const TTiffSpec& spec) {
  const bool rgb = spec.Photometric == PHOTOMETRIC_YCBCR && spec.Compression == COMPRESSION_JPEG;
  const std::uint32_t samples = rgb ? 3 : spec.SamplesPerPixel;
  TBytes rows(RowBytes(spec) * spec.Height, 0);
  for (std::uint32_t y = 0; y < spec.Height; ++y) {
    std::uint8_t* row = &rows[y * RowBytes(spec)];
    for (std::uint32_t i = 0; i < spec.Width * samples; ++i) {
      const std::uint32_t value = SampleValue(spec, i / samples, y, i % samples);
      if (spec.BitsPerSample == 16) {
        const auto word = static_cast<std::uint16_t>(value);
        std::memcpy(row + 2 * i, &word, 2);
      } else if (spec.BitsPerSample == 8) {
        row[i] = static_cast<std::uint8_t>(value);
      } else {
        const std::size_t bit = std::size_t{i} * spec.BitsPerSample;
        row[bit / 8] |= static_cast<std::uint8_t>(value << (8 - spec.BitsPerSample - bit % 8));
      }
    }
  }
  return rows;
}

TBytes LibraryTiff(const TTiffSpec& spec, const TBytes& samples) {
  const TTempFile file(std::tmpfile());
  TIFF* tiff = OpenLibrary(file.get(), spec.BigEndian ? "wb" : "wl");
  Require(tiff != nullptr);
  SetTags(tiff, spec);
  if (spec.TileSide != 0) {
    WriteTiles(tiff, spec, samples);
  } else {
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, spec.RowsPerStrip != 0 ? spec.RowsPerStrip : spec.Height);
    TBytes row(RowBytes(spec));
    for (std::uint32_t y = 0; y < spec.Height; ++y) {
      std::copy_n(samples.begin() + std::ptrdiff_t(y * row.size()), row.size(), row.begin());
      Require(TIFFWriteScanline(tiff, row.data(), y, 0) == 1);
    }
  }
  TIFFClose(tiff);
  return ReadAll(file.get());
}

TReferencePixels LibraryPixels(const TBytes& bytes) {
  const TTempFile file(std::tmpfile());
  std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  std::fflush(file.get());
  TIFF* tiff = OpenLibrary(file.get(), "r");
  TReferencePixels result;
  if (tiff == nullptr) return result;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &result.Width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &result.Height);
  result.Pixels.resize(std::size_t{result.Width} * result.Height);
  if (!TIFFReadRGBAImageOriented(tiff, result.Width, result.Height, result.Pixels.data(), ORIENTATION_TOPLEFT, 0))
    result = {};
  TIFFClose(tiff);
  return result;
}

TBytes HandMadeTiff(const std::vector<TTag>& tags, const TBytes& data) {
  TBytes file{'I', 'I', 42, 0, 0, 0, 0, 0};
  file.insert(file.end(), data.begin(), data.end());
  if (file.size() % 2 != 0) file.push_back(0);
  const auto put = [](TBytes& out, std::size_t at, std::uint32_t value, unsigned bytes) {
    for (unsigned i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  const std::size_t ifd = file.size();
  put(file, 4, static_cast<std::uint32_t>(ifd), 4);
  file.resize(ifd + 2 + 12 * tags.size() + 4, 0);
  put(file, ifd, static_cast<std::uint32_t>(tags.size()), 2);
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const TTag& tag = tags[i];
    const unsigned width = tag.Type == 1 || tag.Type == 2 || tag.Type == 6 || tag.Type == 7 ? 1
                           : tag.Type == 3 || tag.Type == 8                                 ? 2
                                                                                            : 4;
    const std::uint32_t count =
        tag.Count != 0 ? tag.Count : static_cast<std::uint32_t>(tag.Values.size() / (tag.Type == 5 ? 2 : 1));
    const std::size_t entry = ifd + 2 + 12 * i;
    put(file, entry, tag.Tag, 2);
    put(file, entry + 2, tag.Type, 2);
    put(file, entry + 4, count, 4);
    std::size_t at = entry + 8;
    if (tag.Values.size() * width > 4) {
      put(file, at, static_cast<std::uint32_t>(file.size()), 4);
      at = file.size();
      file.resize(file.size() + tag.Values.size() * width, 0);
    }
    for (const std::uint32_t value : tag.Values) put(file, at, value, width), at += width;
  }
  return file;
}

}  // namespace lumox::test
