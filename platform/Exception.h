#pragma once
// The project's exception base. Plain C++ so that the Qt-free layers (framework, bitmap,
// picture readers) raise the same family as the rest of the program.
#include <concepts>
#include <stdexcept>
#include <string>

namespace lumox {

// Base of every exception Lumox raises itself. The message is English UTF-8 text for the user.
class ELumox : public std::runtime_error {
 public:
  explicit ELumox(const std::string& message) : std::runtime_error(message) {}
  explicit ELumox(const char* message) : std::runtime_error(message) {}
  // Any string type with toStdString() (QString), without this header depending on it.
  template <class S>
    requires requires(const S& s) {
      { s.toStdString() } -> std::convertible_to<std::string>;
    }
  explicit ELumox(const S& message) : std::runtime_error(message.toStdString()) {}
};

}  // namespace lumox
