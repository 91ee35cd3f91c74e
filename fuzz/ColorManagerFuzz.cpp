// The colour manager on random descriptions and buffers: the first bytes pick the schemes,
// widths, options, mask, count, buffer sizes, palette layout, luma weights and gammas; the rest
// fills the buffers. Every buffer is an exact-size heap block, so the sanitizers catch any
// access outside what a conversion was handed.
#include <bit>
#include <vector>

#include "fuzz/DecoderFuzz.h"
#include "imageformats/ColorManager.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lumox;
  const auto take = [&](unsigned bytes) { return fuzz::TakeNumber(data, size, bytes); };
  const auto takeFloat = [&] { return std::bit_cast<float>(take(4)); };
  TColorManager manager;
  try {
    manager.SetSourceColorScheme(TColorScheme(take(1) % 14));
    manager.SetTargetColorScheme(TColorScheme(take(1) % 14));
    manager.SetSourceBitsPerSample(int(take(1) % 18));
    manager.SetTargetBitsPerSample(int(take(1) % 18));
  } catch (const EColorConversionError&) {
  }
  manager.SourceOptions = TConversionOptions::FromBits(std::uint8_t(take(1)));
  manager.TargetOptions = TConversionOptions::FromBits(std::uint8_t(take(1)));
  const auto mask = std::uint8_t(take(1));
  const std::size_t count = take(2) % 4096;
  std::vector<fuzz::TExactBuffer> buffers;
  for (unsigned k = 1 + take(1) % 4; k > 0; --k) buffers.emplace_back(take(2) % 16384);
  const fuzz::TExactBuffer target(take(2) % 32768);
  const auto layout = TPaletteLayout(take(1) % 9);
  const std::size_t colours = take(2) % 512;
  const float weights[] = {takeFloat(), takeFloat(), takeFloat()}, gammas[] = {takeFloat(), takeFloat()};
  manager.SetGamma(gammas[0], gammas[1]);
  manager.SetYCbCrParameters(weights, 1, 1);

  std::vector<TColorManager::TConstBytes> spans;
  for (const fuzz::TExactBuffer& buffer : buffers) {
    for (std::size_t i = 0; i < buffer.GetSize(); ++i) buffer.Begin()[i] = size == 0 ? 0 : data[i % size];
    spans.emplace_back(buffer.Begin(), buffer.GetSize());
  }
  for (int row = 0; row < 2; ++row) {  // the second row runs on the prepared converter
    try {
      manager.ConvertRow(spans, {target.Begin(), target.GetSize()}, count, mask);
    } catch (const EColorConversionError&) {
    }
  }
  if (manager.CreateColorPalette(spans, layout, colours, (mask & 1) != 0).size() > 256) std::abort();
  if (manager.CreateGrayscalePalette(true).size() > 256) std::abort();
  return 0;
}
