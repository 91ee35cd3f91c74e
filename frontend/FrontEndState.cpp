#include "frontend/FrontEndState.h"

#include "platform/Exception.h"

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

// What start-up never reached (zindo.ini, the archive, the lists) must not be written from
// controls that were never filled; the refusal names what stopped it, not a file never read.
void TFrontEndState::RequireCompleteStartUp(const QString& refused) const {
  if (FStartUpFailure.isEmpty()) return;
  throw ELumox(QStringLiteral("%1: Lumox did not complete its start-up.\n%2\n"
                              "Please close Lumox and start it again once that is put right.")
                   .arg(refused, FStartUpFailure));
}

}  // namespace lumox
