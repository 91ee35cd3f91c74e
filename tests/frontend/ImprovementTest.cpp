#include <gtest/gtest.h>

#include "frontend/Improvement.h"
#include "platform/Exception.h"

namespace lumox {
namespace {

QStringList Texts(std::initializer_list<int> values) {
  QStringList texts;
  for (int value : values) texts << QString::number(value);
  return texts;
}

const QStringList Dates = Texts({10, 20, 30, 40, 50, 60});

TEST(Improvement, EachNewPersonalBestIsAPointAndEqualOrSlowerLapsAreNot) {
  const QStringList times = Texts({80'000, 85'000, 78'000, 78'000, 90'000, 77'000});
  EXPECT_EQ(ImprovementPoints(times, Dates, std::nullopt),
            (std::vector<TImprovementPoint>{{10, 80'000}, {30, 78'000}, {60, 77'000}}));
  EXPECT_EQ(ImprovementPoints(Texts({65'000}), Dates, std::nullopt),
            (std::vector<TImprovementPoint>{{10, 65'000}}));
  EXPECT_TRUE(ImprovementPoints({}, {}, std::nullopt).empty());
}

TEST(Improvement, TheFilterHidesBestsSlowerThanItsLimitButStillCountsThem) {
  const QStringList times = Texts({80'000, 85'000, 78'000, 78'000, 90'000, 77'000});
  EXPECT_EQ(IgnoreLimit(77'000, 110), 84'700);
  EXPECT_EQ(ImprovementPoints(times, Dates, 110),
            (std::vector<TImprovementPoint>{{10, 80'000}, {30, 78'000}, {60, 77'000}}));
  // 100 000 is above the limit: no point, yet 85 000 afterwards is no improvement.
  EXPECT_EQ(ImprovementPoints(Texts({100'000, 85'000, 80'000, 77'000}), Dates, 110),
            (std::vector<TImprovementPoint>{{30, 80'000}, {40, 77'000}}));
  EXPECT_TRUE(ImprovementPoints(times, Dates, 99).empty());
}

TEST(Improvement, TheLimitOfLongLapsAndLargePercentagesDoesNotOverflow) {
  const int hours = 10 * 3'600'000;
  EXPECT_EQ(IgnoreLimit(hours, 999), 359'640'000);
  EXPECT_EQ(IgnoreLimit(2'147'483'647, 999), 21'453'361'633LL);
  EXPECT_EQ(ImprovementPoints(Texts({hours + 1, hours}), Dates, 150),
            (std::vector<TImprovementPoint>{{10, hours + 1}, {20, hours}}));
}

TEST(Improvement, ThePercentageCountsOnlyWhenTheFilterIsOnAndMustThenBeAnInteger) {
  EXPECT_EQ(IgnorePercent(false, "abc"), std::nullopt);
  EXPECT_EQ(IgnorePercent(true, "150"), 150);
  try {
    IgnorePercent(true, "");
    FAIL() << "no exception";
  } catch (const ELumox& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
  }
}

TEST(ImprovementAxes, LabelDatesInUtcAndLapTimesAsMinutesSecondsAndMilliseconds) {
  EXPECT_EQ(DateAxisLabel(1'700'000'000'000.0), "23-11-14");
  EXPECT_EQ(DateAxisLabel(1'700'006'399'000.0), "23-11-14");  // 23:59:59 that day, in any zone
  EXPECT_EQ(LapTimeAxisLabel(77'005), "1:17.005");
  EXPECT_EQ(LapTimeAxisLabel(5'250), "0:05.250");
  EXPECT_EQ(LapTimeAxisLabel(3'725'001), "2:05.001");  // the time of day: hours are dropped
}

TEST(ImprovementAxes, TicksAreMultiplesOfTheSmallestStepThatFits) {
  EXPECT_EQ(AxisTicks(76'500, 80'500, LapTimeAxisSteps(), 7),
            (std::vector<double>{77'000, 78'000, 79'000, 80'000}));
  EXPECT_EQ(AxisTicks(0, 3, {1, 2}, 7), (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(AxisTicks(0, 100, {1, 2}, 3),
            (std::vector<double>{0, 2, 4}));  // no step fits: the largest, cut off
  EXPECT_TRUE(AxisTicks(5, 4, {1}, 7).empty());
}

}  // namespace
}  // namespace lumox
