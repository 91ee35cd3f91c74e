#pragma once
// The one gateway to the visual-style library: whether themed painting is possible, the theme
// of each element class, and the drawing the theme manager uses.
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

#include "visualstyles/StyleDetails.h"
#include "visualstyles/ThemeLibrary.h"

class QEvent;
class QWidget;

namespace lumox {

class TEventTap;

// What the visual styles learn from the system they run on.
struct TThemePlatform {
  // Loads the visual-style library; null when the system has none.
  std::function<std::unique_ptr<IThemeLibrary>()> LoadLibrary;
  // The controls library's version as major × 65536 + minor; themed controls need 6.0.
  std::uint32_t ControlsVersion = 0;
  // Whether the window system lets controls be taken over at all.
  bool SupportsStyles = true;
  // The size of the system's check-box glyph.
  TSize CheckBoxSize{13, 13};
};

// This system's: the library looked up by its file name; the controls are Qt's widgets, so their
// version is the running Qt's. Every Qt widget can be taken over through event filters. The
// check box is as large as the application's style draws its indicator.
TThemePlatform SystemThemePlatform();

// The identity the library knows `window` by.
TWindowHandle WindowHandleOf(const QObject* window);

class TThemeServices {
 public:
  // Loads the library once and watches `appWindow` (none when null) for theme changes.
  TThemeServices(QObject* appWindow, TThemePlatform platform);
  ~TThemeServices();
  TThemeServices(const TThemeServices&) = delete;
  TThemeServices& operator=(const TThemeServices&) = delete;

  bool LibraryLoaded() const { return Library != nullptr; }
  // The library is loaded, the application and the system are themed, and the controls can be.
  bool ThemingActive() const { return FThemingActive; }
  // The application's theme properties allow themed controls.
  bool ControlsAllowed() const { return FControlsAllowed; }
  bool StylesEnabled() const { return LibraryLoaded() && FThemingActive && FControlsAllowed; }

  // The theme of `element`, opened on first use while theming is active; 0 when themes are off.
  TThemeHandle ThemeHandleOf(TStyleElement element);

  void PaintElement(TDeviceContext dc, const TStyleDetails& details, const TRect& rect,
                    const TRect* clip = nullptr);
  void PaintEdge(TDeviceContext dc, const TStyleDetails& details, const TRect& rect, std::uint32_t edge,
                 std::uint32_t flags, TRect* content = nullptr);
  void PaintText(TDeviceContext dc, const TStyleDetails& details, const std::u16string& text, const TRect& rect,
                 std::uint32_t flags, std::uint32_t flags2);
  TRect ElementContentRect(TDeviceContext dc, const TStyleDetails& details, const TRect& bounds);
  // Paints the parent's background behind `window`; with `onlyIfTransparent` and details only
  // where that part lets the background through.
  void PaintParentArea(const QObject* window, TDeviceContext dc, const TStyleDetails* details = nullptr,
                       bool onlyIfTransparent = false, const TRect* bounds = nullptr);
  // Paints the themed client edge over the border of `control`, when it has one. With
  // `eraseCorner` the square between its two scroll bars gets the button face.
  void PaintClientEdge(QWidget* control, bool eraseCorner);

  // Reads anew whether themes are in use; the open themes are closed first.
  void RefreshStyleState();

  // Fired after a theme change of the application window.
  std::function<void(TThemeServices&)> OnStyleChange;

  // The application window; null when there is none or it is gone.
  QObject* AppWindow() const { return FAppWindow; }
  // The loaded library, for the theme manager's application properties; null when not loaded.
  IThemeLibrary* ThemeLibrary() const { return Library.get(); }
  const TThemePlatform& Platform() const { return FPlatform; }

 private:
  bool AppWindowProc(QEvent* event);
  void CloseThemeHandles();
  void NotifyStyleChange();

  TThemePlatform FPlatform;
  std::unique_ptr<IThemeLibrary> Library;
  bool FThemingActive = false;
  bool FControlsAllowed = false;
  TWindowHandle AppWindowHandle;
  QPointer<QObject> FAppWindow;
  std::unique_ptr<TEventTap> AppWindowTap;  // while the application window is watched
  std::array<TThemeHandle, StyleElementCount> ThemeHandles{};
};

// The process's services, made on first use over a hidden application window with this
// system's library; freed when the application ends.
TThemeServices& ThemeServices();

// Makes `services` (not owned) the process's services for as long as the scope lives.
class TThemeServicesScope {
 public:
  explicit TThemeServicesScope(TThemeServices& services);
  ~TThemeServicesScope();
  TThemeServicesScope(const TThemeServicesScope&) = delete;
  TThemeServicesScope& operator=(const TThemeServicesScope&) = delete;

 private:
  TThemeServices* Previous;
};

}  // namespace lumox
