#pragma once
// The row conversions that readers spend most of their time in, each in a vector form (SSE2, on
// x86-64, with 256-bit forms where the processor has AVX2) and the plain form every other machine
// uses. All forms give the same bytes for every input; the vector forms finish each row with the
// plain one (the 256-bit ink and chroma forms with a step through buffers). Every pixel is
// produced: the colour manager calls these only for whole rows without gamma.
#include <array>
#include <cstddef>
#include <cstdint>

namespace lumox::rows {

// Whether the processor has the byte shuffles of SSSE3 and the population count, which some
// routines use when it does. Tests can forbid them, to try the forms every processor has.
bool HasByteShuffles();
void AllowByteShuffles(bool allow);
// Likewise for the 256-bit packed integers of AVX2, which the word, ink and chroma routines use.
bool HasWideVectors();
void AllowWideVectors(bool allow);

// Writes that went past the caches are seen by other threads in order with those that follow
// only behind this fence: one after the last streamed row will do.
void FenceStreamedWrites();

// Planes of bytes into pixels of three bytes (`planes[3]` none) or four: pixel i takes byte i of
// each plane in the order given. With `stream` and byte shuffles, three planes are written past
// the caches, for targets far larger than they are: such writes need not fetch what they
// overwrite first. A fence after each row would hold up the next one.
using TBytePlanes = std::array<const std::uint8_t*, 4>;
void InterleaveBytes(const TBytePlanes& planes, std::uint8_t* target, std::size_t count, bool stream = false);
void InterleaveBytesPlain(const TBytePlanes& planes, std::uint8_t* target, std::size_t count);

// 16-bit samples into 8-bit ones by w·255 div 65535, the two bytes of each sample exchanged
// first when `swap` is set. `count` counts samples.
void ReduceWords(const std::uint8_t* words, std::uint8_t* target, std::size_t count, bool swap);
void ReduceWordsPlain(const std::uint8_t* words, std::uint8_t* target, std::size_t count, bool swap);

// Interleaved 8-bit cyan, magenta, yellow and black into three-byte pixels, blue first when
// `toBGR` is set, else red first.
void CMYKToColour(const std::uint8_t* cmyk, std::uint8_t* target, std::size_t count, bool toBGR);
void CMYKToColourPlain(const std::uint8_t* cmyk, std::uint8_t* target, std::size_t count, bool toBGR);
// One colour byte of the ink sample `c` under black `k`.
constexpr std::uint8_t InkToColour(std::uint32_t c, std::uint32_t k) {
  const std::int32_t value = 255 - std::int32_t(c - c * k / 255 + k);
  return value < 0 ? 0 : std::uint8_t(value);
}

// Luma and two chroma samples in single precision: each chroma term is the chroma sample less its
// centre, times its factor, rounded to the nearest integer (halves to even) as a float product.
struct TChromaFactors {
  float RedFromCr = 0, GreenFromCr = 0, BlueFromCb = 0, GreenFromCb = 0;
  std::int32_t CbCentre = 128, CrCentre = 128;
};
// The term of chroma sample `chroma` with centre `centre` and factor `factor`; false when the
// product is too large for the vector form.
bool ChromaTerm(std::int32_t chroma, std::int32_t centre, float factor, std::int32_t& term);
// Interleaved 8-bit luma, blue and red chroma into three-byte pixels (blue first when `toBGR`):
// blue = luma + Cb term, green = luma − Cr term − Cb term, red = luma + Cr term, each clamped to
// 0..255. Every term must be one ChromaTerm computes.
void LumaChromaToColour(const std::uint8_t* ycc, std::uint8_t* target, std::size_t count,
                        const TChromaFactors& factors, bool toBGR);
void LumaChromaToColourPlain(const std::uint8_t* ycc, std::uint8_t* target, std::size_t count,
                             const TChromaFactors& factors, bool toBGR);

}  // namespace lumox::rows
