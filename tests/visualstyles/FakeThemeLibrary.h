#pragma once
// A visual-style library whose answers a test sets and which records what it was asked.
#include <memory>
#include <string>
#include <vector>

#include "visualstyles/ThemeServices.h"

namespace lumox::test {

struct TFakeTheme {
  bool Present = true;
  bool AppThemed = true;
  bool ThemeActive = true;
  std::uint32_t AppProperties = AllowNonClientArea | AllowControls | AllowWebContent;
  std::uint32_t ControlsVersion = 0x60000;
  bool SupportsStyles = true;
  bool PartTransparent = false;
  std::vector<std::u16string> Opened;  // theme handle n is Opened[n - 1]
  std::vector<TThemeHandle> Closed;
  int ParentBackgrounds = 0;

  TThemePlatform Platform();
};

class TFakeThemeLibrary final : public IThemeLibrary {
 public:
  explicit TFakeThemeLibrary(TFakeTheme& theme) : Theme(theme) {}
  TThemeHandle OpenThemeData(TWindowHandle, const char16_t* classList) override {
    Theme.Opened.emplace_back(classList);
    return Theme.Opened.size();
  }
  void CloseThemeData(TThemeHandle theme) override { Theme.Closed.push_back(theme); }
  void DrawThemeBackground(TThemeHandle, TDeviceContext, int, int, const TRect&, const TRect*) override {}
  void DrawThemeText(TThemeHandle, TDeviceContext, int, int, const std::u16string&, std::uint32_t, std::uint32_t,
                     const TRect&) override {}
  void DrawThemeEdge(TThemeHandle, TDeviceContext, int, int, const TRect&, std::uint32_t, std::uint32_t,
                     TRect*) override {}
  TRect GetThemeBackgroundContentRect(TThemeHandle, TDeviceContext, int, int, const TRect& r) override { return r; }
  bool IsThemeBackgroundPartiallyTransparent(TThemeHandle, int, int) override { return Theme.PartTransparent; }
  void DrawThemeParentBackground(TWindowHandle, TDeviceContext, const TRect*) override { ++Theme.ParentBackgrounds; }
  bool IsAppThemed() override { return Theme.AppThemed; }
  bool IsThemeActive() override { return Theme.ThemeActive; }
  std::uint32_t GetThemeAppProperties() override { return Theme.AppProperties; }
  void SetThemeAppProperties(std::uint32_t flags) override { Theme.AppProperties = flags; }
  void EnableThemeDialogTexture(TWindowHandle, std::uint32_t) override {}

 private:
  TFakeTheme& Theme;
};

inline TThemePlatform TFakeTheme::Platform() {
  return {[this]() -> std::unique_ptr<IThemeLibrary> {
            return Present ? std::make_unique<TFakeThemeLibrary>(*this) : nullptr;
          },
          ControlsVersion, SupportsStyles};
}

}  // namespace lumox::test
