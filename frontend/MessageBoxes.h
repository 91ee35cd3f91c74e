#pragma once
#include "platform/UserMessages.h"

namespace lumox {

// Shows every user message as a modal message box with the standard titles and buttons.
class TMessageBoxes final : public IUserMessages {
 public:
  TMsgAnswer Show(TMsgKind kind, const QString& text, TMsgButtons buttons) override;
};

}  // namespace lumox
