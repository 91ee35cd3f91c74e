#pragma once
#include "platform/UserMessages.h"

#include <QStringList>

#include <deque>
#include <vector>

namespace lumox::test {

// Records every message and answers questions from a script; installs itself while alive.
class TScriptedMessages final : public IUserMessages {
 public:
  struct TShown {
    TMsgKind Kind;
    QString Text;
    TMsgButtons Buttons;
  };

  TScriptedMessages();

  // Queues the answer to the next question; unanswered questions fail the test.
  void Answer(TMsgAnswer answer) { Answers.push_back(answer); }
  TMsgAnswer Show(TMsgKind kind, const QString& text, TMsgButtons buttons) override;

  const std::vector<TShown>& Shown() const { return Messages; }
  QStringList Texts() const;

 private:
  std::deque<TMsgAnswer> Answers;
  std::vector<TShown> Messages;
  TUserMessagesScope Scope;
};

}  // namespace lumox::test
