#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <sstream>

#include "tests/visualstyles/ThemedFixture.h"
#include "visualstyles/SystemColours.h"
#include "visualstyles/ThemedHandlers.h"
#include "visualstyles/ThemedPainting.h"

namespace lumox {
namespace {

using enum TControlClass;
using namespace test;

class ThemedHandlersTest : public ThemedFixture {
 protected:
  TMessage DrawItem(int item, unsigned state, TRect rect) {
    DrawItemRecord = {item, state, Context(), rect};
    return {.Msg = message::ReflectedDrawItem, .LParam = std::intptr_t(&DrawItemRecord)};
  }
  TMessage CustomDraw(unsigned stage, unsigned item = 0, TRect rect = {}) {
    CustomDrawRecord = {.Stage = stage, .DC = Context(), .Rect = rect, .Item = item};
    return {.Msg = message::ReflectedNotify, .LParam = std::intptr_t(&CustomDrawRecord.Header)};
  }
  TMessage Notify(std::uint32_t msg, int code) {
    HeaderRecord.Code = code;
    return {.Msg = msg, .LParam = std::intptr_t(&HeaderRecord)};
  }
  TMessage Column(std::uint32_t msg, int imageIndex) {
    ColumnRecord = {TListColumn::ImageBit | 7, imageIndex};
    return {.Msg = msg, .LParam = std::intptr_t(&ColumnRecord)};
  }

  TDrawItem DrawItemRecord;
  TCustomDraw CustomDrawRecord;
  TNotifyHeader HeaderRecord;
  TListColumn ColumnRecord;
};

// A form with a control of every kind the rows speak of. A parent painting on the screen
// directly has its children's background painted by the theme.
struct TSampleForm {
  QWidget Form;
  QWidget* Unbuffered = Named(new QWidget(&Form), "unbuffered", {0, 200, 300, 200});
  QFrame* Panel = Named(new QFrame(&Form), "panel", {10, 10, 200, 150});
  QTabWidget* Tabs = new QTabWidget(&Form);
  QWidget* Page = Named(new QWidget, "page");
  QSplitter* Splitter = new QSplitter(&Form);

