#pragma once
// The handlers of the fourteen control classes: while styles are enabled each paints its class
// themed where the window system would paint it plain, and passes every other message on.
#include "visualstyles/ControlClasses.h"
#include "visualstyles/ControlMessages.h"

class QWidget;

namespace lumox {

class TThemeManager;

// The handling of `message` for `control` of `controlClass` once the listeners left it; true
// when the handler dealt with it, and passed it on itself where it had to. What it did not deal
// with the caller passes on through the class's list.
bool HandleThemed(TThemeManager& manager, TControlClass controlClass, QWidget* control, TMessage& message);

}  // namespace lumox
