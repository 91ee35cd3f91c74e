#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>

#include "tests/visualstyles/ThemedFixture.h"
#include "visualstyles/SystemColours.h"
#include "visualstyles/ThemedPainting.h"

namespace lumox {
namespace {

using namespace test;

using ThemedPaintingTest = ThemedFixture;

TEST_F(ThemedPaintingTest, ACheckBoxIsCentredAndDrawnWithTheDetailsOfItsStateAndEnabling) {
  Start(true);
  struct {
    Qt::CheckState state;
    bool enabled;
    int themeState;
  } const rows[] = {{Qt::Unchecked, true, 1},        {Qt::Unchecked, false, 4},
                    {Qt::Checked, true, 5},          {Qt::Checked, false, 8},
                    {Qt::PartiallyChecked, true, 9}, {Qt::PartiallyChecked, false, 12}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    ForgetRecorded();
    PaintCheckBox(*DC, {10, 10, 40, 30}, row.state, row.enabled);
    EXPECT_EQ(Recorded(), std::vector<std::string>{"background button 3/" + std::to_string(row.themeState) +
                                                   " (18,13,31,26)"});
    EXPECT_EQ(ColourAt(30, 25), StandInColour(3, row.themeState));
    EXPECT_NE(ColourAt(17, 20), StandInColour(3, row.themeState));
  }
}

TEST_F(ThemedPaintingTest, AGroupBoxCaptionSitsEightPixelsInFromItsReadingSideAndIsCutOutOfTheFrame) {
  Start(true);
  for (const bool rightToLeft : {false, true}) {
    for (const bool enabled : {true, false}) {
      SCOPED_TRACE(testing::Message()
                   << (rightToLeft ? "right to left" : "left to right") << ", enabled " << enabled);
      QGroupBox group("Caption");
      group.setGeometry(0, 0, 200, 100);
      group.setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
      group.setEnabled(enabled);
      DC->SelectFont(FontSpecOf(group.font()));
      const TSize caption = DC->TextExtent("Caption");
      const int left = rightToLeft ? 200 - 8 - caption.Width : 8, state = enabled ? 1 : 2;
      std::ranges::fill(Pixels, 0);
      ForgetRecorded();
      PaintThemedGroupBox(&group, *DC);

      const auto rect = [](TRect r) {
        std::ostringstream out;
        PrintTo(r, &out);
        return out.str();
      };
      const std::string details = "button 4/" + std::to_string(state) + " ";
      EXPECT_EQ(Recorded(),
                (std::vector<std::string>{"background " + details + rect({0, caption.Height / 2, 200, 100}),
                                          "text " + details + "\"Caption\" " +
                                              rect({left, 0, left + caption.Width, caption.Height})}));
      const TColor frame = StandInColour(4, state);
      const int y = caption.Height / 2;
      EXPECT_EQ(ColourAt(left - 1, y), frame);
      EXPECT_EQ(ColourAt(left + caption.Width, y), frame);
      for (int x = left; x < left + caption.Width; ++x) ASSERT_NE(ColourAt(x, y), frame) << x;
    }
  }
}

TEST_F(ThemedPaintingTest, APanelDrawsItsBevelsAndFillsOrLetsItsParentShowInside) {
  Start(true);
  QWidget parent;
  parent.setAttribute(Qt::WA_PaintOnScreen);  // its background comes from the theme
  const TColor light = SystemColour(TSystemColour::ButtonHighlight),
               dark = SystemColour(TSystemColour::ButtonShadow);
  struct {
    int shape, shadow;
    bool ownColour;
    TColor outer, inner, inside;
  } const rows[] = {
      {QFrame::Panel, QFrame::Raised, false, light, StandInParentColour, StandInParentColour},
      {QFrame::Panel, QFrame::Sunken, true, dark, RGB(250, 0, 0), RGB(250, 0, 0)},
      {QFrame::WinPanel, QFrame::Raised, false, light, light, StandInParentColour},
      {QFrame::NoFrame, QFrame::Plain, true, RGB(250, 0, 0), RGB(250, 0, 0), RGB(250, 0, 0)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    auto* panel = new QFrame(&parent);
    panel->setGeometry(0, 0, 60, 40);
    panel->setFrameStyle(row.shape | row.shadow);
    if (row.ownColour) {
      QPalette palette = panel->palette();
      palette.setColor(QPalette::Window, QColor(250, 0, 0));
      panel->setPalette(palette);
    }
    std::ranges::fill(Pixels, 0);
    ForgetRecorded();
    PaintThemedPanel(*Manager, panel, PanelLookOf(panel), *DC);
    EXPECT_EQ(ColourAt(0, 0), row.outer);
    EXPECT_EQ(ColourAt(1, 1), row.inner);
    EXPECT_EQ(ColourAt(30, 20), row.inside);
    if (row.shadow != QFrame::Plain) {
      EXPECT_EQ(ColourAt(59, 39), row.outer == light ? dark : light);
    }
    EXPECT_EQ(Recorded().size(), row.ownColour ? 0u : 1u);  // the parent's background, once
    delete panel;
  }
}

TEST_F(ThemedPaintingTest, TabAndTheArrowKeysRevealFocusRectanglesAndAltRevealsAccelerators) {
  Start(true);
  QWidget form;
  form.setObjectName("form");
  auto* button = new QPushButton("OK", &form);
  auto* label = new QLabel("&Name", &form);
  form.show();
  QCoreApplication::processEvents();
  Manager->Loaded();
  std::vector<std::uintptr_t> uiChanges;
  Manager->OnControlMessage = [&](TThemeManager&, QWidget* control, TMessage& message, bool&) {
    if (control == &form && message.Msg == message::ChangeUiState) uiChanges.push_back(message.WParam);
  };
  int labelPaints = 0;
  TEventTap paints(
      [&](QObject*, QEvent* event) { return labelPaints += event->type() == QEvent::Paint, false; });
  label->installEventFilter(&paints);

  struct {
    int keyCode;
    std::vector<std::uintptr_t> changes;
    bool focusCues, labelsRepainted;
  } const rows[] = {
      {key::Tab, {UiStateParam(UiStateClear, UiHideFocus)}, true, false},
      {key::Left, {UiStateParam(UiStateClear, UiHideFocus)}, true, false},
      {key::Down, {UiStateParam(UiStateClear, UiHideFocus)}, true, false},
      {key::Alt, {UiStateParam(UiStateClear, UiHideAccelerators)}, false, true},
      {'A', {}, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "key " << row.keyCode);
    form.setAttribute(Qt::WA_KeyboardFocusChange, false);
    QCoreApplication::processEvents();
    uiChanges.clear();
    labelPaints = 0;
    RevealCues(*Manager, button, row.keyCode);
    QCoreApplication::processEvents();
    EXPECT_EQ(uiChanges, row.changes);
    EXPECT_EQ(form.testAttribute(Qt::WA_KeyboardFocusChange), row.focusCues);
    EXPECT_EQ(labelPaints > 0, row.labelsRepainted);
  }
}

TEST_F(ThemedPaintingTest, AShownFormIsPaintedThroughTheHandlersOnlyWhileStylesAreEnabled) {
  for (const bool styles : {true, false}) {
    SCOPED_TRACE(styles ? "styled" : "plain");
    Start(styles);
    QWidget form;
    form.resize(300, 200);
    new QGroupBox("Group", &form);
    form.findChild<QGroupBox*>()->setGeometry(10, 10, 120, 80);
    (new QStatusBar(&form))->setGeometry(0, 170, 300, 30);
    (new QTextEdit(&form))->setGeometry(150, 10, 100, 60);
    auto* bare = new QTextEdit(&form);
    bare->setGeometry(150, 90, 100, 60);
    bare->setFrameShape(QFrame::NoFrame);
    form.show();
    QCoreApplication::processEvents();
    Manager->Loaded();
    const QImage image = form.grab().toImage();
    const auto colourAt = [&](int x, int y) { return ColourOf(image.pixelColor(x, y)); };

    EXPECT_EQ(colourAt(60, 60) == StandInColour(4, 1), styles);   // the group box's frame
    EXPECT_EQ(colourAt(5, 185) == StandInColour(0, 2), styles);   // the status bar's background
    EXPECT_EQ(colourAt(150, 40) == StandInColour(1, 1), styles);  // the client edge
    EXPECT_NE(colourAt(150, 120), StandInColour(1, 1));           // no client edge without a border
  }
}

}  // namespace
}  // namespace lumox
