// A stand-in visual-style library, built under the real one's file name. Built once whole and
// once without IsAppThemed. Its theme is off while LUMOX_THEME_OFF is set.
#include <cstdlib>

#include "visualstyles/ThemeLibrary.h"

using namespace lumox;

namespace {
TThemeHandle LastTheme = 0;
}

extern "C" {
// Declared through the program's own function types, so a definition that strays is an error.
FOpenThemeData OpenThemeData;
FCloseThemeData CloseThemeData;
FDrawThemeBackground DrawThemeBackground;
FDrawThemeText DrawThemeText;
FDrawThemeEdge DrawThemeEdge;
FGetThemeBackgroundContentRect GetThemeBackgroundContentRect;
FIsThemeBackgroundPartiallyTransparent IsThemeBackgroundPartiallyTransparent;
FDrawThemeParentBackground DrawThemeParentBackground;
FIsThemeActive IsThemeActive;
FGetThemeAppProperties GetThemeAppProperties;
FSetThemeAppProperties SetThemeAppProperties;
FEnableThemeDialogTexture EnableThemeDialogTexture;

TThemeHandle OpenThemeData(TWindowHandle, const char16_t*) { return ++LastTheme; }
std::int32_t CloseThemeData(TThemeHandle) { return 0; }
std::int32_t DrawThemeBackground(TThemeHandle, TDeviceContext, std::int32_t, std::int32_t, const TRect*,
                                 const TRect*) { return 0; }
std::int32_t DrawThemeText(TThemeHandle, TDeviceContext, std::int32_t, std::int32_t, const char16_t*, std::int32_t,
                           std::uint32_t, std::uint32_t, const TRect*) { return 0; }
std::int32_t DrawThemeEdge(TThemeHandle, TDeviceContext, std::int32_t, std::int32_t, const TRect*, std::uint32_t,
                           std::uint32_t, TRect*) { return 0; }
std::int32_t GetThemeBackgroundContentRect(TThemeHandle, TDeviceContext, std::int32_t, std::int32_t, const TRect*,
                                           TRect*) { return 0; }
std::int32_t IsThemeBackgroundPartiallyTransparent(TThemeHandle, std::int32_t, std::int32_t) { return 0; }
std::int32_t DrawThemeParentBackground(TWindowHandle, TDeviceContext, const TRect*) { return 0; }
#ifndef LACKS_IS_APP_THEMED
std::int32_t IsAppThemed() { return 1; }
#endif
std::int32_t IsThemeActive() { return std::getenv("LUMOX_THEME_OFF") ? 0 : 1; }
std::uint32_t GetThemeAppProperties() { return AllowNonClientArea | AllowControls | AllowWebContent; }
void SetThemeAppProperties(std::uint32_t) {}
std::int32_t EnableThemeDialogTexture(TWindowHandle, std::uint32_t) { return 0; }
std::int32_t EnableTheming(std::int32_t) { return 0; }
}
