#include "platform/Errors.h"

namespace lumox {

ELumox::ELumox(const QString& message) : std::runtime_error(message.toStdString()) {}

QString ELumox::Message() const { return QString::fromUtf8(what()); }

}  // namespace lumox
