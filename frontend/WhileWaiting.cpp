#include "frontend/WhileWaiting.h"

#include <QAction>
#include <QWidget>

namespace lumox {

TWhileWaiting::TWhileWaiting(QAction* action, std::initializer_list<QWidget*> widgets)
    : Action(action), ActionWasEnabled(action->isEnabled()) {
  Action->setEnabled(false);
  for (QWidget* widget : widgets) {
    if (widget->isEnabled()) Widgets.push_back(widget);
    widget->setEnabled(false);
  }
}

TWhileWaiting::~TWhileWaiting() {
  Action->setEnabled(ActionWasEnabled);
  for (QWidget* widget : Widgets) widget->setEnabled(true);
}

}  // namespace lumox
