#include "installation/WriteGuard.h"

#include "installation/FileSystem.h"
#include "platform/Errors.h"
#include "platform/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lumox {
namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The real location of `path`, every link resolved; empty, with errno set, when it has none.
QByteArray RealPath(const QString& path) {
  char* real = ::realpath(Native(path).constData(), nullptr);
  if (!real) return {};
  QByteArray result(real);
  std::free(real);
  return result;
}

// Where the link `name` in `folder` leads, as written in it.
QString LinkText(int folder, const QByteArray& name) {
  char buffer[PATH_MAX];
  const ssize_t size = ::readlinkat(folder, name.constData(), buffer, sizeof buffer);
  return size < 0 ? QString() : QFile::decodeName(QByteArray(buffer, size));
}

// One write or copy as messages name it: what was refused or failed, and the one file it names
// alone, which the reasons then call "it".
struct TAction {
  QString Refused;  // "Lumox did not write ..."
  QString Failed;   // "Could not write ..."
  QString OnlyFile;

  static TAction Write(const QString& path) {
    return {QStringLiteral("Lumox did not write \"%1\"").arg(path),
            QStringLiteral("Could not write \"%1\"").arg(path), path};
  }
  static TAction Copy(const QString& source, const QString& target) {
    return {QStringLiteral("Lumox did not copy \"%1\" to \"%2\"").arg(source, target),
            QStringLiteral("Could not copy \"%1\" to \"%2\"").arg(source, target),
            {}};
  }
  QString Subject(const QString& path) const {
    return path == OnlyFile ? QStringLiteral("it") : QStringLiteral("\"%1\"").arg(path);
  }
  [[noreturn]] void Refuse(const QString& reason) const {
    throw EInOutError(Refused + QStringLiteral(": ") + reason);
  }
  [[noreturn]] void RefuseSwappedLink(const QString& path) const {
    Refuse(QStringLiteral("a symbolic link took the place of %1 or one of its folders while Lumox was "
                          "checking it.")
               .arg(Subject(path)));
  }
  [[noreturn]] void Fail(const QString& reason) const {
    throw EInOutError(Failed + QStringLiteral(": ") + reason);
  }
  [[noreturn]] void Fail(int error) const { Fail(qt_error_string(error)); }
};

