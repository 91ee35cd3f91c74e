#include "frontend/Improvement.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

#include "platform/Exception.h"

namespace lumox {

std::optional<int> IgnorePercent(bool ignore, const QString& percentText) {
  if (!ignore) return std::nullopt;
  bool isNumber = false;
  const int percent = percentText.trimmed().toInt(&isNumber);
  if (!isNumber) throw ELumox(QStringLiteral("'%1' is not a valid integer value").arg(percentText));
  return percent;
}

std::int64_t IgnoreLimit(std::int32_t fastest, int percent) {
  return static_cast<std::int64_t>(fastest) * percent / 100;
}

std::vector<TImprovementPoint> ImprovementPoints(const QStringList& lapTimes, const QStringList& lapDates,
                                                 std::optional<int> ignorePercent) {
  std::vector<std::int32_t> times;
  times.reserve(static_cast<size_t>(lapTimes.size()));
  for (const QString& time : lapTimes) times.push_back(time.toInt());
  std::vector<TImprovementPoint> points;
  if (times.empty()) return points;
  std::optional<std::int64_t> limit;
  if (ignorePercent) limit = IgnoreLimit(*std::min_element(times.begin(), times.end()), *ignorePercent);
  std::optional<std::int32_t> best;
  for (size_t i = 0; i < times.size(); ++i) {
    if (best && times[i] >= *best) continue;
    best = times[i];
    if (!limit || *best <= *limit) points.push_back({lapDates.value(static_cast<qsizetype>(i)).toInt(), *best});
  }
  return points;
}

std::vector<double> AxisTicks(double min, double max, const std::vector<double>& steps, int maxTicks) {
  std::vector<double> ticks;
  if (steps.empty() || !(min <= max)) return ticks;
  const auto fits = [&](double step) { return (max - min) / step < maxTicks; };
  const auto found = std::find_if(steps.begin(), steps.end(), fits);
  const double step = found == steps.end() ? steps.back() : *found;
  for (double tick = std::ceil(min / step) * step; tick <= max && static_cast<int>(ticks.size()) < maxTicks;
       tick += step)
    ticks.push_back(tick);
  return ticks;
}

const std::vector<double>& DateAxisSteps() {
  constexpr double day = 86'400'000.0;
  static const std::vector<double> steps{day,       2 * day,   7 * day,   14 * day,  30 * day,
                                         61 * day,  91 * day,  182 * day, 365 * day, 730 * day,
                                         1826 * day, 3652 * day};
  return steps;
}

const std::vector<double>& LapTimeAxisSteps() {
  static const std::vector<double> steps{1,     2,     5,      10,     20,     50,     100,     200,
                                         500,   1000,  2000,   5000,   10000,  15000,  30000,   60000,
                                         120000, 300000, 600000, 1800000, 3600000};
  return steps;
}

QString DateAxisLabel(double msecs) {
  return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(msecs)), QTimeZone::utc())
      .toString(QStringLiteral("yy-MM-dd"));
}

QString LapTimeAxisLabel(double msecs) {
  const long long ms = std::llabs(std::llround(msecs)) % 3'600'000;
  return QStringLiteral("%1:%2.%3")
      .arg(ms / 60'000)
      .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
      .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

}  // namespace lumox
