// The row converters of the colour manager. Every one reads the samples of the produced pixels
// of one row span and writes them in the target layout; ConvertRow has checked beforehand that
// both stay within their buffers.
#include <cmath>
#include <cstring>

#include "imageformats/ColorManager.h"
#include "imageformats/RowVectors.h"

namespace lumox {
namespace {

using enum TConversionOption;

std::uint16_t SwapBytes(std::uint16_t w) { return std::uint16_t(w << 8 | w >> 8); }

std::uint16_t ReadWord(const std::uint8_t* p, bool swap) {
  std::uint16_t w;
  std::memcpy(&w, p, 2);
  return swap ? SwapBytes(w) : w;
}

void WriteWord(std::uint8_t* p, std::uint32_t value) {
  const auto w = std::uint16_t(value);
  std::memcpy(p, &w, 2);
}

// 16-bit samples become 8-bit ones by w·255 div 65535.
constexpr std::uint8_t Reduce(std::uint32_t w) { return std::uint8_t(w / 257); }

constexpr std::array<std::uint8_t, 256> Identity = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) table[i] = std::uint8_t(i);
  return table;
}();

// Calls produce(n, i) for every pixel i of the span that the mask selects; n counts the
// produced pixels, so it indexes the source.
template <class TProduce>
void ForEachProduced(std::size_t count, std::uint8_t mask, TProduce produce) {
  if (mask == 0xFF) {
    for (std::size_t i = 0; i < count; ++i) produce(i, i);
    return;
  }
  std::size_t n = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if ((mask & (0x80u >> (i % 8))) != 0) produce(n++, i);
  }
}

// Where the samples of produced pixel n lie: component k at Base[k] + n·Stride, whether the
// source is interleaved or planar.
struct TSamples {
  std::array<const std::uint8_t*, 4> Base{};
  std::size_t Stride = 0;

  const std::uint8_t* At(std::size_t n, int k) const { return Base[std::size_t(k)] + n * Stride; }
};

TSamples SamplesOf(const std::array<const std::uint8_t*, 4>& source, bool planar, int components, int step,
                   int sampleBytes) {
  if (planar) return {source, std::size_t(sampleBytes)};
  TSamples samples{{}, std::size_t(step * sampleBytes)};
  for (int k = 0; k < components; ++k) samples.Base[std::size_t(k)] = source[0] + k * sampleBytes;
  return samples;
}

// Packed samples of 1, 2, 4 or 8 bits, from the most significant bit of each byte on.
unsigned PackedSample(const std::uint8_t* row, std::size_t index, int bits) {
  const std::size_t bit = index * std::size_t(bits);
  return (row[bit / 8] >> (8 - bits - int(bit % 8))) & ((1u << bits) - 1);
}

void SetPackedSample(std::uint8_t* row, std::size_t index, int bits, unsigned value) {
  const std::size_t bit = index * std::size_t(bits);
  const int shift = 8 - bits - int(bit % 8);
  const unsigned field = ((1u << bits) - 1) << shift;
  row[bit / 8] = std::uint8_t((row[bit / 8] & ~field) | (value << shift & field));
}

// Sixteen bytes as one value, so that the compiler uses vector registers on any processor.
using TByteVector [[gnu::vector_size(16)]] = std::uint8_t;
using TWordVector [[gnu::vector_size(16)]] = std::uint32_t;

