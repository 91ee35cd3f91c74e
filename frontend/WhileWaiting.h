#pragma once
#include <initializer_list>
#include <vector>

class QAction;
class QWidget;

namespace lumox {

// Disables the actions and the widgets that would start another program, or write what the
// waited-for one may be writing, while one is waited for; each gets back the state it had.
class TWhileWaiting {
 public:
  TWhileWaiting(std::initializer_list<QAction*> actions, std::initializer_list<QWidget*> widgets);
  ~TWhileWaiting();
  TWhileWaiting(const TWhileWaiting&) = delete;
  TWhileWaiting& operator=(const TWhileWaiting&) = delete;

 private:
  std::vector<QAction*> Actions;  // the ones that were enabled
  std::vector<QWidget*> Widgets;  // the ones that were enabled
};

}  // namespace lumox
