#include "frontend/WhileWaiting.h"

#include <QAction>
#include <QWidget>

namespace lumox {

TWhileWaiting::TWhileWaiting(std::initializer_list<QAction*> actions,
                             std::initializer_list<QWidget*> widgets) {
  for (QAction* action : actions) {
    if (action->isEnabled()) Actions.push_back(action);
    action->setEnabled(false);
  }
  for (QWidget* widget : widgets) {
    if (widget->isEnabled()) Widgets.push_back(widget);
    widget->setEnabled(false);
  }
}

TWhileWaiting::~TWhileWaiting() {
  for (QAction* action : Actions) action->setEnabled(true);
  for (QWidget* widget : Widgets) widget->setEnabled(true);
}

}  // namespace lumox
