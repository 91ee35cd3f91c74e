#pragma once
#include <QDialog>

#include "installation/ProgressSink.h"

class QLabel;
class QProgressBar;

namespace lumox {

// The small window that shows how far a long scan got. Every change repaints it at once,
// without running the event loop, so scans need not return to it.
class TFormWait final : public QDialog, public IProgressSink {
 public:
  TFormWait();

  // Shows the window and waits (at most a second) until the window system has mapped it,
  // handling pending events other than user input meanwhile; from then on the synchronous
  // repaints reach the screen.
  void ShowNow();

  void SetMessage(const QString& text);
  void SetMax(int count) override;
  void StepBy(int delta) override;
  // SetMessage, then SetMax.
  void Start(const QString& text, int count);

 private:
  QLabel* Label1;
  QProgressBar* ProgressBar1;
};

}  // namespace lumox
