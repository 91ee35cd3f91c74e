#include <gtest/gtest.h>

#include <set>

#include "imageformats/FormatTexts.h"

namespace lumox {
namespace {

TEST(FormatTexts, EveryIdentifierHasATextOfItsOwn) {
  std::set<std::string_view> texts;
  int identifiers = 0;
#define LUMOX_COLLECT_TEXT(name, number, text) \
  texts.insert(LoadFormatText(TFormatText::name)); \
  ++identifiers;
  LUMOX_FORMAT_TEXTS(LUMOX_COLLECT_TEXT)
#undef LUMOX_COLLECT_TEXT
  EXPECT_EQ(int(texts.size()), identifiers);
  EXPECT_FALSE(texts.contains(""));
}

TEST(FormatTexts, FormattingReplacesEachPlaceholderInOrderAndNothingElse) {
  EXPECT_EQ(LoadFormatText(TFormatText::STransferring), "Transfering...");
  EXPECT_EQ(LoadFormatText(static_cast<TFormatText>(65072)), "") << "the deflate library's own message";
  EXPECT_EQ(FormatText(TFormatText::SUnsupportedFeature, {"The compression scheme is", "TIF/TIFF"}),
            "Cannot load image. The compression scheme is not supported for TIF/TIFF files.");
  EXPECT_EQ(FormatText(TFormatText::SCRCError, {"%s"}), "Cannot load image. CRC error found in %s file.");
  EXPECT_EQ(FormatText(TFormatText::SVerticalSubsamplingError, {"x"}),
            "Vertical subsampling value must be <= horizontal subsampling value.");
  EXPECT_EQ(FormatText(TFormatText::SRegisterTwice, {}), "Attempt to register %s twice.");
}

}  // namespace
}  // namespace lumox
