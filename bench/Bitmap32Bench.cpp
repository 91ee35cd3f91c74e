// The preview's hot paths against pixman in the same run: Lanczos reduction of a 1024 × 768 and
// a 4096 × 3072 picture to 168 × 126 (ours with blending, as the preview draws, with the loops
// the processor allows and with the SSE2 ones; pixman's separable-convolution Lanczos3 with
// OVER), and blending a 1920 × 1080 picture row by row (ours BlendRow, pixman's OVER composite).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <memory>
#include <random>

#include "bitmap/Bitmap32.h"
#include "bitmap/Blend.h"
#include "bitmap/Resample.h"

namespace {

using lumox::TBitmap32;
using lumox::TColor32;

constexpr int PreviewWidth = 168;
constexpr int PreviewHeight = 126;

// A gradient with noise; `alpha` false makes it opaque, true gives every pixel a random alpha
// with its colour premultiplied (so both libraries read valid pixels).
void Fill(TBitmap32& b, int width, int height, bool alpha) {
  b.SetSize(width, height);
  std::mt19937 random(42);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned a = alpha ? random() % 256 : 255, noise = random() % 32;
      const auto channel = [&](unsigned v) { return (v % 224 + noise) * a / 255; };
      *b.PixelPtr(x, y) = lumox::Color32(std::uint8_t(channel(x / 4u)), std::uint8_t(channel(y / 3u)),
                                         std::uint8_t(channel((x + y) / 8u)), std::uint8_t(a));
    }
  }
}

struct TPixmanImage {
  std::unique_ptr<pixman_image_t, decltype(&pixman_image_unref)> Image;
  explicit TPixmanImage(TBitmap32& b)
      : Image(pixman_image_create_bits(PIXMAN_a8r8g8b8, b.Width(), b.Height(), b.Bits(), b.Width() * 4),
              pixman_image_unref) {}
};

const TBitmap32& Picture(int width) {
  static TBitmap32 small, large;
  TBitmap32& b = width == 1024 ? small : large;
  if (b.Empty()) Fill(b, width, width * 3 / 4, false);
  return b;
}

void Resample(benchmark::State& state) {
  TBitmap32 source, preview;
  source.Assign(&Picture(int(state.range(0))));
  source.SetDrawMode(lumox::TDrawMode::dmBlend);
  source.SetStretchFilter(lumox::TStretchFilter::sfLanczos);
  preview.SetSize(PreviewWidth, PreviewHeight);
  for (auto _ : state) {
    preview.Clear(0xFFC0C0C0);
    source.DrawTo(preview, preview.BoundsRect());
    benchmark::DoNotOptimize(preview.Bits()[0]);
  }
}

#ifdef __SSE2__
// The same with the SSE2 loops, which processors without AVX2 run.
void ResamplePacked(benchmark::State& state) {
  TBitmap32 preview;
  const TBitmap32& source = Picture(int(state.range(0)));
  preview.SetSize(PreviewWidth, PreviewHeight);
  for (auto _ : state) {
    preview.Clear(0xFFC0C0C0);
    lumox::Resample(lumox::PackedResampleLoops, &preview, preview.BoundsRect(), preview.BoundsRect(), &source,
                    source.BoundsRect(), lumox::TStretchFilter::sfLanczos, lumox::TDrawMode::dmBlend,
                    nullptr);
    benchmark::DoNotOptimize(preview.Bits()[0]);
  }
}
#endif

void PixmanLanczos3(benchmark::State& state) {
  TBitmap32 source, preview;
  source.Assign(&Picture(int(state.range(0))));
  preview.SetSize(PreviewWidth, PreviewHeight);
  TPixmanImage src(source), dst(preview);
  const double scaleX = double(source.Width()) / PreviewWidth,
               scaleY = double(source.Height()) / PreviewHeight;
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(scaleX), pixman_double_to_fixed(scaleY));
  pixman_image_set_transform(src.Image.get(), &transform);
  int count = 0;
  pixman_fixed_t* params = pixman_filter_create_separable_convolution(
      &count, pixman_double_to_fixed(scaleX), pixman_double_to_fixed(scaleY), PIXMAN_KERNEL_IMPULSE,
      PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_LANCZOS3, PIXMAN_KERNEL_LANCZOS3, 4, 4);
  pixman_image_set_filter(src.Image.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
  free(params);
  for (auto _ : state) {
    preview.Clear(0xFFC0C0C0);
    pixman_image_composite32(PIXMAN_OP_OVER, src.Image.get(), nullptr, dst.Image.get(), 0, 0, 0, 0, 0, 0,
                             PreviewWidth, PreviewHeight);
    benchmark::DoNotOptimize(preview.Bits()[0]);
  }
}

constexpr int BlendWidth = 1920;
constexpr int BlendHeight = 1080;

void BlendPictures(TBitmap32& src, TBitmap32& dst) {
  Fill(src, BlendWidth, BlendHeight, true);
  Fill(dst, BlendWidth, BlendHeight, false);
}

void BlendRow(benchmark::State& state) {
  TBitmap32 src, dst;
  BlendPictures(src, dst);
  for (auto _ : state) {
    for (int y = 0; y < BlendHeight; ++y)
      lumox::BlendRoutines.BlendRow(src.ScanLine(y), dst.ScanLine(y), BlendWidth);
    benchmark::DoNotOptimize(dst.Bits()[0]);
  }
  state.SetItemsProcessed(state.iterations() * BlendWidth * BlendHeight);
}

void PixmanOver(benchmark::State& state) {
  TBitmap32 src, dst;
  BlendPictures(src, dst);
  TPixmanImage s(src), d(dst);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, s.Image.get(), nullptr, d.Image.get(), 0, 0, 0, 0, 0, 0,
                             BlendWidth, BlendHeight);
    benchmark::DoNotOptimize(dst.Bits()[0]);
  }
  state.SetItemsProcessed(state.iterations() * BlendWidth * BlendHeight);
}

BENCHMARK(Resample)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
#ifdef __SSE2__
BENCHMARK(ResamplePacked)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(PixmanLanczos3)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BlendRow)->Unit(benchmark::kMillisecond);
BENCHMARK(PixmanOver)->Unit(benchmark::kMillisecond);

}  // namespace
