#pragma once
// The Qt side of the window system the handlers know: which messages a Qt event of a taken-over
// control stands for, and what a control does itself with a message the program sends it.
#include <functional>

#include "visualstyles/ControlClasses.h"
#include "visualstyles/ControlMessages.h"

class QEvent;
class QWidget;

namespace lumox {

// Hands the messages that `event` of `control` stands for to `handle`, in the order the window
// system sends them; the messages of one paint share a context on the control. True when the
// event is done with: handled in the control's place, or by the control already.
bool DispatchAsMessages(TControlClass controlClass, QWidget* control, QEvent* event,
                        const std::function<void(TMessage&)>& handle);

// Has the control handle now the Qt event that `message` carries, unless it has. For a message
// without a context of its own, since the control paints with a context of its own.
void DeliverNow(QWidget* control, TMessage& message);

// What `control` does itself with a message the program sends it: an erase paints the
// background the control paints, a UI-state change shows or hides its window's focus cues.
void HandleByDefault(QWidget* control, TMessage& message);

// Whether the window of `control` shows focus rectangles.
bool FocusCuesShown(const QWidget* control);

}  // namespace lumox
