#include "imageformats/SimpleRLE.h"
#include "tests/imageformats/DecoderTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace lumox {
namespace {

using test::DecodeExact;
using test::TBytes;
using test::Unwritten;
constexpr std::uint8_t X = Unwritten;

TEST(PackbitsRLE, LiteralsRunsAndNoOps) {
  TPackbitsRLEDecoder decoder;
  EXPECT_EQ(DecodeExact(decoder, {0x80, 0x02, 'A', 'B', 'C'}, 3).Output, TBytes({'A', 'B', 'C'}));
  EXPECT_EQ(DecodeExact(decoder, {0xFE, 7, 0x00, 9}, 4).Output, TBytes({7, 7, 7, 9}));
  // A run is clipped to the output, a literal to what the input still has.
  EXPECT_EQ(DecodeExact(decoder, {0x81, 5}, 10).Output, TBytes(10, 5));
  EXPECT_EQ(DecodeExact(decoder, {0x05, 1, 2}, 6).Output, TBytes({1, 2, X, X, X, X}));
  // A run header with no byte behind it ends the data.
  EXPECT_EQ(DecodeExact(decoder, {0x00, 1, 0xFD}, 4).Output, TBytes({1, X, X, X}));
}

TEST(PackbitsRLE, LeavesBothPointersAlone) {
  TPackbitsRLEDecoder decoder;
  const auto result = DecodeExact(decoder, {0x01, 1, 2}, 2);
  EXPECT_EQ(result.Consumed, 0);
  EXPECT_EQ(result.Produced, 0);
}

TEST(PCXRLE, RunsNeedBothTopBitsAndEveryOtherByteStandsForItself) {
  TPCXRLEDecoder decoder;
  EXPECT_EQ(DecodeExact(decoder, {0xC3, 0x07}, 3).Output, TBytes({7, 7, 7}));
  EXPECT_EQ(DecodeExact(decoder, {0xC0, 0x07, 0x41}, 1).Output, TBytes({0x41}));
  EXPECT_EQ(DecodeExact(decoder, {0xBF, 0xC1, 0xC5, 0x12}, 3).Output, TBytes({0xBF, 0xC5, 0x12}));
  EXPECT_EQ(DecodeExact(decoder, {0xFF, 0x01}, 5).Output, TBytes(5, 1));
  // The input ends before the output is full, once after a run header.
  EXPECT_EQ(DecodeExact(decoder, {0x01, 0xC2}, 3).Output, TBytes({1, X, X}));
}

TEST(SGIRLE, EightBitPacketsEndAtACountOfZero) {
  TSGIRLEDecoder decoder(8);
  EXPECT_EQ(DecodeExact(decoder, {0x83, 'a', 'b', 'c', 0x02, 'd', 0x00, 0x81, 'z'}, 6).Output,
            TBytes({'a', 'b', 'c', 'd', 'd', X}));
  EXPECT_EQ(DecodeExact(decoder, {0x80, 0x05, 1}, 2).Output, TBytes({X, X}));
  // Without a terminator the row ends with the input or the output.
  EXPECT_EQ(DecodeExact(decoder, {0x7F, 4}, 5).Output, TBytes(5, 4));
  EXPECT_EQ(DecodeExact(decoder, {0x85, 1, 2}, 4).Output, TBytes({1, 2, X, X}));
}

TEST(SGIRLE, SixteenBitSamplesKeepTheirFileOrder) {
  TSGIRLEDecoder decoder(16);
  const TBytes packed{0x00, 0x82, 0x12, 0x34, 0x56, 0x78, 0x00, 0x03, 0x9A, 0xBC, 0x00, 0x00};
  EXPECT_EQ(DecodeExact(decoder, packed, 5, 2).Output,
            TBytes({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x9A, 0xBC, 0x9A, 0xBC}));
  // Only the low byte of the header word counts; output is clipped to whole samples.
  EXPECT_EQ(DecodeExact(decoder, {0xFF, 0x05, 0xAB, 0xCD}, 2, 2).Output, TBytes({0xAB, 0xCD, 0xAB, 0xCD}));
  EXPECT_EQ(DecodeExact(decoder, {0x00, 0x03, 0xAB}, 1, 2).Output, TBytes({X, X}));
  const auto unchanged = DecodeExact(decoder, packed, 5, 2);
  EXPECT_EQ(unchanged.Consumed, 0);
  EXPECT_EQ(unchanged.Produced, 0);
}

TEST(CUTRLE, EachCallDecodesOneLineAndMovesToTheNext) {
  TCUTRLEDecoder decoder;
  EXPECT_EQ(DecodeExact(decoder, {0x05, 0x00, 0x00, 0x09}, 2).Consumed, 3);

  const TBytes lines{0x06, 0x00, 0x83, 0x07, 0x02, 1, 2, 0x00, 0x04, 0x00, 0x81, 0x09, 0x00};
  const std::unique_ptr<std::uint8_t[]> rows(new std::uint8_t[10]);
  const std::uint8_t* input = lines.data();
  std::uint8_t* row = rows.get();
  decoder.Decode(input, row, static_cast<std::int64_t>(lines.size()), 5);
  EXPECT_EQ(TBytes(rows.get(), rows.get() + 5), TBytes({7, 7, 7, 1, 2}));
  EXPECT_EQ(input, lines.data() + 8);
  EXPECT_EQ(row, rows.get());
  row = rows.get() + 5;
  decoder.Decode(input, row, lines.data() + lines.size() - input, 1);
  EXPECT_EQ(rows[5], 9);
  EXPECT_EQ(input, lines.data() + lines.size());
}

TEST(CUTRLE, ALineWithoutTerminatorEndsWithTheInputAndClipsTheOutput) {
  TCUTRLEDecoder decoder;
  const auto result = DecodeExact(decoder, {0x09, 0x00, 0x84, 0x03, 0x03, 1, 2}, 3);
  EXPECT_EQ(result.Output, TBytes({3, 3, 3}));
  EXPECT_EQ(result.Consumed, 7);
  EXPECT_EQ(DecodeExact(decoder, {0x09}, 3).Consumed, 1);
}

TEST(PSPRLE, HeadersAbove127AreRunsAndOthersLiteralsOfThatLength) {
  TPSPRLEDecoder decoder;
  EXPECT_EQ(DecodeExact(decoder, {0x00, 0x83, 5, 0x02, 1, 2}, 5).Output, TBytes({5, 5, 5, 1, 2}));
  EXPECT_EQ(DecodeExact(decoder, {0x80, 5, 0x01, 6}, 2).Output, TBytes({6, X}));
  EXPECT_EQ(DecodeExact(decoder, {0xFF, 4}, 3).Output, TBytes(3, 4));
}

TEST(RLA, NonNegativeHeadersAreRunsNegativeOnesLiterals) {
  TRLADecoder decoder;
  EXPECT_EQ(DecodeExact(decoder, {0xFF, 8, 0x00, 9}, 2).Output, TBytes({8, 9}));
  EXPECT_EQ(DecodeExact(decoder, {0x02, 4, 0xFE, 1, 2}, 5).Output, TBytes({4, 4, 4, 1, 2}));
  EXPECT_EQ(DecodeExact(decoder, {0x7F, 3}, 4).Output, TBytes(4, 3));
  EXPECT_EQ(DecodeExact(decoder, {0x80, 1, 2}, 4).Output, TBytes({1, 2, X, X}));
}

}  // namespace
}  // namespace lumox
