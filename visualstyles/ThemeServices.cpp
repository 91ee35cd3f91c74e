#include "visualstyles/ThemeServices.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLibraryInfo>
#include <QScrollBar>
#include <QStyle>
#include <QVersionNumber>
#include <QWidget>
#include <QWindow>

#include "platform/ScreenGraphics.h"
#include "visualstyles/ControlClasses.h"
#include "visualstyles/SystemColours.h"
#include "visualstyles/ThemeEvents.h"

namespace lumox {
namespace {

constexpr std::uint32_t ThemedControlsVersion = 0x60000;

TThemeServices* Installed = nullptr;

// The services ThemeServices makes itself, with their application window.
struct TOwnServices {
  std::unique_ptr<QWindow> AppWindow;
  std::unique_ptr<TThemeServices> Services;
};

TOwnServices& OwnServices() {
  static TOwnServices own;
  return own;
}

TSize CheckBoxGlyphSize() {
  // Without widgets there is no style to ask; the common style's size stands in.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return TThemePlatform().CheckBoxSize;
  const QStyle* style = QApplication::style();
  return {style->pixelMetric(QStyle::PM_IndicatorWidth), style->pixelMetric(QStyle::PM_IndicatorHeight)};
}

bool HasBothScrollBars(const QWidget* control) {
  const auto* area = qobject_cast<const QAbstractScrollArea*>(control);
  return area && area->horizontalScrollBar()->isVisible() && area->verticalScrollBar()->isVisible();
}

// Whether `window` handles a theme change by sending itself a style change, as a widget does
// while the application follows the desktop's settings (QWidget::event).
bool AnswersThemeWithStyleChange(const QObject* window) {
  const auto* widget = qobject_cast<const QWidget*>(window);
  return widget && widget->windowType() != Qt::Desktop && QGuiApplication::desktopSettingsAware() &&
         !QCoreApplication::closingDown();
}

void FreeOwnServices() {
  TOwnServices& own = OwnServices();
  if (Installed == own.Services.get()) Installed = nullptr;
  own.Services.reset();
  own.AppWindow.reset();
}

}  // namespace

TThemePlatform SystemThemePlatform() {
  const QVersionNumber qt = QLibraryInfo::version();
  return {[] { return OpenThemeLibrary(); }, std::uint32_t(qt.majorVersion()) << 16 | std::uint32_t(qt.minorVersion()),
          true, CheckBoxGlyphSize()};
}

TWindowHandle WindowHandleOf(const QObject* window) { return reinterpret_cast<TWindowHandle>(window); }

TThemeServices::TThemeServices(QObject* appWindow, TThemePlatform platform)
    : FPlatform(std::move(platform)), AppWindowHandle(WindowHandleOf(appWindow)), FAppWindow(appWindow) {
  if (appWindow) {
    // A window that goes takes the filter with it; nothing is left to restore then.
    AppWindowTap = std::make_unique<TEventTap>([this](QObject*, QEvent* event) { return AppWindowProc(event); });
    appWindow->installEventFilter(AppWindowTap.get());
  }
  if (FPlatform.LoadLibrary) Library = FPlatform.LoadLibrary();
  RefreshStyleState();
}

TThemeServices::~TThemeServices() {
  AppWindowTap.reset();
  CloseThemeHandles();
  Library.reset();
}

TThemeHandle TThemeServices::ThemeHandleOf(TStyleElement element) {
  TThemeHandle& handle = ThemeHandles[std::size_t(element)];
  if (FThemingActive && handle == 0) handle = Library->OpenThemeData(AppWindowHandle, ElementClassName(element));
  return handle;
}

void TThemeServices::PaintElement(TDeviceContext dc, const TStyleDetails& details, const TRect& rect,
                                  const TRect* clip) {
  if (Library)
    Library->DrawThemeBackground(ThemeHandleOf(details.Element), dc, details.Part, details.State, rect, clip);
}

void TThemeServices::PaintEdge(TDeviceContext dc, const TStyleDetails& details, const TRect& rect,
                               std::uint32_t edge, std::uint32_t flags, TRect* content) {
  if (Library)
    Library->DrawThemeEdge(ThemeHandleOf(details.Element), dc, details.Part, details.State, rect, edge, flags,
                           content);
}

void TThemeServices::PaintText(TDeviceContext dc, const TStyleDetails& details, const std::u16string& text,
                               const TRect& rect, std::uint32_t flags, std::uint32_t flags2) {
  if (Library)
    Library->DrawThemeText(ThemeHandleOf(details.Element), dc, details.Part, details.State, text, flags, flags2,
                           rect);
}

TRect TThemeServices::ElementContentRect(TDeviceContext dc, const TStyleDetails& details, const TRect& bounds) {
  if (!Library) return bounds;
  return Library->GetThemeBackgroundContentRect(ThemeHandleOf(details.Element), dc, details.Part, details.State,
                                                bounds);
}

void TThemeServices::PaintParentArea(const QObject* window, TDeviceContext dc, const TStyleDetails* details,
                                     bool onlyIfTransparent, const TRect* bounds) {
  if (!Library) return;
  if (onlyIfTransparent && details &&
      !Library->IsThemeBackgroundPartiallyTransparent(ThemeHandleOf(details->Element), details->Part,
                                                      details->State))
    return;
  Library->DrawThemeParentBackground(WindowHandleOf(window), dc, bounds);
}

void TThemeServices::PaintClientEdge(QWidget* control, bool eraseCorner) {
  if (!HasClientEdge(control)) return;
  const TRect rect{0, 0, control->width(), control->height()};
  const std::unique_ptr<TDC> dc = CreateWindowDC(*control);
  TRect inner = rect;
  InflateRect(inner, -2, -2);
  if (eraseCorner && HasBothScrollBars(control)) {
    const int extent = control->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, control);
    dc->FillRect({inner.Right - extent, inner.Bottom - extent, inner.Right, inner.Bottom},
                 TBrush{SystemColour(TSystemColour::ButtonFace)});
  }
  dc->ExcludeClipRect(inner);
  PaintElement(HandleOf(*dc), DetailsOf(TEditStyleItem::EditTextNormal), rect);
}

