#pragma once
#include <QStringList>
#include <deque>
#include <vector>

#include "frontend/OpenDialog.h"

namespace lumox::test {

// Answers file-open dialogs from a script and records how each was opened.
class TScriptedOpenDialog final : public IOpenDialog {
 public:
  struct TOpened {
    QString InitialDir;
    QString Filter;
  };

  ~TScriptedOpenDialog() override;
  // Queues the file the next dialog returns; the empty text stands for Cancel.
  void Pick(const QString& file) { Answers.push_back(file); }
  QString Execute(const QString& initialDir, const QString& filter) override;
  const std::vector<TOpened>& Opened() const { return Calls; }

 private:
  std::deque<QString> Answers;
  std::vector<TOpened> Calls;
};

}  // namespace lumox::test
