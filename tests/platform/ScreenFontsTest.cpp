#include <gtest/gtest.h>

#include <QFontDatabase>

#include "platform/ScreenFonts.h"

namespace lumox {
namespace {

TEST(ScreenFonts, FixedPitchIsWhatTheFontDraws) {
  EXPECT_TRUE(ShowsFixedPitch(QFontDatabase::systemFont(QFontDatabase::FixedFont)));
  QFont proportional = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  proportional.setStyleHint(QFont::SansSerif);
  EXPECT_FALSE(ShowsFixedPitch(proportional));
}

}  // namespace
}  // namespace lumox
