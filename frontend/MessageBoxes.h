#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <deque>
#include <functional>
#include <vector>

#include "platform/UserMessages.h"

namespace lumox {

// The program's one reporter: every message to the user goes through it.
// - A notice (a message with only OK) is shown on the next turn of the event loop, so no box
//   opens inside the handler, paint or event filter that reported it. The same notice again,
//   while it waits, while it is shown or right after (a burst of one failure), is shown once.
// - A question is asked at once, after the notices reported before it; ShowWaiting shows them
//   at once too, before a program is started that would cover them.
// - Where no box can show (the application is quitting, whose event loops return at once), or
//   where none may open (inside a paint or an event filter), a notice goes to stderr and a
//   question gets its cautious answer there.
// Boxes belong to the GUI thread; worker threads report through their own TThreadMessagesScope.
class TMessageBoxes final : public QObject, public IUserMessages {
 public:
  // Shows one modal box and returns the user's answer.
  using TShowBox = std::function<TMsgAnswer(TMsgKind, const QString&, TMsgButtons)>;

  // `showBox` shows the boxes; tests put a recorder in the place of the standard message box.
  explicit TMessageBoxes(TShowBox showBox = ShowMessageBox);
  // What was never shown goes to stderr.
  ~TMessageBoxes() override;

  TMsgAnswer Show(TMsgKind kind, const QString& text, TMsgButtons buttons) override;
  // Shows the notices waiting for the next turn now, where a box may open.
  void ShowWaiting() override;
  // No box shows from now on: the notices still waiting and all that follow go to stderr.
  // Called once the main window is closed or the program ends on a signal.
  void Quitting();

  // The standard message box with the kind's icon and title over the active window.
  static TMsgAnswer ShowMessageBox(TMsgKind kind, const QString& text, TMsgButtons buttons);

 private:
  struct TNotice {
    TMsgKind Kind;
    QString Text;
    bool operator==(const TNotice&) const = default;
  };

  // A notice shown lately: the time since its box was closed, none while it is open.
  struct TShown {
    TNotice Notice;
    QElapsedTimer Dismissed;
  };

  void Report(TNotice notice);
  // Waits already, or belongs to the burst of a notice shown lately.
  bool Repeats(const TNotice& notice);
  void ShowPending();

  TShowBox Box;
  std::deque<TNotice> Pending;
  std::vector<TShown> Shown;
  bool ShowScheduled = false;
  bool Showing = false;
  bool NoWindow = false;
};

}  // namespace lumox
