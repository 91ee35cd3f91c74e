#pragma once
// The window-system messages that the themed painting handles, carried in a record of our own.
// Each list's event filter turns the Qt events that play the same role into these.
#include <cstdint>

#include "framework/Graphic.h"          // TRect
#include "visualstyles/ThemeLibrary.h"  // TDeviceContext

class QEvent;

namespace lumox {

// The numbers are the window system's and those of the framework's control notifications
// (control messages from 45056, reflected notifications from 48128).
namespace message {
inline constexpr std::uint32_t Destroy = 2;
inline constexpr std::uint32_t Paint = 15;
inline constexpr std::uint32_t EraseBackground = 20;  // device context in both parameters
inline constexpr std::uint32_t Notify = 78;           // LParam: TNotifyHeader*
inline constexpr std::uint32_t NonClientSize = 131;   // WParam non-zero: the client area is to be recomputed
inline constexpr std::uint32_t NonClientPaint = 133;
inline constexpr std::uint32_t KeyDown = 256;  // WParam: key code
inline constexpr std::uint32_t SystemKeyDown = 260;
inline constexpr std::uint32_t ChangeUiState = 295;          // WParam: UiStateParam
inline constexpr std::uint32_t PrintClient = 792;            // WParam: device context
inline constexpr std::uint32_t ListViewSetColumn = 4122;     // LParam: TListColumn*
inline constexpr std::uint32_t ListViewInsertColumn = 4123;  // LParam: TListColumn*
inline constexpr std::uint32_t MouseEnter = 45075;
inline constexpr std::uint32_t MouseLeave = 45076;
inline constexpr std::uint32_t ControlListChange = 45100;  // WParam: QWidget*, LParam: inserting
inline constexpr std::uint32_t RecreateWindow = 45107;
inline constexpr std::uint32_t ReflectedDrawItem = 48171;  // LParam: TDrawItem*
inline constexpr std::uint32_t ReflectedNotify = 48206;    // LParam: TNotifyHeader*
inline constexpr std::uint32_t ReflectedKeyDown = 48384;
inline constexpr std::uint32_t ReflectedButtonColour = 48437;  // WParam: device context
inline constexpr std::uint32_t ReflectedStaticColour = 48440;  // WParam: device context
// A Qt event that plays no window-system role; only listeners see it.
inline constexpr std::uint32_t QtOnly = 0xFFFFFFFF;
}  // namespace message

// What a non-client size answers when the whole window is to be redrawn, across and down.
inline constexpr std::intptr_t RedrawWhole = 0x300;

// Key codes the handlers look at.
namespace key {
inline constexpr int Tab = 9;
inline constexpr int Alt = 18;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
}  // namespace key

// What a change-UI-state message asks: clear (or set) the flags that hide focus rectangles and
// keyboard accelerators.
enum TUiStateAction : std::uint16_t { UiStateSet = 1, UiStateClear = 2 };
enum TUiStateFlag : std::uint16_t { UiHideFocus = 1, UiHideAccelerators = 2 };
constexpr std::uintptr_t UiStateParam(TUiStateAction action, TUiStateFlag flags) {
  return std::uintptr_t(action) | std::uintptr_t(flags) << 16;
}

struct TMessage {
  std::uint32_t Msg = message::QtOnly;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
  // The Qt event the message comes from; null for a message the program sends itself.
  QEvent* Event = nullptr;
  // The message is that event itself: passed on, the control handles the event; not passed
  // on, the event is consumed. Other messages of an event only go before it.
  bool CarriesEvent = false;
  // Set by the control's list when the handler passed the message on.
  bool PassedOn = false;
  // Set once the control handled the event, before the handler returned.
  bool Delivered = false;
};

// What a colour message answers: the brush the control's background is painted with. A stock
// object is its number; a solid brush carries its colour.
using TBrushHandle = std::intptr_t;
inline constexpr TBrushHandle NullBrushHandle = 5;
constexpr TBrushHandle SolidBrushHandle(TColor colour) {
  return TBrushHandle(0x1000000 | (colour & 0xFFFFFF));
}

// The header every notification starts with.
struct TNotifyHeader {
  int Code = 0;
};
inline constexpr int CustomDrawCode = -12;

// Owner drawing of one item of a control.
struct TDrawItem {
  static constexpr unsigned Selected = 1, Disabled = 4, Focused = 16;
  int Item = 0;
  unsigned State = 0;
  TDeviceContext DC = 0;
  TRect Rect;
};

// One stage of a control's custom drawing, and the item drawn in it.
struct TCustomDraw {
  enum TStage : unsigned { PrePaint = 1, ItemPrePaint = 0x10001 };
  enum TTrackBarItem : unsigned { Tics = 1, Thumb = 2, Channel = 3 };
  enum TAnswer : std::intptr_t { DoDefault = 0, NotifyItemDraw = 32 };
  TNotifyHeader Header{CustomDrawCode};
  unsigned Stage = PrePaint;
  TDeviceContext DC = 0;
  TRect Rect;
  unsigned Item = 0;
};

// The parts of a list-view column a set or insert message gives.
struct TListColumn {
  enum TMaskBit : unsigned { ImageBit = 16 };
  unsigned Mask = 0;
  int ImageIndex = 0;
};

}  // namespace lumox