void TThemeServices::RefreshStyleState() {
  if (FThemingActive) CloseThemeHandles();
  FThemingActive = Library && Library->IsAppThemed() && Library->IsThemeActive() &&
                   FPlatform.ControlsVersion >= ThemedControlsVersion;
  FControlsAllowed = FThemingActive && (Library->GetThemeAppProperties() & AllowControls) != 0;
}

bool TThemeServices::AppWindowProc(QEvent* event) {
  // A new application style changes the look as a new desktop theme does. A widget answers a
  // theme change with a style change of its own, which carries the one notice then.
  const bool themeChange = event->type() == QEvent::ThemeChange && !AnswersThemeWithStyleChange(FAppWindow);
  if (themeChange || event->type() == QEvent::StyleChange) {
    RefreshStyleState();
    NotifyStyleChange();
  }
  return false;
}

void TThemeServices::CloseThemeHandles() {
  // Once the application window is gone its themes are left as they are.
  if (AppWindowHandle != 0 && !FAppWindow) return;
  for (TThemeHandle& handle : ThemeHandles) {
    if (handle == 0) continue;
    Library->CloseThemeData(handle);
    handle = 0;
  }
}

void TThemeServices::NotifyStyleChange() {
  if (OnStyleChange) OnStyleChange(*this);
}

TThemeServices& ThemeServices() {
  if (!Installed) {
    // Qt tells every window, shown or not, when the desktop's theme changes.
    TOwnServices& own = OwnServices();
    own.AppWindow = std::make_unique<QWindow>();
    own.Services = std::make_unique<TThemeServices>(own.AppWindow.get(), SystemThemePlatform());
    Installed = own.Services.get();
    qAddPostRoutine(FreeOwnServices);
  }
  return *Installed;
}

TThemeServicesScope::TThemeServicesScope(TThemeServices& services) : Previous(Installed) { Installed = &services; }

TThemeServicesScope::~TThemeServicesScope() { Installed = Previous; }

}  // namespace lumox
