#include "visualstyles/ThemedHandlers.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include "platform/ScreenGraphics.h"
#include "visualstyles/EventMessages.h"
#include "visualstyles/SystemColours.h"
#include "visualstyles/ThemeManager.h"
#include "visualstyles/ThemeServices.h"
#include "visualstyles/ThemedPainting.h"

namespace lumox {
namespace {

// A header notification that list views keep to themselves while themed.
constexpr int SwallowedHeaderCode = -329;

// One message of one control, as a handler sees it.
struct THandling {
  TThemeManager& Manager;
  TThemeServices& Services;
  TControlClass Class;
  QWidget* Control;
  TMessage& Message;

  std::uint32_t Msg() const { return Message.Msg; }
  // The context an erase, print, paint or colour message carries.
  TDC& DC() const { return ContextOf(Message.WParam); }
  TDeviceContext Context() const { return Message.WParam; }
  template <class T>
  T& Record() const {
    return *reinterpret_cast<T*>(Message.LParam);
  }
  bool Answer(std::intptr_t result) {
    Message.Result = result;
    return true;
  }
  void PassOn() { Manager.WindowProcs(Class).PassOn(Control, Message); }
  // Passes the message on and has the control handle it at once, so that more can follow.
  void PassOnNow() {
    PassOn();
    DeliverNow(Control, Message);
  }
};

bool IsKeyDown(std::uint32_t msg) {
  return msg == message::KeyDown || msg == message::SystemKeyDown || msg == message::ReflectedKeyDown;
}

bool IsEraseOrPrint(std::uint32_t msg) {
  return msg == message::EraseBackground || msg == message::PrintClient;
}

TStyleDetails GroupBoxDetails() { return DetailsOf(TButtonStyleItem::GroupBoxNormal); }

// Each handler below answers whether it dealt with the message itself; every message it did not
// deal with is passed on. They run only while styles are enabled, but for the two marked.

bool HandleAnimate(THandling& h) {
  if (h.Msg() == message::EraseBackground) return h.Answer(1);
  if (h.Msg() == message::ReflectedStaticColour && IsTransparent(h.Control))
    return h.Answer(SolidBrushHandle(ColourOf(h.Control->palette().color(h.Control->backgroundRole()))));
  return false;
}

bool HandleButton(THandling& h) {
  if (IsKeyDown(h.Msg())) {
    RevealCues(h.Manager, h.Control, int(h.Message.WParam));
    return false;
  }
  switch (h.Msg()) {
    case message::ReflectedButtonColour:
    case message::ReflectedStaticColour:
      PaintParentBackground(h.Manager, h.Control, h.DC());
      return h.Answer(NullBrushHandle);
    case message::ReflectedDrawItem: {
      const TDrawItem& item = h.Record<TDrawItem>();
      const TStyleDetails normal = DetailsOf(TButtonStyleItem::PushButtonNormal);
      h.Services.PaintParentArea(h.Control, item.DC, &normal, true);
      const auto* button = qobject_cast<const QPushButton*>(h.Control);
      if (!button || !IsBitmapButton(button)) return false;
      PaintOwnerDrawnButton(button, item);
      return true;
    }
    case message::EraseBackground:
      return h.Answer(1);
    case message::MouseEnter:
    case message::MouseLeave:
      if (IsBitmapButton(h.Control)) h.Control->update();
      return false;
  }
  return false;
}

bool HandleCheckListBox(THandling& h) {
  const auto* list = qobject_cast<const QListWidget*>(h.Control);
  if (h.Msg() != message::ReflectedDrawItem || !list || list->count() == 0) return false;
  PaintCheckListItem(list, h.Record<TDrawItem>());
  return true;
}

// Taking controls over goes on whether styles are enabled or not.
bool HandleForm(THandling& h, bool themed) {
  if (h.Msg() == message::ControlListChange) {
    h.Manager.AttachOrDetach(reinterpret_cast<QWidget*>(h.Message.WParam), h.Message.LParam != 0);
    return false;
  }
  if (!themed || !IsEraseOrPrint(h.Msg())) return false;
  // A form here is a window of its own, never a control on a parent, so it erases itself.
  h.PassOn();
  return h.Answer(1);
}

bool HandleFrame(THandling& h) {
  // The child controls paint themselves, so the frame paints nothing of its own.
  if (h.Msg() == message::Paint) return h.Answer(0);
  if (h.Msg() != message::EraseBackground) return false;
  const TStyleDetails groupBox = GroupBoxDetails();
  PaintParentBackground(h.Manager, h.Control, h.DC(), &groupBox);
  return h.Answer(1);
}

bool HandleGroupBox(THandling& h) {
  if (IsKeyDown(h.Msg())) {
    RevealCues(h.Manager, h.Control, int(h.Message.WParam));
    return false;
  }
  const auto* groupBox = qobject_cast<const QGroupBox*>(h.Control);
  if (h.Msg() == message::Paint && groupBox) {
    PaintThemedGroupBox(groupBox, h.DC());
    return h.Answer(0);
  }
  if (h.Msg() != message::EraseBackground) return false;
  const TStyleDetails groupBoxDetails = GroupBoxDetails();
  PaintParentBackground(h.Manager, h.Control, h.DC(), &groupBoxDetails, true);
  return h.Answer(1);
}

// A column without an image must not claim one, whether styles are enabled or not.
bool HandleListView(THandling& h, bool themed) {
  if (h.Msg() == message::ListViewSetColumn || h.Msg() == message::ListViewInsertColumn) {
    TListColumn& column = h.Record<TListColumn>();
    if (column.ImageIndex == -1) column.Mask &= ~unsigned(TListColumn::ImageBit);
    return false;
  }
  return themed && h.Msg() == message::Notify && h.Record<TNotifyHeader>().Code == SwallowedHeaderCode;
}

bool HandlePanel(THandling& h) {
  const auto* frame = qobject_cast<const QFrame*>(h.Control);
  if (h.Msg() == message::Paint && frame) {
    PaintThemedPanel(h.Manager, h.Control, PanelLookOf(frame), h.DC());
    return h.Answer(0);
  }
  if (h.Msg() != message::EraseBackground) return false;
  const TStyleDetails groupBox = GroupBoxDetails();
  h.Services.PaintParentArea(h.Control, h.Context(), &groupBox);
  return h.Answer(1);
}

TButtonState SpeedButtonState(const QToolButton* button) {
  if (!button->isEnabled()) return TButtonState::Disabled;
  if (button->isDown() || button->isChecked()) return TButtonState::Pressed;
  const bool hot = button->autoRaise() ? button->underMouse() : UnderMouseCursor(button);
  return hot ? TButtonState::Hot : TButtonState::Normal;
}

bool HandleSpeedButton(THandling& h) {
  const auto* button = qobject_cast<const QToolButton*>(h.Control);
  if (!button) return false;
  if (h.Msg() == message::Paint) {
    EraseFromParent(h.Manager, h.Control, h.DC());
    PaintThemedButton(ButtonFaceOf(button), SpeedButtonState(button), button->hasFocus(), ClientRect(button),
                      h.DC());
    return h.Answer(0);
  }
  if ((h.Msg() == message::MouseEnter || h.Msg() == message::MouseLeave) && !button->autoRaise() &&
      button->isEnabled())
    h.Control->update();
  return false;
}

bool HandleSplitter(THandling& h) {
  if (h.Msg() != message::Paint) return false;
  EraseFromParent(h.Manager, h.Control, h.DC());
  return h.Answer(0);
}

bool HandleStatusBar(THandling& h) {
  if (h.Msg() == message::EraseBackground) {
    h.Services.PaintElement(h.Context(), DetailsOf(TStatusStyleItem::Root), ClientRect(h.Control));
    return h.Answer(1);
  }
  if (h.Msg() != message::NonClientSize) return false;
  h.PassOn();
  if (h.Message.WParam != 0) h.Message.Result |= RedrawWhole;
  return true;
}

// The parent's background in the border around the client area.
void PaintTabSheetBorder(THandling& h) {
  const int border = BorderWidth(h.Control);
  const std::unique_ptr<TDC> dc = CreateWindowDC(*h.Control);
  TRect client = ClientRect(h.Control);
  InflateRect(client, -border, -border);
  dc->ExcludeClipRect(client);
  dc->SetWindowOrigin({-border, -border});
  h.Services.PaintParentArea(h.Control, HandleOf(*dc));
}

bool HandleTabSheet(THandling& h) {
  if (h.Msg() == message::NonClientPaint) {
    PaintTabSheetBorder(h);
    return h.Answer(0);
  }
  if (!IsEraseOrPrint(h.Msg())) return false;
  if (h.Manager.Options().Has(toAlternateTabSheetDraw))
    h.Services.PaintElement(h.Context(), DetailsOf(TTabStyleItem::Body), ClientRect(h.Control));
  else
    h.Services.PaintParentArea(h.Control, h.Context());
  return h.Answer(1);
}

// The room a focus rectangle takes around a focused track bar while focus cues show.
TSize FocusBorder(const QWidget* control) {
  if (!control->hasFocus() || !FocusCuesShown(control)) return {};
  const QStyle* style = control->style();
  return {style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, control),
          style->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, control)};
}

