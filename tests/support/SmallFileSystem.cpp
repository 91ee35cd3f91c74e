#include "tests/support/SmallFileSystem.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "tests/support/TempFolder.h"

namespace lumox::test {

QString MountSmallFileSystem(const QString& folder, int megabytes) {
  const QByteArray size = "size=" + QByteArray::number(megabytes) + "m";
  if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, size.constData()) != 0)
    return QStringLiteral("No small file system can be mounted here: %1").arg(qt_error_string(errno));
  return {};
}

QString WhyNoSmallFileSystem() {
  const TTempFolder folder;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(MountSmallFileSystem(folder.Path(), 1).isEmpty() ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  return MountSmallFileSystem(folder.Path(), 1);  // fails here as well, and says why
}

}  // namespace lumox::test
