#include "frontend/Image32View.h"

#include <QPainter>

#include "platform/EventGuard.h"

namespace lumox {

TImage32View::TImage32View(QWidget* parent) : QWidget(parent) {
  // The buffer covers every pixel, so nothing is erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  const QColor face = palette().color(QPalette::Button);
  View.Color = RGB(std::uint8_t(face.red()), std::uint8_t(face.green()), std::uint8_t(face.blue()));
  View.RequestPaint = [this] { update(); };
  resize(View.Width(), View.Height());
}

void TImage32View::resizeEvent(QResizeEvent*) { View.SetSize(width(), height()); }

void TImage32View::paintEvent(QPaintEvent*) {
  RunGuarded([this] {
    View.Paint([this](const TBitmap32& buffer, const TRect& viewport) { CopyToScreen(buffer, viewport); });
  });
}

// The blended buffer's alpha is below 255 where a picture was transparent; the screen shows
// the colour as it stands there, so alpha is set, not used.
void TImage32View::CopyToScreen(const TBitmap32& buffer, const TRect& viewport) {
  const int width = std::min(viewport.Right, buffer.Width()) - viewport.Left;
  const int height = std::min(viewport.Bottom, buffer.Height()) - viewport.Top;
  if (width <= 0 || height <= 0) return;
  if (Screen.size() != QSize(width, height)) Screen = QImage(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    const TColor32* from = buffer.PixelPtr(viewport.Left, viewport.Top + y);
    auto* to = reinterpret_cast<TColor32*>(Screen.scanLine(y));
    for (int x = 0; x < width; ++x) to[x] = from[x] | AlphaMask32;
  }
  QPainter(this).drawImage(viewport.Left, viewport.Top, Screen);
}

}  // namespace lumox
