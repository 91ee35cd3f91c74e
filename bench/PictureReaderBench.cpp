// Decoding PNG files against libpng and Targa files (raw and run-length) against stb_image, on
// photo-like, dithered and flat-colour pictures of 1024 × 768 to 2048 × 2048 pixels, from
// memory. Both sides end in the 32-bit blue-green-red-alpha pixels the program shows: Lumox
// loads the file and hands every bitmap row over as BGRA, as the bitmap display takes it;
// libpng is asked for BGRA; stb_image's RGBA gets red and blue exchanged in place. The two
// results are compared once before the timing.
#include <benchmark/benchmark.h>
#include <png.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <span>
#include <tuple>

#include "bench/Comparison.h"
#include "imageformats/PNGGraphic.h"
#include "imageformats/TargaGraphic.h"
#include "tests/imageformats/FormatFiles.h"

namespace {

using lumox::test::TBytes;
using TPixels = std::vector<std::uint32_t>;

enum class TContent { Photo, Flat, Dithered };

struct TPicture {
  int Width, Height, Channels;  // 1 with a palette is indexed
  TContent Content;
};

// Samples as stored, and red-green-blue triples of the palette of an indexed picture.
struct TImage {
  TBytes Samples, Palette;
};

// A photograph-like field: smooth shading, some texture, sensor noise.
TBytes PhotoSamples(const TPicture& p) {
  TBytes samples(std::size_t(p.Width) * std::size_t(p.Height) * std::size_t(p.Channels));
  std::mt19937 random(7);
  std::size_t i = 0;
  for (int y = 0; y < p.Height; ++y) {
    for (int x = 0; x < p.Width; ++x) {
      const double shade = 110 + 70 * std::sin(x * 0.004 + y * 0.002) * std::cos(y * 0.006 - x * 0.001);
      const double texture = 12 * std::sin(x * 0.09) * std::sin(y * 0.07);
      for (int c = 0; c < p.Channels; ++c) {
        const double value =
            c == 3 ? 255 - y * 200.0 / p.Height : shade + texture + c * 25 + int(random() % 7) - 3;
        samples[i++] = std::uint8_t(std::clamp(value, 0.0, 255.0));
      }
    }
  }
  return samples;
}

// Flat-colour artwork: a plain ground, overlapping boxes and discs in a dozen colours, thin rules;
// with one channel the indices of those colours in a palette of noise.
TImage FlatImage(const TPicture& p) {
  std::mt19937 random(11);
  std::vector<std::uint32_t> colours(12);
  for (auto& c : colours) c = random() | 0xFF000000;
  std::vector<std::uint32_t> pixels(std::size_t(p.Width) * std::size_t(p.Height), colours[0]);
  for (int shape = 0; shape < 60; ++shape) {
    const int cx = int(random() % unsigned(p.Width)), cy = int(random() % unsigned(p.Height));
    const int r = 20 + int(random() % 200);
    const std::uint32_t colour = colours[1 + random() % 11];
    const bool disc = shape % 2 == 0;
    for (int y = std::max(0, cy - r); y < std::min(p.Height, cy + r); ++y) {
      for (int x = std::max(0, cx - r); x < std::min(p.Width, cx + r); ++x) {
        if (!disc || (x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r)
          pixels[std::size_t(y) * p.Width + x] = colour;
      }
    }
  }
  for (int y = 0; y < p.Height; y += 64) std::fill_n(&pixels[std::size_t(y) * p.Width], p.Width, colours[1]);
  TImage image{{}, p.Channels == 1 ? lumox::test::PictureBytes(256, 3, 3) : TBytes()};
  for (std::uint32_t pixel : pixels) {
    for (int c = 0; c < p.Channels; ++c) {
      const auto index = std::uint8_t(std::find(colours.begin(), colours.end(), pixel) - colours.begin());
      image.Samples.push_back(p.Channels == 1 ? index : std::uint8_t(pixel >> (8 * c)));
    }
  }
  return image;
}

// The photograph in 256 colours (8 reds, 8 greens, 4 blues) with Floyd-Steinberg dithering,
// so neighbouring indices rarely repeat, as in a real palette picture.
TImage DitheredImage(const TPicture& p) {
  const auto width = std::size_t(p.Width);
  const TBytes rgb = PhotoSamples({p.Width, p.Height, 3, TContent::Photo});
  constexpr std::array<int, 3> Levels{8, 8, 4};
  TImage image;
  for (int i = 0; i < 256; ++i) {
    image.Palette.push_back(std::uint8_t((i >> 5) * 255 / 7));
    image.Palette.push_back(std::uint8_t((i >> 2 & 7) * 255 / 7));
    image.Palette.push_back(std::uint8_t((i & 3) * 255 / 3));
  }
  std::vector<std::array<int, 3>> error(2 * (width + 2));  // this row's and the next row's
  for (std::size_t y = 0; y < std::size_t(p.Height); ++y) {
    auto* here = &error[(y % 2) * (width + 2) + 1];
    auto* below = &error[((y + 1) % 2) * (width + 2) + 1];
    std::fill_n(below - 1, width + 2, std::array<int, 3>{});
    for (std::size_t x = 0; x < width; ++x) {
      int index = 0;
      for (std::size_t c = 0; c < 3; ++c) {
        const int wanted = std::clamp(rgb[3 * (y * width + x) + c] + here[x][c] / 16, 0, 255);
        const int level = (wanted * (Levels[c] - 1) + 127) / 255;
        const int shown = level * 255 / (Levels[c] - 1), miss = wanted - shown;
        index = index * Levels[c] + level;
        here[x + 1][c] += 7 * miss;
        below[x - 1][c] += 3 * miss;
        below[x][c] += 5 * miss;
        below[x + 1][c] += miss;
      }
      image.Samples.push_back(std::uint8_t(index));
    }
  }
  return image;
}

TImage Image(const TPicture& p) {
  switch (p.Content) {
    case TContent::Photo:
      return {PhotoSamples(p), {}};
    case TContent::Flat:
      return FlatImage(p);
    default:
      return DitheredImage(p);
  }
}

TBytes PngFile(const TPicture& p, bool interlaced) {
  const TImage image = Image(p);
  const bool indexed = !image.Palette.empty();
  const int colorType = indexed ? 3 : p.Channels == 1 ? 0 : p.Channels == 3 ? 2 : 6;
  return lumox::test::PngFile(p.Width, p.Height, 8, colorType, interlaced, 0xF8, image.Samples,
                              image.Palette);
}

TBytes TargaFile(const TPicture& p, bool runLength) {
  const TImage image = Image(p);
  const bool indexed = !image.Palette.empty();
  const std::uint8_t type = std::uint8_t((indexed ? 1 : p.Channels == 1 ? 3 : 2) + (runLength ? 8 : 0));
  // Two bytes a pixel are 5-5-5 pixels; four go from the top down, as such files usually do.
  const std::uint8_t pixelSize = std::uint8_t(p.Channels == 2 ? 16 : 8 * p.Channels);
  TBytes map = image.Palette;  // stored blue first
  for (std::size_t i = 0; i + 2 < map.size(); i += 3) std::swap(map[i], map[i + 2]);
  return lumox::test::TargaFile(type, pixelSize, p.Channels == 4, p.Width, p.Height, 24, map, image.Samples);
}

// Each picture is made once, however often the benchmark library runs its function.
const TBytes& Cached(const TPicture& p, int kind, const std::function<TBytes()>& make) {
  static std::map<std::tuple<int, int, int, TContent, int>, TBytes> files;
  const auto key = std::tuple(p.Width, p.Height, p.Channels, p.Content, kind);
  auto found = files.find(key);
  if (found == files.end()) found = files.emplace(key, make()).first;
  return found->second;
}

template <class TReader>
void LoadWithLumox(lumox::TMemoryStream& stream, TPixels& out) {
  stream.SetPosition(0);
  TReader reader;
  reader.LoadFromStream(stream);
  const auto width = std::size_t(reader.Width());
  for (int y = 0; y < reader.Height(); ++y)
    reader.ScanLineToBGRA(y, std::span(out).subspan(std::size_t(y) * width, width));
  benchmark::DoNotOptimize(out.data());
}

// libpng's rows straight into `out`: indices and grey levels expanded, 16-bit samples reduced,
// blue first, opaque alpha added where the file has none.
void LoadWithLibpng(const TBytes& file, TPixels& out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  struct TSource {
    const TBytes& Bytes;
    std::size_t At;
  } source{file, 0};
  png_set_read_fn(png, &source, [](png_structp p, png_bytep data, size_t size) {
    auto* s = static_cast<TSource*>(png_get_io_ptr(p));
    std::memcpy(data, &s->Bytes[s->At], size);
    s->At += size;
  });
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if ((png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) == 0)
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  std::vector<png_bytep> rows(height);
  for (std::size_t y = 0; y < height; ++y) rows[y] = reinterpret_cast<png_bytep>(&out[y * width]);
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  benchmark::DoNotOptimize(out.data());
}

// stb_image's RGBA with red and blue exchanged; copied into `copy` when one is given.
void LoadWithStb(const TBytes& file, TPixels* copy) {
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4);
  const std::size_t count = std::size_t(width) * std::size_t(height);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t rgba;
    std::memcpy(&rgba, pixels + 4 * i, 4);
    const std::uint32_t bgra = (rgba & 0xFF00FF00) | (rgba >> 16 & 0xFF) | (rgba & 0xFF) << 16;
    std::memcpy(pixels + 4 * i, &bgra, 4);
  }
  benchmark::DoNotOptimize(pixels);
  if (copy != nullptr) std::memcpy(copy->data(), pixels, 4 * count);
  stbi_image_free(pixels);
}

