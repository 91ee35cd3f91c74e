#include "imageformats/FormatTexts.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

TEST(FormatTexts, EveryIdentifierHasItsNumberAndText) {
  int count = 0;
  std::uint16_t previous = 0;
#define LUMOX_CHECK_TEXT(name, number, text)                            \
  EXPECT_EQ(static_cast<std::uint16_t>(TFormatText::name), number);     \
  EXPECT_EQ(LoadFormatText(TFormatText::name), std::string_view(text)); \
  EXPECT_GT(number, previous);                                          \
  previous = number;                                                    \
  ++count;
  LUMOX_FORMAT_TEXTS(LUMOX_CHECK_TEXT)
#undef LUMOX_CHECK_TEXT
  EXPECT_EQ(count, 63);
  EXPECT_EQ(previous, 65087);
  // The deflate library's own message keeps its number.
  EXPECT_EQ(LoadFormatText(static_cast<TFormatText>(65072)), "");
}

TEST(FormatTexts, SpotChecksOfTheWording) {
  EXPECT_EQ(LoadFormatText(TFormatText::STransferring), "Transfering...");
  EXPECT_EQ(LoadFormatText(TFormatText::SDIBWindowsBitmaps), "Device independant Windows bitmaps");
  EXPECT_EQ(LoadFormatText(TFormatText::SLZ77DecompressionError), "LZ77 decompression error.");
  EXPECT_EQ(static_cast<int>(TFormatText::SRegisterTwice), 65073);
}

TEST(FormatTexts, FormattingReplacesEachPlaceholderInOrderAndNothingElse) {
  EXPECT_EQ(FormatText(TFormatText::SInvalidImageFormat, {"PNG"}),
            "Cannot load image. Invalid or unexpected PNG image format.");
  EXPECT_EQ(FormatText(TFormatText::SUnsupportedFeature, {"The compression scheme is", "TIF/TIFF"}),
            "Cannot load image. The compression scheme is not supported for TIF/TIFF files.");
  EXPECT_EQ(FormatText(TFormatText::SCRCError, {"%s"}), "Cannot load image. CRC error found in %s file.");
  EXPECT_EQ(FormatText(TFormatText::SVerticalSubsamplingError, {"x"}),
            "Vertical subsampling value must be <= horizontal subsampling value.");
  EXPECT_EQ(FormatText(TFormatText::SRegisterTwice, {}), "Attempt to register %s twice.");
}

}  // namespace
}  // namespace lumox
