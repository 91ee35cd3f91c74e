// Loading 2048 × 2048 RGB TIFF files from memory (uncompressed, deflate with predictor, PackBits,
// JPEG; 16 rows a strip) against the reference library in the same run: its strip decoding
// (TIFFReadEncodedStrip) followed by the same conversion into bitmap rows of blue, green, red.
// The ratio to report is reference time / Lumox time for each file.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "framework/Bitmap.h"
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

// Strips of RGB samples into 24-bit rows of the bitmap's layout. The library inflates with
// libdeflate, or with zlib as Lumox does when `zlib` is set.
void LoadWithReference(const TBytes& file, lumox::TBitmap& bitmap, bool zlib = false) {
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
  if (zlib) TIFFSetField(tiff, TIFFTAG_DEFLATE_SUBCODEC, DEFLATE_SUBCODEC_ZLIB);
  bitmap.ReleaseImage();
  bitmap.SetPixelFormat(lumox::TPixelFormat::pf24bit);
  bitmap.SetSize(int(width), int(height));
  std::vector<std::uint8_t> strip(TIFFStripSize(tiff));
  for (std::uint32_t s = 0; s < TIFFNumberOfStrips(tiff); ++s) {
    TIFFReadEncodedStrip(tiff, s, strip.data(), tsize_t(strip.size()));
    for (std::uint32_t r = 0; r < rowsPerStrip && s * rowsPerStrip + r < height; ++r) {
      const std::uint8_t* in = strip.data() + std::size_t{r} * width * 3;
      std::uint8_t* out = bitmap.ScanLine(int(s * rowsPerStrip + r));
      for (std::uint32_t x = 0; x < width; ++x, in += 3, out += 3)
        out[0] = in[2], out[1] = in[1], out[2] = in[0];
    }
  }
  TIFFClose(tiff);
}

void BM_Reference(benchmark::State& state) {
  const TBytes& file = File(std::uint16_t(state.range(0)));
  lumox::TBitmap bitmap;
  for (auto _ : state) {
    LoadWithReference(file, bitmap, state.range(1) != 0);
    benchmark::ClobberMemory();
  }
  state.counters["file_MB"] = double(file.size()) / 1e6;
}

void BM_Lumox(benchmark::State& state) {
  const TBytes& file = File(std::uint16_t(state.range(0)));
  lumox::TMemoryStream stream(file.data(), file.size());
  lumox::TBitmap reference;
  LoadWithReference(file, reference);
  lumox::TTIFFGraphic graphic;
  for (auto _ : state) {
    stream.SetPosition(0);
    graphic.LoadFromStream(stream);
    benchmark::ClobberMemory();
  }
  for (int y = 0; y < int(Side); ++y)
    if (std::memcmp(graphic.ScanLine(y), reference.ScanLine(y), Side * 3) != 0)
      state.SkipWithError("pixels differ");
  state.counters["file_MB"] = double(file.size()) / 1e6;
}

void Files(benchmark::internal::Benchmark* bench) {
  for (const int compression : {Raw, Deflate, PackBits, Jpeg}) bench->Args({compression, 0});
  bench->ArgNames({"compression", "zlib"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Reference)->Apply(Files)->Args({Deflate, 1});
BENCHMARK(BM_Lumox)->Apply(Files);

}  // namespace
