#pragma once
// The element classes of the visual styles and the (part, state) pairs the controls paint with.
#include <cstdint>

namespace lumox {

// One theme per element class, opened under the class name that ElementClassName gives.
enum class TStyleElement : std::uint8_t {
  Button, Clock, ComboBox, Edit, ExplorerBar, Header, ListView, Menu, Page, Progress, Rebar, ScrollBar,
  Spin, StartPanel, StatusBar, Tab, TaskBand, TaskBar, ToolBar, ToolTip, TrackBar, TrayNotify, TreeView, Window
};
inline constexpr int StyleElementCount = 24;

// The UTF-16 class name the library opens `element` by.
const char16_t* ElementClassName(TStyleElement element);

struct TStyleDetails {
  TStyleElement Element;
  std::int32_t Part;
  std::int32_t State;
  friend bool operator==(const TStyleDetails&, const TStyleDetails&) = default;
};

// In every enumeration below 0 stands for any part and 1 for the element's root. A group of
// values is one part; its states follow in the order given, starting at the named value.
enum class TButtonStyleItem : std::uint8_t {
  DontCare, Root,
  PushButtonNormal, PushButtonHot, PushButtonPressed, PushButtonDisabled, PushButtonDefaulted,
  RadioButton,  // 7-14: unchecked, then checked; each normal, hot, pressed, disabled
  CheckBoxUncheckedNormal = 15, CheckBoxUncheckedHot, CheckBoxUncheckedPressed, CheckBoxUncheckedDisabled,
  CheckBoxCheckedNormal, CheckBoxCheckedHot, CheckBoxCheckedPressed, CheckBoxCheckedDisabled,
  CheckBoxMixedNormal, CheckBoxMixedHot, CheckBoxMixedPressed, CheckBoxMixedDisabled,
  GroupBoxNormal, GroupBoxDisabled,
  UserButton
};

enum class TEditStyleItem : std::uint8_t { DontCare, Root, EditTextNormal /* 2-8: 7 states */, Caret = 9 };

enum class TRebarStyleItem : std::uint8_t {
  DontCare, Root, Gripper, GripperVert,
  Band,                // 4-9: 6 states
  Chevron = 10,        // 10-13
  ChevronVert = 14     // 14-17
};

enum class TStatusStyleItem : std::uint8_t { DontCare, Root, Pane, GripperPane, Gripper };

// Tab items have 5 states each.
enum class TTabStyleItem : std::uint8_t {
  DontCare, Root,
  TabItem = 2, TabItemLeftEdge = 7, TabItemRightEdge = 12, TabItemBothEdges = 17,
  TopTabItem = 22, TopTabItemLeftEdge = 27, TopTabItemRightEdge = 32, TopTabItemBothEdges = 37,
  Pane = 42, Body = 43
};

// Each tool-bar part has 6 states.
enum class TToolBarStyleItem : std::uint8_t {
  DontCare, Root,
  Button = 2, DropDownButton = 8, SplitButton = 14, SplitButtonDropDown = 20, Separator = 26, SeparatorVert = 32
};

// Each thumb has 5 states.
enum class TTrackBarStyleItem : std::uint8_t {
  DontCare, Root, Track, TrackVert,
  Thumb = 4, ThumbBottom = 9, ThumbTop = 14, ThumbVert = 19, ThumbLeft = 24, ThumbRight = 29,
  Tics = 34, TicsVert = 35
};

TStyleDetails DetailsOf(TButtonStyleItem item);
TStyleDetails DetailsOf(TEditStyleItem item);
TStyleDetails DetailsOf(TRebarStyleItem item);
TStyleDetails DetailsOf(TStatusStyleItem item);
TStyleDetails DetailsOf(TTabStyleItem item);
TStyleDetails DetailsOf(TToolBarStyleItem item);
TStyleDetails DetailsOf(TTrackBarStyleItem item);

}  // namespace lumox
