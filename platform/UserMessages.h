#pragma once
#include <QString>

#include <vector>

namespace lumox {

// The kinds of modal message the program shows (a plain message has no icon), their button
// sets and answers.
enum class TMsgKind { Warning, Error, Information, Confirmation, Plain };
enum class TMsgButtons { Ok, OkCancel, YesNo };
enum class TMsgAnswer { Ok, Cancel, Yes, No };

// Where every message to the user goes. The program installs a message-box implementation;
// tests install a scripted one. Nothing below the front end talks to widgets directly.
class IUserMessages {
 public:
  virtual ~IUserMessages() = default;
  virtual TMsgAnswer Show(TMsgKind kind, const QString& text, TMsgButtons buttons) = 0;
  // Shows now what Show kept for later (a notice waiting for the next turn of the event loop).
  virtual void ShowWaiting() {}
};

// The installed implementation. Until one is installed, messages go to stderr and
// questions get the cautious answer (Cancel or No), so nothing headless ever blocks.
IUserMessages& UserMessages();

// Writes every message to stderr and gives every question its cautious answer.
IUserMessages& ConsoleMessages();

// Installs `messages` (not owned) for as long as the returned scope lives.
class TUserMessagesScope {
 public:
  explicit TUserMessagesScope(IUserMessages& messages);
  ~TUserMessagesScope();
  TUserMessagesScope(const TUserMessagesScope&) = delete;
  TUserMessagesScope& operator=(const TUserMessagesScope&) = delete;

 private:
  IUserMessages* Previous;
};

// Sends the messages of the calling thread to `messages` (not owned) for as long as the scope
// lives; other threads keep theirs. A worker thread must never show a box itself.
class TThreadMessagesScope {
 public:
  explicit TThreadMessagesScope(IUserMessages& messages);
  ~TThreadMessagesScope();
  TThreadMessagesScope(const TThreadMessagesScope&) = delete;
  TThreadMessagesScope& operator=(const TThreadMessagesScope&) = delete;

 private:
  IUserMessages* Previous;
};

// Keeps the messages given to it, answering each question with its cautious answer (Cancel or
// No), until Replay shows them in the same order through UserMessages().
class TRecordedMessages final : public IUserMessages {
 public:
  TMsgAnswer Show(TMsgKind kind, const QString& text, TMsgButtons buttons) override;
  void Replay() const;

 private:
  struct TMessage {
    TMsgKind Kind;
    QString Text;
    TMsgButtons Buttons;
  };
  std::vector<TMessage> Messages;
};

// Marks code in which no modal box may open, for as long as it lives: a paint or an event
// filter, where the box's own event loop would paint or filter again before it returns.
class TNoModalBoxes {
 public:
  TNoModalBoxes();
  ~TNoModalBoxes();
  TNoModalBoxes(const TNoModalBoxes&) = delete;
  TNoModalBoxes& operator=(const TNoModalBoxes&) = delete;
};
// False while a TNoModalBoxes of the calling thread lives.
bool ModalBoxesAllowed();

void ShowError(const QString& text);
void ShowWarning(const QString& text);
void ShowInformation(const QString& text);
void ShowPlainMessage(const QString& text);
// True when the user answered Yes (YesNo) or OK (OkCancel).
bool Confirm(const QString& text, TMsgButtons buttons = TMsgButtons::YesNo);
// Shows the messages still waiting, before the program does what they concern (starting a
// program that will cover the window).
void ShowWaitingMessages();

}  // namespace lumox