// The folder every write stays below, at its real location and open there.
class TBound {
 public:
  TBound(const QString& within, const TAction& action) : Path(QDir::cleanPath(within)), Real(RealPath(Path)) {
    if (Real.isEmpty()) action.Fail(errno);
    Folder = TFileDescriptor(::open(Real.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!Folder.IsOpen()) action.Fail(errno);
  }

  // The part of the real location `real` below the bound ("" for the bound itself); none when
  // `real` lies elsewhere.
  std::optional<QByteArray> Below(const QByteArray& real) const {
    if (real == Real) return QByteArray();
    const QByteArray prefix = Real.endsWith('/') ? Real : Real + '/';
    if (real.isEmpty() || !real.startsWith(prefix)) return std::nullopt;
    return real.mid(prefix.size());
  }

  // Opens `path` with `flags` where it really lies, which must be below the bound (`elsewhere`
  // ends the refusal when it is not). No link is followed on the way: one that took the place
  // of a folder or file since its location was found is refused.
  TFileDescriptor Open(const QString& path, int flags, const QString& elsewhere,
                       const TAction& action) const {
    const QByteArray real = RealPath(path);
    if (real.isEmpty()) action.Fail(errno);
    const std::optional<QByteArray> below = Below(real);
    if (!below) action.Refuse(WhyOutside(path) + elsewhere);
    TFileDescriptor fd(OpenBeneath(Folder.Get(), *below, flags | O_CLOEXEC));
    if (fd.IsOpen()) return fd;
    if (errno == ELOOP || errno == EXDEV || errno == ENOTDIR) action.RefuseSwappedLink(path);
    action.Fail(errno);
  }

  // Why `path` lies outside the bound: the first link on its way from the bound that leads
  // elsewhere, or nothing more when the path itself lies elsewhere.
  QString WhyOutside(const QString& path) const {
    const QString relative = QDir(Path).relativeFilePath(QDir::cleanPath(path));
    QString walked = Path;
    for (const QString& part : relative.split(QLatin1Char('/'))) {
      if (part == QLatin1String("..")) break;
      walked = JoinPath(walked, part);
      struct stat status {};
      if (::lstat(Native(walked).constData(), &status) != 0) break;
      if (S_ISLNK(status.st_mode) && !Below(RealPath(walked)))
        return QStringLiteral("\"%1\" is a symbolic link to \"%2\", outside \"%3\"")
            .arg(walked, LinkText(AT_FDCWD, Native(walked)), Path);
    }
    return QStringLiteral("\"%1\" lies outside \"%2\"").arg(path, Path);
  }

 private:
  const QString Path;
  const QByteArray Real;
  TFileDescriptor Folder;
};

// The file a write or copy makes: its path, the folder it is written in, open, its name there,
// and the status of the regular file that is there now.
struct TTarget {
  QString Path;
  TFileDescriptor Folder;
  QByteArray Name;
  std::optional<struct stat> Existing;
};

TTarget OpenTarget(const TBound& bound, const QString& path, const TAction& action) {
  const QFileInfo info(path);
  TTarget target{path,
                 bound.Open(info.path(), O_PATH | O_DIRECTORY,
                            QStringLiteral(". Lumox reads such folders but never writes into them."), action),
                 Native(info.fileName()), std::nullopt};
  struct stat status {};
  if (::fstatat(target.Folder.Get(), target.Name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) action.Fail(errno);
    return target;
  }
  if (S_ISLNK(status.st_mode)) {
    action.Refuse(
        QStringLiteral("%1 is a symbolic link to \"%2\". Lumox never writes through symbolic links, "
                       "which may lead to any file on this computer.")
            .arg(action.Subject(path), LinkText(target.Folder.Get(), target.Name)));
  }
  if (!S_ISREG(status.st_mode))
    action.Refuse(QStringLiteral("%1 is not a regular file.").arg(action.Subject(path)));
  target.Existing = status;
  return target;
}

// The regular file the target names now, open for writing. The kernel decides, as for every
// other program, whether this user may write it: a file its owner made read-only is refused.
TFileDescriptor OpenExisting(const TTarget& target, const TAction& action) {
  TFileDescriptor file(::openat(target.Folder.Get(), target.Name.constData(),
                                O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.IsOpen()) {
    if (errno == EACCES)
      action.Refuse(QStringLiteral("%1 is read-only (its permissions do not let this user write it).")
                        .arg(action.Subject(target.Path)));
    if (errno == ELOOP) action.RefuseSwappedLink(target.Path);
    action.Fail(errno);
  }
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) action.Fail(errno);
  if (!S_ISREG(status.st_mode))
    action.Refuse(QStringLiteral("%1 is not a regular file.").arg(action.Subject(target.Path)));
  return file;
}

// The regular file `path` below the bound, open for reading, and its status. It is opened
// without blocking, so that a FIFO in its place cannot hold the program.
TFileDescriptor OpenSource(const TBound& bound, const QString& path, struct stat& status,
                           const TAction& action) {
  TFileDescriptor fd = bound.Open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY,
                                  QStringLiteral(". Lumox copies no files from there."), action);
  if (::fstat(fd.Get(), &status) != 0) action.Fail(errno);
  if (!S_ISREG(status.st_mode))
    action.Refuse(QStringLiteral("%1 is not a regular file.").arg(action.Subject(path)));
  return fd;
}

bool WriteAll(int fd, const char* data, qint64 size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, std::size_t(size));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool CopyBytes(int from, int to) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t read = ::read(from, buffer, sizeof buffer);
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) return read == 0;
    if (!WriteAll(to, buffer, read)) return false;
  }
}

