#include "tests/imageformats/FormatFiles.h"

#include <png.h>
#include <stb/stb_image.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>

#include "imageformats/TargaRLE.h"

namespace lumox::test {
namespace {

[[noreturn]] void PngFailed(png_structp, png_const_charp message) { throw std::runtime_error(message); }

}  // namespace

TBytes operator+(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void Put(TBytes& bytes, std::size_t at, std::uint64_t value, int width, bool bigEndian) {
  bytes.resize(std::max(bytes.size(), at + std::size_t(width)));
  for (int i = 0; i < width; ++i)
    bytes[at + std::size_t(i)] = i < 8 ? std::uint8_t(value >> 8 * (bigEndian ? width - 1 - i : i)) : 0;
}

TBytes Fields(std::initializer_list<std::pair<std::uint64_t, int>> fields) {
  TBytes bytes;
  for (const auto& [value, width] : fields) Put(bytes, bytes.size(), value, width);
  return bytes;
}

TBytes PictureBytes(std::size_t pixels, unsigned pixelBytes, std::uint32_t seed) {
  std::mt19937 random(seed);
  TBytes bytes(pixels * pixelBytes);
  for (std::size_t i = 0; i < bytes.size(); i += pixelBytes) {
    const bool repeat = i > 0 && random() % 3 == 0;
    for (std::size_t j = i; j < i + pixelBytes; ++j)
      bytes[j] = repeat ? bytes[j - pixelBytes] : std::uint8_t(random());
  }
  return bytes;
}

void ExpectCleanFailures(const TBytes& file, const std::function<void(const TBytes&)>& load, std::size_t step,
                         int damages) {
  const auto tryLoad = [&load](const TBytes& bytes) {
    try {
      load(bytes);
    } catch (const ELumox&) {
    }
  };
  for (std::size_t size = 0; size < file.size(); size += step)
    tryLoad(TBytes(file.begin(), file.begin() + long(size)));
  std::mt19937 random(11);
  for (int i = 0; i < damages && !file.empty(); ++i) {
    TBytes damaged = file;
    for (unsigned n = random() % 4 + 1; n > 0; --n)
      damaged[random() % std::min<std::size_t>(file.size(), 4096)] = std::uint8_t(random());
    tryLoad(damaged);
  }
}

TColours Colours(const TBitmap& bitmap, std::uint32_t kept) {
  TColours colours(std::size_t(bitmap.Width()) * std::size_t(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y)
    bitmap.ScanLineToBGRA(y, std::span(colours).subspan(std::size_t(y) * std::size_t(bitmap.Width())));
  for (auto& colour : colours) colour &= kept;
  return colours;
}

TBytes TargaFile(std::uint8_t type, std::uint8_t pixelSize, bool topDown, int width, int height,
                 std::uint8_t mapEntrySize, const TBytes& map, const TBytes& pixels) {
  const std::size_t entries = map.size() / std::max(1, (mapEntrySize + 1) / 8);
  TBytes file = Fields({{0, 1},
                        {entries > 0, 1},
                        {type, 1},
                        {0, 2},
                        {entries, 2},
                        {mapEntrySize, 1},
                        {0, 4},
                        {std::uint64_t(width), 2},
                        {std::uint64_t(height), 2},
                        {pixelSize, 1},
                        {topDown ? 0x20 : 0, 1}});
  file.insert(file.end(), map.begin(), map.end());
  const unsigned pixelBytes = (pixelSize + 1u) / 8;
  TBytes packed(pixels.size() / pixelBytes * (pixelBytes + 1));
  std::uint64_t size = 0;
  TTargaRLEDecoder(pixelSize).Encode(pixels.data(), packed.data(), pixels.size() / pixelBytes, size);
  const TBytes& rows = type < 9 ? pixels : TBytes(packed.begin(), packed.begin() + long(size));
  file.insert(file.end(), rows.begin(), rows.end());
  return file;
}

TBytes PngFile(int width, int height, int depth, int colorType, bool interlaced, int filters,
               const TBytes& samples, const TBytes& palette) {
  char* bytes = nullptr;
  std::size_t size = 0;
  FILE* file = open_memstream(&bytes, &size);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), depth, colorType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
  const auto* entries = reinterpret_cast<png_const_colorp>(palette.data());
  if (!palette.empty()) png_set_PLTE(png, info, entries, int(palette.size() / 3));
  png_set_filter(png, 0, filters);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (std::size_t at = 0; at < samples.size(); at += samples.size() / std::size_t(height))
    rows.push_back(const_cast<png_bytep>(&samples[at]));
  if (interlaced) png_set_interlace_handling(png);
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  const TBytes result(bytes, bytes + size);
  std::free(bytes);
  return result;
}

TBytes NoisePng(int colorType, int depth, int width, int height, bool interlaced, int filters) {
  const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
  const std::size_t rowBytes = std::size_t(width * channels * depth + 7) / 8;
  const TBytes palette = colorType == 3 ? PictureBytes(std::size_t(1) << depth, 3, 1) : TBytes();
  return PngFile(width, height, depth, colorType, interlaced, filters,
                 PictureBytes(rowBytes * std::size_t(height), 1, 9), palette);
}

TColours ReferenceColours(const TBytes& file, std::uint32_t kept) {
  int width = 0, height = 0, channels = 0;
  const bool wide = stbi_is_16_bit_from_memory(file.data(), int(file.size()));
  const std::unique_ptr<void, void (*)(void*)> rgba(
      wide ? static_cast<void*>(
                 stbi_load_16_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4))
           : stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4),
      stbi_image_free);
  if (!rgba) throw std::runtime_error(stbi_failure_reason());
  TColours colours(std::size_t(width) * std::size_t(height));
  for (std::size_t i = 0; i < 4 * colours.size(); ++i) {
    const unsigned v = wide ? static_cast<std::uint16_t*>(rgba.get())[i] * 255u / 65535u
                            : static_cast<stbi_uc*>(rgba.get())[i];
    colours[i / 4] |= v << (i % 4 == 3 ? 24 : 16 - 8 * (i % 4)) & kept;  // red, green, blue, alpha
  }
  return colours;
}

}  // namespace lumox::test
