// Lap times, dates, version numbers and split lists as the simulator and the archive write them.
#include <gtest/gtest.h>

#include <limits>

#include "installation/LapTimes.h"
#include "installation/Strings.h"
#include "installation/Version.h"

namespace lumox {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(LapTimes, LeadingZerosAndWholeDaysAreCutAndNegativeTimesShowTheirSize) {
  const std::pair<std::int32_t, const char*> cases[] = {{83456, "1:23.456"},
                                                        {5000, "5.000"},
                                                        {123, ".123"},
                                                        {0, ".000"},
                                                        {600000, "10:00.000"},
                                                        {10001, "10.001"},
                                                        {3723004, "1:02:03.004"},
                                                        {86399999, "23:59:59.999"},
                                                        {86400000, ".000"},
                                                        {90000000, "1:00:00.000"},
                                                        {kMax, "20:31:23.647"},
                                                        {-83456, "1:23.456"},
                                                        {kMin, "20:31:23.648"}};
  for (const auto& [msecs, text] : cases) EXPECT_EQ(FormatLapTime(msecs), text) << msecs;
}

TEST(LapTimes, DatesAreLocalTimeToTheMinuteFrom1901To2038) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, "1970-01-01 00:00"},  {86399, "1970-01-01 23:59"}, {951782400, "2000-02-29 00:00"},
      {-1, "1969-12-31 23:59"}, {kMin, "1901-12-13 20:45"},  {kMax, "2038-01-19 03:14"}};
  for (const auto& [secs, text] : cases) EXPECT_EQ(FormatUnixTime(secs), text) << secs;
}

TEST(Strings, SplitKeepsEveryEmptyPartAndJoinUndoesIt) {
  EXPECT_EQ(SplitToStrings(" a  b", " "), QStringList({"", "a", "", "b"}));
  EXPECT_EQ(SplitToStrings("", " "), QStringList({""}));
  EXPECT_EQ(SplitToStrings("a::b:c", "::"), QStringList({"a", "b:c"}));
  EXPECT_EQ(SplitToStrings("a b", ""), QStringList({"a b"}));
  EXPECT_EQ(JoinStrings({}, ";"), "");
  EXPECT_EQ(JoinStrings(SplitToStrings("f1 mini  kart ", " "), " "), "f1 mini  kart ");
  EXPECT_EQ(StripTrailingBackslash("a\\\\"), "a\\");
  EXPECT_EQ(StripTrailingBackslash(""), "");
}

TEST(Version, ParsesUpToFourTrimmedPartsWithZeroForAnythingUnreadable) {
  const std::pair<const char*, const char*> cases[] = {
      {"1.2", "1.2.0.0"}, {"1.2.3.4.5", "1.2.3.4"}, {" 1 . 2 ", "1.2.0.0"}, {"x.3", "0.3.0.0"},
      {"", "0.0.0.0"},    {"-1.0", "-1.0.0.0"},     {"1..2", "1.0.2.0"},    {"99999999999.1", "0.1.0.0"}};
  for (const auto& [text, parsed] : cases) EXPECT_EQ(TVersion(text).Format(""), parsed) << text;
  QStringList list{"stale"};
  EXPECT_EQ(TVersion::SplitText("1..2", ".", list), 3);
  EXPECT_EQ(list, QStringList({"1", "", "2"}));
  EXPECT_EQ(TVersion::CreateFromModule().Format(""), "1.4.0.0");
}

TEST(Version, FormatFillsTheFirstOfEachPlaceholderAndCompareLooksAtTheFirstParts) {
  const TVersion v("1.2.3.4");
  EXPECT_EQ(v.Format("%MAJOR-%MAJOR.%MINOR"), "1-%MAJOR.2");
  EXPECT_EQ(v.Format(" - Version %MAJOR.%MINOR.%RELEASE.%BUILD"), " - Version 1.2.3.4");
  const TVersion a("1.2.0.0"), b("1.3.0.0");
  EXPECT_EQ(TVersion::Compare(a, b, 1), 0);
  EXPECT_EQ(TVersion::Compare(a, b, 2), -1);
  EXPECT_EQ(TVersion::Compare(b, a, 2), 1);
  EXPECT_EQ(TVersion::Compare(a, b, -3), 0);
  EXPECT_EQ(TVersion::Compare(TVersion("1.1.1.1"), TVersion("1.1.1.2"), 9), -1);
  EXPECT_TRUE(TVersion("0.6.9.9").IsOlderThanText("0.7.0.0", 4));
  EXPECT_FALSE(TVersion("0.7.0.0").IsOlderThanText("0.7.0.0", 4));
}

}  // namespace
}  // namespace lumox
