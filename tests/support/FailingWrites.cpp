#include "tests/support/FailingWrites.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cerrno>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Errors.h"
#include "tests/support/TempFolder.h"

namespace lumox::test {
namespace {

// The signal of a write past the limit: from now on every write fails.
void StopAllWrites(int) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  limit.rlim_cur = 0;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace

QString MountSmallFileSystem(const QString& folder, int kilobytes) {
  const QByteArray size = "size=" + QByteArray::number(kilobytes) + "k";
  if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, size.constData()) != 0)
    return QStringLiteral("No small file system can be mounted here: %1").arg(qt_error_string(errno));
  return {};
}

QString WhyNoSmallFileSystem() {
  const TTempFolder folder;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(MountSmallFileSystem(folder.Path(), 1024).isEmpty() ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  return MountSmallFileSystem(folder.Path(), 1024);  // fails here as well, and says why
}

TFileSizeLimit::TFileSizeLimit(qint64 limit, TAfterFailure after) {
  struct sigaction action {};
  action.sa_handler = after == TAfterFailure::NoWriteSucceeds ? StopAllWrites : SIG_IGN;
  EXPECT_EQ(::sigaction(SIGXFSZ, &action, &PreviousAction), 0);
  EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &Previous), 0);
  rlimit lowered = Previous;
  lowered.rlim_cur = rlim_t(limit);
  EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
}

TFileSizeLimit::~TFileSizeLimit() {
  EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &Previous), 0);
  EXPECT_EQ(::sigaction(SIGXFSZ, &PreviousAction, nullptr), 0);
}

}  // namespace lumox::test
