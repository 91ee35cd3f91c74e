#include "frontend/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <algorithm>

namespace lumox {
namespace {

// A notice that comes again within this time after it was dismissed belongs to its burst: a
// failing paint fails again when the closed box uncovers it.
constexpr qint64 BurstMilliseconds = 1000;

struct TKindLook {
  QMessageBox::Icon Icon;
  const char* Title;
};

// Without an application object no box can show either.
bool OnGuiThread() {
  const QCoreApplication* application = QCoreApplication::instance();
  return application && QThread::currentThread() == application->thread();
}

TKindLook LookOf(TMsgKind kind) {
  switch (kind) {
    case TMsgKind::Warning: return {QMessageBox::Warning, "Warning"};
    case TMsgKind::Error: return {QMessageBox::Critical, "Error"};
    case TMsgKind::Information: return {QMessageBox::Information, "Information"};
    case TMsgKind::Confirmation: return {QMessageBox::Question, "Confirm"};
    case TMsgKind::Plain: return {QMessageBox::NoIcon, "Lumox"};
  }
  return {QMessageBox::NoIcon, ""};
}

QMessageBox::StandardButtons ButtonsOf(TMsgButtons buttons) {
  switch (buttons) {
    case TMsgButtons::Ok: return QMessageBox::Ok;
    case TMsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case TMsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
  }
  return QMessageBox::Ok;
}

TMsgAnswer AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Yes: return TMsgAnswer::Yes;
    case QMessageBox::No: return TMsgAnswer::No;
    case QMessageBox::Ok: return TMsgAnswer::Ok;
    default: return TMsgAnswer::Cancel;  // closed with Escape or the title bar
  }
}

}  // namespace

TMessageBoxes::TMessageBoxes(TShowBox showBox) : Box(std::move(showBox)) {
  // Until the quit request is handled a box still shows, so what waits is shown first.
  if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(application, &QGuiApplication::lastWindowClosed, this, [this] {
      ShowPending();
      Quitting();
    });
  }
  if (QCoreApplication* application = QCoreApplication::instance())
    connect(application, &QCoreApplication::aboutToQuit, this, [this] { Quitting(); });
}

TMessageBoxes::~TMessageBoxes() { Quitting(); }

TMsgAnswer TMessageBoxes::Show(TMsgKind kind, const QString& text, TMsgButtons buttons) {
  Q_ASSERT_X(OnGuiThread(), "TMessageBoxes::Show", "a message box was shown from a worker thread");
  if (NoWindow || !OnGuiThread()) return ConsoleMessages().Show(kind, text, buttons);
  if (buttons == TMsgButtons::Ok) {
    Report({kind, text});
    return TMsgAnswer::Ok;
  }
  ShowWaiting();
  // The application may have begun to quit while the notices were shown.
  if (NoWindow || !ModalBoxesAllowed()) return ConsoleMessages().Show(kind, text, buttons);
  return Box(kind, text, buttons);
}

void TMessageBoxes::ShowWaiting() {
  if (ModalBoxesAllowed()) ShowPending();
}

void TMessageBoxes::Quitting() {
  NoWindow = true;
  for (; !Pending.empty(); Pending.pop_front())
    ConsoleMessages().Show(Pending.front().Kind, Pending.front().Text, TMsgButtons::Ok);
}

TMsgAnswer TMessageBoxes::ShowMessageBox(TMsgKind kind, const QString& text, TMsgButtons buttons) {
  const TKindLook look = LookOf(kind);
  QMessageBox box(look.Icon, QString::fromLatin1(look.Title), text, ButtonsOf(buttons),
                  QApplication::activeWindow());
  return AnswerOf(box.exec());
}

void TMessageBoxes::Report(TNotice notice) {
  if (Repeats(notice)) return;
  Pending.push_back(std::move(notice));
  if (ShowScheduled) return;
  ShowScheduled = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        ShowScheduled = false;
        ShowPending();
      },
      Qt::QueuedConnection);
}

bool TMessageBoxes::Repeats(const TNotice& notice) {
  std::erase_if(Shown, [](const TShown& shown) {
    return shown.Dismissed.isValid() && shown.Dismissed.hasExpired(BurstMilliseconds);
  });
  const auto same = [&](const TShown& shown) { return shown.Notice == notice; };
  return std::find(Pending.begin(), Pending.end(), notice) != Pending.end() ||
         std::find_if(Shown.begin(), Shown.end(), same) != Shown.end();
}

// A box shown meanwhile (by a question) leaves what waits to the loop already running.
void TMessageBoxes::ShowPending() {
  if (Showing) return;
  Showing = true;
  while (!Pending.empty() && !NoWindow) {
    const TNotice notice = Pending.front();
    Pending.pop_front();
    Shown.push_back({notice, {}});
    Box(notice.Kind, notice.Text, TMsgButtons::Ok);
    // Looked up anew: the reports made while the box was open pruned the list.
    const auto open = [](const TShown& shown) { return !shown.Dismissed.isValid(); };
    std::find_if(Shown.begin(), Shown.end(), open)->Dismissed.start();
  }
  Showing = false;
}

}  // namespace lumox
