// Decoding PNG files against libpng and Targa files (raw and run-length) against stb_image, on
// photo-like and flat-colour pictures of 1024 × 768 to 2048 × 2048 pixels, from memory. Every
// iteration decodes the picture with both, alternating which goes first, so both meet the same
// machine load; the counters give each one's time and the ratio reference time / Lumox time.
#include <benchmark/benchmark.h>
#include <png.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <tuple>

#include "imageformats/PNGGraphic.h"
#include "imageformats/TargaGraphic.h"
#include "tests/imageformats/FormatFiles.h"

namespace {

using lumox::test::TBytes;

struct TPicture {
  int Width, Height, Channels;  // 1 with a palette is indexed
  bool Flat;
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

// Flat-colour artwork: a plain ground, overlapping boxes and discs in a dozen colours, thin rules.
TBytes FlatSamples(const TPicture& p) {
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
  TBytes samples;
  for (std::uint32_t pixel : pixels) {
    for (int c = 0; c < p.Channels; ++c) {
      const auto index = std::uint8_t(std::find(colours.begin(), colours.end(), pixel) - colours.begin());
      samples.push_back(p.Channels == 1 ? index : std::uint8_t(pixel >> (8 * c)));
    }
  }
  return samples;
}

TBytes Samples(const TPicture& p) { return p.Flat ? FlatSamples(p) : PhotoSamples(p); }

TBytes PngFile(const TPicture& p, bool indexed, bool interlaced) {
  const int colorType = indexed ? 3 : p.Channels == 1 ? 0 : p.Channels == 3 ? 2 : 6;
  const TBytes palette = indexed ? lumox::test::PictureBytes(256, 3, 3) : TBytes();
  return lumox::test::PngFile(p.Width, p.Height, 8, colorType, interlaced, 0xF8, Samples(p), palette);
}

TBytes TargaFile(const TPicture& p, bool indexed, bool runLength) {
  const std::uint8_t type = std::uint8_t((indexed ? 1 : p.Channels == 1 ? 3 : 2) + (runLength ? 8 : 0));
  // Two bytes a pixel are 5-5-5 pixels; four go from the top down, as such files usually do.
  const std::uint8_t pixelSize = std::uint8_t(p.Channels == 2 ? 16 : 8 * p.Channels);
  const TBytes map = indexed ? lumox::test::PictureBytes(256, 3, 3) : TBytes();
  return lumox::test::TargaFile(type, pixelSize, p.Channels == 4, p.Width, p.Height, 24, map, Samples(p));
}

// Each picture is made once, however often the benchmark library runs its function.
const TBytes& Cached(const TPicture& p, int kind, const std::function<TBytes()>& make) {
  static std::map<std::tuple<int, int, int, bool, int>, TBytes> files;
  const auto key = std::tuple(p.Width, p.Height, p.Channels, p.Flat, kind);
  auto found = files.find(key);
  if (found == files.end()) found = files.emplace(key, make()).first;
  return found->second;
}

double Seconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs both decoders once per iteration and reports their mean times and the ratio.
void Compare(benchmark::State& state, const std::function<void()>& lumox,
             const std::function<void()>& reference) {
  double lumoxTime = 0, referenceTime = 0;
  bool lumoxFirst = true;
  for (auto _ : state) {
    if (lumoxFirst) lumoxTime += Seconds(lumox);
    referenceTime += Seconds(reference);
    if (!lumoxFirst) lumoxTime += Seconds(lumox);
    lumoxFirst = !lumoxFirst;
  }
  const double n = double(state.iterations());
  state.counters["lumox_ms"] = 1000 * lumoxTime / n;
  state.counters["reference_ms"] = 1000 * referenceTime / n;
  state.counters["ratio"] = referenceTime / lumoxTime;
}

template <class TReader>
void LoadWithLumox(lumox::TMemoryStream& stream) {
  stream.SetPosition(0);
  TReader reader;
  reader.LoadFromStream(stream);
  benchmark::DoNotOptimize(reader.ScanLine(0));
}

// libpng into rows of the same layout as Lumox's bitmap: blue first, 8 bits, indices kept.
void LoadWithLibpng(const TBytes& file) {
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
  png_set_bgr(png);
  png_set_strip_16(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info), height = png_get_image_height(png, info);
  const auto pixels = std::make_unique_for_overwrite<std::uint8_t[]>(rowBytes * height);
  std::vector<png_bytep> rows(height);
  for (std::size_t y = 0; y < height; ++y) rows[y] = &pixels[y * rowBytes];
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  benchmark::DoNotOptimize(pixels.get());
}

void LoadWithStb(const TBytes& file) {
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 0);
  benchmark::DoNotOptimize(pixels);
  stbi_image_free(pixels);
}

void Png(benchmark::State& state, TPicture picture, bool indexed, bool interlaced) {
  const TBytes& file =
      Cached(picture, 4 * indexed + interlaced, [&] { return PngFile(picture, indexed, interlaced); });
  lumox::TMemoryStream stream(file);
  Compare(
      state, [&] { LoadWithLumox<lumox::TPNGGraphic>(stream); }, [&] { LoadWithLibpng(file); });
  state.counters["file_kb"] = double(file.size()) / 1024;
}

void Targa(benchmark::State& state, TPicture picture, bool indexed, bool runLength) {
  const TBytes& file =
      Cached(picture, 8 + 4 * indexed + runLength, [&] { return TargaFile(picture, indexed, runLength); });
  lumox::TMemoryStream stream(file);
  Compare(
      state, [&] { LoadWithLumox<lumox::TTargaGraphic>(stream); }, [&] { LoadWithStb(file); });
  state.counters["file_kb"] = double(file.size()) / 1024;
}

constexpr TPicture PhotoRGB{2048, 1536, 3, false}, FlatRGB{1920, 1080, 3, true},
    PhotoRGBA{2048, 2048, 4, false}, FlatIndexed{1024, 768, 1, true}, PhotoGrey{1600, 1200, 1, false},
    PhotoSmall{1024, 768, 3, false}, Photo15{1024, 768, 2, false};

}  // namespace

BENCHMARK_CAPTURE(Png, photo_rgb, PhotoRGB, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, flat_rgb, FlatRGB, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, photo_rgba, PhotoRGBA, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, flat_palette, FlatIndexed, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, photo_grey, PhotoGrey, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Png, photo_rgb_interlaced, PhotoSmall, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_rgb_raw, PhotoRGB, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_rgb_rle, PhotoRGB, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, flat_rgb_raw, FlatRGB, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, flat_rgb_rle, FlatRGB, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_rgba_raw, PhotoRGBA, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_rgba_rle, PhotoRGBA, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, flat_palette_raw, FlatIndexed, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, flat_palette_rle, FlatIndexed, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_grey_raw, PhotoGrey, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_grey_rle, PhotoGrey, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_15bit_raw, Photo15, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Targa, photo_15bit_rle, Photo15, false, true)->Unit(benchmark::kMillisecond);
