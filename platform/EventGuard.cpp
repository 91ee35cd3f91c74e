#include "platform/EventGuard.h"

#include "platform/Errors.h"
#include "platform/UserMessages.h"

namespace lumox {

void ShowHandlerError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    ShowError(MessageOf(e));
  } catch (...) {
    ShowError(QStringLiteral("An unexpected error occurred."));
  }
}

}  // namespace lumox
