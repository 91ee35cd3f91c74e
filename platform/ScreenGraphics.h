#pragma once
// The device-context layer of a program with a screen (it needs a running QGuiApplication):
// memory contexts that draw text with the system's fonts, the context of a window's paint and
// the system clipboard.
#include <memory>

#include "platform/Clipboard.h"
#include "platform/DeviceContext.h"

class QPaintDevice;

namespace lumox {

// Install it (TDeviceContextLayerScope) once the application object exists.
TDeviceContextLayer& ScreenDeviceContextLayer();

// The context of a window (a widget, or any paint device) while it handles a paint event; its
// surface is the window's rectangle. Outside a paint event it draws nothing.
std::unique_ptr<TDC> CreateWindowDC(QPaintDevice& window);

TClipboard& ScreenClipboard();

}  // namespace lumox
