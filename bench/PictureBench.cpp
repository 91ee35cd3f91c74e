// Loading a 24-bit BMP and a JPEG of 2048 × 1024 pixels from memory, each against a reference in
// the same run: copying the BMP's pixel rows, and decoding the JPEG straight with the library.
#include "framework/Bitmap.h"
#include "framework/JpegImage.h"
#include "tests/framework/PictureFiles.h"

#include <benchmark/benchmark.h>

// clang-format off: the library's header uses FILE without including it
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstring>

namespace {

using lumox::test::TBytes;

constexpr int Width = 2048;
constexpr int Height = 1024;

// A gradient with some noise, so neither format meets a trivial picture.
TBytes Samples() {
  TBytes rgb(std::size_t(Width) * Height * 3);
  std::uint32_t noise = 12345;
  for (std::size_t i = 0; i < rgb.size(); ++i) {
    noise = noise * 1103515245u + 12345u;
    rgb[i] = std::uint8_t((i / 3 % Width) / 8 + (i / (3 * Width)) / 8 + (noise >> 28));
  }
  return rgb;
}

const TBytes& BmpBytes() {
  static const TBytes file = [] {
    const TBytes rgb = Samples();
    lumox::TBitmap bitmap;
    bitmap.SetPixelFormat(lumox::TPixelFormat::pf24bit);
    bitmap.SetSize(Width, Height);
    for (int y = 0; y < Height; ++y)
      std::memcpy(bitmap.ScanLine(y), rgb.data() + std::size_t(y) * Width * 3, Width * 3);
    lumox::TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return stream.Bytes();
  }();
  return file;
}

const TBytes& JpegBytes() {
  static const TBytes file = lumox::test::JpegFile(Width, Height, lumox::test::TJpegKind::Colour, Samples());
  return file;
}

void BmpLoad(benchmark::State& state) {
  for (auto _ : state) {
    lumox::TMemoryStream stream(BmpBytes());
    lumox::TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    benchmark::DoNotOptimize(bitmap.ScanLine(0));
  }
}
BENCHMARK(BmpLoad)->Unit(benchmark::kMillisecond);

void BmpReferenceRowCopy(benchmark::State& state) {
  const std::size_t stride = Width * 3;
  for (auto _ : state) {
    TBytes copy(BmpBytes());  // the memory stream's copy of the file
    TBytes pixels(stride * Height);
    for (int y = 0; y < Height; ++y)
      std::memcpy(pixels.data() + std::size_t(Height - 1 - y) * stride,
                  copy.data() + 54 + std::size_t(y) * stride, stride);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BmpReferenceRowCopy)->Unit(benchmark::kMillisecond);

void JpegLoad(benchmark::State& state) {
  for (auto _ : state) {
    lumox::TMemoryStream stream(JpegBytes());
    lumox::TJPEGImage jpeg;
    jpeg.LoadFromStream(stream);
    benchmark::DoNotOptimize(jpeg.Width());
  }
}
BENCHMARK(JpegLoad)->Unit(benchmark::kMillisecond);

void JpegReferenceLibrary(benchmark::State& state) {
  for (auto _ : state) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, JpegBytes().data(), JpegBytes().size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    TBytes pixels(std::size_t(info.output_width) * info.output_height * 3);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = pixels.data() + std::size_t(info.output_scanline) * info.output_width * 3;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(JpegReferenceLibrary)->Unit(benchmark::kMillisecond);

}  // namespace
