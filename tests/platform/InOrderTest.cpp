#include "platform/InOrder.h"
#include "platform/UserMessages.h"
#include "tests/support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
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

TEST(RunInOrder, AFailingFinishDropsTheRestAndPassesTheErrorOn) {
  std::atomic<int> worked{0};
  int finished = 0;
  const auto run = [&] {
    RunInOrder(
        100000, [&](std::size_t) { ++worked; },
        [&](std::size_t i) {
          ++finished;
          if (i == 5) throw std::runtime_error("stop");
        });
  };
  EXPECT_THROW(run(), std::runtime_error);
  EXPECT_EQ(finished, 6);
  EXPECT_LT(worked, 100000);
}

}  // namespace
}  // namespace lumox
