#pragma once
// Lap times are milliseconds; lap dates are seconds since 1970-01-01 00:00, read as local
// time without any zone shift. Date/time values are day counts with day 0 at 1899-12-30.
#include <QString>

#include <cstdint>

namespace lumox {

inline constexpr double kUnixEpochDay = 25569.0;  // 1970-01-01 as a day count

constexpr double MSecsToDateTime(std::int32_t msecs) { return msecs / 86400000.0; }
constexpr double UnixSecsToDateTime(std::int32_t secs) { return kUnixEpochDay + secs / 86400.0; }

// The time of day as "hh:nn:ss.zzz" without its leading zeros and colons ("1:23.456",
// ".123"); whole days are dropped, and a negative time shows its magnitude.
QString FormatLapTime(std::int32_t msecs);
// "yyyy-mm-dd hh:nn"; the seconds are cut off.
QString FormatUnixTime(std::int32_t secs);

}  // namespace lumox
