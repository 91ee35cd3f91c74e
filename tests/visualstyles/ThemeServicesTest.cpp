#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

#include "tests/visualstyles/FakeThemeLibrary.h"

namespace lumox {
namespace {

using test::TFakeTheme;

TEST(ThemeServices, StylesAreEnabledOnlyWithTheLibraryAThemedApplicationAndThemedControls) {
  struct {
    bool present, appThemed, themeActive;
    std::uint32_t controlsVersion, appProperties;
    bool active, allowed;
  } const rows[] = {
      {true, true, true, 0x60000, 7, true, true},     {false, true, true, 0x60000, 7, false, false},
      {true, false, true, 0x60000, 7, false, false},  {true, true, false, 0x60000, 7, false, false},
      {true, true, true, 0x5FFFF, 7, false, false},   {true, true, true, 0x60000, 5, true, false},
      {true, true, true, 0x60004, 2, true, true},
  };
  for (const auto& row : rows) {
    TFakeTheme theme;
    theme.Present = row.present;
    theme.AppThemed = row.appThemed;
    theme.ThemeActive = row.themeActive;
    theme.ControlsVersion = row.controlsVersion;
    theme.AppProperties = row.appProperties;
    TThemeServices services(nullptr, theme.Platform());
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    EXPECT_EQ(services.LibraryLoaded(), row.present);
    EXPECT_EQ(services.ThemingActive(), row.active);
    EXPECT_EQ(services.ControlsAllowed(), row.allowed);
    EXPECT_EQ(services.StylesEnabled(), row.allowed);
    EXPECT_EQ(services.ThemeHandleOf(TStyleElement::Button) != 0, row.active);
    EXPECT_EQ(theme.Opened.size(), row.active ? 1u : 0u);
  }
}

TEST(ThemeServices, ThemesOpenOnFirstUseAndCloseWhenTheThemeChanges) {
  TFakeTheme theme;
  QObject appWindow;
  TThemeServices services(&appWindow, theme.Platform());
  int styleChanges = 0;
  services.OnStyleChange = [&](TThemeServices&) { ++styleChanges; };
  const TThemeHandle button = services.ThemeHandleOf(TStyleElement::Button);
  EXPECT_EQ(services.ThemeHandleOf(TStyleElement::Button), button);
  services.ThemeHandleOf(TStyleElement::TrayNotify);
  EXPECT_EQ(theme.Opened, (std::vector<std::u16string>{u"button", u"traynotify"}));

  QEvent change(QEvent::ThemeChange);
  QCoreApplication::sendEvent(&appWindow, &change);
  EXPECT_EQ(theme.Closed, (std::vector<TThemeHandle>{1, 2}));
  EXPECT_EQ(styleChanges, 1);
  services.ThemeHandleOf(TStyleElement::Window);
  EXPECT_EQ(theme.Opened.back(), u"window");
  EXPECT_EQ(theme.Opened.size(), 3u);

  theme.ThemeActive = false;
  QEvent styleChange(QEvent::StyleChange);  // a new application style counts as a theme change
  QCoreApplication::sendEvent(&appWindow, &styleChange);
  EXPECT_FALSE(services.StylesEnabled());
  EXPECT_EQ(services.ThemeHandleOf(TStyleElement::Edit), 0u);
  EXPECT_EQ(styleChanges, 2);
}

TEST(ThemeServices, EachChangeOfThemeOrStyleGivesOneNoticeWhateverTheApplicationWindowIs) {
  TFakeTheme theme;
  QObject object;
  QWindow window;
  QWidget widget;  // answers a theme change with a style change of its own
  for (QObject* appWindow : std::initializer_list<QObject*>{&object, &window, &widget}) {
    TThemeServices services(appWindow, theme.Platform());
    int notices = 0;
    services.OnStyleChange = [&](TThemeServices&) { ++notices; };
    for (const QEvent::Type type : {QEvent::ThemeChange, QEvent::StyleChange}) {
      services.ThemeHandleOf(TStyleElement::Button);
      const std::size_t closed = theme.Closed.size();
      QEvent change(type);
      QCoreApplication::sendEvent(appWindow, &change);
      EXPECT_EQ(notices, 1) << appWindow->metaObject()->className() << " " << type;
      EXPECT_EQ(theme.Closed.size(), closed + 1) << "the open theme is closed once";
      notices = 0;
    }
  }
}

TEST(ThemeServices, DetailsGiveThePartAndTheStateWithinIt) {
  struct {
    TStyleDetails got, expected;
  } const rows[] = {
      {DetailsOf(TButtonStyleItem::DontCare), {TStyleElement::Button, 0, 1}},
      {DetailsOf(TButtonStyleItem::Root), {TStyleElement::Button, 0, 2}},
      {DetailsOf(TButtonStyleItem::PushButtonDefaulted), {TStyleElement::Button, 1, 5}},
      {DetailsOf(TButtonStyleItem(14)), {TStyleElement::Button, 2, 8}},
      {DetailsOf(TButtonStyleItem::CheckBoxMixedDisabled), {TStyleElement::Button, 3, 12}},
      {DetailsOf(TButtonStyleItem::GroupBoxDisabled), {TStyleElement::Button, 4, 2}},
      {DetailsOf(TEditStyleItem::Caret), {TStyleElement::Edit, 2, 1}},
      {DetailsOf(TRebarStyleItem(17)), {TStyleElement::Rebar, 5, 4}},
      {DetailsOf(TStatusStyleItem::Gripper), {TStyleElement::StatusBar, 3, 1}},
      {DetailsOf(TStatusStyleItem(9)), {TStyleElement::StatusBar, 0, 10}},
      {DetailsOf(TTabStyleItem(41)), {TStyleElement::Tab, 8, 5}},
      {DetailsOf(TToolBarStyleItem(37)), {TStyleElement::ToolBar, 6, 6}},
      {DetailsOf(TTrackBarStyleItem::TicsVert), {TStyleElement::TrackBar, 10, 1}},
  };
  for (const auto& row : rows) EXPECT_EQ(row.got, row.expected) << "row " << (&row - rows);
}

TEST(ThemeServices, TheParentAreaIsPaintedOnlyWhereAskedAndTransparent) {
  TFakeTheme theme;
  TThemeServices services(nullptr, theme.Platform());
  const TStyleDetails groupBox = DetailsOf(TButtonStyleItem::GroupBoxNormal);
  services.PaintParentArea(nullptr, 0, &groupBox, true);  // opaque: not painted
  services.PaintParentArea(nullptr, 0, nullptr, true);
  services.PaintParentArea(nullptr, 0, &groupBox, false);
  theme.PartTransparent = true;
  services.PaintParentArea(nullptr, 0, &groupBox, true);
  EXPECT_EQ(theme.ParentBackgrounds, 3);
}

}  // namespace
}  // namespace lumox
