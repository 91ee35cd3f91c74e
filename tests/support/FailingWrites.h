#pragma once
#include <QString>

#include <csignal>

#include <sys/resource.h>

namespace lumox::test {

// Gives this process a mount namespace of its own and there a fresh file system of `kilobytes`
// on `folder`, gone with the process. Returns why not when it cannot: that needs root, and a
// process with a single thread. Called again, it mounts another in a namespace of its own.
QString MountSmallFileSystem(const QString& folder, int kilobytes);

// Why no small file system can be mounted here, or "" when one can. Tried in a child process:
// only a process with a single thread may take a mount namespace of its own.
QString WhyNoSmallFileSystem();

enum class TAfterFailure { WritesGoOn, NoWriteSucceeds };

// For as long as it lives, a write that would make a file of this process longer than `limit`
// bytes stops there, and the next fails with "File too large", as on a full disk. With
// NoWriteSucceeds, once a write failed so no later write into a file succeeds, as on a disk that
// went read-only (files can still be cut shorter).
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(qint64 limit, TAfterFailure after = TAfterFailure::WritesGoOn);
  ~TFileSizeLimit();
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit Previous{};
  struct sigaction PreviousAction {};
};

}  // namespace lumox::test
