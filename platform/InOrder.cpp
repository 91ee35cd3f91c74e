#include "platform/InOrder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace lumox {
namespace {

// Starting a thread costs about as much as a few small work items.
constexpr std::size_t kItemsPerThread = 16;
constexpr std::size_t kMaxThreads = 8;

std::size_t ThreadsFor(std::size_t count) {
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::min({cores, kMaxThreads, count / kItemsPerThread});
}

}  // namespace

void RunInOrder(std::size_t count, const std::function<void(std::size_t)>& work,
                const std::function<void(std::size_t)>& finish) {
  const std::size_t threads = ThreadsFor(count);
  if (threads <= 1) {
    for (std::size_t i = 0; i < count; ++i) {
      work(i);
      finish(i);
    }
    return;
  }
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable doneChanged;
  std::vector<bool> done(count);
  // An exception cannot leave a thread: it waits here for the item's turn to finish.
  std::vector<std::exception_ptr> failures(count);
  const auto worker = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      try {
        work(i);
      } catch (...) {
        failures[i] = std::current_exception();
      }
      {
        const std::lock_guard lock(mutex);
        done[i] = true;
      }
      doneChanged.notify_one();
    }
  };
  std::vector<std::jthread> pool;
  // Destroyed before the pool joins: the workers stop taking items.
  struct TDropRest {
    std::atomic<std::size_t>& Next;
    std::size_t Count;
    ~TDropRest() { Next = Count; }
  } dropRest{next, count};
  for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
  for (std::size_t i = 0; i < count; ++i) {
    {
      std::unique_lock lock(mutex);
      doneChanged.wait(lock, [&] { return done[i]; });
    }
    if (failures[i]) std::rethrow_exception(failures[i]);
    finish(i);
  }
}

}  // namespace lumox
