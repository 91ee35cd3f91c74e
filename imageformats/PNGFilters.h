#pragma once
// Undoing the row filters of PNG image data. A filtered byte holds the difference to a
// prediction made from the byte one pixel to its left, the byte above it and the byte above-left.
#include <cstddef>
#include <cstdint>

namespace lumox {

// Bytes that `UndoPNGFilter` may read (never write) behind the end of either row.
inline constexpr std::size_t PNGFilterSlack = 8;

// Restores `length` bytes of `row` in place. `previous` is the restored row above (zeros at the
// start of a pass); `distance` is the number of bytes of one whole pixel, 1 to 8, and a length
// of more than one pixel is a multiple of it. Both rows must be readable PNGFilterSlack bytes
// past `length`. Filter types above 4 leave the row as it is.
void UndoPNGFilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                   unsigned distance);
// The same, byte by byte: the form the vector one must match.
void UndoPNGFilterPlain(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous,
                        std::size_t length, unsigned distance);

}  // namespace lumox