void PaintTrackBarItem(THandling& h, const TCustomDraw& draw) {
  const TSize focus = FocusBorder(h.Control);
  const TRect client = ClientRect(h.Control);
  if (draw.Item == TCustomDraw::Tics) {
    TRect inside = client;
    InflateRect(inside, -focus.Width, -focus.Height);
    h.Services.PaintParentArea(h.Control, draw.DC, nullptr, false, &inside);
  } else if (draw.Item == TCustomDraw::Channel) {
    // The channel's own rectangle (not the thumb's), reaching along the track to the client
    // area's ends.
    TRect channel = TrackBarChannel(h.Control);
    const auto* slider = qobject_cast<const QSlider*>(h.Control);
    if (slider && slider->orientation() == Qt::Vertical) {
      channel.Top = client.Top + focus.Height;
      channel.Bottom = client.Bottom - focus.Height;
    } else {
      channel.Left = client.Left + focus.Width;
      channel.Right = client.Right - focus.Width;
    }
    TDC& dc = ContextOf(draw.DC);
    const int saved = dc.Save();
    dc.IntersectClipRect(channel);
    h.Services.PaintParentArea(h.Control, draw.DC);
    dc.Restore(saved);
  }
}

bool HandleTrackBar(THandling& h) {
  if (h.Msg() != message::ReflectedNotify) return false;
  // Every other notification is swallowed.
  if (h.Record<TNotifyHeader>().Code != CustomDrawCode) return true;
  const TCustomDraw& draw = h.Record<TCustomDraw>();
  if (draw.Stage == TCustomDraw::PrePaint) return h.Answer(TCustomDraw::NotifyItemDraw);
  if (draw.Stage == TCustomDraw::ItemPrePaint) PaintTrackBarItem(h, draw);
  return h.Answer(TCustomDraw::DoDefault);
}

