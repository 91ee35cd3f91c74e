#pragma once
#include <initializer_list>
#include <vector>

class QAction;
class QWidget;

namespace lumox {

// Disables the action and the widgets that would start another program while one is waited
// for; each gets back the state it had.
class TWhileWaiting {
 public:
  TWhileWaiting(QAction* action, std::initializer_list<QWidget*> widgets);
  ~TWhileWaiting();
  TWhileWaiting(const TWhileWaiting&) = delete;
  TWhileWaiting& operator=(const TWhileWaiting&) = delete;

 private:
  QAction* Action;
  bool ActionWasEnabled;
  std::vector<QWidget*> Widgets;  // the ones that were enabled
};

}  // namespace lumox
