#include "frontend/FormWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <algorithm>

namespace lumox {

TFormWait::TFormWait()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Label1(new QLabel(this)),
      ProgressBar1(new QProgressBar(this)) {
  setWindowTitle(QStringLiteral("Please be patient ..."));
  setFixedSize(288, 45);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(8, 4, 273, 16);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setGeometry(8, 24, 273, 16);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
}

void TFormWait::ShowNow() {
  show();
  const QDeadlineTimer deadline(1000);
  while (!testAttribute(Qt::WA_Mapped) && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(5);
  }
  repaint();
}

void TFormWait::SetMessage(const QString& text) {
  Label1->setText(text);
  repaint();
}

void TFormWait::SetMax(int count) {
  // A range of 0..0 would make the bar a busy indicator; an empty scan shows an empty bar.
  ProgressBar1->setRange(0, std::max(count, 1));
  ProgressBar1->setValue(0);
  repaint();
}

void TFormWait::StepBy(int delta) {
  // The bar ignores values outside its range, so the step stops at the ends instead.
  const qint64 position = qint64(ProgressBar1->value()) + delta;
  ProgressBar1->setValue(int(std::clamp<qint64>(position, 0, ProgressBar1->maximum())));
  repaint();
}

void TFormWait::Start(const QString& text, int count) {
  SetMessage(text);
  SetMax(count);
}

}  // namespace lumox
