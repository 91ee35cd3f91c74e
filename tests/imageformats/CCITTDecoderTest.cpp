#include "imageformats/CCITTDecoder.h"
#include "tests/imageformats/DecoderTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace lumox {
namespace {

using test::DecodeExact;
using test::TBytes;

// Packs a string of '0' and '1' (blanks ignored) into bytes, first bit most significant,
// the last byte padded with zeros.
TBytes Bits(const std::string& text) {
  TBytes bytes;
  int used = 8;
  for (const char c : text) {
    if (c == ' ') continue;
    if (used == 8) bytes.push_back(0), used = 0;
    if (c == '1') bytes.back() |= std::uint8_t(0x80 >> used);
    ++used;
  }
  return bytes;
}

TBytes Reversed(TBytes bytes) {
  for (auto& b : bytes) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r |= std::uint8_t(((b >> i) & 1) << (7 - i));
    b = r;
  }
  return bytes;
}

const std::string Eol = "000000000001 ";

struct TFaxCase {
  const char* Name;
  bool Group3;
  std::uint32_t Width;
  std::string Packed;
  TBytes Expected;
  bool EvenRows = false;
};

class FaxRows : public testing::TestWithParam<TFaxCase> {};

TEST_P(FaxRows, DecodeAsExpected) {
  const TFaxCase& c = GetParam();
  const TBytes packed = Bits(c.Packed);
  for (const bool reverse : {false, true}) {
    TCCITTFax3Decoder group3(0, reverse, c.EvenRows, c.Width);
    TCCITTMHDecoder mh(0, reverse, c.EvenRows, c.Width);
    TDecoder& decoder = c.Group3 ? static_cast<TDecoder&>(group3) : mh;
    const auto result = DecodeExact(decoder, reverse ? Reversed(packed) : packed, std::int64_t(c.Expected.size()));
    EXPECT_EQ(result.Output, c.Expected) << (reverse ? "bits reversed" : "");
    EXPECT_EQ(result.Consumed, 0);
    EXPECT_EQ(result.Produced, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FaxRows,
    testing::Values(
        // white 3, black 5
        TFaxCase{"Group3Row", true, 8, Eol + "1000 0011", {0x1F}},
        // The data end with the last code of the last row, which is kept.
        TFaxCase{"Group3LastRowKept", true, 8, Eol + "1000 0011 " + Eol + "00110101 011 1011 0", {0x1F, 0xF0}},
        // white 2560 as an extended make-up code plus white 0, then black 8
        TFaxCase{"Group3LongestMakeUp", true, 2568, Eol + "000000011111 00110101 000101",
                 [] {
                   TBytes row(321, 0);
                   row.back() = 0xFF;
                   return row;
                 }()},
        // white 0, black 64 + 0: the run is cut at the row's 4 pixels; the rest stays white
        TFaxCase{"Group3RunClippedToTheRow", true, 4, Eol + "00110101 0000001111 0000110111", {0xF0, 0x00}},
        // A broken code ends the row early; the next row starts a whole row further on.
        TFaxCase{"Group3BrokenRow", true, 12, Eol + "0111 10 000000000000 " + Eol + "00110101 0000111",
                 {0x38, 0x00, 0xFF, 0xF0}},
        // Rows that end inside a byte: the rest of that byte is dropped.
        TFaxCase{"MHRowsStartOnByteBoundaries", false, 5, "0111 10 10 000111 011", {0x38, 0x78}},
        TFaxCase{"MHRowStartingBlack", false, 8, "00110101 000101", {0xFF}},
        TFaxCase{"MHWordAlignedRows", false, 8, "1000 0011 11111111 10011 000 00000000 00110101 000101", {0x1F, 0x00, 0xFF},
                 true}),
    [](const testing::TestParamInfo<TFaxCase>& info) { return std::string(info.param.Name); });

TEST(FaxDecoders, EmptyOrMissingDataLeavesTheOutputWhite) {
  for (const bool reverse : {false, true}) {
    TCCITTFax3Decoder group3(0, reverse, false, 16);
    EXPECT_EQ(DecodeExact(group3, {}, 4).Output, TBytes(4, 0));
    TCCITTMHDecoder mh(0, reverse, true, 16);
    EXPECT_EQ(DecodeExact(mh, {}, 4).Output, TBytes(4, 0));
  }
}

}  // namespace
}  // namespace lumox
