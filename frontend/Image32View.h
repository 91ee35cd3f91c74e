#pragma once
// The image view control in a window: the window system's side of TImage32. It reports its
// size, the mouse and the paint requests to the control, copies the control's buffer onto its
// window's device context, and does for the control what it asks of the window.
#include <QWidget>

#include "bitmap/Image32.h"

namespace lumox {

class TImage32View final : public QWidget, private TControlWindow {
 public:
  // The control colour starts as the style's button face.
  explicit TImage32View(QWidget* parent = nullptr);

  TImage32& Image() { return View; }
  const TImage32& Image() const { return View; }

  // With AutoSize, the size the control asks for.
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CopyToScreen(const TBitmap32& buffer, const TRect& viewport);

  void Invalidate() override { update(); }
  void Repaint() override { repaint(); }
  void SetSize(int width, int height) override;
  bool TabStop() const override { return focusPolicy() & Qt::TabFocus; }
  bool CanFocus() const override { return isVisible() && isEnabled(); }
  void SetFocus() override { setFocus(Qt::MouseFocusReason); }
  void SetCapture(bool captured) override;
  void RestoreScreenCursor() override;

  TImage32 View;
};

}  // namespace lumox
