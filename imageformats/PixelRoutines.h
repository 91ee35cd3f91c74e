#pragma once
// Pixel routines several readers share: byte order, horizontal-difference predictors and the
// doubling of a chroma plane. Each works in place; a count of 0 does nothing.
#include <cstddef>
#include <cstdint>
#include <span>

namespace lumox {

// Swaps the two bytes of each of `count` consecutive 16-bit values.
void ReverseWordBytes(void* values, std::size_t count);
// Reverses the four bytes of each of `count` consecutive 32-bit values.
void ReverseLongBytes(void* values, std::size_t count);
constexpr std::uint32_t ReverseLong(std::uint32_t value) {
  return value >> 24 | (value >> 8 & 0xFF00u) | (value << 8 & 0xFF0000u) | value << 24;
}

// Horizontal-difference decoding of a row of 1, 3 or 4 bytes per pixel: every byte from the
// second pixel on adds the byte one pixel before it (modulo 256). `count` is the row's pixel
// count minus one; bytes 0 .. (count+1)·pixel size − 1 are touched.
void UndoPredictor1(std::uint8_t* row, std::size_t count);
void UndoPredictor3(std::uint8_t* row, std::size_t count);
void UndoPredictor4(std::uint8_t* row, std::size_t count);

// Doubles a plane of width × height bytes in both directions, in place. The source occupies the
// first `height` rows of `scanLength` bytes; the result uses 2·height rows of 2·width bytes
// with the same row distance. New samples are the rounded means of their neighbours. Raises
// EInvalidGraphic unless width and height are at least 2, scanLength at least 2·width and
// `pixels` holds 2·height rows.
void UpsamplePlane(std::size_t width, std::size_t height, std::size_t scanLength,
                   std::span<std::uint8_t> pixels);

}  // namespace lumox
