#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "imageformats/RowVectors.h"

namespace lumox::rows {
namespace {

using TBytes = std::vector<std::uint8_t>;
// One form of a row routine: `count` pixels from `source` into `target`.
using TForm = std::function<void(const TBytes& source, TBytes& target, std::size_t count)>;

// Both forms on random rows of every length up to a few vector steps, in heap blocks of exactly
// their sizes so that the sanitizers see any read or write past them.
void ExpectSameRows(const TForm& vector, const TForm& plain, std::size_t sourceBytes,
                    std::size_t targetBytes) {
  std::mt19937 random(3);
  for (std::size_t count = 0; count <= 70; ++count) {
    TBytes source(count * sourceBytes);
    for (auto& b : source) b = std::uint8_t(random());
    TBytes fast(count * targetBytes, 7), expected(count * targetBytes, 7);
    vector(source, fast, count);
    plain(source, expected, count);
    ASSERT_EQ(fast, expected) << count;
  }
}

using TInterleaving = std::function<void(const TBytePlanes& planes, std::uint8_t* target, std::size_t count)>;

// Pixels of three or four planes, each a quarter of the source, written `offset` bytes into a
// block that ends where they end.
TForm Interleaved(bool alpha, const TInterleaving& form, std::size_t offset = 0) {
  return [=](const TBytes& source, TBytes& target, std::size_t count) {
    const std::uint8_t* p = source.data();
    TBytes shifted(offset + target.size());
    form({p, p + count, p + 2 * count, alpha ? p + 3 * count : nullptr}, shifted.data() + offset, count);
    std::copy(shifted.begin() + std::ptrdiff_t(offset), shifted.end(), target.begin());
  };
}

TEST(RowVectors, VectorFormsGiveThePlainFormsBytes) {
  // Streamed blocks begin where the target meets a 16-byte boundary.
  for (const bool shuffles : {false, true}) {
    AllowByteShuffles(shuffles);
    for (const bool stream : {false, true}) {
      const TInterleaving form = [=](const TBytePlanes& planes, std::uint8_t* target, std::size_t count) {
        InterleaveBytes(planes, target, count, stream);
      };
      for (const bool alpha : {false, true}) {
        for (std::size_t offset = 0; offset < 16; ++offset) {
          ExpectSameRows(Interleaved(alpha, form, offset), Interleaved(alpha, InterleaveBytesPlain), 4,
                         alpha ? 4 : 3);
        }
      }
    }
  }
  AllowByteShuffles(true);
  for (const bool swap : {false, true}) {
    ExpectSameRows(
        [=](const TBytes& s, TBytes& t, std::size_t n) { ReduceWords(s.data(), t.data(), n, swap); },
        [=](const TBytes& s, TBytes& t, std::size_t n) { ReduceWordsPlain(s.data(), t.data(), n, swap); }, 2,
        1);
  }
  const TChromaFactors ycbcr{1.402f, 0.7141362f, 1.772f, 0.3441363f, 128, 128},
      photo{1.402f, 0.7141362f, 1.772f, 0.3441363f, 156, 137};
  for (const bool toBGR : {false, true}) {
    ExpectSameRows(
        [=](const TBytes& s, TBytes& t, std::size_t n) { CMYKToColour(s.data(), t.data(), n, toBGR); },
        [=](const TBytes& s, TBytes& t, std::size_t n) { CMYKToColourPlain(s.data(), t.data(), n, toBGR); },
        4, 3);
    for (const TChromaFactors& f : {ycbcr, photo}) {
      ExpectSameRows([&](const TBytes& s, TBytes& t,
                         std::size_t n) { LumaChromaToColour(s.data(), t.data(), n, f, toBGR); },
                     [&](const TBytes& s, TBytes& t, std::size_t n) {
                       LumaChromaToColourPlain(s.data(), t.data(), n, f, toBGR);
                     },
                     3, 3);
    }
  }
}

// Every 16-bit sample and every pair of ink and black, in one row each.
TEST(RowVectors, ReducingWordsAndInkArithmeticHoldForEveryInput) {
  TBytes words(2 * 65536), reduced(65536);
  for (std::size_t w = 0; w < 65536; ++w)
    words[2 * w] = std::uint8_t(w), words[2 * w + 1] = std::uint8_t(w >> 8);
  ReduceWords(words.data(), reduced.data(), 65536, false);
  for (std::size_t w = 0; w < 65536; ++w) ASSERT_EQ(reduced[w], w * 255 / 65535) << w;

  TBytes inks(4 * 65536), colours(3 * 65536);
  for (std::size_t i = 0; i < 65536; ++i)
    inks[4 * i] = std::uint8_t(i), inks[4 * i + 3] = std::uint8_t(i >> 8);
  CMYKToColour(inks.data(), colours.data(), 65536, false);
  for (std::size_t i = 0; i < 65536; ++i) {
    const int c = int(i & 0xFF), k = int(i >> 8);
    ASSERT_EQ(colours[3 * i], std::clamp(255 - (c - c * k / 255 + k), 0, 255)) << c << " " << k;
    ASSERT_EQ(colours[3 * i + 1], 255 - k);
  }
}

}  // namespace
}  // namespace lumox::rows
