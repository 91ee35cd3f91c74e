#include "imageformats/PixelRoutines.h"

#include <algorithm>
#include <cstring>

#include "framework/Exceptions.h"

namespace lumox {
namespace {

// Adds to every byte from `Distance` on the byte `Distance` before it. The running sums stay in
// registers, so no byte waits for the one stored just before.
template <std::size_t Distance>
void UndoPredictor(std::uint8_t* row, std::size_t count) {
  std::uint8_t sums[Distance];
  std::memcpy(sums, row, Distance);
  for (std::uint8_t* pixel = row + Distance; pixel < row + Distance * (count + 1); pixel += Distance) {
#pragma GCC unroll 4
    for (std::size_t k = 0; k < Distance; ++k) pixel[k] = sums[k] = std::uint8_t(sums[k] + pixel[k]);
  }
}

}  // namespace

void ReverseWordBytes(void* values, std::size_t count) {
  auto* p = static_cast<std::uint8_t*>(values);
  for (std::size_t i = 0; i < count; ++i, p += 2) std::swap(p[0], p[1]);
}

void ReverseLongBytes(void* values, std::size_t count) {
  auto* p = static_cast<std::uint8_t*>(values);
  for (std::size_t i = 0; i < count; ++i, p += 4) std::reverse(p, p + 4);
}

void UndoPredictor1(std::uint8_t* row, std::size_t count) { UndoPredictor<1>(row, count); }
void UndoPredictor3(std::uint8_t* row, std::size_t count) { UndoPredictor<3>(row, count); }
void UndoPredictor4(std::uint8_t* row, std::size_t count) { UndoPredictor<4>(row, count); }

void UpsamplePlane(std::size_t width, std::size_t height, std::size_t scanLength,
                   std::span<std::uint8_t> pixels) {
  if (width < 2 || height < 2 || scanLength < 2 * width || pixels.size() / scanLength < 2 * height) {
    throw EInvalidGraphic("Cannot double a plane that does not fit its buffer.");
  }
  const auto row = [&](std::size_t y) { return pixels.data() + y * scanLength; };
  const std::size_t last = 2 * width - 2;
  // Rows from the bottom and pixels from the right, so no source sample is overwritten unread.
  for (std::size_t y = height; y-- > 0;) {
    const std::uint8_t* in = row(y);
    std::uint8_t* out = row(2 * y);
    const std::uint8_t edge = in[width - 1];
    out[last] = out[last + 1] = edge;
    for (std::size_t x = width - 1; x-- > 0;) {
      const std::uint8_t left = in[x], between = std::uint8_t((in[x] + in[x + 1] + 1) >> 1);
      out[2 * x] = left;
      out[2 * x + 1] = between;
    }
  }
  for (std::size_t y = 0; y + 1 < height; ++y) {
    const std::uint8_t* upper = row(2 * y);
    const std::uint8_t* lower = row(2 * y + 2);
    std::uint8_t* middle = row(2 * y + 1);
    for (std::size_t c = 0; c < last; c += 2) {
      middle[c] = std::uint8_t((upper[c] + lower[c] + 1) >> 1);
      middle[c + 1] = std::uint8_t((upper[c] + upper[c + 2] + lower[c] + lower[c + 2] + 2) >> 2);
    }
    middle[last] = middle[last + 1] = std::uint8_t((upper[last] + lower[last] + 1) >> 1);
  }
  std::memcpy(row(2 * height - 1), row(2 * height - 2), 2 * width);
}

}  // namespace lumox
