#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imageformats/PNGFilters.h"

namespace lumox {
namespace {

using TBytes = std::vector<std::uint8_t>;

// Every filter type (5 is none of them) and pixel size on random rows of many lengths, each row
// and the row above in a heap block of exactly its length and the slack, so that the sanitizers
// see any access past them.
TEST(PNGFilters, VectorFormRestoresThePlainFormsBytes) {
  std::mt19937 random(5);
  const auto noise = [&](std::size_t size) {
    TBytes bytes(size);
    for (auto& b : bytes) b = std::uint8_t(random());
    return bytes;
  };
  std::vector<std::size_t> pixelCounts(41);
  for (std::size_t i = 0; i < pixelCounts.size(); ++i) pixelCounts[i] = i;
  pixelCounts.push_back(1001);
  for (const unsigned distance : {1u, 2u, 3u, 4u, 6u, 8u}) {
    for (std::uint8_t filter = 0; filter <= 5; ++filter) {
      for (const std::size_t pixels : pixelCounts) {
        const std::size_t length = pixels * distance;
        const TBytes above = noise(length + PNGFilterSlack);
        TBytes row = noise(length + PNGFilterSlack), expected = row;
        UndoPNGFilter(filter, row.data(), above.data(), length, distance);
        UndoPNGFilterPlain(filter, expected.data(), above.data(), length, distance);
        ASSERT_EQ(row, expected) << int(filter) << " " << distance << " " << pixels;
      }
    }
  }
}

}  // namespace
}  // namespace lumox