template <class TVector>
TVector LoadVector(const std::uint8_t* p) {
  TVector v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class TVector>
void StoreVector(std::uint8_t* p, TVector v) {
  std::memcpy(p, &v, sizeof v);
}

// Red and blue change places in the five 3-byte pixels of a 16-byte chunk: each byte takes the
// one two places after it (first of a pixel), two before it (last) or its own (middle). The
// sixteenth byte comes out wrong; the caller overwrites it with the next chunk.
TByteVector SwapRedBlue3(TByteVector v) {
  constexpr TByteVector zero{};
  constexpr TByteVector first{0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
  constexpr TByteVector middle{0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0};
  constexpr TByteVector last{0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0};
  const TByteVector later =
      __builtin_shufflevector(v, zero, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 16);
  const TByteVector earlier =
      __builtin_shufflevector(zero, v, 0, 0, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29);
  return (later & first) | (v & middle) | (earlier & last);
}

// Red and blue change places in four 4-byte pixels.
TWordVector SwapRedBlue4(TWordVector v) {
  return (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v << 16 & 0xFF0000u);
}

// Interleaved 8-bit colour rows with every pixel selected and no gamma: only bytes move.
template <int SourceStep, int TargetStep, bool SwapRedBlue>
void MoveColourBytes(const std::uint8_t* source, std::uint8_t* target, std::size_t count) {
  std::size_t i = 0;
  if constexpr (SourceStep == TargetStep && !SwapRedBlue) {
    std::memcpy(target, source, count * SourceStep);
    return;
  } else if constexpr (SourceStep == 3 && TargetStep == 3) {
    for (; i + 11 <= count; i += 10) {
      const TByteVector low = LoadVector<TByteVector>(source + 3 * i),
                        high = LoadVector<TByteVector>(source + 3 * i + 15);
      StoreVector(target + 3 * i, SwapRedBlue3(low));
      StoreVector(target + 3 * i + 15, SwapRedBlue3(high));
    }
    for (; i + 6 <= count; i += 5)
      StoreVector(target + 3 * i, SwapRedBlue3(LoadVector<TByteVector>(source + 3 * i)));
  } else if constexpr (SourceStep == 4 && TargetStep == 4) {
    for (; i + 4 <= count; i += 4)
      StoreVector(target + 4 * i, SwapRedBlue4(LoadVector<TWordVector>(source + 4 * i)));
  }
  for (; i < count; ++i) {
    const std::uint8_t* s = source + i * SourceStep;
    std::uint8_t* t = target + i * TargetStep;
    t[0] = s[SwapRedBlue ? 2 : 0];
    t[1] = s[1];
    t[2] = s[SwapRedBlue ? 0 : 2];
    if constexpr (SourceStep == 4 && TargetStep == 4) t[3] = s[3];
  }
}

template <bool SwapRedBlue>
void MoveColourBytes(const std::uint8_t* source, std::uint8_t* target, std::size_t count, int sourceStep,
                     int targetStep) {
  if (sourceStep == 3 && targetStep == 3) MoveColourBytes<3, 3, SwapRedBlue>(source, target, count);
  if (sourceStep == 3 && targetStep == 4) MoveColourBytes<3, 4, SwapRedBlue>(source, target, count);
  if (sourceStep == 4 && targetStep == 3) MoveColourBytes<4, 3, SwapRedBlue>(source, target, count);
  if (sourceStep == 4 && targetStep == 4) MoveColourBytes<4, 4, SwapRedBlue>(source, target, count);
}

// Planes of bytes into interleaved pixels, every pixel produced and no gamma: only bytes move.
void InterleavePlanes(const std::array<const std::uint8_t*, 4>& planes, std::uint8_t* target,
                      std::size_t count, bool swapRedBlue, bool copyAlpha, int targetStep, bool stream) {
  const rows::TBytePlanes ordered{planes[swapRedBlue ? 2 : 0], planes[1], planes[swapRedBlue ? 0 : 2],
                                  copyAlpha ? planes[3] : nullptr};
  if (targetStep == 3 || copyAlpha) return rows::InterleaveBytes(ordered, target, count, stream);
  for (std::size_t i = 0; i < count; ++i, target += targetStep) {  // the alpha place keeps its byte
    for (std::size_t k = 0; k < 3; ++k) target[k] = ordered[k][i];
  }
}

// One colour (or alpha) sample from a source of SourceBits to a target of TargetBits; `lut`
// is the gamma table or the identity.
template <int SourceBits, int TargetBits>
std::uint32_t ColourSample(const std::uint8_t* p, const std::uint8_t* lut, bool swap) {
  if constexpr (SourceBits == 8) {
    return TargetBits == 8 ? lut[*p] : lut[*p] * 257u;
  } else if constexpr (TargetBits == 8) {
    return lut[Reduce(ReadWord(p, swap))];
  } else {
    return ReadWord(p, swap);
  }
}

template <int TargetBits>
void StoreSample(std::uint8_t* p, std::uint32_t value) {
  if constexpr (TargetBits == 8) {
    *p = std::uint8_t(value);
  } else {
    WriteWord(p, value);
  }
}

// The three colour samples of a pixel, 8 or 16 bits wide, into target places 0, 1, 2 (swapped
// red and blue when asked) and nothing into a fourth place.
template <int TargetBits>
void StoreColour(std::uint8_t* t, bool swapRedBlue, std::uint32_t c0, std::uint32_t c1, std::uint32_t c2) {
  constexpr int bytes = TargetBits / 8;
  StoreSample<TargetBits>(t, swapRedBlue ? c2 : c0);
  StoreSample<TargetBits>(t + bytes, c1);
  StoreSample<TargetBits>(t + 2 * bytes, swapRedBlue ? c0 : c2);
}

// Calls convert.template operator()<SourceBits, TargetBits>() for the width pair, when it is
// one of 8 and 16 on both sides.
template <class TConvert>
void ForWidths(int sourceBits, int targetBits, TConvert convert) {
  if (sourceBits == 8 && targetBits == 8) convert.template operator()<8, 8>();
  if (sourceBits == 8 && targetBits == 16) convert.template operator()<8, 16>();
  if (sourceBits == 16 && targetBits == 8) convert.template operator()<16, 8>();
  if (sourceBits == 16 && targetBits == 16) convert.template operator()<16, 16>();
}

// CIE L*a*b* to red, green and blue bytes, in extended precision.
std::array<std::uint8_t, 3> LabToRGB(std::uint8_t lByte, std::uint8_t aByte, std::uint8_t bByte,
                                     bool byteRange, bool chromaOffset) {
  const long double l = byteRange ? lByte / 2.55L : lByte;
  const long double a = chromaOffset ? aByte - 128 : std::int8_t(aByte);
  const long double b = chromaOffset ? bByte - 128 : std::int8_t(bByte);
  const long double fy = (l + 16) / 116;
  long double x, y, z;
  if (l < 7.9996L) {
    y = l / 903.3L;
    x = a / 3893.5L + y;
    z = y - b / 1557.4L;
  } else {
    const long double fx = a / 500 + fy, fz = fy - b / 200;
    x = fx * fx * fx;
    y = fy * fy * fy;
    z = fz * fz * fz;
  }
  const auto channel = [](long double value) {
    return ClampByte(std::int32_t(std::nearbyintl(value * 255)));
  };
  return {channel((2.998L * x - 1.458L * y) - 0.541L * z), channel((-0.952L * x + 1.893L * y) + 0.059L * z),
          channel((0.099L * x - 0.198L * y) + 1.099L * z)};
}

std::uint32_t RoundToWord(long double value) {
  return value <= 0 ? 0 : value >= 65535 ? 65535 : std::uint32_t(std::nearbyintl(value));
}

}  // namespace

void TColorManager::ConvertColourRow(const TRow& row, bool swapRedBlue, int sourceBits) const {
  const bool sourceAlpha = SourceOptions.Contains(optAlpha), targetAlpha = TargetOptions.Contains(optAlpha);
  const bool copyAlpha = sourceAlpha && targetAlpha;
  const int sourceStep = sourceAlpha ? 4 : 3, targetStep = targetAlpha ? 4 : 3;
  const bool gamma = TargetOptions.Contains(optApplyGamma), swap = SourceOptions.Contains(optByteSwap);
  if (sourceBits == 16 && TargetBits == 8 && !row.Planar && row.Mask == 0xFF) {
    // Reduced block by block, the samples take the byte path (gamma is looked up after reducing
    // there as here; alpha is reduced only). A block of 3 KB holds whole steps of the reducing
    // loops, for pixels of three samples and of four, so none of a row's middle falls to the
    // slower plain form.
    std::array<std::uint8_t, 3072> reduced;
    const std::size_t blockPixels = reduced.size() / std::size_t(sourceStep);
    for (std::size_t done = 0; done < row.Count; done += blockPixels) {
      const std::size_t n = std::min(blockPixels, row.Count - done);
      rows::ReduceWords(row.Source[0] + 2 * done * std::size_t(sourceStep), reduced.data(),
                        n * std::size_t(sourceStep), swap);
      const TRow block{
          .Source = {reduced.data()}, .Target = row.Target + done * std::size_t(targetStep), .Count = n};
      ConvertColourRow(block, swapRedBlue, 8);
    }
    return;
  }
  if (sourceBits == 8 && TargetBits == 8 && !gamma && row.Mask == 0xFF) {
    if (row.Planar) {
      InterleavePlanes(row.Source, row.Target, row.Count, swapRedBlue, copyAlpha, targetStep, StreamRows);
    } else {
      swapRedBlue ? MoveColourBytes<true>(row.Source[0], row.Target, row.Count, sourceStep, targetStep)
                  : MoveColourBytes<false>(row.Source[0], row.Target, row.Count, sourceStep, targetStep);
    }
    return;
  }
  const std::uint8_t* lut = gamma ? Gamma.data() : Identity.data();
  ForWidths(sourceBits, TargetBits, [&]<int S, int T>() {
    const TSamples samples = SamplesOf(row.Source, row.Planar, copyAlpha ? 4 : 3, sourceStep, S / 8);
    const std::size_t pixelBytes = std::size_t(targetStep * T / 8);
    ForEachProduced(row.Count, row.Mask, [&](std::size_t n, std::size_t i) {
      std::uint8_t* t = row.Target + i * pixelBytes;
      StoreColour<T>(t, swapRedBlue, ColourSample<S, T>(samples.At(n, 0), lut, swap),
                     ColourSample<S, T>(samples.At(n, 1), lut, swap),
                     ColourSample<S, T>(samples.At(n, 2), lut, swap));
      if (copyAlpha)
        StoreSample<T>(t + 3 * T / 8, ColourSample<S, T>(samples.At(n, 3), Identity.data(), swap));
    });
  });
}

void TColorManager::RowFromRGBToRGB(const TRow& row) const { ConvertColourRow(row, false, SourceBits); }
void TColorManager::RowFromRGBToBGR(const TRow& row) const { ConvertColourRow(row, true, SourceBits); }
void TColorManager::RowFromBGRToRGB(const TRow& row) const { ConvertColourRow(row, true, SourceBits); }
void TColorManager::RowFromBGRToBGR(const TRow& row) const { ConvertColourRow(row, false, SourceBits); }

void TColorManager::ConvertCMYKRow(const TRow& row, bool toBGR) const {
  const int targetStep = TargetOptions.Contains(optAlpha) ? 4 : 3;
  const bool swap = SourceOptions.Contains(optByteSwap);
  if (SourceBits == 8 && TargetBits == 8 && !row.Planar && row.Mask == 0xFF && targetStep == 3)
    return rows::CMYKToColour(row.Source[0], row.Target, row.Count, toBGR);
  ForWidths(SourceBits, TargetBits, [&]<int S, int T>() {
    const TSamples samples = SamplesOf(row.Source, row.Planar, 4, 4, S / 8);
    const std::size_t pixelBytes = std::size_t(targetStep * T / 8);
    ForEachProduced(row.Count, row.Mask, [&](std::size_t n, std::size_t i) {
      std::array<std::uint32_t, 3> rgb;
      if constexpr (S == 8) {
        const std::uint32_t k = *samples.At(n, 3);
        for (int c = 0; c < 3; ++c) {
          const std::uint8_t value = rows::InkToColour(*samples.At(n, c), k);
          rgb[std::size_t(c)] = T == 8 ? value : value * 257u;
        }
      } else {
        const std::uint32_t k = ReadWord(samples.At(n, 3), swap);
        for (int c = 0; c < 3; ++c) {
          const std::uint32_t v = ReadWord(samples.At(n, c), swap);
          const std::uint32_t f = v - v * k / 65535 + k;
          rgb[std::size_t(c)] = T == 8 ? ClampByte(255 - std::int32_t(f * 255 / 65535)) : 65535 - f;
        }
      }
      StoreColour<T>(row.Target + i * pixelBytes, toBGR, rgb[0], rgb[1], rgb[2]);
    });
  });
}

void TColorManager::RowFromCMYKToRGB(const TRow& row) const { ConvertCMYKRow(row, false); }
void TColorManager::RowFromCMYKToBGR(const TRow& row) const { ConvertCMYKRow(row, true); }

void TColorManager::ConvertLabRow(const TRow& row, bool toBGR) const {
  const int targetStep = TargetOptions.Contains(optAlpha) ? 4 : 3;
  const bool byteRange = SourceOptions.Contains(optLabByteRange);
  const bool chromaOffset = SourceOptions.Contains(optLabChromaOffset),
             swap = SourceOptions.Contains(optByteSwap);
  ForWidths(SourceBits, TargetBits, [&]<int S, int T>() {
    const TSamples samples = SamplesOf(row.Source, row.Planar, 3, 3, S / 8);
    const std::size_t pixelBytes = std::size_t(targetStep * T / 8);
    // 16-bit samples are first reduced to 8 bits; the options tell their ranges as for bytes.
    const auto sample = [&](std::size_t n, int k) {
      return S == 8 ? *samples.At(n, k) : Reduce(ReadWord(samples.At(n, k), swap));
    };
    ForEachProduced(row.Count, row.Mask, [&](std::size_t n, std::size_t i) {
      const auto rgb = LabToRGB(sample(n, 0), sample(n, 1), sample(n, 2), byteRange, chromaOffset);
      const std::uint32_t scale = T == 8 ? 1 : 257;
      StoreColour<T>(row.Target + i * pixelBytes, toBGR, rgb[0] * scale, rgb[1] * scale, rgb[2] * scale);
    });
  });
}

void TColorManager::RowFromLabToRGB(const TRow& row) const { ConvertLabRow(row, false); }
void TColorManager::RowFromLabToBGR(const TRow& row) const { ConvertLabRow(row, true); }

void TColorManager::ConvertLumaChromaRow(const TRow& row, bool toBGR) const {
  const int targetStep = TargetOptions.Contains(optAlpha) ? 4 : 3;
  const bool photo = SourceScheme == TColorScheme::schPhotoYCC;
  if (VectorChroma && SourceBits == 8 && TargetBits == 8 && !row.Planar && row.Mask == 0xFF &&
      targetStep == 3)
    return rows::LumaChromaToColour(row.Source[0], row.Target, row.Count, *VectorChroma, toBGR);
  ForWidths(SourceBits, TargetBits, [&]<int S, int T>() {
    const TSamples samples = SamplesOf(row.Source, row.Planar, 3, 3, S / 8);
    const std::size_t pixelBytes = std::size_t(targetStep * T / 8);
    ForEachProduced(row.Count, row.Mask, [&](std::size_t n, std::size_t i) {
      std::uint8_t* t = row.Target + i * pixelBytes;
      if constexpr (S == 16 && T == 16) {
        const std::uint32_t y = ReadWord(samples.At(n, 0), false), cb = ReadWord(samples.At(n, 1), false),
                            cr = ReadWord(samples.At(n, 2), false);
        const auto rgb = photo ? PhotoYCCToRGB16(y, cb, cr) : YCbCrToRGB16(y, cb, cr);
        StoreColour<16>(t, toBGR, rgb[0], rgb[1], rgb[2]);
      } else {
        const auto sample = [&](int k) {
          return S == 8 ? *samples.At(n, k) : Reduce(ReadWord(samples.At(n, k), false));
        };
        const std::int32_t y = sample(0);
        const std::size_t cb = sample(1), cr = sample(2);
        const std::uint32_t scale = T == 8 ? 1 : 257;
        StoreColour<T>(t, toBGR, ClampByte(y + CrToRed[cr]) * scale,
                       ClampByte(y + CbToGreen[cb] + CrToGreen[cr]) * scale,
                       ClampByte(y + CbToBlue[cb]) * scale);
      }
    });
  });
}

std::array<std::uint32_t, 3> TColorManager::PhotoYCCToRGB16(std::uint32_t y, std::uint32_t c1,
                                                            std::uint32_t c2) {
  const float luma = float(y * 1.3584L), chroma1 = float(std::int32_t(c1) - 40092),
              chroma2 = float(std::int32_t(c2) - 35209);
  return {RoundToWord(1.8215L * chroma2 + luma),
          RoundToWord((luma - 0.9271435L * chroma2) - 0.4302726L * chroma1),
          RoundToWord(2.2179L * chroma1 + luma)};
}

std::array<std::uint32_t, 3> TColorManager::YCbCrToRGB16(std::uint32_t y, std::uint32_t cb,
                                                         std::uint32_t cr) const {
  const long double blue = std::int32_t(cb) - 32768, red = std::int32_t(cr) - 32768;
  return {RoundToWord(y + red * ChromaFactors[0]),
          RoundToWord(y - red * ChromaFactors[1] - blue * ChromaFactors[3]),
          RoundToWord(y + blue * ChromaFactors[2])};
}

void TColorManager::RowFromYCbCrToRGB(const TRow& row) const { ConvertLumaChromaRow(row, false); }
void TColorManager::RowFromYCbCrToBGR(const TRow& row) const { ConvertLumaChromaRow(row, true); }

void TColorManager::RowFromGray(const TRow& row) const {
  const bool swap = SourceOptions.Contains(optByteSwap);
  const int step = SourceOptions.Contains(optAlpha) ? 2 : 1;
  ForWidths(SourceBits, TargetBits, [&]<int S, int T>() {
    const std::uint8_t* source = row.Source[0];
    if (S == 16 && T == 8 && step == 1 && row.Mask == 0xFF)
      return rows::ReduceWords(source, row.Target, row.Count, swap);
    ForEachProduced(row.Count, row.Mask, [&](std::size_t n, std::size_t i) {
      const std::uint8_t* s = source + n * step * S / 8;
      std::uint32_t value;
      if constexpr (S == 8) {
        value = T == 8 ? *s : *s * 257u;
      } else {
        value = T == 8 ? Reduce(ReadWord(s, swap)) : ReadWord(s, swap);
      }
      StoreSample<T>(row.Target + i * T / 8, value);
    });
  });
}

void TColorManager::RowFromPacked(const TRow& row) const {
  if (SourceBits == TargetBits && row.Mask == 0xFF) {
    std::memcpy(row.Target, row.Source[0], (row.Count * std::size_t(SourceBits) + 7) / 8);
    return;
  }
  const unsigned sourceMax = (1u << SourceBits) - 1, targetMax = (1u << TargetBits) - 1;
  ForEachProduced(row.Count, row.Mask, [&](std::size_t n, std::size_t i) {
    SetPackedSample(row.Target, i, TargetBits,
                    PackedSample(row.Source[0], n, SourceBits) * targetMax / sourceMax);
  });
}

void TColorManager::RowFromIndexed16To16(const TRow& row) const {
  const bool swap = SourceOptions.Contains(optByteSwap);
  if (!swap && row.Mask == 0xFF) {
    std::memcpy(row.Target, row.Source[0], 2 * row.Count);
    return;
  }
  ForEachProduced(row.Count, row.Mask, [&](std::size_t n, std::size_t i) {
    WriteWord(row.Target + 2 * i, ReadWord(row.Source[0] + 2 * n, swap));
  });
}

void TColorManager::RowFromIndexed16ToPacked(const TRow& row) const {
  const bool swap = SourceOptions.Contains(optByteSwap);
  const unsigned targetMax = (1u << TargetBits) - 1;
  ForEachProduced(row.Count, row.Mask, [&](std::size_t n, std::size_t i) {
    SetPackedSample(row.Target, i, TargetBits, ReadWord(row.Source[0] + 2 * n, swap) * targetMax / 65535);
  });
}

void TColorManager::RowFromPackedTo16(const TRow& row) const {
  const bool swap = SourceOptions.Contains(optByteSwap);
  const unsigned sourceMax = (1u << SourceBits) - 1;
  ForEachProduced(row.Count, row.Mask, [&](std::size_t n, std::size_t i) {
    const auto value = std::uint16_t(PackedSample(row.Source[0], n, SourceBits) * 65535 / sourceMax);
    WriteWord(row.Target + 2 * i, swap ? SwapBytes(value) : value);
  });
}

}  // namespace lumox
