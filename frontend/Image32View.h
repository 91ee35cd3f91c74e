#pragma once
// The image view control in a window: the window system's side of TImage32. It reports its
// size, asks the control to paint and copies the control's buffer to the screen with every
// pixel opaque.
#include <QImage>
#include <QWidget>

#include "bitmap/Image32.h"

namespace lumox {

class TImage32View final : public QWidget {
 public:
  // The control colour starts as the style's button face.
  explicit TImage32View(QWidget* parent = nullptr);

  TImage32& Image() { return View; }
  const TImage32& Image() const { return View; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CopyToScreen(const TBitmap32& buffer, const TRect& viewport);

  TImage32 View;
  QImage Screen;  // the viewport as last painted, opaque
};

}  // namespace lumox
