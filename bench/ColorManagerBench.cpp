// The colour manager's row conversion as a reader uses it: one decoded row, hot in the cache,
// converted into every row of a 2048 × 2048 bitmap. The reference in the same run copies a row
// of the bitmap's size into every row with memcpy; ratio is memcpy time / conversion time.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench/Comparison.h"
#include "imageformats/ColorManager.h"

namespace {

using lumox::TColorManager;
using lumox::TColorScheme;
using TBytes = std::vector<std::uint8_t>;

constexpr std::size_t Width = 2048, Height = 2048;

struct TCase {
  TColorScheme Source, Target;
  int SourceBits, SourceSamples, TargetSamples;
};

// Indexed by the benchmark argument.
constexpr TCase Cases[] = {
    {TColorScheme::schRGB, TColorScheme::schBGR, 8, 3, 3},
    {TColorScheme::schRGBAlpha, TColorScheme::schBGRAlpha, 8, 4, 4},
    {TColorScheme::schCMYK, TColorScheme::schBGR, 8, 4, 3},
    {TColorScheme::schYCbCr, TColorScheme::schBGR, 8, 3, 3},
    {TColorScheme::schRGB, TColorScheme::schBGR, 16, 3, 3},
};
constexpr const char* CaseNames[] = {"RGB8 to BGR8", "RGBA8 to BGRA8", "CMYK8 to BGR8", "YCbCr8 to BGR8",
                                     "RGB16 to BGR8"};

TBytes NoisyRow(std::size_t bytes) {
  TBytes row(bytes);
  std::mt19937 random(7);
  for (std::uint8_t& b : row) b = std::uint8_t(random());
  return row;
}

void ConvertRows(benchmark::State& state) {
  const TCase& c = Cases[state.range(0)];
  TColorManager manager;
  manager.SetSourceColorScheme(c.Source);
  manager.SetTargetColorScheme(c.Target);
  manager.SetSourceBitsPerSample(c.SourceBits);
  manager.SetSourceSamplesPerPixel(c.SourceSamples);
  manager.SetTargetSamplesPerPixel(c.TargetSamples);
  const TBytes source = NoisyRow(Width * std::size_t(c.SourceSamples * c.SourceBits / 8));
  const std::size_t rowBytes = Width * std::size_t(c.TargetSamples);
  const TBytes copied = NoisyRow(rowBytes);
  TBytes bitmap(rowBytes * Height);
  lumox::bench::Compare(
      state,
      [&] {
        for (std::size_t y = 0; y < Height; ++y)
          manager.ConvertRow(source, {bitmap.data() + y * rowBytes, rowBytes}, Width, 0xFF);
        benchmark::ClobberMemory();
      },
      [&] {
        for (std::size_t y = 0; y < Height; ++y)
          std::memcpy(bitmap.data() + y * rowBytes, copied.data(), rowBytes);
        benchmark::ClobberMemory();
      });
  state.SetLabel(CaseNames[state.range(0)]);
}

BENCHMARK(ConvertRows)->DenseRange(0, std::size(Cases) - 1)->Unit(benchmark::kMillisecond);

}  // namespace
