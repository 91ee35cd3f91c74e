#include "visualstyles/ThemeNexus.h"

#include <QWindow>

#include "visualstyles/ThemeServices.h"

namespace lumox {

// Qt tells every window, shown or not, when the desktop's theme changes.
class TThemeNexus::TNexusWindow final : public QWindow {
 public:
  explicit TNexusWindow(TThemeNexus& nexus) : Nexus(nexus) {}
  bool event(QEvent* event) override {
    if (event->type() == QEvent::ThemeChange) {
      Nexus.CloseThemeData();
      Nexus.OpenThemeData();
    }
    return QWindow::event(event);
  }

 private:
  TThemeNexus& Nexus;
};

TThemeNexus::TThemeNexus(std::vector<std::string> folders)
    : Folders(std::move(folders)), Window(std::make_unique<TNexusWindow>(*this)) {
  OpenThemeData();
}

TThemeNexus::~TThemeNexus() {
  CloseThemeData();
  Window.reset();
}

bool TThemeNexus::LoadThemeLibrary() {
  static constexpr std::array<const char*, EntryCount> Names = {
      "OpenThemeData",   "CloseThemeData", "DrawThemeBackground", "DrawThemeEdge",
      "GetThemeColor",   "GetThemeMetric", "GetThemeMargins",     "SetWindowTheme",
      "IsThemeActive",   "IsAppThemed",    "EnableTheming"};
  if (Library) return true;
  Library = TSharedLibrary::Open(ThemeLibraryFileName, Folders);
  if (!Library) return false;
  for (int i = 0; i < EntryCount; ++i) Entries[i] = Library->Entry<void>(Names[i]);
  for (TEntry needed : {eOpenThemeData, eCloseThemeData, eIsThemeActive, eIsAppThemed, eEnableTheming})
    if (!Entries[needed]) UnloadThemeLibrary();
  return Library != nullptr;
}

void TThemeNexus::UnloadThemeLibrary() {
  Library.reset();
  Entries.fill(nullptr);
}

bool TThemeNexus::ThemesUsable() const {
  return Library && Entry<FIsAppThemed>(eIsAppThemed)() != 0 && Entry<FIsThemeActive>(eIsThemeActive)() != 0;
}

void TThemeNexus::OpenThemeData() {
  FThemesInUse = LoadThemeLibrary() && ThemesUsable();
  if (!FThemesInUse) return;
  const TWindowHandle window = WindowHandleOf(Window.get());
  ScrollBar = Entry<FOpenThemeData>(eOpenThemeData)(window, u"SCROLLBAR");
  Globals = Entry<FOpenThemeData>(eOpenThemeData)(window, u"GLOBALS");
}

void TThemeNexus::CloseThemeData() {
  // Handles opened while themes were in use are closed even when they no longer are.
  for (TThemeHandle* theme : {&ScrollBar, &Globals}) {
    if (*theme != 0 && Library) Entry<FCloseThemeData>(eCloseThemeData)(*theme);
    *theme = 0;
  }
  UnloadThemeLibrary();
}

}  // namespace lumox
