#include "visualstyles/EventMessages.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>
#include <QSlider>
#include <memory>
#include <optional>

#include "platform/ScreenGraphics.h"
#include "visualstyles/SystemColours.h"
#include "visualstyles/ThemeEvents.h"

namespace lumox {
namespace {

int KeyCodeOf(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return key::Tab;
    case Qt::Key_Alt:
      return key::Alt;
    case Qt::Key_Left:
      return key::Left;
    case Qt::Key_Up:
      return key::Up;
    case Qt::Key_Right:
      return key::Right;
    case Qt::Key_Down:
      return key::Down;
    default:
      return 0;  // no handler looks at it
  }
}

// Qt asks the focused control about a key before it dispatches it, as the framework does with
// its reflected key down.
TMessage KeyMessage(const QKeyEvent* event) {
  const bool system = event->key() == Qt::Key_Alt || (event->modifiers() & Qt::AltModifier);
  const std::uint32_t msg = event->type() == QEvent::ShortcutOverride ? message::ReflectedKeyDown
                            : system                                  ? message::SystemKeyDown
                                                                      : message::KeyDown;
  return {.Msg = msg, .WParam = std::uintptr_t(KeyCodeOf(event))};
}

// The messages of one Qt event, handed on one by one. Those of a paint share a context on the
// control, made for the first that needs one and gone before the control paints itself.
class TEventMessages {
 public:
  TEventMessages(QWidget* control, QEvent* event, const std::function<void(TMessage&)>& handle)
      : Control(control), Event(event), Handle(handle) {}

  // Sends `message` before the event, or as the event itself (`carrier`), and returns it as
  // handled; each finds the context as the one before found it.
  TMessage Send(TMessage message, bool carrier = false) {
    message.Event = Event;
    message.CarriesEvent = carrier;
    const int saved = DC ? DC->Save() : 0;
    Handle(message);
    if (DC) DC->Restore(saved);
    if (carrier) Carrier = message;
    return message;
  }
  TDeviceContext Context() {
    if (!DC) DC = CreateWindowDC(*Control);
    return HandleOf(*DC);
  }
  // The event was handled in the control's place, or by the control already.
  bool Done() const { return Carrier && (Carrier->Delivered || !Carrier->PassedOn); }

