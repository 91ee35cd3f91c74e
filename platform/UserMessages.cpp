#include "platform/UserMessages.h"

#include <cstdio>

namespace lumox {
namespace {

class TConsoleMessages final : public IUserMessages {
 public:
  TMsgAnswer Show(TMsgKind kind, const QString& text, TMsgButtons buttons) override {
    static const char* const kKindNames[] = {"Warning", "Error", "Information", "Confirmation"};
    std::fprintf(stderr, "%s: %s\n", kKindNames[static_cast<int>(kind)], qPrintable(text));
    switch (buttons) {
      case TMsgButtons::Ok: return TMsgAnswer::Ok;
      case TMsgButtons::OkCancel: return TMsgAnswer::Cancel;
      case TMsgButtons::YesNo: return TMsgAnswer::No;
    }
    return TMsgAnswer::Cancel;
  }
};

TConsoleMessages gConsoleMessages;
IUserMessages* gInstalled = &gConsoleMessages;

}  // namespace

IUserMessages& UserMessages() { return *gInstalled; }

TUserMessagesScope::TUserMessagesScope(IUserMessages& messages) : Previous(gInstalled) {
  gInstalled = &messages;
}

TUserMessagesScope::~TUserMessagesScope() { gInstalled = Previous; }

void ShowError(const QString& text) { UserMessages().Show(TMsgKind::Error, text, TMsgButtons::Ok); }

void ShowWarning(const QString& text) { UserMessages().Show(TMsgKind::Warning, text, TMsgButtons::Ok); }

void ShowInformation(const QString& text) {
  UserMessages().Show(TMsgKind::Information, text, TMsgButtons::Ok);
}

bool Confirm(const QString& text, TMsgButtons buttons) {
  const TMsgAnswer answer = UserMessages().Show(TMsgKind::Confirmation, text, buttons);
  return answer == TMsgAnswer::Yes || answer == TMsgAnswer::Ok;
}

}  // namespace lumox
