#include "frontend/Image32View.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/EventGuard.h"
#include "platform/ScreenGraphics.h"

namespace lumox {
namespace {

TMouseButton ButtonOf(const QMouseEvent* event) {
  switch (event->button()) {
    case Qt::RightButton:
      return TMouseButton::mbRight;
    case Qt::MiddleButton:
      return TMouseButton::mbMiddle;
    default:
      return TMouseButton::mbLeft;
  }
}

TShiftState ShiftOf(const QMouseEvent* event) {
  const Qt::KeyboardModifiers keys = event->modifiers();
  const Qt::MouseButtons buttons = event->buttons();
  return TShiftState((keys & Qt::ShiftModifier ? ssShift : 0) | (keys & Qt::AltModifier ? ssAlt : 0) |
                     (keys & Qt::ControlModifier ? ssCtrl : 0) | (buttons & Qt::LeftButton ? ssLeft : 0) |
                     (buttons & Qt::RightButton ? ssRight : 0) | (buttons & Qt::MiddleButton ? ssMiddle : 0));
}

QPoint At(const QMouseEvent* event) { return event->position().toPoint(); }

}  // namespace

TImage32View::TImage32View(QWidget* parent) : QWidget(parent) {
  // The buffer covers every pixel, so nothing is erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);  // the control hears every move, not only those with a button down
  const QColor face = palette().color(QPalette::Button);
  View.Color = RGB(std::uint8_t(face.red()), std::uint8_t(face.green()), std::uint8_t(face.blue()));
  View.SetWindow(*this);
  resize(View.Width(), View.Height());
}

QSize TImage32View::sizeHint() const {
  if (!View.AutoSize) return QWidget::sizeHint();
  int width = this->width(), height = this->height();
  View.CanAutoSize(width, height);
  return {width, height};
}

void TImage32View::SetSize(int width, int height) {
  resize(width, height);
  updateGeometry();
}

void TImage32View::SetCapture(bool captured) {
  if (captured) {
    grabMouse();
  } else {
    releaseMouse();
  }
}

// The program sets no application cursor of its own; a layer may have.
void TImage32View::RestoreScreenCursor() {
  while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
}

void TImage32View::resizeEvent(QResizeEvent*) {
  RunGuardedNoModal([this] { View.SetSize(width(), height()); });
}

void TImage32View::paintEvent(QPaintEvent*) {
  RunGuardedNoModal([this] {
    View.Paint([this](const TBitmap32& buffer, const TRect& viewport) { CopyToScreen(buffer, viewport); });
  });
}

void TImage32View::enterEvent(QEnterEvent*) {
  RunGuarded([this] { View.MouseEnter(); });
}

void TImage32View::leaveEvent(QEvent*) {
  RunGuarded([this] { View.MouseLeave(); });
}

void TImage32View::mousePressEvent(QMouseEvent* event) {
  RunGuarded([&] { View.MouseDown(ButtonOf(event), ShiftOf(event), At(event).x(), At(event).y()); });
}

void TImage32View::mouseMoveEvent(QMouseEvent* event) {
  RunGuarded([&] { View.MouseMove(ShiftOf(event), At(event).x(), At(event).y()); });
}

void TImage32View::mouseReleaseEvent(QMouseEvent* event) {
  RunGuarded([&] { View.MouseUp(ButtonOf(event), ShiftOf(event), At(event).x(), At(event).y()); });
}

// Arrow keys that the control does not want go on to the form.
void TImage32View::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
  if (arrow && View.WantArrowKeys) return;
  QWidget::keyPressEvent(event);
}

// The window context shows the colours of the buffer as they stand there (a blended buffer's
// alpha is below 255 where a picture was transparent), and only inside the viewport.
void TImage32View::CopyToScreen(const TBitmap32& buffer, const TRect& viewport) {
  const std::unique_ptr<TDC> dc = CreateWindowDC(*this);
  dc->IntersectClipRect(viewport);
  buffer.DrawToDC(*dc, 0, 0);
}

}  // namespace lumox
