#include "fuzz/FuzzSupport.h"

#include "platform/UserMessages.h"

namespace lumox::fuzz {
namespace {

class TSilentMessages final : public IUserMessages {
 public:
  TMsgAnswer Show(TMsgKind, const QString&, TMsgButtons) override { return TMsgAnswer::Cancel; }
};

}  // namespace

void SilenceUserMessages() {
  static TSilentMessages silent;
  static TUserMessagesScope scope(silent);
}

}  // namespace lumox::fuzz
