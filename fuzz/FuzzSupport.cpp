#include "fuzz/FuzzSupport.h"

#include "platform/UserMessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

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

QString WriteScratchFile(const std::uint8_t* data, std::size_t size) {
  static const QString path =
      QDir::temp().filePath(QStringLiteral("lumox-fuzz-%1.bin").arg(QCoreApplication::applicationPid()));
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    file.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  return path;
}

}  // namespace lumox::fuzz
