// A stand-in visual-style library, built under the real one's file name. Built once whole and
// once without IsAppThemed. Its theme is off while LUMOX_THEME_OFF is set. It records every
// drawing call (StandInTheme) and paints recognisable rectangles on the program's contexts.
#include <cstdlib>

#include "platform/DeviceContext.h"
#include "tests/visualstyles/StandInTheme.h"

using namespace lumox;
using namespace lumox::test;

namespace {

TStandInTheme Theme;
std::vector<std::u16string> Opened;  // theme n is Opened[n - 1]

TStandInCall& Record(const char* function, TThemeHandle theme, int part, int state, const TRect* rect) {
  TStandInCall& call = Theme.Calls.emplace_back();
  call.Function = function;
  if (theme > 0 && theme <= Opened.size()) call.Class = Opened[theme - 1];
  call.Part = part;
  call.State = state;
  call.HasRect = rect != nullptr;
  if (rect) call.Rect = *rect;
  return call;
}

}  // namespace

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
FStandInTheme StandInTheme;

TThemeHandle OpenThemeData(TWindowHandle, const char16_t* classList) {
  Opened.emplace_back(classList);
  return Opened.size();
}
std::int32_t CloseThemeData(TThemeHandle) { return 0; }
std::int32_t DrawThemeBackground(TThemeHandle theme, TDeviceContext dc, std::int32_t part, std::int32_t state,
                                 const TRect* rect, const TRect* clip) {
  TStandInCall& call = Record("DrawThemeBackground", theme, part, state, rect);
  call.HasClip = clip != nullptr;
  TRect area = *rect;
  if (clip) {
    call.Clip = *clip;
    IntersectRect(area, *rect, *clip);
  }
  ContextOf(dc).FillRect(area, TBrush{StandInColour(part, state)});
  return 0;
}
std::int32_t DrawThemeText(TThemeHandle theme, TDeviceContext dc, std::int32_t part, std::int32_t state,
                           const char16_t* text, std::int32_t length, std::uint32_t flags, std::uint32_t,
                           const TRect* rect) {
  Record("DrawThemeText", theme, part, state, rect).Text.assign(text, std::size_t(length));
  std::string narrow;  // the tests' captions are plain ASCII
  for (std::int32_t i = 0; i < length; ++i) narrow += char(text[i]);
  TRect area = *rect;
  ContextOf(dc).DrawText(narrow, area, flags);
  return 0;
}
std::int32_t DrawThemeEdge(TThemeHandle theme, TDeviceContext dc, std::int32_t part, std::int32_t state,
                           const TRect* rect, std::uint32_t, std::uint32_t, TRect* content) {
  Record("DrawThemeEdge", theme, part, state, rect);
  ContextOf(dc).FillRect(*rect, TBrush{StandInColour(part, state)});
  if (content) InflateRect(*content = *rect, -StandInContentMargin, -StandInContentMargin);
  return 0;
}
std::int32_t GetThemeBackgroundContentRect(TThemeHandle theme, TDeviceContext, std::int32_t part,
                                           std::int32_t state, const TRect* bounds, TRect* content) {
  Record("GetThemeBackgroundContentRect", theme, part, state, bounds);
  InflateRect(*content = *bounds, -StandInContentMargin, -StandInContentMargin);
  return 0;
}
std::int32_t IsThemeBackgroundPartiallyTransparent(TThemeHandle theme, std::int32_t part,
                                                   std::int32_t state) {
  Record("IsThemeBackgroundPartiallyTransparent", theme, part, state, nullptr);
  return Theme.Transparent ? 1 : 0;
}
std::int32_t DrawThemeParentBackground(TWindowHandle window, TDeviceContext dc, const TRect* rect) {
  Record("DrawThemeParentBackground", 0, 0, 0, rect).Window = window;
  TDC& context = ContextOf(dc);
  context.FillRect(rect ? *rect : context.ClipBox(), TBrush{StandInParentColour});
  return 0;
}
#ifndef LACKS_IS_APP_THEMED
std::int32_t IsAppThemed() { return 1; }
#endif
std::int32_t IsThemeActive() { return std::getenv("LUMOX_THEME_OFF") ? 0 : 1; }
std::uint32_t GetThemeAppProperties() { return AllowNonClientArea | AllowControls | AllowWebContent; }
void SetThemeAppProperties(std::uint32_t) {}
std::int32_t EnableThemeDialogTexture(TWindowHandle, std::uint32_t) { return 0; }
std::int32_t EnableTheming(std::int32_t) { return 0; }
TStandInTheme* StandInTheme() { return &Theme; }
}