// Moves the file `temp` to the target's name, with Keep only where no file is.
bool Rename(const TTarget& target, const QByteArray& temp, TExisting existing) {
  const int folder = target.Folder.Get();
  const char* from = temp.constData();
  const char* to = target.Name.constData();
  if (existing == TExisting::Replace) return ::renameat(folder, from, folder, to) == 0;
  if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return true;
  // A file system that cannot rename without replacing can still link without it.
  return errno == EINVAL && ::linkat(folder, from, folder, to, 0) == 0 && ::unlinkat(folder, from, 0) == 0;
}

// A fresh hidden file beside the target.
struct TTemporary {
  TFileDescriptor File;
  QByteArray Name;
};

// Makes a temporary file with `mode` beside the target; not open, with errno set, when the folder
// refuses it.
TTemporary CreateTemporary(const TTarget& target, mode_t mode) {
  TTemporary temp;
  do {
    temp.Name = ".lumox-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    temp.File = TFileDescriptor(::openat(target.Folder.Get(), temp.Name.constData(),
                                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
  } while (!temp.File.IsOpen() && errno == EEXIST);
  return temp;
}

void RemoveTemporary(const TTarget& target, const TTemporary& temp) {
  ::unlinkat(target.Folder.Get(), temp.Name.constData(), 0);
}

// Fails the action because the target's folder did not take the temporary file.
[[noreturn]] void FailCreating(const TTarget& target, int error, const TAction& action) {
  if (error != EACCES) action.Fail(error);
  action.Fail(QStringLiteral("the folder \"%1\" does not let this user create files in it (%2).")
                  .arg(QFileInfo(target.Path).path(), qt_error_string(error)));
}

// A file system that cannot sync (EINVAL) has nothing to report.
bool Synced(int fd) { return ::fsync(fd) == 0 || errno == EINVAL; }

// Fills the temporary file through `fill`, which returns false with errno set when it fails,
// makes sure it is on the disk and gives it the target's name. On failure, or when `fill`
// throws, the temporary file goes and the target stays as it was.
void Commit(const TTarget& target, const TTemporary& temp, TExisting existing,
            const std::function<bool(int)>& fill, const TAction& action) {
  bool filled = false;
  try {
    filled = fill(temp.File.Get());
  } catch (...) {
    RemoveTemporary(target, temp);
    throw;
  }
  if (filled && Synced(temp.File.Get()) && Rename(target, temp.Name, existing)) return;
  const int error = errno;
  RemoveTemporary(target, temp);
  action.Fail(error);
}

void Replace(const TTarget& target, mode_t mode, TExisting existing, const std::function<bool(int)>& fill,
             const TAction& action) {
  const TTemporary temp = CreateTemporary(target, mode);
  if (!temp.File.IsOpen()) FailCreating(target, errno, action);
  Commit(target, temp, existing, fill, action);
}

// Gives the open file the owner, group and permissions of `original`; false, with errno set,
// when this user may not (only root gives a file to another user).
bool TakeOwnerAndMode(int fd, const struct stat& original) {
  struct stat made {};
  if (::fstat(fd, &made) != 0) return false;
  if ((made.st_uid != original.st_uid || made.st_gid != original.st_gid) &&
      ::fchown(fd, original.st_uid, original.st_gid) != 0)
    return false;
  return ::fchmod(fd, original.st_mode & 0777) == 0;
}

using TFill = std::function<bool(int)>;
using TContents = std::function<void(const TPutBytes&)>;

// Writes the pieces `contents` puts, the small ones gathered first so that they cost few writes;
// false, with errno set, when a write failed (the pieces after it are dropped).
bool WritePieces(int fd, const TContents& contents) {
  constexpr qsizetype kGathered = 1 << 16;
  QByteArray gathered;
  int error = 0;
  const auto write = [&](QByteArrayView bytes) {
    if (error == 0 && !WriteAll(fd, bytes.data(), bytes.size())) error = errno ? errno : EIO;
  };
  contents([&](QByteArrayView piece) {
    if (gathered.size() + piece.size() > kGathered) {
      write(gathered);
      gathered.clear();
    }
    if (piece.size() >= kGathered)
      write(piece);
    else
      gathered.append(piece);
  });
  write(gathered);
  errno = error;
  return error == 0;
}