 private:
  QWidget* Control;
  QEvent* Event;
  const std::function<void(TMessage&)>& Handle;
  std::unique_ptr<TDC> DC;
  std::optional<TMessage> Carrier;
};

// A track bar asks how it is to be drawn, and when told so, asks again before each item.
void SendCustomDraw(const QSlider* slider, TEventMessages& messages) {
  TCustomDraw draw{.Stage = TCustomDraw::PrePaint, .DC = messages.Context(), .Rect = RectOf(slider->rect())};
  const auto notify = [&] {
    return messages.Send({.Msg = message::ReflectedNotify, .LParam = std::intptr_t(&draw.Header)}).Result;
  };
  if (!(notify() & TCustomDraw::NotifyItemDraw)) return;
  const struct {
    TCustomDraw::TTrackBarItem Item;
    TRect Rect;
  } items[] = {{TCustomDraw::Tics, RectOf(slider->rect())},
               {TCustomDraw::Channel, TrackBarChannel(slider)},
               {TCustomDraw::Thumb, TrackBarThumb(slider)}};
  for (const auto& item : items) {
    draw.Stage = TCustomDraw::ItemPrePaint;
    draw.Item = item.Item;
    draw.Rect = item.Rect;
    notify();
  }
}

TDrawItem DrawItemOf(const QAbstractButton* button, TDeviceContext dc) {
  const unsigned state = (button->isDown() ? TDrawItem::Selected : 0) |
                         (button->hasFocus() ? TDrawItem::Focused : 0) |
                         (button->isEnabled() ? 0 : TDrawItem::Disabled);
  return {.State = state, .DC = dc, .Rect = RectOf(button->rect())};
}

void SendPaint(TControlClass controlClass, QWidget* control, TEventMessages& messages) {
  // Such a control's client area is a child of its own, so all it paints is its border.
  if (PaintsOnlyBorder(control)) {
    messages.Send({.Msg = message::NonClientPaint}, true);
    return;
  }
  const TDeviceContext dc = messages.Context();
  messages.Send({.Msg = message::EraseBackground, .WParam = dc, .LParam = std::intptr_t(dc)});
  // A push button with an image is drawn by its owner, as the framework's bitmap buttons are.
  if (controlClass == TControlClass::ButtonControl && IsBitmapButton(control)) {
    TDrawItem item = DrawItemOf(static_cast<QAbstractButton*>(control), dc);
    messages.Send({.Msg = message::ReflectedDrawItem, .LParam = std::intptr_t(&item)}, true);
    return;
  }
  if (controlClass == TControlClass::ButtonControl)
    messages.Send({.Msg = qobject_cast<QPushButton*>(control) ? message::ReflectedButtonColour
                                                              : message::ReflectedStaticColour,
                   .WParam = dc});
  if (controlClass == TControlClass::WinControl && IsStaticText(control))
    messages.Send({.Msg = message::ReflectedStaticColour, .WParam = dc});
  if (controlClass == TControlClass::TrackBar)
    if (const auto* slider = qobject_cast<const QSlider*>(control)) SendCustomDraw(slider, messages);
  messages.Send({.Msg = message::Paint, .WParam = dc}, true);
}

// A control placed on this one, ready to be shown. One taken off stays taken over: it may only
// be moving to another parent.
void SendPlaced(QObject* child, TEventMessages& messages) {
  if (auto* placed = qobject_cast<QWidget*>(child))
    messages.Send(
        {.Msg = message::ControlListChange, .WParam = reinterpret_cast<std::uintptr_t>(placed), .LParam = 1},
        true);
  else
    messages.Send({}, true);
}

}  // namespace

bool DispatchAsMessages(TControlClass controlClass, QWidget* control, QEvent* event,
                        const std::function<void(TMessage&)>& handle) {
  TEventMessages messages(control, event, handle);
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
      messages.Send(KeyMessage(static_cast<QKeyEvent*>(event)), true);
      break;
    case QEvent::Enter:
      messages.Send({.Msg = message::MouseEnter}, true);
      break;
    case QEvent::Leave:
      messages.Send({.Msg = message::MouseLeave}, true);
      break;
    case QEvent::Resize:
      if (messages.Send({.Msg = message::NonClientSize, .WParam = 1}, true).Result & RedrawWhole)
        control->update();
      break;
    case QEvent::Paint:
      SendPaint(controlClass, control, messages);
      break;
    case QEvent::ChildPolished:
      SendPlaced(static_cast<QChildEvent*>(event)->child(), messages);
      break;
    default:
      messages.Send(
          {.Msg = event->type() == RecreateWindowEvent() ? message::RecreateWindow : message::QtOnly}, true);
  }
  return messages.Done();
}

void DeliverNow(QWidget* control, TMessage& message) {
  if (!message.Event || !message.CarriesEvent || message.Delivered) return;
  static_cast<QObject*>(control)->event(message.Event);
  message.Delivered = true;
}

void HandleByDefault(QWidget* control, TMessage& message) {
  switch (message.Msg) {
    case message::EraseBackground:
      if (control->autoFillBackground() || control->isWindow()) {
        TDC& dc = ContextOf(message.WParam);
        dc.FillRect(dc.ClipBox(), TBrush{ColourOf(control->palette().color(control->backgroundRole()))});
        message.Result = 1;
      }
      break;
    // Qt keeps no accelerator cues of its own: its style decides when they show.
    case message::ChangeUiState:
      if (message.WParam >> 16 & UiHideFocus)
        control->window()->setAttribute(Qt::WA_KeyboardFocusChange,
                                        (message.WParam & 0xFFFF) == UiStateClear);
      break;
  }
}

bool FocusCuesShown(const QWidget* control) {
  return control->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

}  // namespace lumox
