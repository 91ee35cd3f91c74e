#pragma once
#include <functional>
#include <memory>

class QSocketNotifier;

namespace lumox {

// Turns SIGINT and SIGTERM into a call of `onSignal` from the event loop, so that Ctrl+C and
// kill end the program through its normal shut-down instead of cutting it off mid-write. The
// handler only writes to a pipe (async-signal-safe); the notifier reads it on the main thread.
// One instance per process; the signals' default actions come back when it goes.
class TTerminationSignals {
 public:
  explicit TTerminationSignals(std::function<void()> onSignal);
  ~TTerminationSignals();
  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

  // Whether a signal has reached `onSignal` yet.
  bool Received() const { return FReceived; }

 private:
  void Deliver();

  std::function<void()> OnSignal;
  int Pipe[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> Notifier;
  bool FReceived = false;
};

}  // namespace lumox
