#include "imageformats/ThunderDecoder.h"
#include "tests/imageformats/DecoderTestSupport.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

using test::DecodeExact;
using test::TBytes;

struct TThunderCase {
  const char* Name;
  std::uint32_t Width;
  TBytes Packed;
  TBytes Expected;
};

class ThunderRows : public testing::TestWithParam<TThunderCase> {};

TEST_P(ThunderRows, DecodeAsExpected) {
  TThunderDecoder decoder(GetParam().Width);
  const auto result = DecodeExact(decoder, GetParam().Packed, std::int64_t(GetParam().Expected.size()));
  EXPECT_EQ(result.Output, GetParam().Expected);
  EXPECT_EQ(result.Consumed, 0);
  EXPECT_EQ(result.Produced, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThunderRows,
    testing::Values(
        // raw 5, raw 3, a run of 0, a run of 2
        TThunderCase{"RawValuesAndRuns", 4, {0xC5, 0xC3, 0x00, 0x02}, {0x53, 0x33}},
        // 2-bit deltas +1, (none), -1; 3-bit deltas +2, (none)
        TThunderCase{"Deltas", 4, {0xC5, 0x40 | 1 << 4 | 2 << 2 | 3, 0x80 | 2 << 3 | 4}, {0x56, 0x57}},
        // Deltas wrap within four bits.
        TThunderCase{"DeltasWrap", 2, {0xCF, 0x40 | 1 << 4 | 2 << 2 | 2}, {0xF0}},
        // Odd widths: each row starts on a byte and from the value 0; a run beyond the row is
        // dropped, and so is a delta's second pixel.
        TThunderCase{"RowsStartAfresh", 3, {0xC7, 0x05, 0x41, 0xC9, 0xC9, 0x80 | 1 << 3 | 1},
                     {0x77, 0x70, 0x00, 0x10, 0x99, 0xA0}}),
    [](const testing::TestParamInfo<TThunderCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace lumox
