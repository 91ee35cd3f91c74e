#pragma once
#include <QString>

#include "platform/Errors.h"

namespace lumox::test {

// The message of the error of type E that `action` throws, or "" when it throws none.
template <class E = EInOutError, class F>
QString ErrorOf(F action) {
  try {
    action();
  } catch (const E& e) {
    return MessageOf(e);
  }
  return {};
}

}  // namespace lumox::test
