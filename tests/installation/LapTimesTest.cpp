#include "installation/LapTimes.h"

#include <gtest/gtest.h>

#include <limits>

namespace lumox {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(LapTimes, LeadingZerosAndColonsAreCut) {
  EXPECT_EQ(FormatLapTime(83456), "1:23.456");
  EXPECT_EQ(FormatLapTime(5000), "5.000");
  EXPECT_EQ(FormatLapTime(123), ".123");
  EXPECT_EQ(FormatLapTime(0), ".000");
  EXPECT_EQ(FormatLapTime(600000), "10:00.000");
  EXPECT_EQ(FormatLapTime(60000), "1:00.000");
  EXPECT_EQ(FormatLapTime(10001), "10.001");
}

TEST(LapTimes, HoursShowAndWholeDaysAreDropped) {
  EXPECT_EQ(FormatLapTime(3723004), "1:02:03.004");
  EXPECT_EQ(FormatLapTime(36000000), "10:00:00.000");
  EXPECT_EQ(FormatLapTime(86399999), "23:59:59.999");
  EXPECT_EQ(FormatLapTime(86400000), ".000");
  EXPECT_EQ(FormatLapTime(90000000), "1:00:00.000");
  EXPECT_EQ(FormatLapTime(kMax), "20:31:23.647");
}

TEST(LapTimes, NegativeTimesShowTheirMagnitude) {
  EXPECT_EQ(FormatLapTime(-83456), "1:23.456");
  EXPECT_EQ(FormatLapTime(kMin), "20:31:23.648");
}

TEST(LapTimes, DatesAreLocalTimeToTheMinute) {
  EXPECT_EQ(FormatUnixTime(0), "1970-01-01 00:00");
  EXPECT_EQ(FormatUnixTime(86399), "1970-01-01 23:59");
  EXPECT_EQ(FormatUnixTime(1000000000), "2001-09-09 01:46");
  EXPECT_EQ(FormatUnixTime(951782400), "2000-02-29 00:00");
}

TEST(LapTimes, DatesBefore1970AndUpTo2038) {
  EXPECT_EQ(FormatUnixTime(-1), "1969-12-31 23:59");
  EXPECT_EQ(FormatUnixTime(-86400), "1969-12-31 00:00");
  EXPECT_EQ(FormatUnixTime(kMin), "1901-12-13 20:45");
  EXPECT_EQ(FormatUnixTime(kMax), "2038-01-19 03:14");
}

TEST(LapTimes, DayCountsStartAt1899_12_30) {
  EXPECT_DOUBLE_EQ(UnixSecsToDateTime(0), 25569.0);
  EXPECT_DOUBLE_EQ(UnixSecsToDateTime(-43200), 25568.5);
  EXPECT_DOUBLE_EQ(MSecsToDateTime(43200000), 0.5);
  EXPECT_DOUBLE_EQ(MSecsToDateTime(-21600000), -0.25);
}

}  // namespace
}  // namespace lumox
