#include "platform/UserMessages.h"

#include <cstdio>

namespace lumox {
namespace {

// The answer that commits to nothing.
TMsgAnswer CautiousAnswer(TMsgButtons buttons) {
  switch (buttons) {
    case TMsgButtons::Ok:
      return TMsgAnswer::Ok;
    case TMsgButtons::OkCancel:
      return TMsgAnswer::Cancel;
    case TMsgButtons::YesNo:
      return TMsgAnswer::No;
  }
  return TMsgAnswer::Cancel;
}

class TConsoleMessages final : public IUserMessages {
 public:
  TMsgAnswer Show(TMsgKind kind, const QString& text, TMsgButtons buttons) override {
    static const char* const kKindNames[] = {"Warning", "Error", "Information", "Confirmation", "Message"};
    std::fprintf(stderr, "%s: %s\n", kKindNames[static_cast<int>(kind)], qPrintable(text));
    return CautiousAnswer(buttons);
  }
};

TConsoleMessages gConsoleMessages;
IUserMessages* gInstalled = &gConsoleMessages;
thread_local IUserMessages* tThreadMessages = nullptr;
thread_local int tNoModalBoxes = 0;

}  // namespace

IUserMessages& ConsoleMessages() { return gConsoleMessages; }

IUserMessages& UserMessages() { return tThreadMessages ? *tThreadMessages : *gInstalled; }

TUserMessagesScope::TUserMessagesScope(IUserMessages& messages) : Previous(gInstalled) {
  gInstalled = &messages;
}

TUserMessagesScope::~TUserMessagesScope() { gInstalled = Previous; }

TThreadMessagesScope::TThreadMessagesScope(IUserMessages& messages) : Previous(tThreadMessages) {
  tThreadMessages = &messages;
}

TThreadMessagesScope::~TThreadMessagesScope() { tThreadMessages = Previous; }

TMsgAnswer TRecordedMessages::Show(TMsgKind kind, const QString& text, TMsgButtons buttons) {
  Messages.push_back({kind, text, buttons});
  return CautiousAnswer(buttons);
}

void TRecordedMessages::Replay() const {
  for (const TMessage& message : Messages) UserMessages().Show(message.Kind, message.Text, message.Buttons);
}

TNoModalBoxes::TNoModalBoxes() { ++tNoModalBoxes; }

TNoModalBoxes::~TNoModalBoxes() { --tNoModalBoxes; }

bool ModalBoxesAllowed() { return tNoModalBoxes == 0; }

void ShowError(const QString& text) { UserMessages().Show(TMsgKind::Error, text, TMsgButtons::Ok); }

void ShowWarning(const QString& text) { UserMessages().Show(TMsgKind::Warning, text, TMsgButtons::Ok); }

void ShowInformation(const QString& text) {
  UserMessages().Show(TMsgKind::Information, text, TMsgButtons::Ok);
}

void ShowPlainMessage(const QString& text) { UserMessages().Show(TMsgKind::Plain, text, TMsgButtons::Ok); }

bool Confirm(const QString& text, TMsgButtons buttons) {
  const TMsgAnswer answer = UserMessages().Show(TMsgKind::Confirmation, text, buttons);
  return answer == TMsgAnswer::Yes || answer == TMsgAnswer::Ok;
}

void ShowWaitingMessages() { UserMessages().ShowWaiting(); }

}  // namespace lumox
