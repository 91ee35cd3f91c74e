// Decoding throughput (bytes of output per second) of the Targa and PackBits run-length
// decoders and of inflate, on 16 MB of picture-like data. References in the same run: a plain
// block copy of the same amount for the run-length decoders, zlib's own uncompress for inflate.
#include "imageformats/LZ77Decoder.h"
#include "imageformats/SimpleRLE.h"
#include "imageformats/TargaRLE.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::size_t Width = 2048, Height = 2048, Channels = 4;
constexpr std::size_t ImageBytes = Width * Height * Channels;  // 16 MB

// A rendered preview: a sky gradient, flat shapes with hard edges, a noisy textured ground
// and a few photographic (noisy) patches, as BGRA.
TBytes MakePicture() {
  TBytes image(ImageBytes);
  std::mt19937 random(42);
  for (std::size_t y = 0; y < Height; ++y) {
    for (std::size_t x = 0; x < Width; ++x) {
      std::uint8_t* p = &image[(y * Width + x) * Channels];
      std::uint8_t b = static_cast<std::uint8_t>(255 - y / 16), g = static_cast<std::uint8_t>(180 - y / 24),
                   r = 90;
      if (y > Height / 2) {  // ground: texture with small noise
        const unsigned noise = random() & 7;
        b = static_cast<std::uint8_t>(40 + noise);
        g = static_cast<std::uint8_t>(110 + ((x / 8 + y / 8) & 1) * 20 + noise);
        r = static_cast<std::uint8_t>(60 + noise);
      }
      const bool inBox = (x / 256) % 3 == 1 && (y / 192) % 4 == 2;
      const bool inPhoto = (x / 512 == 2) && (y / 512 == 0);
      if (inBox) b = 200, g = 30, r = 30;
      if (inPhoto)
        b = static_cast<std::uint8_t>(random()), g = static_cast<std::uint8_t>(random()),
        r = static_cast<std::uint8_t>(random());
      p[0] = b, p[1] = g, p[2] = r, p[3] = 255;
    }
  }
  return image;
}

// PackBits as the usual encoders write it: runs of 3 or more, literals of up to 128 bytes.
void PackBitsRow(const std::uint8_t* row, std::size_t size, TBytes& out) {
  std::size_t i = 0;
  while (i < size) {
    std::size_t run = 1;
    while (i + run < size && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(static_cast<std::uint8_t>(257 - run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    std::size_t literal = 0;
    while (i + literal < size && literal < 128 &&
           !(i + literal + 2 < size && row[i + literal] == row[i + literal + 1] &&
             row[i + literal] == row[i + literal + 2]))
      ++literal;
    out.push_back(static_cast<std::uint8_t>(literal - 1));
    out.insert(out.end(), row + i, row + i + literal);
    i += literal;
  }
}

struct TData {
  TBytes Picture = MakePicture();
  TBytes Targa;
  TBytes PackBits;  // planar rows, as in a layered-picture file
  TBytes Deflate;

  TData() {
    Targa.resize(ImageBytes + ImageBytes / 4);
    lumox::TTargaRLEDecoder codec(32);
    std::size_t used = 0;
    for (std::size_t y = 0; y < Height; ++y) {
      std::uint64_t written = 0;
      codec.Encode(&Picture[y * Width * Channels], &Targa[used], Width, written);
      used += written;
    }
    Targa.resize(used);

    TBytes plane(Width);
    for (std::size_t c = 0; c < Channels; ++c) {
      for (std::size_t y = 0; y < Height; ++y) {
        for (std::size_t x = 0; x < Width; ++x) plane[x] = Picture[(y * Width + x) * Channels + c];
        PackBitsRow(plane.data(), Width, PackBits);
      }
    }

    uLongf size = compressBound(ImageBytes);
    Deflate.resize(size);
    compress2(Deflate.data(), &size, Picture.data(), ImageBytes, 6);
    Deflate.resize(size);
  }
};

const TData& Data() {
  static const TData data;
  return data;
}

void Report(benchmark::State& state, std::size_t packedBytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ImageBytes));
  state.counters["packed_MB"] = static_cast<double>(packedBytes) / 1e6;
}

void BM_BlockCopyReference(benchmark::State& state) {
  const TData& data = Data();
  TBytes output(ImageBytes);
  for (auto _ : state) {
    std::memcpy(output.data(), data.Picture.data(), ImageBytes);
    benchmark::ClobberMemory();
  }
  Report(state, ImageBytes);
}

void BM_TargaRLE(benchmark::State& state) {
  const TData& data = Data();
  TBytes output(ImageBytes);
  lumox::TTargaRLEDecoder decoder(32);
  for (auto _ : state) {
    const std::uint8_t* input = data.Targa.data();
    const std::uint8_t* const end = input + data.Targa.size();
    for (std::size_t y = 0; y < Height; ++y) {
      std::uint8_t* row = &output[y * Width * Channels];
      decoder.Decode(input, row, end - input, Width);
    }
    benchmark::ClobberMemory();
  }
  if (output != data.Picture) state.SkipWithError("Targa output differs");
  Report(state, data.Targa.size());
}

void BM_PackBits(benchmark::State& state) {
  const TData& data = Data();
  TBytes output(ImageBytes);
  lumox::TPackbitsRLEDecoder decoder;
  for (auto _ : state) {
    // The whole planar block in one call, as the layered-picture reader does.
    const std::uint8_t* input = data.PackBits.data();
    std::uint8_t* out = output.data();
    decoder.Decode(input, out, static_cast<std::int64_t>(data.PackBits.size()), ImageBytes);
    benchmark::ClobberMemory();
  }
  if (output[Width * Height + 5] != data.Picture[5 * Channels + 1])
    state.SkipWithError("PackBits output differs");
  Report(state, data.PackBits.size());
}

void BM_InflateUncompressReference(benchmark::State& state) {
  const TData& data = Data();
  TBytes output(ImageBytes);
  for (auto _ : state) {
    uLongf size = ImageBytes;
    uncompress(output.data(), &size, data.Deflate.data(), data.Deflate.size());
    benchmark::ClobberMemory();
  }
  Report(state, data.Deflate.size());
}

void BM_InflateLZ77Decoder(benchmark::State& state) {
  const TData& data = Data();
  TBytes output(ImageBytes);
  for (auto _ : state) {
    lumox::TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    decoder.DecodeInit();
    const std::uint8_t* input = data.Deflate.data();
    std::uint8_t* out = output.data();
    decoder.Decode(input, out, static_cast<std::int64_t>(data.Deflate.size()), ImageBytes);
    decoder.DecodeEnd();
    benchmark::ClobberMemory();
  }
  if (output != data.Picture) state.SkipWithError("inflate output differs");
  Report(state, data.Deflate.size());
}

BENCHMARK(BM_BlockCopyReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TargaRLE)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackBits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateUncompressReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateLZ77Decoder)->Unit(benchmark::kMillisecond);

}  // namespace
