// The run-length decoders on byte examples, and the Targa encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>

#include "imageformats/RowVectors.h"
#include "imageformats/SimpleRLE.h"
#include "imageformats/TargaRLE.h"
#include "tests/imageformats/DecoderTestSupport.h"

namespace lumox {
namespace {

using test::DecodeExact;
using test::TBytes;
constexpr std::uint8_t X = test::Unwritten;

struct TExample {
  const char* Decoder;
  TBytes Input;
  std::int64_t Units;
  TBytes Output;
  std::int64_t Consumed = -1;  // how far the input moves; -1: not checked
};

std::unique_ptr<TDecoder> Make(const std::string& name) {
  static const std::map<std::string, std::function<std::unique_ptr<TDecoder>()>> decoders = {
      {"PackBits", [] { return std::make_unique<TPackbitsRLEDecoder>(); }},
      {"PCX", [] { return std::make_unique<TPCXRLEDecoder>(); }},
      {"SGI8", [] { return std::make_unique<TSGIRLEDecoder>(8); }},
      {"SGI16", [] { return std::make_unique<TSGIRLEDecoder>(16); }},
      {"CUT", [] { return std::make_unique<TCUTRLEDecoder>(); }},
      {"PSP", [] { return std::make_unique<TPSPRLEDecoder>(); }},
      {"RLA", [] { return std::make_unique<TRLADecoder>(); }},
      {"Targa8", [] { return std::make_unique<TTargaRLEDecoder>(8); }},
      {"Targa12", [] { return std::make_unique<TTargaRLEDecoder>(12); }},
      {"Targa15", [] { return std::make_unique<TTargaRLEDecoder>(15); }},
      {"Targa16", [] { return std::make_unique<TTargaRLEDecoder>(16); }},
      {"Targa24", [] { return std::make_unique<TTargaRLEDecoder>(24); }},
      {"Targa32", [] { return std::make_unique<TTargaRLEDecoder>(32); }}};
  return decoders.at(name)();
}

// Runs are clipped to the output, literals to the input; a run header with nothing behind it
// ends the data. Only CUT and Targa move their input pointer; Targa consumes a packet past the
// requested end whole.
// clang-format off
const TExample Examples[] = {
    {"PackBits", {0x80, 0x02, 'A', 'B', 'C'}, 3, {'A', 'B', 'C'}, 0}, {"PackBits", {0xFE, 7, 0x00, 9}, 4, {7, 7, 7, 9}},
    {"PackBits", {0x81, 5}, 10, TBytes(10, 5)}, {"PackBits", {0x05, 1, 2}, 6, {1, 2, X, X, X, X}},
    {"PackBits", {0x00, 1, 0xFD}, 4, {1, X, X, X}},
    {"PCX", {0xC3, 0x07}, 3, {7, 7, 7}}, {"PCX", {0xC0, 0x07, 0x41}, 1, {0x41}},
    {"PCX", {0xBF, 0xC1, 0xC5, 0x12}, 3, {0xBF, 0xC5, 0x12}}, {"PCX", {0xFF, 0x01}, 5, TBytes(5, 1)},
    {"PCX", {0x01, 0xC2}, 3, {1, X, X}},
    {"SGI8", {0x83, 'a', 'b', 'c', 0x02, 'd', 0x00, 0x81, 'z'}, 6, {'a', 'b', 'c', 'd', 'd', X}},
    {"SGI8", {0x80, 0x05, 1}, 2, {X, X}}, {"SGI8", {0x7F, 4}, 5, TBytes(5, 4)}, {"SGI8", {0x85, 1, 2}, 4, {1, 2, X, X}},
    {"SGI16", {0x00, 0x82, 0x12, 0x34, 0x56, 0x78, 0x00, 0x03, 0x9A, 0xBC, 0x00, 0x00}, 5,
     {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x9A, 0xBC, 0x9A, 0xBC}, 0},
    {"SGI16", {0xFF, 0x05, 0xAB, 0xCD}, 2, {0xAB, 0xCD, 0xAB, 0xCD}}, {"SGI16", {0x00, 0x03, 0xAB}, 1, {X, X}},
    {"CUT", {0x05, 0x00, 0x00, 0x09}, 2, {X, X}, 3}, {"CUT", {0x09, 0x00, 0x84, 0x03, 0x03, 1, 2}, 3, {3, 3, 3}, 7},
    {"CUT", {0x09}, 3, {X, X, X}, 1},
    {"PSP", {0x00, 0x83, 5, 0x02, 1, 2}, 5, {5, 5, 5, 1, 2}}, {"PSP", {0x80, 5, 0x01, 6}, 2, {6, X}},
    {"PSP", {0xFF, 4}, 3, {4, 4, 4}},
    {"RLA", {0xFF, 8, 0x00, 9}, 2, {8, 9}}, {"RLA", {0x02, 4, 0xFE, 1, 2}, 5, {4, 4, 4, 1, 2}},
    {"RLA", {0x7F, 3}, 4, TBytes(4, 3)}, {"RLA", {0x80, 1, 2}, 4, {1, 2, X, X}},
    {"Targa15", {0x01, 5, 6, 7, 8, 0x81, 1, 2}, 4, {5, 6, 7, 8, 1, 2, 1, 2}, 8},
    {"Targa16", {0x01, 5, 6, 7, 8, 0x81, 1, 2}, 4, {5, 6, 7, 8, 1, 2, 1, 2}, 8},
    {"Targa8", {0x80, 1}, 0, {}, 0}, {"Targa12", {0x80, 1}, 2, {X, X}, 0},
    {"Targa8", {0x84, 7, 0x00, 1}, 3, {7, 7, 7}, 2}, {"Targa8", {0x04, 1, 2, 3, 4, 5, 0x00, 1}, 2, {1, 2}, 6},
    {"Targa8", {0x05, 1, 2}, 6, {1, 2, X, X, X, X}, 3}, {"Targa32", {0x81, 1, 2, 3}, 2, TBytes(8, X), 4},
};
// clang-format on

TEST(RLEDecoders, DecodeTheExamplesWithinBothBuffers) {
  for (const TExample& e : Examples) {
    const auto decoder = Make(e.Decoder);
    const unsigned unitBytes = unsigned(e.Output.size() / std::max<std::int64_t>(e.Units, 1));
    const test::TDecoded decoded = DecodeExact(*decoder, e.Input, e.Units, std::max(unitBytes, 1u));
    EXPECT_EQ(decoded.Output, e.Output) << e.Decoder << " " << e.Units;
    if (e.Consumed >= 0) {
      EXPECT_EQ(decoded.Consumed, e.Consumed) << e.Decoder << " " << e.Units;
    }
  }
  const auto run = DecodeExact(*Make("Targa24"), {0xFF, 1, 2, 3, 0x00, 9}, 128, 3);
  EXPECT_EQ(run.Output.size(), 384u);
  EXPECT_EQ(std::count(run.Output.begin(), run.Output.end(), 2), 128);
}

TEST(RLEDecoders, ACUTCallDecodesOneLineAndMovesToTheNext) {
  const TBytes lines{0x06, 0x00, 0x83, 0x07, 0x02, 1, 2, 0x00, 0x04, 0x00, 0x81, 0x09, 0x00};
  const std::unique_ptr<std::uint8_t[]> rows(new std::uint8_t[6]);
  const std::uint8_t* input = lines.data();
  std::uint8_t* row = rows.get();
  TCUTRLEDecoder decoder;
  decoder.Decode(input, row, std::int64_t(lines.size()), 5);
  EXPECT_EQ(TBytes(rows.get(), rows.get() + 5), TBytes({7, 7, 7, 1, 2}));
  EXPECT_EQ(input, lines.data() + 8);
  row = rows.get() + 5;
  decoder.Decode(input, row, lines.data() + lines.size() - input, 1);
  EXPECT_EQ(rows[5], 9);
  EXPECT_EQ(input, lines.data() + lines.size());
}

// Stretches of literal bytes and runs of every count (0 to 63), of runs of one byte only, as the
// bright parts of photographs give, and of literal bytes and runs of at most two, as the rest of
// them gives: decoded in one call, most of it goes the fast ways (with byte shuffles and
// without); decoded 64 bytes a call with the surplus of a run carried on, as the reader takes
// rows, all of it goes the careful way. All must give the bytes the packets stand for.
TEST(RLEDecoders, PCXPacketsDecodeAlikeInOneCallAndRowByRow) {
  std::mt19937 random(1);
  TBytes packed, expected;
  for (int packet = 0; packet < 30000; ++packet) {
    const auto value = std::uint8_t(random());
    const int stretch = packet / 500 % 3;
    const unsigned kind = stretch == 1 ? 1 : random() % 3;
    const unsigned count = kind != 2 ? 1 : stretch == 0 ? random() % 64 : random() % 3;
    if (kind == 0 && value < 0xC0) {
      packed.push_back(value);
    } else {
      packed.insert(packed.end(), {std::uint8_t(0xC0 | count), value});
    }
    expected.insert(expected.end(), count, value);
  }
  TPCXRLEDecoder decoder;
  for (const bool shuffles : {false, true}) {
    rows::AllowByteShuffles(shuffles);
    TBytes whole(expected.size() + 63);
    const std::uint8_t* input = packed.data();
    EXPECT_EQ(decoder.DecodeBytes(input, std::int64_t(packed.size()), whole.data(),
                                  std::int64_t(expected.size()), std::int64_t(whole.size())),
              std::int64_t(expected.size()));
    EXPECT_EQ(input, packed.data() + packed.size());
    whole.resize(expected.size());
    EXPECT_EQ(whole, expected) << shuffles;
  }

  TBytes rows, row(64 + 63);
  std::int64_t carried = 0;
  const std::uint8_t* input = packed.data();
  while (rows.size() < expected.size()) {
    const std::int64_t made =
        carried + decoder.DecodeBytes(input, packed.data() + packed.size() - input, row.data() + carried,
                                      64 - carried, 127 - carried);
    ASSERT_GT(made, 0);
    rows.insert(rows.end(), row.begin(), row.begin() + std::min<std::int64_t>(made, 64));
    carried = std::max<std::int64_t>(made - 64, 0);
    std::memmove(row.data(), row.data() + 64, std::size_t(carried));
  }
  rows.resize(expected.size());
  EXPECT_EQ(rows, expected);
}

// Rows of literal and run packets of every count, decoded whole, into a shorter row and from
// input cut anywhere, in heap blocks of exactly their sizes: the row holds the bytes the packets
// stand for and nothing behind them, and the count of them is what the reader zeroes the rest of
// the row behind.
TEST(RLEDecoders, SGIRowsTellHowManyBytesTheirPacketsGave) {
  std::mt19937 random(2);
  for (int row = 0; row < 300; ++row) {
    // `made[i]`: the bytes the first i packed bytes stand for.
    TBytes packed, expected;
    std::vector<std::size_t> made{0};
    const auto put = [&](std::uint8_t byte, std::size_t bytes) {
      packed.push_back(byte);
      made.push_back(made.back() + bytes);
    };
    for (int packet = int(random() % 40); packet > 0; --packet) {
      const unsigned count = 1 + random() % 127;
      const bool literal = random() % 2 == 0;
      put(std::uint8_t((literal ? 0x80 : 0) | count), 0);
      for (unsigned i = 0; i < (literal ? count : 1); ++i) {
        const auto value = std::uint8_t(random());
        put(value, literal ? 1 : count);
        expected.insert(expected.end(), literal ? 1 : count, value);
      }
    }
    put(0, 0);
    const std::size_t cut = random() % packed.size();
    for (const auto& [input, units] :
         {std::pair{packed.size(), expected.size()},
          {packed.size(), expected.size() - std::min<std::size_t>(expected.size(), 20)},
          {cut, expected.size()}}) {
      const std::unique_ptr<std::uint8_t[]> in(new std::uint8_t[input]), out(new std::uint8_t[units]);
      std::copy_n(packed.begin(), input, in.get());
      std::fill_n(out.get(), units, X);
      const std::int64_t written =
          TSGIRLEDecoder(8).DecodeRow(in.get(), std::int64_t(input), out.get(), std::int64_t(units));
      ASSERT_EQ(written, std::int64_t(std::min(units, made[input]))) << row << " " << input << " " << units;
      EXPECT_TRUE(std::equal(out.get(), out.get() + written, expected.begin()));
      EXPECT_TRUE(std::all_of(out.get() + written, out.get() + units, [](std::uint8_t b) { return b == X; }));
    }
  }
}

TBytes Encoded(std::uint32_t depthBits, const TBytes& pixels) {
  const unsigned bytesPerPixel = (depthBits + 1) / 8;
  const std::uint64_t count = pixels.size() / std::max(bytesPerPixel, 1u);
  TBytes packed(count * (bytesPerPixel + 1) + 1);
  std::uint64_t written = 99;
  TTargaRLEDecoder(depthBits).Encode(pixels.data(), packed.data(), count, written);
  packed.resize(written);
  return packed;
}

TEST(TargaRLE, EncodeEmitsRunsOfEqualWholePixelsAndRawPacketsOfAtMost128) {
  const std::uint8_t a = 'A', b = 'B', c = 'C';
  EXPECT_EQ(Encoded(8, {a, a, a, b, c}), TBytes({0x82, a, 0x00, b, 0x00, c}));
  EXPECT_EQ(Encoded(8, {a, b, c, c}), TBytes({0x01, a, b, 0x81, c}));
  EXPECT_EQ(Encoded(8, TBytes(130, a)), TBytes({0xFF, a, 0x81, a}));
  EXPECT_EQ(Encoded(8, {}), TBytes());
  EXPECT_EQ(Encoded(16, {7, 1, 7, 2, 7, 2}), TBytes({0x00, 7, 1, 0x81, 7, 2}));
  EXPECT_EQ(Encoded(12, {1, 1, 1, 1}), TBytes()) << "an unknown depth writes nothing";
  TBytes ramp(300);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = std::uint8_t(i);
  const TBytes packed = Encoded(8, ramp);
  EXPECT_EQ(std::vector({packed[0], packed[129], std::uint8_t(packed.size() - 300)}),
            std::vector<std::uint8_t>({0x7F, 0x7F, 4}));
}

TEST(TargaRLE, RowsEncodedOneByOneDecodeBackFromOneStreamAtEveryDepth) {
  for (const std::uint32_t depth : {8u, 15u, 16u, 24u, 32u}) {
    const unsigned bytesPerPixel = (depth + 1) / 8;
    const std::size_t width = 301, height = 7, rowBytes = width * bytesPerPixel;
    // Noise, runs shorter and longer than a packet, and a run broken by one pixel.
    TBytes image = test::NoiseBytes(rowBytes * height, depth);
    std::fill_n(image.begin() + rowBytes, rowBytes, 0x11);
    std::fill_n(image.begin() + 2 * rowBytes + 10, 5 * bytesPerPixel, 0x22);
    std::fill_n(image.begin() + 3 * rowBytes, 129 * bytesPerPixel, 0x33);
    image[3 * rowBytes + 64 * bytesPerPixel] = 0x34;
    TBytes packed;
    for (std::size_t y = 0; y < height; ++y) {
      const TBytes row =
          Encoded(depth, TBytes(image.begin() + y * rowBytes, image.begin() + (y + 1) * rowBytes));
      packed.insert(packed.end(), row.begin(), row.end());
    }
    TTargaRLEDecoder decoder(depth);
    TBytes decoded(image.size());
    const std::uint8_t* input = packed.data();
    for (std::size_t y = 0; y < height; ++y) {
      std::uint8_t* row = decoded.data() + y * rowBytes;
      decoder.Decode(input, row, packed.data() + packed.size() - input, width);
    }
    EXPECT_EQ(decoded, image) << "depth " << depth;
    EXPECT_EQ(input, packed.data() + packed.size()) << "depth " << depth;
  }
}

}  // namespace
}  // namespace lumox
