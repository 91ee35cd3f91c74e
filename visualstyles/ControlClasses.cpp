#include "visualstyles/ControlClasses.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSplitterHandle>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>

namespace lumox {
namespace {

template <class... Classes>
bool IsAny(const QWidget* widget) {
  return (... || (qobject_cast<const Classes*>(widget) != nullptr));
}

TRect SliderPart(const QWidget* control, QStyle::SubControl part) {
  const auto* slider = qobject_cast<const QSlider*>(control);
  if (!slider) return {};
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.subControls = QStyle::SC_All;
  option.orientation = slider->orientation();
  option.minimum = slider->minimum();
  option.maximum = slider->maximum();
  option.sliderPosition = slider->sliderPosition();
  option.sliderValue = slider->value();
  option.tickPosition = slider->tickPosition();
  option.tickInterval = slider->tickInterval();
  option.upsideDown = slider->invertedAppearance() != (slider->orientation() == Qt::Vertical);
  return RectOf(slider->style()->subControlRect(QStyle::CC_Slider, &option, part, slider));
}

bool IsTabSheet(const QWidget* widget) {
  const QWidget* pages = widget->parentWidget();
  return qobject_cast<const QStackedWidget*>(pages) && qobject_cast<const QTabWidget*>(pages->parentWidget());
}

}  // namespace

bool IsForm(const QWidget* widget) {
  return widget->isWindow() && (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog);
}

bool IsOfClass(TControlClass controlClass, const QWidget* widget) {
  switch (controlClass) {
    case TControlClass::Panel: return widget->metaObject() == &QFrame::staticMetaObject;
    case TControlClass::ListView: return IsAny<QAbstractItemView>(widget);
    case TControlClass::TabSheet: return IsTabSheet(widget);
    case TControlClass::WinControl: return true;
    case TControlClass::GroupBox: return IsAny<QGroupBox>(widget);
    case TControlClass::ButtonControl: return IsAny<QPushButton, QCheckBox, QRadioButton>(widget);
    case TControlClass::SpeedButton: return IsAny<QToolButton>(widget);
    case TControlClass::Splitter: return IsAny<QSplitterHandle>(widget);
    case TControlClass::TrackBar: return IsAny<QSlider>(widget);
    case TControlClass::StatusBar: return IsAny<QStatusBar>(widget);
    case TControlClass::Form: return IsForm(widget);
    case TControlClass::Frame:
    case TControlClass::Animate:
    case TControlClass::CheckListBox: return false;
  }
  return false;
}

std::vector<QWidget*> ChildControls(const QWidget* parent) {
  std::vector<QWidget*> controls;
  // While a widget deletes its children, the ones already gone are null here.
  for (QObject* child : parent->children()) {
    QWidget* control = qobject_cast<QWidget*>(child);
    if (control && !control->isWindow()) controls.push_back(control);
  }
  return controls;
}

QWidget* ParentControl(const QWidget* control) {
  return control->isWindow() ? nullptr : control->parentWidget();
}

bool IsDoubleBuffered(const QWidget* control) { return !control->testAttribute(Qt::WA_PaintOnScreen); }

bool IsTransparent(const QWidget* control) { return !control->autoFillBackground(); }

bool IsBitmapButton(const QWidget* control) {
  const auto* button = qobject_cast<const QPushButton*>(control);
  return button && !button->icon().isNull();
}

bool IsStaticText(const QWidget* control) { return IsAny<QLabel>(control); }

bool IsScrollingWinControl(const QWidget* control) { return IsAny<QScrollArea>(control); }

bool IsGrid(const QWidget* control) { return IsAny<QTableView>(control); }

bool IsRichEdit(const QWidget* control) { return IsAny<QTextEdit>(control); }

bool PaintsOnlyBorder(const QWidget* control) { return IsAny<QAbstractScrollArea>(control); }

bool HasClientEdge(const QWidget* control) {
  const auto* frame = qobject_cast<const QFrame*>(control);
  return frame && frame->frameShape() != QFrame::NoFrame && frame->frameShadow() == QFrame::Sunken;
}

int BorderWidth(const QWidget* control) {
  const auto* frame = qobject_cast<const QFrame*>(control);
  return frame ? frame->frameWidth() : 0;
}

TRect TrackBarChannel(const QWidget* control) { return SliderPart(control, QStyle::SC_SliderGroove); }

TRect TrackBarThumb(const QWidget* control) { return SliderPart(control, QStyle::SC_SliderHandle); }

TRect RectOf(const QRect& rect) { return {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1}; }

}  // namespace lumox
