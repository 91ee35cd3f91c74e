#include "frontend/Image32View.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/EventGuard.h"

namespace lumox {
namespace {

TMouseButton ButtonOf(const QMouseEvent* event) {
  switch (event->button()) {
    case Qt::RightButton: return TMouseButton::mbRight;
    case Qt::MiddleButton: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
  }
}

// Shift, Alt, Ctrl, then the left, right and middle buttons held, from bit 0 up.
TShiftState ShiftOf(const QMouseEvent* event) {
  const Qt::KeyboardModifiers keys = event->modifiers();
  const Qt::MouseButtons buttons = event->buttons();
  return TShiftState((keys & Qt::ShiftModifier ? 1 : 0) | (keys & Qt::AltModifier ? 2 : 0) |
                     (keys & Qt::ControlModifier ? 4 : 0) | (buttons & Qt::LeftButton ? 8 : 0) |
                     (buttons & Qt::RightButton ? 16 : 0) | (buttons & Qt::MiddleButton ? 32 : 0));
}

QPoint At(const QMouseEvent* event) { return event->position().toPoint(); }

TColor ToColor(const QColor& c) { return RGB(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())); }

}  // namespace

TImage32View::TImage32View(QWidget* parent) : QWidget(parent) {
  // The buffer covers every pixel, so nothing is erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  View.Color = ToColor(palette().color(QPalette::Button));
  View.Window.Invalidate = [this] { update(); };
  View.Window.SetBounds = [this](const TRect& r) {
    const QRect bounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    if (bounds == geometry()) return;
    setGeometry(bounds);
    updateGeometry();
  };
  View.SetBounds(0, 0, View.Width(), View.Height());
}

QSize TImage32View::sizeHint() const { return {View.Width(), View.Height()}; }

void TImage32View::ReportBounds() {
  const QRect r = geometry();
  View.SetBounds(r.x(), r.y(), r.width(), r.height());
}

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

void TImage32View::resizeEvent(QResizeEvent*) { ReportBounds(); }
void TImage32View::moveEvent(QMoveEvent*) { ReportBounds(); }
void TImage32View::enterEvent(QEnterEvent*) { View.MouseEnter(); }
void TImage32View::leaveEvent(QEvent*) { View.MouseLeave(); }

void TImage32View::mousePressEvent(QMouseEvent* event) {
  if (View.FocusOnClick || (focusPolicy() & Qt::TabFocus)) setFocus(Qt::MouseFocusReason);
  View.MouseDown(ButtonOf(event), ShiftOf(event), At(event).x(), At(event).y());
}

void TImage32View::mouseMoveEvent(QMouseEvent* event) {
  View.MouseMove(ShiftOf(event), At(event).x(), At(event).y());
}

void TImage32View::mouseReleaseEvent(QMouseEvent* event) {
  View.MouseUp(ButtonOf(event), ShiftOf(event), At(event).x(), At(event).y());
}

}  // namespace lumox
