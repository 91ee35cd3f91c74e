#include "platform/VersionBlock.h"

#include "platform/ProgramVersion.h"

namespace lumox {

QString ReadVersionBlockString(const QString& name) {
  if (name == QLatin1String("FileVersion")) return QStringLiteral(LUMOX_FILE_VERSION);
  if (name == QLatin1String("ProductName")) return QStringLiteral(LUMOX_PRODUCT_NAME);
  return {};
}

}  // namespace lumox
