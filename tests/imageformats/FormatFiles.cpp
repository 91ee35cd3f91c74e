#include "tests/imageformats/FormatFiles.h"

#include <png.h>
#include <stb/stb_image.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>

#include "imageformats/TargaRLE.h"

namespace lumox::test {
namespace {

void PutLE16(TBytes& out, unsigned v) { out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }

void PutBE32(TBytes& out, std::uint32_t v) {
  out.insert(out.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

std::uint32_t BE32(const std::uint8_t* p) { return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

[[noreturn]] void PngFailed(png_structp, png_const_charp message) { throw std::runtime_error(message); }

}  // namespace

TBytes TargaFile(const TTargaSpec& spec) {
  TBytes file{0, std::uint8_t(spec.ColorMap.empty() ? 0 : 1), spec.ImageType};
  const unsigned entryBytes = (spec.MapEntrySize + 1) / 8;
  PutLE16(file, 0);
  PutLE16(file, unsigned(spec.ColorMap.size() / entryBytes));
  file.insert(file.end(), {spec.MapEntrySize, 0, 0, 0, 0});
  PutLE16(file, unsigned(spec.Width));
  PutLE16(file, unsigned(spec.Height));
  file.insert(file.end(), {spec.PixelSize, std::uint8_t(spec.TopDown ? 0x20 : 0)});
  file.insert(file.end(), spec.ColorMap.begin(), spec.ColorMap.end());
  if (spec.ImageType < 9) {
    file.insert(file.end(), spec.Pixels.begin(), spec.Pixels.end());
    return file;
  }
  const unsigned pixelBytes = (spec.PixelSize + 1) / 8;
  TBytes packed(spec.Pixels.size() / pixelBytes * (pixelBytes + 1));
  std::uint64_t written = 0;
  TTargaRLEDecoder(spec.PixelSize).Encode(spec.Pixels.data(), packed.data(), spec.Pixels.size() / pixelBytes, written);
  file.insert(file.end(), packed.begin(), packed.begin() + std::ptrdiff_t(written));
  return file;
}

TBytes PngFile(const TPngSpec& spec) {
  TBytes file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &file,
      [](png_structp p, png_bytep data, size_t size) {
        static_cast<TBytes*>(png_get_io_ptr(p))->insert(static_cast<TBytes*>(png_get_io_ptr(p))->end(), data,
                                                        data + size);
      },
      nullptr);
  png_set_IHDR(png, info, png_uint_32(spec.Width), png_uint_32(spec.Height), spec.BitDepth, spec.ColorType,
               spec.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
  std::vector<png_color> palette(spec.Palette.size() / 3);
  std::memcpy(palette.data(), spec.Palette.data(), palette.size() * 3);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  png_set_filter(png, 0, spec.Filters);
  png_write_info(png, info);
  const std::size_t rowBytes = spec.Samples.size() / std::size_t(spec.Height);
  std::vector<png_bytep> rows;
  for (int y = 0; y < spec.Height; ++y) rows.push_back(const_cast<png_bytep>(&spec.Samples[y * rowBytes]));
  if (spec.Interlaced) png_set_interlace_handling(png);
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return file;
}

std::vector<TChunk> PngChunks(const TBytes& file) {
  std::vector<TChunk> chunks;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::size_t length = BE32(&file[at]);
    const auto data = file.begin() + std::ptrdiff_t(at + 8);
    chunks.push_back({std::string(&file[at + 4], &file[at + 8]), TBytes(data, data + std::ptrdiff_t(length))});
    at += length + 12;
  }
  return chunks;
}

TBytes PngFromChunks(const std::vector<TChunk>& chunks) {
  TBytes file{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  for (const TChunk& chunk : chunks) {
    PutBE32(file, std::uint32_t(chunk.Data.size()));
    const std::size_t typeAt = file.size();
    file.insert(file.end(), chunk.Type.begin(), chunk.Type.end());
    file.insert(file.end(), chunk.Data.begin(), chunk.Data.end());
    PutBE32(file, std::uint32_t(crc32(0, &file[typeAt], uInt(file.size() - typeAt))));
  }
  return file;
}

TBytes SplitImageData(const TBytes& file, const std::vector<std::size_t>& sizes) {
  std::vector<TChunk> chunks, result;
  TBytes data;
  for (TChunk& chunk : PngChunks(file)) {
    if (chunk.Type != "IDAT") {
      chunks.push_back(std::move(chunk));
    } else if (data.empty()) {
      chunks.push_back({"IDAT", {}});  // where the data go
    }
    if (chunk.Type == "IDAT") data.insert(data.end(), chunk.Data.begin(), chunk.Data.end());
  }
  for (TChunk& chunk : chunks) {
    if (chunk.Type != "IDAT") {
      result.push_back(std::move(chunk));
      continue;
    }
    std::size_t at = 0;
    for (std::size_t size : sizes) {
      size = std::min(size, data.size() - at);
      result.push_back({"IDAT", TBytes(data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + size))});
      at += size;
    }
    result.push_back({"IDAT", TBytes(data.begin() + std::ptrdiff_t(at), data.end())});
  }
  return PngFromChunks(result);
}

TColours ReferenceTargaColours(const TBytes& file) {
  int width = 0, height = 0, channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
      stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4), stbi_image_free);
  if (!rgba) throw std::runtime_error(stbi_failure_reason());
  TColours colours(std::size_t(width) * std::size_t(height));
  for (std::size_t i = 0; i < colours.size(); ++i) {
    const stbi_uc* p = &rgba.get()[4 * i];
    colours[i] = std::uint32_t(p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2];
  }
  return colours;
}

TColours ReferencePngColours(const TBytes& file) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, nullptr);
  png_infop info = png_create_info_struct(png);
  struct TSource {
    const TBytes& Bytes;
    std::size_t At;
  } source{file, 0};
  png_set_read_fn(png, &source, [](png_structp p, png_bytep data, size_t size) {
    auto* s = static_cast<TSource*>(png_get_io_ptr(p));
    if (s->At + size > s->Bytes.size()) png_error(p, "short file");
    std::memcpy(data, &s->Bytes[s->At], size);
    s->At += size;
  });
  png_read_info(png, info);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  const int depth = png_get_bit_depth(png, info), type = png_get_color_type(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  TBytes samples(rowBytes * height);
  std::vector<png_bytep> rows;
  for (png_uint_32 y = 0; y < height; ++y) rows.push_back(&samples[y * rowBytes]);
  png_read_image(png, rows.data());
  png_colorp entries = nullptr;
  int paletteSize = 0;
  png_get_PLTE(png, info, &entries, &paletteSize);
  const std::vector<png_color> palette(entries, entries + paletteSize);
  png_destroy_read_struct(&png, &info, nullptr);

  const int channels = type == 0 || type == 3 ? 1 : type == 4 ? 2 : type == 2 ? 3 : 4;
  // Sample c of pixel x in row y, 8 bits wide (a level of a narrower depth scaled, an index kept).
  const auto sample = [&](png_uint_32 y, png_uint_32 x, int c) -> unsigned {
    const std::uint8_t* row = &samples[y * rowBytes];
    if (depth == 16) return (row[2 * (x * channels + c)] << 8 | row[2 * (x * channels + c) + 1]) * 255u / 65535u;
    if (depth == 8) return row[x * channels + c];
    const unsigned bit = x * depth, level = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
    return type == 3 ? level : level * 255u / ((1u << depth) - 1);
  };
  TColours colours;
  for (png_uint_32 y = 0; y < height; ++y) {
    for (png_uint_32 x = 0; x < width; ++x) {
      unsigned r = sample(y, x, 0), g = r, b = r, a = 255;
      if (type == 3) {
        const png_color entry = int(r) < paletteSize ? palette[r] : png_color{0, 0, 0};
        r = entry.red, g = entry.green, b = entry.blue;
      } else if (type >= 2 && type != 4) {
        g = sample(y, x, 1), b = sample(y, x, 2);
        if (type == 6) a = sample(y, x, 3);
      }
      colours.push_back(a << 24 | r << 16 | g << 8 | b);
    }
  }
  return colours;
}

TColours Colours(const TBitmap& bitmap) {
  TColours colours(std::size_t(bitmap.Width()) * std::size_t(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y)
    bitmap.ScanLineToBGRA(y, std::span(colours).subspan(std::size_t(y) * std::size_t(bitmap.Width())));
  return colours;
}

TBytes PictureBytes(std::size_t pixels, unsigned pixelBytes, std::uint32_t seed) {
  std::mt19937 random(seed);
  TBytes bytes(pixels * pixelBytes);
  for (std::size_t i = 0; i < bytes.size(); i += pixelBytes) {
    const bool repeat = i > 0 && random() % 3 == 0;
    for (std::size_t j = i; j < i + pixelBytes; ++j) bytes[j] = repeat ? bytes[j - pixelBytes] : std::uint8_t(random());
  }
  return bytes;
}

}  // namespace lumox::test
