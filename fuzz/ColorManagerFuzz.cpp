// The colour manager on random descriptions and buffers: the first bytes pick the schemes,
// widths, options, mask, count, buffer sizes, palette layout and gamma and luma values; the
// rest fills the buffers. Every buffer is an exact-size heap block, so the sanitizers catch
// any access outside what a conversion was handed.
#include "fuzz/DecoderFuzz.h"
#include "imageformats/ColorManager.h"

#include <bit>
#include <vector>

namespace {

using lumox::TColorManager;
using lumox::fuzz::TakeNumber;
using lumox::fuzz::TExactBuffer;

float TakeFloat(const std::uint8_t*& data, std::size_t& size) {
  return std::bit_cast<float>(TakeNumber(data, size, 4));
}

void Fill(const TExactBuffer& buffer, const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < buffer.GetSize(); ++i) buffer.Begin()[i] = size == 0 ? 0 : data[i % size];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TColorManager manager;
  try {
    manager.SetSourceColorScheme(lumox::TColorScheme(TakeNumber(data, size, 1) % 14));
    manager.SetTargetColorScheme(lumox::TColorScheme(TakeNumber(data, size, 1) % 14));
    manager.SetSourceBitsPerSample(int(TakeNumber(data, size, 1) % 18));
    manager.SetTargetBitsPerSample(int(TakeNumber(data, size, 1) % 18));
  } catch (const lumox::EColorConversionError&) {
  }
  manager.SourceOptions = lumox::TConversionOptions::FromBits(std::uint8_t(TakeNumber(data, size, 1)));
  manager.TargetOptions = lumox::TConversionOptions::FromBits(std::uint8_t(TakeNumber(data, size, 1)));
  const auto mask = std::uint8_t(TakeNumber(data, size, 1));
  const std::size_t count = TakeNumber(data, size, 2) % 4096;
  std::vector<TExactBuffer> buffers;
  for (unsigned k = 1 + TakeNumber(data, size, 1) % 4; k > 0; --k) buffers.emplace_back(TakeNumber(data, size, 2) % 16384);
  const TExactBuffer target(TakeNumber(data, size, 2) % 32768);
  const auto layout = lumox::TPaletteLayout(TakeNumber(data, size, 1) % 9);
  const std::size_t colours = TakeNumber(data, size, 2) % 512;
  const float weights[] = {TakeFloat(data, size), TakeFloat(data, size), TakeFloat(data, size)};
  manager.SetGamma(TakeFloat(data, size), TakeFloat(data, size));
  try {
    manager.SetYCbCrParameters(weights, 1, 1);
  } catch (const lumox::EColorConversionError&) {
  }

  std::vector<TColorManager::TConstBytes> spans;
  for (const TExactBuffer& buffer : buffers) {
    Fill(buffer, data, size);
    spans.emplace_back(buffer.Begin(), buffer.GetSize());
  }
  for (int row = 0; row < 2; ++row) {  // the second row runs on the prepared converter
    try {
      manager.ConvertRow(spans, {target.Begin(), target.GetSize()}, count, mask);
    } catch (const lumox::EColorConversionError&) {
    }
  }
  const lumox::TPalette palette = manager.CreateColorPalette(spans, layout, colours, (mask & 1) != 0);
  if (palette.size() > 256 || manager.CreateGrayscalePalette(true).size() > 256) std::abort();
  return 0;
}
