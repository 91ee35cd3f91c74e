#include "imageformats/TargaRLE.h"
#include "tests/imageformats/DecoderTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumox {
namespace {

using test::DecodeExact;
using test::TBytes;
using test::Unwritten;

TBytes Encoded(std::uint32_t depthBits, const TBytes& pixels) {
  const unsigned bytesPerPixel = (depthBits + 1) / 8;
  const std::uint64_t count = pixels.size() / bytesPerPixel;
  TBytes packed(count * (bytesPerPixel + 1));
  std::uint64_t written = 99;
  TTargaRLEDecoder(depthBits).Encode(pixels.data(), packed.data(), count, written);
  packed.resize(written);
  return packed;
}

TEST(TargaRLE, EncodeEmitsRepeatPacketsForEqualNeighboursAndRawOnesForTheRest) {
  const std::uint8_t a = 'A', b = 'B', c = 'C';
  EXPECT_EQ(Encoded(8, {a, a, a, b, c}), TBytes({0x82, a, 0x00, b, 0x00, c}));
  EXPECT_EQ(Encoded(8, {a, b}), TBytes({0x00, a, 0x00, b}));
  EXPECT_EQ(Encoded(8, {a, b, c, c}), TBytes({0x01, a, b, 0x81, c}));
  EXPECT_EQ(Encoded(8, TBytes(130, a)), TBytes({0xFF, a, 0x81, a}));
  EXPECT_EQ(Encoded(8, {a}), TBytes({0x00, a}));
  EXPECT_EQ(Encoded(8, {}), TBytes());

  TBytes pixels;
  for (int i = 0; i < 200; ++i) pixels.insert(pixels.end(), {1, 2, 3, 4});
  EXPECT_EQ(Encoded(32, pixels), TBytes({0xFF, 1, 2, 3, 4, 0xC7, 1, 2, 3, 4}));
}

TEST(TargaRLE, EncodeComparesWholePixels) {
  // Equal first bytes but different pixels must not form a run.
  EXPECT_EQ(Encoded(16, {7, 1, 7, 2, 7, 2}), TBytes({0x00, 7, 1, 0x81, 7, 2}));
  // Raw packets hold at most 128 pixels.
  TBytes ramp(300);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(i);
  const TBytes packed = Encoded(8, ramp);
  EXPECT_EQ(packed[0], 0x7F);
  EXPECT_EQ(packed[129], 0x7F);
  EXPECT_EQ(packed.size(), 300u + 4u);
}

TEST(TargaRLE, DecodeWritesPixelsInFileOrderAndLeavesInputBehindTheLastPacket) {
  TTargaRLEDecoder decoder(24);
  const auto run = DecodeExact(decoder, {0xFF, 1, 2, 3, 0x00, 9}, 128, 3);
  EXPECT_EQ(run.Consumed, 4);
  EXPECT_EQ(run.Produced, 0);
  for (int i = 0; i < 128; ++i)
    EXPECT_EQ(TBytes(run.Output.begin() + 3 * i, run.Output.begin() + 3 * i + 3), TBytes({1, 2, 3}));

  const TBytes packed{0x01, 5, 6, 7, 8, 0x81, 1, 2};
  TTargaRLEDecoder decoder15(15), decoder16(16);
  const auto depth15 = DecodeExact(decoder15, packed, 4, 2);
  const auto depth16 = DecodeExact(decoder16, packed, 4, 2);
  EXPECT_EQ(depth15.Output, TBytes({5, 6, 7, 8, 1, 2, 1, 2}));
  EXPECT_EQ(depth16.Output, depth15.Output);
  EXPECT_EQ(depth16.Consumed, 8);
}

TEST(TargaRLE, DecodeOfNothingOrAnUnknownDepthLeavesEverythingAlone) {
  TTargaRLEDecoder decoder(8);
  const auto none = DecodeExact(decoder, {0x80, 1}, 0);
  EXPECT_EQ(none.Consumed, 0);
  TTargaRLEDecoder odd(12);
  const auto unknown = DecodeExact(odd, {0x80, 1}, 2);
  EXPECT_EQ(unknown.Consumed, 0);
  EXPECT_EQ(unknown.Output, TBytes(2, Unwritten));
  std::uint64_t written = 5;
  std::uint8_t out[4];
  const std::uint8_t in[2] = {1, 1};
  odd.Encode(in, out, 2, written);
  EXPECT_EQ(written, 0u);
}

TEST(TargaRLE, APacketPastTheRequestedEndIsConsumedWholeAndClipped) {
  TTargaRLEDecoder decoder(8);
  const auto run = DecodeExact(decoder, {0x84, 7, 0x00, 1}, 3);
  EXPECT_EQ(run.Output, TBytes({7, 7, 7}));
  EXPECT_EQ(run.Consumed, 2);
  const auto raw = DecodeExact(decoder, {0x04, 1, 2, 3, 4, 5, 0x00, 1}, 2);
  EXPECT_EQ(raw.Output, TBytes({1, 2}));
  EXPECT_EQ(raw.Consumed, 6);
}

TEST(TargaRLE, DecodeStopsAtTheEndOfTheInput) {
  TTargaRLEDecoder decoder(8);
  const auto raw = DecodeExact(decoder, {0x05, 1, 2}, 6);
  EXPECT_EQ(raw.Output, TBytes({1, 2, Unwritten, Unwritten, Unwritten, Unwritten}));
  EXPECT_EQ(raw.Consumed, 3);
  TTargaRLEDecoder wide(32);
  const auto repeat = DecodeExact(wide, {0x81, 1, 2, 3}, 2, 4);
  EXPECT_EQ(repeat.Output, TBytes(8, Unwritten));
  EXPECT_EQ(repeat.Consumed, 4);
}

TEST(TargaRLE, RowsEncodedOneByOneDecodeBackFromOneStream) {
  const std::uint32_t depths[] = {8, 15, 16, 24, 32};
  for (const std::uint32_t depth : depths) {
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
