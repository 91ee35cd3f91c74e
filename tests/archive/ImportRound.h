#pragma once
#include "archive/LapTimePool.h"

#include <vector>

namespace lumox::test {

inline constexpr int kLapsPerRound = 10;

// The laps of import round `round` of the crash test, each with a date of its own.
inline std::vector<TLapRecord> ImportRound(int round) {
  std::vector<TLapRecord> laps;
  for (int lap = 0; lap < kLapsPerRound; ++lap)
    laps.push_back({"Oval", "data\\tracks\\oval", "F3", "x1", round * kLapsPerRound + lap, 60000 + lap});
  return laps;
}

}  // namespace lumox::test
