#pragma once
// The visual-style library as the program sees it: its handle types, the C entry
// points it exports, and the interface through which the theme services call it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Graphic.h"  // TRect

namespace lumox {

// A theme opened for one element class; 0 = none.
using TThemeHandle = std::uintptr_t;
// The identity of a window, opaque to the library; 0 = none.
using TWindowHandle = std::uintptr_t;

class TDC;
// A drawing surface the library paints on: the address of one of the program's contexts.
using TDeviceContext = std::uintptr_t;

inline TDeviceContext HandleOf(TDC& dc) { return reinterpret_cast<TDeviceContext>(&dc); }
inline TDC& ContextOf(TDeviceContext handle) { return *reinterpret_cast<TDC*>(handle); }

// The file the library is looked up by.
inline constexpr const char* ThemeLibraryFileName = "uxtheme.dll";

// The library's exported C functions, each exported under the name after the F. Status results
// are 0 on success; truth results are non-zero for true.
using FOpenThemeData = TThemeHandle(TWindowHandle window, const char16_t* classList);
using FCloseThemeData = std::int32_t(TThemeHandle theme);
using FDrawThemeBackground = std::int32_t(TThemeHandle theme, TDeviceContext dc, std::int32_t part,
                                          std::int32_t state, const TRect* rect, const TRect* clip);
using FDrawThemeText = std::int32_t(TThemeHandle theme, TDeviceContext dc, std::int32_t part, std::int32_t state,
                                    const char16_t* text, std::int32_t length, std::uint32_t flags,
                                    std::uint32_t flags2, const TRect* rect);
using FDrawThemeEdge = std::int32_t(TThemeHandle theme, TDeviceContext dc, std::int32_t part, std::int32_t state,
                                    const TRect* rect, std::uint32_t edge, std::uint32_t flags, TRect* content);
using FGetThemeBackgroundContentRect = std::int32_t(TThemeHandle theme, TDeviceContext dc, std::int32_t part,
                                                    std::int32_t state, const TRect* bounds, TRect* content);
using FIsThemeBackgroundPartiallyTransparent = std::int32_t(TThemeHandle theme, std::int32_t part,
                                                            std::int32_t state);
using FDrawThemeParentBackground = std::int32_t(TWindowHandle window, TDeviceContext dc, const TRect* rect);
using FIsAppThemed = std::int32_t();
using FIsThemeActive = std::int32_t();
using FGetThemeAppProperties = std::uint32_t();
using FSetThemeAppProperties = void(std::uint32_t flags);
using FEnableThemeDialogTexture = std::int32_t(TWindowHandle window, std::uint32_t flags);

// Application theme properties.
inline constexpr std::uint32_t AllowNonClientArea = 1;
inline constexpr std::uint32_t AllowControls = 2;
inline constexpr std::uint32_t AllowWebContent = 4;

// The library's services that the theme services and the theme manager use.
class IThemeLibrary {
 public:
  virtual ~IThemeLibrary() = default;
  virtual TThemeHandle OpenThemeData(TWindowHandle window, const char16_t* classList) = 0;
  virtual void CloseThemeData(TThemeHandle theme) = 0;
  virtual void DrawThemeBackground(TThemeHandle theme, TDeviceContext dc, int part, int state, const TRect& rect,
                                   const TRect* clip) = 0;
  virtual void DrawThemeText(TThemeHandle theme, TDeviceContext dc, int part, int state, const std::u16string& text,
                             std::uint32_t flags, std::uint32_t flags2, const TRect& rect) = 0;
  virtual void DrawThemeEdge(TThemeHandle theme, TDeviceContext dc, int part, int state, const TRect& rect,
                             std::uint32_t edge, std::uint32_t flags, TRect* content) = 0;
  virtual TRect GetThemeBackgroundContentRect(TThemeHandle theme, TDeviceContext dc, int part, int state,
                                              const TRect& bounds) = 0;
  virtual bool IsThemeBackgroundPartiallyTransparent(TThemeHandle theme, int part, int state) = 0;
  virtual void DrawThemeParentBackground(TWindowHandle window, TDeviceContext dc, const TRect* rect) = 0;
  virtual bool IsAppThemed() = 0;
  virtual bool IsThemeActive() = 0;
  virtual std::uint32_t GetThemeAppProperties() = 0;
  virtual void SetThemeAppProperties(std::uint32_t flags) = 0;
  virtual void EnableThemeDialogTexture(TWindowHandle window, std::uint32_t flags) = 0;
};

// Loads the library by its file name from the first of `folders` that holds it, else through the
// system's search. Nothing when it is missing or lacks one of the entry points above, so no call
// can reach an absent function.
std::unique_ptr<IThemeLibrary> OpenThemeLibrary(const std::vector<std::string>& folders = {});

}  // namespace lumox
