#pragma once
// Lumox against a reference in one benchmark: every iteration runs both once, alternating which
// goes first, so both meet the same load of a machine that other work shares. The counters give
// each one's mean time and the ratio reference time / Lumox time (above 1: Lumox is faster).
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

namespace lumox::bench {

inline double Seconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline void Compare(benchmark::State& state, const std::function<void()>& lumox,
                    const std::function<void()>& reference) {
  double lumoxTime = 0, referenceTime = 0;
  bool lumoxFirst = true;
  for (auto _ : state) {
    if (lumoxFirst) lumoxTime += Seconds(lumox);
    referenceTime += Seconds(reference);
    if (!lumoxFirst) lumoxTime += Seconds(lumox);
    lumoxFirst = !lumoxFirst;
  }
  const double n = double(state.iterations());
  state.counters["lumox_ms"] = 1000 * lumoxTime / n;
  state.counters["reference_ms"] = 1000 * referenceTime / n;
  state.counters["ratio"] = referenceTime / lumoxTime;
}

}  // namespace lumox::bench
