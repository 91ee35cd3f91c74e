#pragma once
#include "platform/Exception.h"

#include <QString>

#include <exception>

namespace lumox {

// A file could not be opened, read, written or copied; the message names the file.
class EInOutError : public ELumox {
 public:
  using ELumox::ELumox;
};

// The message of any exception as text for the user.
inline QString MessageOf(const std::exception& e) { return QString::fromUtf8(e.what()); }

}  // namespace lumox
