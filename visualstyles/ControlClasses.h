#pragma once
// The classes of controls the theme manager takes over, as Qt's widgets fall into them.
#include <vector>

class QWidget;

namespace lumox {

// One window-procedure list per class. Frames, animations and check list boxes have no Qt
// widget of their own, so their lists stay empty.
enum class TControlClass {
  Panel, Frame, ListView, TabSheet, WinControl, GroupBox, ButtonControl, SpeedButton, Splitter, TrackBar,
  Animate, StatusBar, CheckListBox, Form
};
inline constexpr int ControlClassCount = 14;

// A window of its own that is no pop-up: a main window or a dialog.
bool IsForm(const QWidget* widget);

// Whether `widget` belongs to `controlClass`. Every widget is a windowed control; a panel is a
// plain frame; a tab sheet is a page of a tab widget.
bool IsOfClass(TControlClass controlClass, const QWidget* widget);

// The controls directly on `parent`, in order; windows of their own are not among them.
std::vector<QWidget*> ChildControls(const QWidget* parent);

}  // namespace lumox