  TSampleForm() {
    Form.setObjectName("form");
    Unbuffered->setAttribute(Qt::WA_PaintOnScreen);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Tabs->addTab(Page, "page");
    Page->setGeometry(0, 0, 150, 100);
    Splitter->addWidget(new QWidget);
    Splitter->addWidget(new QWidget);
    Splitter->handle(1)->setObjectName("handle");
  }
};

using TExpected = std::vector<std::string>;

struct THandlerRow {
  TControlClass Class;
  QWidget* Control;
  std::function<TMessage()> Make;
  TExpected Calls;
  std::intptr_t Result;
  bool PassesOn;
};

TEST_F(ThemedHandlersTest, EachClassPaintsWhatItHandlesThemedAndPassesEverythingElseOn) {
  TSampleForm sample;
  QWidget* form = &sample.Form;
  QFrame* panel = sample.Panel;
  auto* button = Named(new QPushButton("OK", panel), "button", {5, 5, 80, 30});
  auto* bitmap = Named(new QPushButton(QIcon(QPixmap(16, 16)), "OK", panel), "bitmap", {5, 40, 80, 30});
  auto* lonely = Named(new QPushButton("Go", sample.Unbuffered), "lonely");
  auto* animation = Named(new QLabel(form), "animation");
  auto* filled = Named(new QLabel(form), "filled");
  filled->setAutoFillBackground(true);
  auto* checkList = Named(new QListWidget(form), "checklist");
  for (const char* text : {"first", "second"}) checkList->addItem(text);
  checkList->item(1)->setCheckState(Qt::Checked);
  auto* emptyList = Named(new QListWidget(form), "emptylist");
  auto* frame = Named(new QFrame(sample.Unbuffered), "frame");
  auto* group = Named(new QGroupBox("Group", sample.Unbuffered), "group", {10, 10, 120, 80});
  auto* list = Named(new QListView(form), "list");
  auto* unbufferedPanel = Named(new QFrame(sample.Unbuffered), "panel2", {150, 10, 100, 60});
  auto* speed = Named(new QToolButton(panel), "speed", {100, 5, 60, 24});
  auto* flat = Named(new QToolButton(panel), "flat", {100, 35, 60, 24});
  flat->setAutoRaise(true);
  auto* down = Named(new QToolButton(panel), "down", {100, 65, 60, 24});
  down->setCheckable(true);
  down->setChecked(true);
  auto* status = Named(new QStatusBar(form), "status", {0, 170, 200, 20});
  auto* slider = Named(new QSlider(Qt::Horizontal, form), "slider", {220, 10, 120, 30});
  auto* label = Named(new QLabel("Name", form), "label");
  auto* area = Named(new QScrollArea(form), "area");
  auto* area2 = Named(new QScrollArea(sample.Unbuffered), "area2");
  area2->setAttribute(Qt::WA_PaintOnScreen);
  auto* rich = Named(new QTextEdit(form), "rich", {0, 0, 100, 60});
  auto* plain = Named(new QWidget(form), "plain");
  QWidget* handle = sample.Splitter->handle(1);
  QWidget* page = sample.Page;

  DC->SelectFont(FontSpecOf(group->font()));
  const TSize title = DC->TextExtent("Group");
  const auto rect = [](int l, int t, int r, int b) {
    std::ostringstream out;
    PrintTo(TRect{l, t, r, b}, &out);
    return out.str();
  };
  const std::string groupFrame = "background button 4/1 " + rect(0, title.Height / 2, 120, 80);
  const std::string groupText = "text button 4/1 \"Group\" " + rect(8, 0, 8 + title.Width, title.Height);
  const std::intptr_t animationBrush =
      SolidBrushHandle(ColourOf(animation->palette().color(animation->backgroundRole())));
  using namespace message;
  const auto plainMessage = [](std::uint32_t msg, std::uintptr_t wParam = 0) {
    return [=] { return TMessage{.Msg = msg, .WParam = wParam}; };
  };
  const auto withContext = [this](std::uint32_t msg) { return [=, this] { return WithContext(msg); }; };

  const THandlerRow rows[] = {
      {Animate, animation, withContext(EraseBackground), {}, 1, false},
      {Animate, animation, withContext(ReflectedStaticColour), {}, animationBrush, false},
      {Animate, filled, withContext(ReflectedStaticColour), {}, 0, true},
      {Animate, animation, withContext(Paint), {}, 0, true},

      {ButtonControl, button, plainMessage(KeyDown, key::Tab), {}, 0, true},
      {ButtonControl, button, withContext(ReflectedButtonColour), {"parent panel"}, NullBrushHandle, false},
      {ButtonControl, lonely, withContext(ReflectedStaticColour), {"parent lonely"}, NullBrushHandle, false},
      {ButtonControl,
       button,
       [&] {
         return DrawItem(0, 0, {0, 0, 80, 30});
       },
       {"transparent? button 1/1", "parent button"},
       0,
       true},
      {ButtonControl,
       bitmap,
       [&] {
         return DrawItem(0, 0, {0, 0, 80, 30});
       },
       {"transparent? button 1/1", "parent bitmap", "background button 1/1 (0,0,80,30)",
        "content button 1/1 (0,0,80,30)"},
       0,
       false},
      {ButtonControl,
       bitmap,
       [&] {
         return DrawItem(0, TDrawItem::Selected, {0, 0, 80, 30});
       },
       {"transparent? button 1/1", "parent bitmap", "background button 1/3 (0,0,80,30)",
        "content button 1/3 (0,0,80,30)"},
       0,
       false},
      {ButtonControl, button, withContext(EraseBackground), {}, 1, false},
      {ButtonControl, bitmap, plainMessage(MouseEnter), {}, 0, true},
      {ButtonControl, button, withContext(Paint), {}, 0, true},

      {CheckListBox,
       checkList,
       [&] {
         return DrawItem(1, TDrawItem::Selected | TDrawItem::Focused, {0, 18, 150, 36});
       },
       {"background button 3/5 (0,20,13,33)"},
       0,
       false},
      {CheckListBox,
       emptyList,
       [&] {
         return DrawItem(0, 0, {0, 0, 150, 18});
       },
       {},
       0,
       true},

      {Form,
       form,
       [=] { return TMessage{.Msg = ControlListChange, .WParam = std::uintptr_t(plain), .LParam = 1}; },
       {},
       0,
       true},
      {Form, form, withContext(EraseBackground), {}, 1, true},
      {Form, form, withContext(PrintClient), {}, 1, true},

      {Frame, frame, withContext(Paint), {}, 0, false},
      {Frame, frame, withContext(EraseBackground), {"parent frame"}, 1, false},

      {GroupBox, group, withContext(Paint), {groupFrame, groupText}, 0, false},
      {GroupBox, group, withContext(EraseBackground), {"transparent? button 4/1", "parent group"}, 1, false},
      {GroupBox, group, plainMessage(SystemKeyDown, key::Alt), {}, 0, true},

      {ListView, list, [&] { return Column(ListViewSetColumn, -1); }, {}, 0, true},
      {ListView, list, [&] { return Notify(message::Notify, -329); }, {}, 0, false},
      {ListView, list, [&] { return Notify(message::Notify, CustomDrawCode); }, {}, 0, true},

      {Panel, unbufferedPanel, withContext(Paint), {"parent panel2"}, 0, false},
      {Panel, panel, withContext(EraseBackground), {"parent panel"}, 1, false},

      {SpeedButton,
       speed,
       withContext(Paint),
       {"parent panel", "background button 1/1 (0,0,60,24)", "content button 1/1 (0,0,60,24)"},
       0,
       false},
      {SpeedButton,
       flat,
       withContext(Paint),
       {"parent panel", "background toolbar 1/1 (0,0,60,24)", "content toolbar 1/1 (0,0,60,24)"},
       0,
       false},
      {SpeedButton,
       down,
       withContext(Paint),
       {"parent panel", "background button 1/3 (0,0,60,24)", "content button 1/3 (0,0,60,24)"},
       0,
       false},
      {SpeedButton, speed, plainMessage(MouseEnter), {}, 0, true},

      {Splitter, handle, withContext(Paint), {}, 0, false},

      {StatusBar, status, withContext(EraseBackground), {"background status 0/2 (0,0,200,20)"}, 1, false},
      {StatusBar, status, plainMessage(NonClientSize, 1), {}, 0x300, true},
      {StatusBar, status, plainMessage(NonClientSize, 0), {}, 0, true},

      {TabSheet, page, plainMessage(NonClientPaint), {"parent page"}, 0, false},
      {TabSheet, page, withContext(EraseBackground), {"parent page"}, 1, false},
      {TabSheet, page, withContext(Paint), {}, 0, true},

      {TrackBar,
       slider,
       [&] { return CustomDraw(TCustomDraw::PrePaint); },
       {},
       TCustomDraw::NotifyItemDraw,
       false},
      {TrackBar,
       slider,
       [&] { return CustomDraw(TCustomDraw::ItemPrePaint, TCustomDraw::Tics); },
       {"parent slider (0,0,120,30)"},
       0,
       false},
      {TrackBar,
       slider,
       [&] { return CustomDraw(TCustomDraw::ItemPrePaint, TCustomDraw::Channel); },
       {"parent slider"},
       0,
       false},
      {TrackBar,
       slider,
       [&] { return CustomDraw(TCustomDraw::ItemPrePaint, TCustomDraw::Thumb); },
       {},
       0,
       false},
      {TrackBar, slider, [&] { return Notify(ReflectedNotify, -2); }, {}, 0, false},

      {WinControl, label, plainMessage(KeyDown, key::Down), {}, 0, true},
      {WinControl, label, withContext(ReflectedStaticColour), {"parent label"}, NullBrushHandle, true},
      {WinControl, area, withContext(EraseBackground), {}, 1, false},
      {WinControl, area2, withContext(EraseBackground), {"parent area2"}, 1, false},
      {WinControl, rich, plainMessage(NonClientPaint), {"background edit 1/1 (0,0,100,60)"}, 0, true},
      {WinControl, plain, plainMessage(NonClientPaint), {}, 0, true},
      {WinControl, plain, withContext(EraseBackground), {}, 0, true},
  };
  for (const bool styles : {true, false}) {
    Start(styles);
    // Frames, animations and check list boxes have no class of their own among Qt's widgets.
    for (const THandlerRow& row : rows) Manager->WindowProcs(row.Class).Add(row.Control);
    for (const THandlerRow& row : rows) {
      SCOPED_TRACE(testing::Message() << (styles ? "styled, " : "plain, ")
                                      << row.Control->objectName().toStdString() << " row " << (&row - rows));
      ForgetRecorded();
      TMessage message = row.Make();
      const bool handled = HandleThemed(*Manager, row.Class, row.Control, message);
      EXPECT_EQ(Recorded(), styles ? row.Calls : TExpected{});
      EXPECT_EQ(!handled || message.PassedOn, styles ? row.PassesOn : true);
      if (styles) {
        EXPECT_EQ(message.Result, row.Result);
      }
      EXPECT_EQ(DC->WindowOrigin(), TPoint{});
    }
  }
}

TEST_F(ThemedHandlersTest, AListViewColumnWithoutAnImageLosesItsImageFlagWithOrWithoutStyles) {
  QListView list;
  const struct {
    std::uint32_t msg;
    int imageIndex;
    unsigned mask;
  } rows[] = {{message::ListViewSetColumn, -1, 7},
              {message::ListViewInsertColumn, -1, 7},
              {message::ListViewInsertColumn, 2, TListColumn::ImageBit | 7}};
  for (const bool styles : {true, false}) {
    Start(styles);
    for (const auto& row : rows) {
      TMessage message = Column(row.msg, row.imageIndex);
      EXPECT_FALSE(HandleThemed(*Manager, TControlClass::ListView, &list, message));
      EXPECT_EQ(ColumnRecord.Mask, row.mask);
    }
  }
}

}  // namespace
}  // namespace lumox
