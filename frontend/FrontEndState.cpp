#include "frontend/FrontEndState.h"

namespace lumox {

QString FolderOfFile(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return {};
  return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

void TFrontEndState::SetZindoExe(const QString& exe) {
  FZindoExe = exe;
  FZindoDir = FolderOfFile(exe);
}

}  // namespace lumox
