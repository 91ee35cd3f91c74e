#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "framework/PixelVectors.h"

namespace lumox::pixels {
namespace {

using TRowToBGRA = std::function<void(const std::uint8_t*, std::uint32_t*, std::size_t)>;

// The vector form against the plain one on random rows of every length up to a few vector steps,
// in heap blocks of exactly their sizes so that the sanitizers see any read or write past them.
void ExpectSameRows(const TRowToBGRA& vector, const TRowToBGRA& plain, std::size_t bytesPerPixel) {
  std::mt19937 random(5);
  for (std::size_t count = 0; count <= 70; ++count) {
    std::vector<std::uint8_t> row(count * bytesPerPixel);
    for (auto& b : row) b = std::uint8_t(random());
    std::vector<std::uint32_t> fast(count, 7), expected(count, 7);
    vector(row.data(), fast.data(), count);
    plain(row.data(), expected.data(), count);
    ASSERT_EQ(fast, expected) << count;
  }
}

TEST(PixelVectors, RowsToBGRAGiveThePlainFormsPixels) {
  ExpectSameRows(GreyToBGRA, GreyToBGRAPlain, 1);
  ExpectSameRows(BGRToBGRA, BGRToBGRAPlain, 3);
  const std::uint8_t bgr[] = {1, 2, 3, 250}, grey[] = {0x12};
  std::uint32_t pixel = 0;
  BGRToBGRAPlain(bgr, &pixel, 1);
  EXPECT_EQ(pixel, 0xFF030201);
  GreyToBGRAPlain(grey, &pixel, 1);
  EXPECT_EQ(pixel, 0xFF121212);
}

}  // namespace
}  // namespace lumox::pixels