TPixels PixelsFor(const TPicture& p) { return TPixels(std::size_t(p.Width) * std::size_t(p.Height)); }

void Png(benchmark::State& state, TPicture picture, bool interlaced) {
  const TBytes& file = Cached(picture, interlaced, [&] { return PngFile(picture, interlaced); });
  lumox::TMemoryStream stream(file);
  TPixels lumoxPixels = PixelsFor(picture), referencePixels = PixelsFor(picture);
  LoadWithLumox<lumox::TPNGGraphic>(stream, lumoxPixels);
  LoadWithLibpng(file, referencePixels);
  if (lumoxPixels != referencePixels) state.SkipWithError("pixels differ");
  lumox::bench::Compare(
      state, [&] { LoadWithLumox<lumox::TPNGGraphic>(stream, lumoxPixels); },
      [&] { LoadWithLibpng(file, referencePixels); });
  state.counters["file_kb"] = double(file.size()) / 1024;
}

void Targa(benchmark::State& state, TPicture picture, bool runLength) {
  const TBytes& file = Cached(picture, 2 + runLength, [&] { return TargaFile(picture, runLength); });
  lumox::TMemoryStream stream(file);
  TPixels lumoxPixels = PixelsFor(picture), referencePixels = PixelsFor(picture);
  LoadWithLumox<lumox::TTargaGraphic>(stream, lumoxPixels);
  LoadWithStb(file, &referencePixels);
  // Five-bit samples widen by repeating their high bits here and by scaling in stb_image.
  if (picture.Channels != 2 && lumoxPixels != referencePixels) state.SkipWithError("pixels differ");
  lumox::bench::Compare(
      state, [&] { LoadWithLumox<lumox::TTargaGraphic>(stream, lumoxPixels); },
      [&] { LoadWithStb(file, nullptr); });
  state.counters["file_kb"] = double(file.size()) / 1024;
}

