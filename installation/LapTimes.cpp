#include "installation/LapTimes.h"

#include <chrono>
#include <cstdlib>

namespace lumox {
namespace {

QString TwoDigits(long long value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

}  // namespace

// Integer arithmetic throughout: a day count in floating point would round some
// milliseconds the wrong way.
QString FormatLapTime(std::int32_t msecs) {
  const long long ms = std::llabs(static_cast<long long>(msecs)) % 86'400'000;
  const QString full = QStringLiteral("%1:%2:%3.%4")
                           .arg(TwoDigits(ms / 3'600'000), TwoDigits(ms / 60'000 % 60), TwoDigits(ms / 1000 % 60))
                           .arg(ms % 1000, 3, 10, QLatin1Char('0'));
  qsizetype start = 0;
  while (full[start] == QLatin1Char('0') || full[start] == QLatin1Char(':')) ++start;
  return full.mid(start);
}

QString FormatUnixTime(std::int32_t secs) {
  using namespace std::chrono;
  const sys_seconds time{seconds{secs}};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  return QStringLiteral("%1-%2-%3 %4:%5")
      .arg(int(date.year()), 4, 10, QLatin1Char('0'))
      .arg(TwoDigits(unsigned(date.month())), TwoDigits(unsigned(date.day())),
           TwoDigits(clock.hours().count()), TwoDigits(clock.minutes().count()));
}

}  // namespace lumox
