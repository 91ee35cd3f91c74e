#include "platform/InOrder.h"
#include "platform/UserMessages.h"
#include "tests/support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace lumox {
namespace {

// Each item's work shows a message on its own thread; the messages reach the installed
// implementation in item order, when each item finishes.
TEST(RunInOrder, FinishesEveryItemInOrderWithTheMessagesItsWorkShowed) {
  for (const std::size_t count : {0, 1, 15, 16, 1000}) {
    test::TScriptedMessages messages;
    std::vector<TRecordedMessages> recorded(count);
    std::vector<int> worked(count);
    QStringList expected;
    RunInOrder(
        count,
        [&](std::size_t i) {
          const TThreadMessagesScope scope(recorded[i]);
          ++worked[i];
          ShowWarning(QString::number(i));
        },
        [&](std::size_t i) {
          recorded[i].Replay();
          expected << QString::number(i);
        });
    EXPECT_EQ(messages.Texts(), expected) << count;
    EXPECT_EQ(worked, std::vector<int>(count, 1)) << count;
  }
}

// Work past item 5 starts only after item 5 has failed and then takes a while, so however the
// threads are scheduled the failure is seen long before the threads could work through all.
TEST(RunInOrder, AFailingFinishDropsTheRestAndPassesTheErrorOn) {
  constexpr int Count = 100000;
  std::atomic<int> worked{0};
  std::atomic<int> finished{0};
  const auto run = [&] {
    RunInOrder(
        Count,
        [&](std::size_t i) {
          if (i > 5) {
            while (finished < 6) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
          ++worked;
        },
        [&](std::size_t i) {
          ++finished;
          if (i == 5) throw std::runtime_error("stop");
        });
  };
  EXPECT_THROW(run(), std::runtime_error);
  EXPECT_EQ(finished, 6);
  EXPECT_LT(worked, 1000);
}

// A failing work item on another thread must not end the program: its exception reaches the
// caller when the item's turn comes, after the items before it were finished.
TEST(RunInOrder, AFailingWorkReachesTheCallerInPlaceOfItsFinish) {
  for (const std::size_t count : {10, 1000}) {
    std::vector<std::size_t> finished;
    const auto run = [&] {
      RunInOrder(
          count,
          [](std::size_t i) {
            if (i == 7) throw std::runtime_error("unreadable");
          },
          [&](std::size_t i) { finished.push_back(i); });
    };
    EXPECT_THROW(run(), std::runtime_error) << count;
    EXPECT_EQ(finished, std::vector<std::size_t>({0, 1, 2, 3, 4, 5, 6})) << count;
  }
}

}  // namespace
}  // namespace lumox
