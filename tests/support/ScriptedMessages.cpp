#include "tests/support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace lumox::test {

TScriptedMessages::TScriptedMessages() : Scope(*this) {}

TMsgAnswer TScriptedMessages::Show(TMsgKind kind, const QString& text, TMsgButtons buttons) {
  Messages.push_back({kind, text, buttons});
  if (buttons == TMsgButtons::Ok) return TMsgAnswer::Ok;
  if (Answers.empty()) {
    ADD_FAILURE() << "unexpected question: " << text.toStdString();
    return buttons == TMsgButtons::YesNo ? TMsgAnswer::No : TMsgAnswer::Cancel;
  }
  const TMsgAnswer answer = Answers.front();
  Answers.pop_front();
  return answer;
}

QStringList TScriptedMessages::Texts() const {
  QStringList texts;
  for (const TShown& shown : Messages) texts << shown.Text;
  return texts;
}

}  // namespace lumox::test
