#pragma once
#include "platform/UserMessages.h"

#include <exception>
#include <utility>

namespace lumox {

// Shows the error of an exception that reached the edge of an event handler.
void ShowHandlerError(std::exception_ptr error);

// Runs `handler`; no exception leaves it. Every slot and event handler runs its work through
// this, so a failure becomes an error box and the event loop goes on.
template <class F>
void RunGuarded(F&& handler) noexcept {
  try {
    std::forward<F>(handler)();
  } catch (...) {
    ShowHandlerError(std::current_exception());
  }
}

// RunGuarded for a paint, a resize or an event filter: no modal box opens while it runs, so a
// failure there is shown once the event loop has the control again.
template <class F>
void RunGuardedNoModal(F&& handler) noexcept {
  const TNoModalBoxes noBoxes;
  RunGuarded(std::forward<F>(handler));
}

// Wraps `handler` for connect(): the returned callable runs it guarded with the signal's arguments.
template <class F>
auto Guarded(F handler) {
  return [handler = std::move(handler)](auto&&... args) mutable {
    RunGuarded([&] { handler(std::forward<decltype(args)>(args)...); });
  };
}

}  // namespace lumox
