// Loading PCX (run-length), SGI (run-length) and portable pixel map (binary and plain) files of
// 2048 × 2048 colour pixels from memory into the reader's 24-bit bitmap: a photograph-like picture
// (gradients and sensor noise, argument 0) and flat-colour artwork (argument 1). The reference in
// the same run is memcpy of as many bitmap bytes; ratio is memcpy time / load time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>

#include "bench/Comparison.h"
#include "imageformats/PCXGraphic.h"
#include "imageformats/PPMGraphic.h"
#include "imageformats/SGIGraphic.h"
#include "tests/imageformats/FormatFiles.h"

namespace {

using lumox::test::TBytes;
using lumox::test::TRaster;

constexpr int Side = 2048;
constexpr std::size_t BitmapBytes = std::size_t(Side) * Side * 3;

// A plain ground with overlapping boxes of flat colours.
TRaster FlatRaster() {
  TRaster raster{Side, Side, 3, TBytes(BitmapBytes, 230), {}};
  std::mt19937 random(11);
  for (int box = 0; box < 80; ++box) {
    const int left = int(random() % Side), top = int(random() % Side);
    const int right = std::min(Side, left + 20 + int(random() % 500)),
              bottom = std::min(Side, top + 20 + int(random() % 500));
    const std::uint8_t colour[3] = {std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())};
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x)
        std::copy_n(colour, 3, &raster.Samples[(std::size_t(y) * Side + std::size_t(x)) * 3]);
    }
  }
  return raster;
}

// Written once by the reference tools, however often the benchmark library runs its function.
const TBytes& File(const std::string& command, bool flat) {
  static std::map<std::pair<std::string, bool>, TBytes> files;
  auto found = files.find({command, flat});
  if (found == files.end()) {
    const TBytes map = lumox::test::PortableMap(flat ? FlatRaster() : lumox::test::TestRaster(Side, Side, 3));
    found = files.emplace(std::pair(command, flat), lumox::test::Converted(map, command)).first;
  }
  return found->second;
}

template <class TReader>
void Load(benchmark::State& state, const char* command) {
  const TBytes& file = File(command, state.range(0) == 1);
  lumox::TMemoryStream stream(file.data(), file.size());
  TBytes from(BitmapBytes, 1), to(BitmapBytes);
  lumox::bench::Compare(
      state,
      [&] {
        stream.SetPosition(0);
        TReader reader;
        reader.LoadFromStream(stream);
        benchmark::DoNotOptimize(reader.ScanLine(0));
      },
      [&] {
        std::memcpy(to.data(), from.data(), BitmapBytes);
        benchmark::DoNotOptimize(to.data());
      });
}

void PCXRunLength(benchmark::State& state) { Load<lumox::TPCXGraphic>(state, "ppmtopcx -24bit in >out"); }
void SGIRunLength(benchmark::State& state) { Load<lumox::TSGIGraphic>(state, "pnmtosgi in >out"); }
void PPMBinary(benchmark::State& state) { Load<lumox::TPPMGraphic>(state, "pnmtopnm in >out"); }
void PPMPlain(benchmark::State& state) { Load<lumox::TPPMGraphic>(state, "pnmtoplainpnm in >out"); }

BENCHMARK(PCXRunLength)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SGIRunLength)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(PPMBinary)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(PPMPlain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
