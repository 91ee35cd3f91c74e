#include "tests/frontend/ScriptedOpenDialog.h"

#include <gtest/gtest.h>

namespace lumox::test {

TScriptedOpenDialog::~TScriptedOpenDialog() {
  EXPECT_TRUE(Answers.empty()) << Answers.size() << " scripted picks were never asked for";
}

QString TScriptedOpenDialog::Execute(const QString& initialDir, const QString& filter) {
  Calls.push_back({initialDir, filter});
  if (Answers.empty()) {
    ADD_FAILURE() << "unexpected file dialog in " << initialDir.toStdString();
    return {};
  }
  const QString answer = Answers.front();
  Answers.pop_front();
  return answer;
}

}  // namespace lumox::test
