#include "platform/UserMessages.h"
#include "tests/support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

TEST(UserMessages, ScriptedAnswersAreReturnedInOrderAndTheScopeRestoresThePrevious) {
  IUserMessages* const before = &UserMessages();
  {
    test::TScriptedMessages messages;
    messages.Answer(TMsgAnswer::Yes);
    messages.Answer(TMsgAnswer::Cancel);
    EXPECT_TRUE(Confirm("first?"));
    EXPECT_FALSE(Confirm("second?", TMsgButtons::OkCancel));
    ShowWarning("careful");
    ASSERT_EQ(messages.Shown().size(), 3u);
    EXPECT_EQ(messages.Shown()[2].Kind, TMsgKind::Warning);
    EXPECT_EQ(messages.Texts(), QStringList({"first?", "second?", "careful"}));
  }
  EXPECT_EQ(&UserMessages(), before);
}

TEST(UserMessages, WithoutAnInstalledImplementationQuestionsGetTheCautiousAnswer) {
  EXPECT_FALSE(Confirm("delete everything?"));
  EXPECT_FALSE(Confirm("delete everything?", TMsgButtons::OkCancel));
}

}  // namespace
}  // namespace lumox
