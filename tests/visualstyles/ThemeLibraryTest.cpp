#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWindow>

#include <cstdlib>

#include "visualstyles/ThemeNexus.h"
#include "visualstyles/ThemeServices.h"

namespace lumox {
namespace {

void ChangeDesktopTheme() {
  QEvent change(QEvent::ThemeChange);
  for (QWindow* window : QGuiApplication::allWindows()) QCoreApplication::sendEvent(window, &change);
}

TEST(ThemeLibrary, IsLoadedByItsFileNameOnlyWhenItHasEveryEntryPoint) {
  struct {
    const char* folder;
    bool loads;
  } const rows[] = {{LUMOX_THEME_WHOLE, true}, {LUMOX_THEME_LACKING, false}, {"/nonexistent", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.folder);
    const std::vector<std::string> folders{row.folder};
    TThemeServices services(nullptr, {[&] { return OpenThemeLibrary(folders); }, 0x60000, true});
    EXPECT_EQ(services.LibraryLoaded(), row.loads);
    EXPECT_EQ(services.StylesEnabled(), row.loads);
    EXPECT_EQ(services.ThemeHandleOf(TStyleElement::Button) != 0, row.loads);
  }
}

TEST(ThemeNexus, HoldsTheScrollBarAndGlobalThemesWhileThemesAreInUse) {
  TThemeNexus whole({LUMOX_THEME_WHOLE});
  TThemeNexus lacking({LUMOX_THEME_LACKING});
  EXPECT_TRUE(whole.ThemesInUse());
  EXPECT_NE(whole.ScrollBarTheme(), 0u);
  EXPECT_NE(whole.GlobalsTheme(), 0u);
  EXPECT_FALSE(lacking.ThemesInUse());
  EXPECT_EQ(lacking.ScrollBarTheme(), 0u);

  setenv("LUMOX_THEME_OFF", "1", 1);
  ChangeDesktopTheme();
  EXPECT_FALSE(whole.ThemesInUse());
  EXPECT_EQ(whole.ScrollBarTheme(), 0u);
  EXPECT_EQ(whole.GlobalsTheme(), 0u);
  unsetenv("LUMOX_THEME_OFF");
  ChangeDesktopTheme();
  EXPECT_TRUE(whole.ThemesInUse());
  EXPECT_NE(whole.GlobalsTheme(), 0u);
}

}  // namespace
}  // namespace lumox
