// Loading 2048 × 2048 RGB TIFF files from memory (uncompressed, deflate with predictor, PackBits,
// JPEG; 16 rows a strip) against the reference library in the same run, both into the 32-bit
// blue-green-red-alpha pixels the program shows: Lumox loads the file and hands every bitmap row
// over as BGRA, as the bitmap display takes it; the library decodes each strip
// (TIFFReadEncodedStrip) and its RGB samples are stored as BGRA. The two results are compared
// once before the timing.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <span>

#include "bench/Comparison.h"
#include "imageformats/TIFFGraphic.h"
#include "tests/imageformats/FormatFiles.h"

namespace {

using namespace lumox::test;

constexpr std::uint32_t Side = 2048;

const TBytes& File(std::uint16_t compression) {
  static std::map<std::uint16_t, TBytes> files;
  auto& file = files[compression];
  if (file.empty()) {
    TTiffSpec spec{.Width = Side, .Height = Side, .Compression = compression, .RowsPerStrip = 16};
    if (compression == Deflate) spec.Predictor = 2;
    if (compression == Jpeg) spec.Photometric = YCbCr;
    file = LibraryTiff(spec);
  }
  return file;
}

// The reference library reading from memory.
struct TMemory {
  const TBytes* Bytes;
  toff_t Position = 0;
};

tsize_t ReadMemory(thandle_t handle, tdata_t buffer, tsize_t size) {
  auto& memory = *static_cast<TMemory*>(handle);
  const auto n = std::min<toff_t>(
      toff_t(size), memory.Bytes->size() - std::min<toff_t>(memory.Position, memory.Bytes->size()));
  std::memcpy(buffer, memory.Bytes->data() + memory.Position, n);
  memory.Position += n;
  return tsize_t(n);
}

tsize_t WriteNothing(thandle_t, tdata_t, tsize_t) { return 0; }

toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
  auto& memory = *static_cast<TMemory*>(handle);
  const toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? memory.Position : memory.Bytes->size();
  return memory.Position = base + offset;
}

int CloseMemory(thandle_t) { return 0; }

toff_t MemorySize(thandle_t handle) { return static_cast<TMemory*>(handle)->Bytes->size(); }

using TPixels = std::vector<std::uint32_t>;

// The library inflates with libdeflate, or with zlib, as Lumox does, when `zlib` is set.
void LoadWithReference(const TBytes& file, TPixels& out, bool zlib) {
  TMemory memory{&file};
  TIFF* tiff = TIFFClientOpen("bench.tif", "rm", &memory, ReadMemory, WriteNothing, SeekMemory, CloseMemory,
                              MemorySize, nullptr, nullptr);
  std::uint32_t width = 0, height = 0, rowsPerStrip = 0;
  std::uint16_t photometric = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetField(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  if (photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  if (zlib && TIFFSetField(tiff, TIFFTAG_DEFLATE_SUBCODEC, DEFLATE_SUBCODEC_ZLIB) != 1) std::abort();
  std::vector<std::uint8_t> strip(TIFFStripSize(tiff));
  for (std::uint32_t s = 0; s < TIFFNumberOfStrips(tiff); ++s) {
    TIFFReadEncodedStrip(tiff, s, strip.data(), tsize_t(strip.size()));
    const std::uint32_t rows = std::min(rowsPerStrip, height - s * rowsPerStrip);
    const std::uint8_t* in = strip.data();
    std::uint32_t* pixel = &out[std::size_t{s} * rowsPerStrip * width];
    for (std::size_t i = 0; i < std::size_t{rows} * width; ++i, in += 3)
      pixel[i] = 0xFF000000u | std::uint32_t(in[0]) << 16 | std::uint32_t(in[1]) << 8 | in[2];
  }
  TIFFClose(tiff);
  benchmark::DoNotOptimize(out.data());
}

void LoadWithLumox(lumox::TMemoryStream& stream, TPixels& out) {
  stream.SetPosition(0);
  lumox::TTIFFGraphic graphic;
  graphic.LoadFromStream(stream);
  for (int y = 0; y < graphic.Height(); ++y)
    graphic.ScanLineToBGRA(y, std::span(out).subspan(std::size_t(y) * Side, Side));
  benchmark::DoNotOptimize(out.data());
}

void Tiff(benchmark::State& state) {
  const TBytes& file = File(std::uint16_t(state.range(0)));
  const bool zlib = state.range(1) != 0;
  lumox::TMemoryStream stream(file.data(), file.size());
  TPixels lumoxPixels(std::size_t{Side} * Side), referencePixels(std::size_t{Side} * Side);
  LoadWithLumox(stream, lumoxPixels);
  LoadWithReference(file, referencePixels, zlib);
  if (lumoxPixels != referencePixels) state.SkipWithError("pixels differ");
  lumox::bench::Compare(
      state, [&] { LoadWithLumox(stream, lumoxPixels); },
      [&] { LoadWithReference(file, referencePixels, zlib); });
  state.counters["file_MB"] = double(file.size()) / 1e6;
}

BENCHMARK(Tiff)
    ->Args({Raw, 0})
    ->Args({Deflate, 0})
    ->Args({Deflate, 1})
    ->Args({PackBits, 0})
    ->Args({Jpeg, 0})
    ->ArgNames({"compression", "zlib"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
