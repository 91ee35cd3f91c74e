#include <gtest/gtest.h>

#include "platform/UserMessages.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

TEST(UserMessages, QuestionsGetTheCautiousAnswerUnlessAnImplementationIsInstalledWhileItLives) {
  {
    test::TScriptedMessages messages;
    messages.Answer(TMsgAnswer::Yes);
    EXPECT_TRUE(Confirm("first?"));
    ShowWarning("careful");
    EXPECT_EQ(messages.Shown().at(1).Kind, TMsgKind::Warning);
  }
  EXPECT_FALSE(Confirm("delete everything?"));
  EXPECT_FALSE(Confirm("delete everything?", TMsgButtons::OkCancel));
}

}  // namespace
}  // namespace lumox
