#pragma once

namespace lumox {

// Where a long scan reports how far it got; the wait window shows it.
// Scans take a pointer that may be null when nobody watches.
class IProgressSink {
 public:
  virtual ~IProgressSink() = default;
  // A new total of `count` steps; the position goes back to 0.
  virtual void SetMax(int count) = 0;
  virtual void StepBy(int delta) = 0;
};

}  // namespace lumox
