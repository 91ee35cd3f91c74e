#pragma once
// The improvement chart without its widgets: the points of a personal best that improves
// over time, the slow-lap filter, and the ticks and labels of the chart's axes. Dates are
// seconds since 1970 read as wall time; they are shown as UTC so that no zone shifts them.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace lumox {

struct TImprovementPoint {
  std::int32_t Date;     // seconds since 1970
  std::int32_t LapTime;  // milliseconds
  bool operator==(const TImprovementPoint&) const = default;
};

// The filter's percentage: none when the filter is off; throws ELumox naming the text when
// it is on and the text is no integer.
std::optional<int> IgnorePercent(bool ignore, const QString& percentText);

// Laps slower than this are not drawn: `percent` of the fastest lap, truncated, in 64 bits.
std::int64_t IgnoreLimit(std::int32_t fastest, int percent);

// One point for the first lap and for each later lap strictly faster than all before it,
// laps given in date order; with a percentage, a new best above the limit is not drawn but
// still counts as the best.
std::vector<TImprovementPoint> ImprovementPoints(const QStringList& lapTimes, const QStringList& lapDates,
                                                 std::optional<int> ignorePercent);

// Tick values from `min` to `max` at the smallest of `steps` that gives at most `maxTicks`
// ticks (the largest step when none does), each a multiple of the step.
std::vector<double> AxisTicks(double min, double max, const std::vector<double>& steps, int maxTicks);
// The steps the axes tick at: whole days for dates, lap-time steps in milliseconds.
const std::vector<double>& DateAxisSteps();
const std::vector<double>& LapTimeAxisSteps();

// "yy-mm-dd" of milliseconds since 1970, in UTC.
QString DateAxisLabel(double msecs);
// "n:ss.zzz": minutes without leading zeros, seconds and milliseconds.
QString LapTimeAxisLabel(double msecs);

}  // namespace lumox
