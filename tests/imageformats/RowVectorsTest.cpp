#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

// Runs `check` once for every set of extensions the vector forms may use, then allows them all
// again. Where the processor lacks one, allowing it changes nothing.
void ForEachExtensionSet(const std::function<void()>& check) {
  for (const bool wide : {false, true}) {
    for (const bool shuffles : {false, true}) {
      SCOPED_TRACE(testing::Message() << "wide " << wide << ", shuffles " << shuffles);
      AllowWideVectors(wide);
      AllowByteShuffles(shuffles);
      check();
    }
  }
  AllowWideVectors(true);
  AllowByteShuffles(true);
}

const TChromaFactors YCbCrFactors{1.402f, 0.7141362f, 1.772f, 0.3441363f, 128, 128},
    PhotoFactors{1.402f, 0.7141362f, 1.772f, 0.3441363f, 156, 137};

TEST(RowVectors, VectorFormsGiveThePlainFormsBytes) {
  ForEachExtensionSet([] {
    // Streamed blocks begin where the target meets a 16-byte boundary.
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
    for (const bool swap : {false, true}) {
      ExpectSameRows(
          [=](const TBytes& s, TBytes& t, std::size_t n) { ReduceWords(s.data(), t.data(), n, swap); },
          [=](const TBytes& s, TBytes& t, std::size_t n) { ReduceWordsPlain(s.data(), t.data(), n, swap); },
          2, 1);
    }
    for (const bool toBGR : {false, true}) {
      ExpectSameRows(
          [=](const TBytes& s, TBytes& t, std::size_t n) { CMYKToColour(s.data(), t.data(), n, toBGR); },
          [=](const TBytes& s, TBytes& t, std::size_t n) { CMYKToColourPlain(s.data(), t.data(), n, toBGR); },
          4, 3);
      for (const TChromaFactors& f : {YCbCrFactors, PhotoFactors}) {
        ExpectSameRows([&](const TBytes& s, TBytes& t,
                           std::size_t n) { LumaChromaToColour(s.data(), t.data(), n, f, toBGR); },
                       [&](const TBytes& s, TBytes& t, std::size_t n) {
                         LumaChromaToColourPlain(s.data(), t.data(), n, f, toBGR);
                       },
                       3, 3);
      }
    }
  });
}

// Every 16-bit sample and every pair of ink and black, in one row each, in every vector form.
TEST(RowVectors, ReducingWordsAndInkArithmeticHoldForEveryInput) {
  TBytes words(2 * 65536), inks(4 * 65536);
  for (std::size_t i = 0; i < 65536; ++i) {
    words[2 * i] = std::uint8_t(i), words[2 * i + 1] = std::uint8_t(i >> 8);
    const auto c = std::uint8_t(i), k = std::uint8_t(i >> 8);
    inks[4 * i] = c, inks[4 * i + 1] = std::uint8_t(255 - c), inks[4 * i + 2] = c ^ 0xA5, inks[4 * i + 3] = k;
  }
  ForEachExtensionSet([&] {
    TBytes reduced(65536), colours(3 * 65536);
    ReduceWords(words.data(), reduced.data(), 65536, false);
    for (std::size_t w = 0; w < 65536; ++w) ASSERT_EQ(reduced[w], w * 255 / 65535) << w;
    CMYKToColour(inks.data(), colours.data(), 65536, false);
    for (std::size_t i = 0; i < 3 * 65536; ++i) {
      const int c = inks[i / 3 * 4 + i % 3], k = inks[i / 3 * 4 + 3];
      ASSERT_EQ(colours[i], std::clamp(255 - (c - c * k / 255 + k), 0, 255)) << c << " " << k;
    }
  });
}

std::uint8_t Clamped(std::int32_t value) { return std::uint8_t(value < 0 ? 0 : value > 255 ? 255 : value); }

// The terms are those of the plain form; the vector forms must not differ from their sums for a
// single pixel.
TEST(RowVectors, LumaAndChromaGiveTheClampedSumsOfTheirTermsForEveryPixel) {
  constexpr std::size_t Count = std::size_t(1) << 24;
  TBytes ycc(3 * Count), colours(3 * Count), expected(3 * Count);
  for (std::size_t i = 0; i < Count; ++i) {
    ycc[3 * i] = std::uint8_t(i);
    ycc[3 * i + 1] = std::uint8_t(i >> 8);
    ycc[3 * i + 2] = std::uint8_t(i >> 16);
  }
  for (const TChromaFactors& f : {YCbCrFactors, PhotoFactors}) {
    std::array<std::array<std::int32_t, 256>, 4> terms{};  // red and green of Cr, blue and green of Cb
    for (std::int32_t c = 0; c < 256; ++c) {
      const auto at = std::size_t(c);
      ASSERT_TRUE(ChromaTerm(c, f.CrCentre, f.RedFromCr, terms[0][at]) &&
                  ChromaTerm(c, f.CrCentre, f.GreenFromCr, terms[1][at]) &&
                  ChromaTerm(c, f.CbCentre, f.BlueFromCb, terms[2][at]) &&
                  ChromaTerm(c, f.CbCentre, f.GreenFromCb, terms[3][at]));
    }
    // Pixel i has luma i % 256, Cb (i >> 8) % 256 and Cr i >> 16; plain loops keep this quick in
    // the unoptimised sanitizer build.
    std::uint8_t* out = expected.data();
    for (std::int32_t cr = 0; cr < 256; ++cr) {
      for (std::int32_t cb = 0; cb < 256; ++cb) {
        const std::int32_t red = terms[0][std::size_t(cr)], blue = terms[2][std::size_t(cb)],
                           green = -terms[1][std::size_t(cr)] - terms[3][std::size_t(cb)];
        for (std::int32_t y = 0; y < 256; ++y, out += 3) {
          out[0] = Clamped(y + red), out[1] = Clamped(y + green), out[2] = Clamped(y + blue);
        }
      }
    }
    for (const bool wide : {false, true}) {  // the routine has no form with byte shuffles
      AllowWideVectors(wide);
      LumaChromaToColour(ycc.data(), colours.data(), Count, f, false);
      EXPECT_EQ(std::memcmp(colours.data(), expected.data(), colours.size()), 0) << "wide " << wide;
    }
  }
  AllowWideVectors(true);
}

}  // namespace
}  // namespace lumox::rows
