#pragma once
#include <QString>
#include <stdexcept>

namespace lumox {

// Base of every exception Lumox raises itself. The message is English text for the user.
class ELumox : public std::runtime_error {
 public:
  explicit ELumox(const QString& message);
  QString Message() const;
};

// A file could not be opened, read, written or copied; the message names the file.
class EInOutError : public ELumox {
 public:
  using ELumox::ELumox;
};

}  // namespace lumox