bool HandleWinControl(THandling& h) {
  if (IsKeyDown(h.Msg())) {
    RevealCues(h.Manager, h.Control, int(h.Message.WParam));
    return false;
  }
  switch (h.Msg()) {
    case message::ReflectedStaticColour: {
      if (!IsStaticText(h.Control)) return false;
      TDC& dc = h.DC();
      dc.SetBackgroundMode(TBackgroundMode::Transparent);
      const int saved = dc.Save();
      h.Services.PaintParentArea(h.Control, h.Context());
      h.PassOn();
      dc.Restore(saved);
      return h.Answer(NullBrushHandle);
    }
    case message::EraseBackground:
      if (!IsScrollingWinControl(h.Control)) return false;
      if (IsDoubleBuffered(h.Control))
        EraseFromParent(h.Manager, h.Control, h.DC());
      else
        h.Services.PaintParentArea(h.Control, h.Context());
      return h.Answer(1);
    case message::NonClientPaint:
      h.PassOnNow();
      if (h.Manager.WantsClientEdge(h.Control)) h.Services.PaintClientEdge(h.Control, IsGrid(h.Control));
      return true;
  }
  return false;
}

bool HandleStyled(THandling& h) {
  switch (h.Class) {
    case TControlClass::Animate:
      return HandleAnimate(h);
    case TControlClass::ButtonControl:
      return HandleButton(h);
    case TControlClass::CheckListBox:
      return HandleCheckListBox(h);
    case TControlClass::Form:
      return HandleForm(h, true);
    case TControlClass::Frame:
      return HandleFrame(h);
    case TControlClass::GroupBox:
      return HandleGroupBox(h);
    case TControlClass::ListView:
      return HandleListView(h, true);
    case TControlClass::Panel:
      return HandlePanel(h);
    case TControlClass::SpeedButton:
      return HandleSpeedButton(h);
    case TControlClass::Splitter:
      return HandleSplitter(h);
    case TControlClass::StatusBar:
      return HandleStatusBar(h);
    case TControlClass::TabSheet:
      return HandleTabSheet(h);
    case TControlClass::TrackBar:
      return HandleTrackBar(h);
    case TControlClass::WinControl:
      return HandleWinControl(h);
  }
  return false;
}

bool HandleUnstyled(THandling& h) {
  if (h.Class == TControlClass::Form) return HandleForm(h, false);
  if (h.Class == TControlClass::ListView) return HandleListView(h, false);
  return false;
}

}  // namespace

bool HandleThemed(TThemeManager& manager, TControlClass controlClass, QWidget* control, TMessage& message) {
  TThemeServices& services = ThemeServices();
  THandling handling{manager, services, controlClass, control, message};
  return services.StylesEnabled() ? HandleStyled(handling) : HandleUnstyled(handling);
}

}  // namespace lumox
