#include "platform/EventGuard.h"
#include "platform/Errors.h"
#include "tests/support/ScriptedMessages.h"

#include <QPushButton>
#include <gtest/gtest.h>

namespace lumox {
namespace {

TEST(EventGuard, AnExceptionFromASlotBecomesAnErrorBoxAndTheNextClickStillWorks) {
  test::TScriptedMessages messages;
  QPushButton button;
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, Guarded([&](bool) {
                     if (++clicks == 1) throw EInOutError(QStringLiteral("Could not write \"x.ini\""));
                   }));
  button.click();
  button.click();
  EXPECT_EQ(clicks, 2);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_EQ(messages.Shown()[0].Text, "Could not write \"x.ini\"");
}

TEST(EventGuard, ForeignExceptionsAreShownToo) {
  test::TScriptedMessages messages;
  RunGuarded([] { throw 42; });
  RunGuarded([] { throw std::runtime_error("disk full"); });
  EXPECT_EQ(messages.Texts(), QStringList({"An unexpected error occurred.", "disk full"}));
}

}  // namespace
}  // namespace lumox
