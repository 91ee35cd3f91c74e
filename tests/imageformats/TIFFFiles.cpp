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

using TTempFile = std::unique_ptr<std::FILE, decltype(&std::fclose)>;

// The library on a temporary file; it closes its own duplicate of the descriptor.
TIFF* OpenLibrary(std::FILE* file, const char* mode) {
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  return TIFFFdOpen(dup(fileno(file)), "picture.tif", mode);
}

std::uint32_t SampleValue(const TTiffSpec& spec, std::uint32_t x, std::uint32_t y, std::uint32_t s) {
  if (spec.BitsPerSample == 1) return y % 5 == 0 ? x >= spec.Width / 3 : (x / (1 + y * 37 % 300) + y) & 1;
  std::uint32_t noise = (x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ s * 0xC2B2AE3Du) * 0x27D4EB2Fu;
  noise ^= noise >> 15;
  const std::uint32_t value = (x * 255 / std::max(1u, spec.Width - 1) + y * 3 + s * 85 + (noise & 15)) & 255;
  return spec.BitsPerSample == 16 ? value * 257 + (noise >> 24) : value * ((1u << spec.BitsPerSample) - 1) / 255;
}

// JPEG YCbCr pictures are written from RGB rows, which the library converts.
std::uint32_t RowSamples(const TTiffSpec& spec) {
  return spec.Photometric == PHOTOMETRIC_YCBCR && spec.Compression == COMPRESSION_JPEG ? 3 : spec.SamplesPerPixel;
}

std::size_t RowBytes(const TTiffSpec& spec) {
  return (std::size_t{spec.Width} * spec.BitsPerSample * RowSamples(spec) + 7) / 8;
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
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, spec.RowsPerStrip != 0 ? spec.RowsPerStrip : spec.Height);
  if (spec.Predictor != 1) TIFFSetField(tiff, TIFFTAG_PREDICTOR, spec.Predictor);
  const std::uint16_t alpha = EXTRASAMPLE_ASSOCALPHA;
  if (spec.ExtraSamples != 0) TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &alpha);
  if (spec.Compression == COMPRESSION_CCITTFAX3) TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, spec.Group3Options);
  const bool jpeg = spec.Compression == COMPRESSION_JPEG;
  if (spec.Photometric == PHOTOMETRIC_YCBCR) {
    TIFFSetField(tiff, TIFFTAG_YCBCRSUBSAMPLING, jpeg ? spec.Subsampling : 1, jpeg ? spec.Subsampling : 1);
  }
  if (jpeg) TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, spec.JpegQuality);
  if (jpeg && spec.Photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  if (!spec.ColorMap.empty()) {
    auto* map = const_cast<std::uint16_t*>(spec.ColorMap.data());
    const std::size_t n = spec.ColorMap.size() / 3;
    TIFFSetField(tiff, TIFFTAG_COLORMAP, map, map + n, map + 2 * n);
  }
}

}  // namespace

TBytes SampleRows(const TTiffSpec& spec) {
  const std::uint32_t samples = RowSamples(spec);
  TBytes rows(RowBytes(spec) * spec.Height, 0);
  for (std::uint32_t y = 0; y < spec.Height; ++y) {
    std::uint8_t* row = &rows[y * RowBytes(spec)];
    for (std::uint32_t i = 0; i < spec.Width * samples; ++i) {
      const std::uint32_t value = SampleValue(spec, i / samples, y, i % samples);
      if (spec.BitsPerSample == 16) {
        const auto word = static_cast<std::uint16_t>(value);
        std::memcpy(row + 2 * i, &word, 2);
      } else {
        const std::size_t bit = std::size_t{i} * spec.BitsPerSample;
        row[bit / 8] |= static_cast<std::uint8_t>(value << (8 - spec.BitsPerSample - bit % 8));
      }
    }
  }
  return rows;
}

TBytes LibraryTiff(const TTiffSpec& spec, const TBytes& samples) {
  const TTempFile file(std::tmpfile(), &std::fclose);
  TIFF* tiff = OpenLibrary(file.get(), spec.BigEndian ? "wb" : "wl");
  if (tiff == nullptr) throw std::runtime_error("cannot write a test file");
  SetTags(tiff, spec);
  TBytes row(RowBytes(spec));
  bool written = true;
  for (std::uint32_t y = 0; y < spec.Height; ++y) {
    std::copy_n(samples.begin() + std::ptrdiff_t(y * row.size()), row.size(), row.begin());
    written = written && TIFFWriteScanline(tiff, row.data(), y, 0) == 1;
  }
  TIFFClose(tiff);
  if (!written) throw std::runtime_error("the reference library could not encode the test file");
  std::rewind(file.get());
  TBytes bytes;
  for (int c; (c = std::fgetc(file.get())) != EOF;) bytes.push_back(std::uint8_t(c));
  return bytes;
}

TReferencePixels LibraryPixels(const TBytes& bytes) {
  const TTempFile file(std::tmpfile(), &std::fclose);
  std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  std::rewind(file.get());
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
  const auto put = [&file](std::size_t at, std::uint32_t value, unsigned bytes) {
    for (unsigned i = 0; i < bytes; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  const std::size_t ifd = file.size();
  put(4, static_cast<std::uint32_t>(ifd), 4);
  file.resize(ifd + 2 + 12 * tags.size() + 4, 0);
  put(ifd, static_cast<std::uint32_t>(tags.size()), 2);
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const TTag& tag = tags[i];
    const unsigned width = tag.Type == 3 ? 2 : tag.Type == 1 ? 1 : 4;
    const std::size_t entry = ifd + 2 + 12 * i;
    put(entry, tag.Tag, 2);
    put(entry + 2, tag.Type, 2);
    put(entry + 4, tag.Count != 0 ? tag.Count : std::uint32_t(tag.Values.size() / (tag.Type == 5 ? 2 : 1)), 4);
    std::size_t at = entry + 8;
    if (tag.Values.size() * width > 4) {
      put(at, static_cast<std::uint32_t>(file.size()), 4);
      at = file.size();
      file.resize(file.size() + tag.Values.size() * width);
    }
    for (const std::uint32_t value : tag.Values) put(at, value, width), at += width;
  }
  return file;
}

}  // namespace lumox::test
