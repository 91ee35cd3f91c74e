#include "visualstyles/ControlClasses.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSplitterHandle>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

namespace lumox {
namespace {

template <class... Classes>
bool IsAny(const QWidget* widget) {
  return (... || (qobject_cast<const Classes*>(widget) != nullptr));
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

}  // namespace lumox
