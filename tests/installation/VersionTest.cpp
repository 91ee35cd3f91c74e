#include "installation/Version.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

QString Parsed(const QString& text) { return TVersion(text).Format(""); }

TEST(Version, ParsesUpToFourTrimmedPartsWithZeroForAnythingUnreadable) {
  EXPECT_EQ(Parsed("1.2"), "1.2.0.0");
  EXPECT_EQ(Parsed("1.2.3.4.5"), "1.2.3.4");
  EXPECT_EQ(Parsed(" 1 . 2 "), "1.2.0.0");
  EXPECT_EQ(Parsed("x.3"), "0.3.0.0");
  EXPECT_EQ(Parsed(""), "0.0.0.0");
  EXPECT_EQ(Parsed("-1.0"), "-1.0.0.0");
  EXPECT_EQ(Parsed("1..2"), "1.0.2.0");
  EXPECT_EQ(Parsed("99999999999.1"), "0.1.0.0");
}

TEST(Version, SplitTextKeepsEmptyItems) {
  QStringList list{"stale"};
  EXPECT_EQ(TVersion::SplitText("", ".", list), 1);
  EXPECT_EQ(list, QStringList{""});
  EXPECT_EQ(TVersion::SplitText("1..2", ".", list), 3);
  EXPECT_EQ(list, QStringList({"1", "", "2"}));
}

TEST(Version, FormatReplacesTheFirstOccurrenceOfEachPlaceholder) {
  const TVersion v("1.2.3.4");
  EXPECT_EQ(v.Format(""), "1.2.3.4");
  EXPECT_EQ(v.Format("%MAJOR.%MINOR"), "1.2");
  EXPECT_EQ(v.Format("%MAJOR-%MAJOR"), "1-%MAJOR");
  EXPECT_EQ(v.Format(" - Version %MAJOR.%MINOR.%RELEASE"), " - Version 1.2.3");
  EXPECT_EQ(v.Format("no placeholders"), "no placeholders");
}

TEST(Version, CompareLooksAtTheFirstCountParts) {
  const TVersion a("1.2.0.0"), b("1.3.0.0");
  EXPECT_EQ(TVersion::Compare(a, b, 1), 0);
  EXPECT_EQ(TVersion::Compare(a, b, 2), -1);
  EXPECT_EQ(TVersion::Compare(b, a, 2), 1);
  EXPECT_EQ(TVersion::Compare(a, b, 0), 0);
  EXPECT_EQ(TVersion::Compare(a, b, -3), 0);
  EXPECT_EQ(TVersion::Compare(TVersion("1.1.1.1"), TVersion("1.1.1.2"), 9), -1);
  EXPECT_EQ(TVersion::Compare(TVersion("-1"), TVersion("0"), 1), -1);
  EXPECT_TRUE(TVersion("0.6.9.9").IsOlderThanText("0.7.0.0", 4));
  EXPECT_FALSE(TVersion("0.7.0.0").IsOlderThanText("0.7.0.0", 4));
}

TEST(Version, TheProgramVersionComesFromTheBuild) {
  EXPECT_EQ(TVersion::CreateFromModule().Format(""), "1.3.1.0");
}

}  // namespace
}  // namespace lumox
