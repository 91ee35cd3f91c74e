#pragma once
// Theme data for scroll bars and the global parts, kept ready for themed drawing of the bitmap
// display: opened when the nexus is made and again after every theme change.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "visualstyles/SharedLibrary.h"
#include "visualstyles/ThemeLibrary.h"

namespace lumox {

class TThemeNexus {
 public:
  // Looks the library up in `folders` first, as TSharedLibrary::Open does. Needs the application
  // object, since the nexus hears of theme changes through a hidden window.
  explicit TThemeNexus(std::vector<std::string> folders = {});
  ~TThemeNexus();
  TThemeNexus(const TThemeNexus&) = delete;
  TThemeNexus& operator=(const TThemeNexus&) = delete;

  // The library is loaded and both the application and the system are themed.
  bool ThemesInUse() const { return FThemesInUse; }
  TThemeHandle ScrollBarTheme() const { return ScrollBar; }
  TThemeHandle GlobalsTheme() const { return Globals; }

 private:
  class TNexusWindow;
  enum TEntry {
    eOpenThemeData, eCloseThemeData, eDrawThemeBackground, eDrawThemeEdge, eGetThemeColor, eGetThemeMetric,
    eGetThemeMargins, eSetWindowTheme, eIsThemeActive, eIsAppThemed, eEnableTheming, EntryCount
  };

  // Loads the library once; false when it is missing or lacks a function the nexus cannot do without.
  bool LoadThemeLibrary();
  void UnloadThemeLibrary();
  bool ThemesUsable() const;
  void OpenThemeData();
  void CloseThemeData();
  template <class F>
  F* Entry(TEntry entry) const {
    return reinterpret_cast<F*>(Entries[entry]);
  }

  std::vector<std::string> Folders;
  std::unique_ptr<TNexusWindow> Window;
  std::unique_ptr<TSharedLibrary> Library;
  std::array<void*, EntryCount> Entries{};
  bool FThemesInUse = false;
  TThemeHandle ScrollBar = 0;
  TThemeHandle Globals = 0;
};

}  // namespace lumox