// Writes over the open target, as a text editor saves into a folder that takes no new file.
// Another name of the same file (a hard link, which may lie anywhere) would change with it, so
// such a file is refused.
void WriteInPlace(const TTarget& target, const TFileDescriptor& file, const TFill& fill,
                  const TAction& action) {
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) action.Fail(errno);
  if (status.st_nlink > 1)
    action.Refuse(
        QStringLiteral("its folder does not let this user replace %1, and writing into it would also "
                       "change its other names (hard links).")
            .arg(action.Subject(target.Path)));
  if (!(::ftruncate(file.Get(), 0) == 0 && fill(file.Get()) && Synced(file.Get()))) action.Fail(errno);
}

// Rewrites the target's existing file: through a temporary file that takes its owner, group and
// permissions, or in place where the folder takes no new file or the owner cannot be kept.
void Rewrite(const TTarget& target, const TFill& fill, const TAction& action) {
  const TFileDescriptor file = OpenExisting(target, action);
  const TTemporary temp = CreateTemporary(target, 0600);
  if (temp.File.IsOpen()) {
    if (TakeOwnerAndMode(temp.File.Get(), *target.Existing))
      return Commit(target, temp, TExisting::Replace, fill, action);
    const int error = errno;
    RemoveTemporary(target, temp);
    if (error != EPERM && error != EINVAL) action.Fail(error);
  } else if (errno != EACCES) {
    action.Fail(errno);
  }
  WriteInPlace(target, file, fill, action);
}

}  // namespace

void CheckWritable(const QString& within, const QString& path) {
  const TAction action = TAction::Write(path);
  OpenTarget(TBound(within, action), path, action);
}

void WriteWholeFile(const QString& within, const QString& path, const QByteArray& bytes) {
  WriteWholeFile(within, path, [&](const TPutBytes& put) { put(bytes); });
}

void WriteWholeFile(const QString& within, const QString& path, const TContents& contents) {
  const TAction action = TAction::Write(path);
  const TTarget target = OpenTarget(TBound(within, action), path, action);
  const TFill fill = [&](int fd) { return WritePieces(fd, contents); };
  if (target.Existing)
    Rewrite(target, fill, action);
  else
    Replace(target, 0666, TExisting::Replace, fill, action);
}

void CopyFileWithin(const QString& within, const QString& source, const QString& target, TExisting existing) {
  const TAction action = TAction::Copy(source, target);
  const TBound bound(within, action);
  struct stat status {};
  const TFileDescriptor from = OpenSource(bound, source, status, action);
  const TTarget to = OpenTarget(bound, target, action);
  if (existing == TExisting::Keep && to.Existing) action.Fail(EEXIST);
  Replace(
      to, (status.st_mode & 0777) | S_IWUSR, existing, [&](int fd) { return CopyBytes(from.Get(), fd); },
      action);
}

int OpenBeneath(int folder, const QByteArray& relative, int flags, TResolve resolve) {
  const QByteArray path = relative.isEmpty() ? QByteArrayLiteral(".") : relative;
  if (resolve == TResolve::Kernel) {
    open_how how{};
    how.flags = std::uint64_t(flags);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
    const long fd = ::syscall(SYS_openat2, folder, path.constData(), &how, sizeof how);
    // Kernels before 5.6, and some sandboxes, do not offer the call.
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) return int(fd);
  }
  TFileDescriptor current(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
  const QList<QByteArray> parts = path.split('/');
  for (qsizetype i = 0; i < parts.size() && current.IsOpen(); ++i) {
    if (parts[i] == "..") {
      errno = EXDEV;
      return -1;
    }
    const bool last = i + 1 == parts.size();
    current = TFileDescriptor(::openat(current.Get(), parts[i].constData(),
                                       (last ? flags : O_PATH | O_DIRECTORY | O_CLOEXEC) | O_NOFOLLOW));
  }
  return current.Release();
}

}  // namespace lumox
