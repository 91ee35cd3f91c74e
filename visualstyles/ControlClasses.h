#pragma once
// The classes of controls the theme manager takes over, as Qt's widgets fall into them.
#include <vector>

#include "platform/GraphicsTypes.h"

class QRect;
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

// The control `control` lies on; none for a window of its own.
QWidget* ParentControl(const QWidget* control);

// How the handlers see a Qt widget. Every widget paints into Qt's backing store unless it
// paints on the screen directly. A transparent one leaves its background to its parent.
bool IsDoubleBuffered(const QWidget* control);
bool IsTransparent(const QWidget* control);
// A push button with an image: the framework draws such buttons itself.
bool IsBitmapButton(const QWidget* control);
bool IsStaticText(const QWidget* control);
// A scroll box: a plain scroll area.
bool IsScrollingWinControl(const QWidget* control);
bool IsGrid(const QWidget* control);
bool IsRichEdit(const QWidget* control);
// A control whose own painting is all border: its client area is a child of its own.
bool PaintsOnlyBorder(const QWidget* control);
// A sunken border: what the window system calls the client edge.
bool HasClientEdge(const QWidget* control);
// The width of the border a frame draws around its contents; 0 for other controls.
int BorderWidth(const QWidget* control);
// Where a track bar's channel and thumb lie; empty for other controls.
TRect TrackBarChannel(const QWidget* control);
TRect TrackBarThumb(const QWidget* control);

TRect RectOf(const QRect& rect);

}  // namespace lumox