using enum TContent;
constexpr TPicture PhotoRGB{2048, 1536, 3, Photo}, FlatRGB{1920, 1080, 3, Flat},
    PhotoRGBA{2048, 2048, 4, Photo}, FlatIndexed{1024, 768, 1, Flat},
    DitheredIndexed{1920, 1080, 1, Dithered}, PhotoGrey{1600, 1200, 1, Photo},
    PhotoSmall{1024, 768, 3, Photo}, Photo15{1024, 768, 2, Photo};

}  // namespace

BENCHMARK_CAPTURE(Png, photo_rgb, PhotoRGB, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, flat_rgb, FlatRGB, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, photo_rgba, PhotoRGBA, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, flat_palette, FlatIndexed, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, dithered_palette, DitheredIndexed, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, photo_grey, PhotoGrey, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, photo_rgb_interlaced, PhotoSmall, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_rgb_raw, PhotoRGB, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_rgb_rle, PhotoRGB, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, flat_rgb_raw, FlatRGB, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, flat_rgb_rle, FlatRGB, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_rgba_raw, PhotoRGBA, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_rgba_rle, PhotoRGBA, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, flat_palette_raw, FlatIndexed, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, flat_palette_rle, FlatIndexed, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, dithered_palette_raw, DitheredIndexed, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, dithered_palette_rle, DitheredIndexed, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_grey_raw, PhotoGrey, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_grey_rle, PhotoGrey, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_15bit_raw, Photo15, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_15bit_rle, Photo15, true)->Unit(benchmark::kMillisecond);
