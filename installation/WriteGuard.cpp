#include "installation/WriteGuard.h"

#include "installation/FileSystem.h"
#include "platform/Errors.h"
#include "platform/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <linux/openat2.h>
#include <pwd.h>
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

// One write or copy as messages name it: what was refused or failed, the one file it names
// alone, which the reasons then call "it", and, once the target is known, what a failure leaves
// of it.
struct TAction {
  QString Refused;  // "Lumox did not write ..."
  QString Failed;   // "Could not write ..."
  QString OnlyFile;
  QString Fate;  // "It was left as it was."

  static TAction Write(const QString& path) {
    return {QStringLiteral("Lumox did not write \"%1\"").arg(path),
            QStringLiteral("Could not write \"%1\"").arg(path),
            path,
            {}};
  }
  static TAction Copy(const QString& source, const QString& target) {
    return {QStringLiteral("Lumox did not copy \"%1\" to \"%2\"").arg(source, target),
            QStringLiteral("Could not copy \"%1\" to \"%2\"").arg(source, target),
            {},
            {}};
  }
  QString Subject(const QString& path) const {
    return path == OnlyFile ? QStringLiteral("it") : QStringLiteral("\"%1\"").arg(path);
  }
  // From here on failures say that the target `path` was left as it was, or that none was made.
  void SetTarget(const QString& path, bool exists) {
    Fate =
        exists ? Subject(path) + QStringLiteral(" was left as it was.") : QStringLiteral("No file was made.");
    Fate[0] = Fate[0].toUpper();
  }
  [[noreturn]] void Refuse(const QString& reason) const {
    throw EInOutError(Refused + QStringLiteral(": ") + reason);
  }
  [[noreturn]] void RefuseSwappedLink(const QString& path) const {
    Refuse(QStringLiteral("a symbolic link took the place of %1 or one of its folders while Lumox was "
                          "checking it.")
               .arg(Subject(path)));
  }
  [[noreturn]] void Fail(const QString& reason) const { throw EInOutError(Failure(reason, Fate)); }
  [[noreturn]] void Fail(int error) const { Fail(qt_error_string(error)); }
  // Fails the action, which changed the target: `now` says what it holds.
  [[noreturn]] void FailChanged(int error, const QString& now) const {
    throw EFileLeftChanged(Failure(qt_error_string(error), now));
  }

 private:
  QString Failure(const QString& reason, const QString& then) const {
    if (then.isEmpty()) return Failed + QStringLiteral(": ") + reason;
    return Failed + QStringLiteral(": ") + reason + QLatin1String(reason.endsWith(u'.') ? " " : ". ") + then;
  }
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

// The regular file the target names now, open for writing, and for reading where this user may,
// so that a write in place can be undone. The kernel decides, as for every other program,
// whether this user may write it: a file its owner made read-only is refused.
TFileDescriptor OpenExisting(const TTarget& target, const TAction& action) {
  const auto open = [&](int access) {
    return TFileDescriptor(::openat(target.Folder.Get(), target.Name.constData(),
                                    access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  };
  TFileDescriptor file = open(O_RDWR);
  if (!file.IsOpen() && errno == EACCES) file = open(O_WRONLY);
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

// Writes `size` bytes at `offset`, counting in `written` those that reached the file; false,
// with errno set, when a write fails.
bool WriteAt(int fd, const char* data, qint64 size, qint64 offset, qint64& written) {
  written = 0;
  while (written < size) {
    const ssize_t done = ::pwrite(fd, data + written, std::size_t(size - written), off_t(offset + written));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    written += done;
  }
  return true;
}

bool CopyBytes(int from, int to) {
  char buffer[1 << 16];
  for (qint64 offset = 0, written = 0;; offset += written) {
    ssize_t read = 0;
    do read = ::read(from, buffer, sizeof buffer);
    while (read < 0 && errno == EINTR);
    if (read <= 0) return read == 0;
    if (!WriteAt(to, buffer, read, offset, written)) return false;
  }
}

// The whole open file; false, with errno set, when it cannot be read.
bool ReadAll(int fd, QByteArray& bytes) {
  bytes.clear();
  char buffer[1 << 16];
  for (;;) {
    const ssize_t read = ::pread(fd, buffer, sizeof buffer, off_t(bytes.size()));
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) return read == 0;
    bytes.append(buffer, read);
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
  const int error = errno;
  ::unlinkat(target.Folder.Get(), temp.Name.constData(), 0);
  errno = error;
}

// Fails the action because the target's folder did not take the temporary file.
[[noreturn]] void FailCreating(const TTarget& target, int error, const TAction& action) {
  if (error != EACCES) action.Fail(error);
  action.Fail(QStringLiteral("the folder \"%1\" does not let this user create files in it (%2).")
                  .arg(QFileInfo(target.Path).path(), qt_error_string(error)));
}

// Fails the action with errno, the target left as it was, once the temporary file is gone.
[[noreturn]] void Discard(const TTarget& target, const TTemporary& temp, const TAction& action) {
  const int error = errno;
  RemoveTemporary(target, temp);
  action.Fail(error);
}

// A file system that cannot sync (EINVAL) has nothing to report.
bool Synced(int fd) { return ::fsync(fd) == 0 || errno == EINVAL; }

TTemporary NewTemporary(const TTarget& target, mode_t mode, const TAction& action) {
  TTemporary temp = CreateTemporary(target, mode);
  if (!temp.File.IsOpen()) FailCreating(target, errno, action);
  return temp;
}

// Writes a file's content into the open file `fd`; false, with errno set, when that fails.
using TFill = std::function<bool(int)>;

// Fills the temporary file through `fill` and makes sure it is on the disk. On failure, or when
// `fill` throws, the temporary file goes and the target stays as it was.
void Fill(const TTarget& target, const TTemporary& temp, const TFill& fill, const TAction& action) {
  bool filled = false;
  try {
    filled = fill(temp.File.Get()) && Synced(temp.File.Get());
  } catch (...) {
    RemoveTemporary(target, temp);
    throw;
  }
  if (!filled) Discard(target, temp, action);
}

// Gives the filled temporary file the target's name. On failure it goes and the target stays as
// it was.
void Place(const TTarget& target, const TTemporary& temp, TExisting existing, const TAction& action) {
  if (!Rename(target, temp.Name, existing)) Discard(target, temp, action);
}

// Makes the target anew through a temporary file with `mode` that `fill` fills.
void Replace(const TTarget& target, mode_t mode, TExisting existing, const TFill& fill,
             const TAction& action) {
  const TTemporary temp = NewTemporary(target, mode, action);
  Fill(target, temp, fill, action);
  Place(target, temp, existing, action);
}

// Whether `user` belongs to `group`, as the user database says.
bool InGroup(uid_t user, gid_t group) {
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::vector<char> buffer(1 << 16);
  if (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return false;
  int count = 0;
  ::getgrouplist(entry.pw_name, entry.pw_gid, nullptr, &count);
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  if (::getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0) return false;
  return std::find(groups.begin(), groups.begin() + count, group) != groups.begin() + count;
}

// Whether the owner of `original` could still do all they can do with it with a file of this
// user's that has its group and permissions. Root passes every permission check.
bool OwnerKeepsAccess(const struct stat& original) {
  if (original.st_uid == 0) return true;
  const mode_t mode = original.st_mode;
  const mode_t had = (mode >> 6) & 7;
  const mode_t kept = (InGroup(original.st_uid, original.st_gid) ? mode >> 3 : mode) & 7;
  return (kept & had) == had;
}

// Gives the open file the owner, group and permissions of `original`. Only root gives a file to
// another user: anyone else gives it the group (where they belong to it) and permissions alone,
// and only where the owner keeps their access so. False, with errno set, when it cannot.
bool TakeOwnership(int fd, const struct stat& original) {
  struct stat made {};
  if (::fstat(fd, &made) != 0) return false;
  if (made.st_uid != original.st_uid && ::fchown(fd, original.st_uid, original.st_gid) != 0) {
    if (errno != EPERM) return false;
    if (!OwnerKeepsAccess(original)) {
      errno = EPERM;
      return false;
    }
  }
  if (made.st_gid != original.st_gid && ::fchown(fd, uid_t(-1), original.st_gid) != 0) return false;
  return ::fchmod(fd, original.st_mode & 0777) == 0;
}

using TContents = std::function<void(const TPutBytes&)>;

// Writes the pieces `contents` puts, the small ones gathered first so that they cost few writes;
// false, with errno set, when a write failed (the pieces after it are dropped).
bool WritePieces(int fd, const TContents& contents) {
  constexpr qsizetype kGathered = 1 << 16;
  QByteArray gathered;
  qint64 offset = 0;
  int error = 0;
  const auto write = [&](QByteArrayView bytes) {
    qint64 written = 0;
    if (error == 0 && !WriteAt(fd, bytes.data(), bytes.size(), offset, written)) error = errno ? errno : EIO;
    offset += written;
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

// Replaces the target's existing file with a temporary one that takes its owner, group and
// permissions as TakeOwnership gives them. Returns why the file must be written in place
// instead, or nothing once it is replaced.
QString ReplaceKeepingOwnership(const TTarget& target, const TFill& fill, const TAction& action) {
  const TTemporary temp = CreateTemporary(target, 0600);
  if (!temp.File.IsOpen()) {
    if (errno != EACCES) action.Fail(errno);
    return QStringLiteral("its folder does not let this user replace it");
  }
  if (!TakeOwnership(temp.File.Get(), *target.Existing)) {
    if (errno != EPERM && errno != EINVAL) Discard(target, temp, action);
    RemoveTemporary(target, temp);
    return QStringLiteral(
        "a file of this user's in its place could not keep its group and its owner's access");
  }
  Fill(target, temp, fill, action);
  if (Rename(target, temp.Name, TExisting::Replace)) return {};
  // A sticky folder lets only a file's owner replace it.
  if (errno != EPERM) Discard(target, temp, action);
  RemoveTemporary(target, temp);
  return QStringLiteral("its folder lets only its owner replace it");
}

// Takes the disk room for the first `size` bytes of the file without changing what it holds.
// File systems that cannot do so go on without.
bool Reserved(int fd, qint64 size) {
  if (size == 0 || ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0) return true;
  return errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL;
}

// A write of `New` over the open file itself that can be undone. The room for the new content is
// taken and the bytes past the old end written before a byte of the old changes, and the old
// bytes are kept, to be put back should a write still fail (a disk that went read-only, a file
// system that writes every change to new blocks).
class TInPlaceWrite {
 public:
  TInPlaceWrite(int fd, const QByteArray& old, const QByteArray& bytes) : Fd(fd), Old(old), New(bytes) {}

  // False, with errno set, when a step fails.
  bool Run() {
    const qint64 oldSize = Old.size(), newSize = New.size();
    qint64 written = 0;
    if (!Reserved(Fd, newSize)) return false;
    if (newSize > oldSize && !WriteAt(Fd, New.constData() + oldSize, newSize - oldSize, oldSize, written))
      return false;
    const bool overwritten = WriteAt(Fd, New.constData(), std::min(oldSize, newSize), 0, written);
    Touched = written;
    if (!overwritten) return false;
    if (newSize < oldSize) {
      if (::ftruncate(Fd, off_t(newSize)) != 0) return false;
      Touched = oldSize;
    }
    return Synced(Fd);
  }

  // Puts the old content back; false, with errno set, when that fails too.
  bool Undo() const {
    qint64 written = 0;
    return WriteAt(Fd, Old.constData(), Touched, 0, written) && ::ftruncate(Fd, off_t(Old.size())) == 0 &&
           Synced(Fd);
  }

 private:
  const int Fd;
  const QByteArray& Old;
  const QByteArray& New;
  qint64 Touched = 0;  // the old bytes before this offset may have changed
};

// What a file holds as `now` that should hold `wanted` but could not be put back to `old`.
QString WhatItHolds(const QByteArray& now, const QByteArray& old, const QByteArray& wanted) {
  if (now == wanted)
    return QStringLiteral("it holds the new content, though not all of it may be on the disk");
  const qsizetype same =
      std::mismatch(now.begin(), now.end(), wanted.begin(), wanted.end()).first - now.begin();
  if (same > 0 && now.size() == old.size() && now.sliced(same) == old.sliced(same))
    return QStringLiteral("its first %1 bytes hold the new content, the other %2 still the old")
        .arg(same)
        .arg(now.size() - same);
  return QStringLiteral("it now holds %1 bytes that are neither its old content nor the new").arg(now.size());
}

// Writes over the open target, which cannot be replaced for the reason `why`, as a text editor
// does. Another name of the same file (a hard link, which may lie anywhere) would change with it,
// so such a file is refused, as is one this user may not read, which could not be put back.
void WriteInPlace(const TFileDescriptor& file, const QByteArray& bytes, const QString& why,
                  const TAction& action) {
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) action.Fail(errno);
  if (status.st_nlink > 1)
    action.Refuse(why +
                  QStringLiteral(", and writing into it would also change its other names (hard links)."));
  QByteArray old;
  if (!ReadAll(file.Get(), old)) {
    if (errno != EBADF) action.Fail(errno);
    action.Refuse(why + QStringLiteral(", and writing into it is safe only for a file this user may also "
                                       "read, to put it back should the write fail."));
  }
  TInPlaceWrite write(file.Get(), old, bytes);
  if (write.Run()) return;
  const int error = errno;
  if (write.Undo()) action.Fail(error);
  const QString undoError = qt_error_string(errno);
  QByteArray now;
  if (!ReadAll(file.Get(), now))
    action.FailChanged(error, QStringLiteral("Lumox could not put it back as it was (%1), nor read what it "
                                             "holds now (%2).")
                                  .arg(undoError, qt_error_string(errno)));
  if (now == old) action.Fail(error);
  action.FailChanged(error, QStringLiteral("Lumox could not put it back as it was (%1): %2.")
                                .arg(undoError, WhatItHolds(now, old, bytes)));
}

// Rewrites the target's existing file: through a temporary file that takes its ownership, or
// in place where that cannot be.
void Rewrite(const TTarget& target, const TContents& contents, const TAction& action) {
  const TFileDescriptor file = OpenExisting(target, action);
  const QString why = ReplaceKeepingOwnership(
      target, [&](int fd) { return WritePieces(fd, contents); }, action);
  if (why.isEmpty()) return;
  // A write in place must be able to put back what it overwrote, so it needs the whole content.
  QByteArray whole;
  contents([&](QByteArrayView piece) { whole.append(piece); });
  WriteInPlace(file, whole, why, action);
}

}  // namespace

// A copy made beside its target and on the disk, not yet under the target's name.
struct TStagedCopy {
  TAction Action;
  TTarget Target;
  TTemporary Copy;
};

namespace {

TStagedCopy StageCopy(const QString& within, const QString& source, const QString& target,
                      TExisting existing) {
  TAction action = TAction::Copy(source, target);
  const TBound bound(within, action);
  struct stat status {};
  const TFileDescriptor from = OpenSource(bound, source, status, action);
  TTarget to = OpenTarget(bound, target, action);
  action.SetTarget(target, to.Existing.has_value());
  if (existing == TExisting::Keep && to.Existing) action.Fail(EEXIST);
  TTemporary copy = NewTemporary(to, (status.st_mode & 0777) | S_IWUSR, action);
  Fill(
      to, copy, [&](int fd) { return CopyBytes(from.Get(), fd); }, action);
  copy.File = TFileDescriptor();  // many copies may wait for their places
  return {action, std::move(to), std::move(copy)};
}

}  // namespace

void CheckWritable(const QString& within, const QString& path) {
  const TAction action = TAction::Write(path);
  OpenTarget(TBound(within, action), path, action);
}

void CheckRewritable(const QString& within, const QString& path) {
  const TAction action = TAction::Write(path);
  const TTarget target = OpenTarget(TBound(within, action), path, action);
  if (target.Existing) OpenExisting(target, action);
}

void WriteWholeFile(const QString& within, const QString& path, const QByteArray& bytes) {
  WriteWholeFile(within, path, [&](const TPutBytes& put) { put(bytes); });
}

void WriteWholeFile(const QString& within, const QString& path, const TContents& contents) {
  TAction action = TAction::Write(path);
  const TTarget target = OpenTarget(TBound(within, action), path, action);
  action.SetTarget(path, target.Existing.has_value());
  if (target.Existing)
    Rewrite(target, contents, action);
  else
    Replace(
        target, 0666, TExisting::Replace, [&](int fd) { return WritePieces(fd, contents); }, action);
}

void CopyFileWithin(const QString& within, const QString& source, const QString& target, TExisting existing) {
  const TStagedCopy copy = StageCopy(within, source, target, existing);
  Place(copy.Target, copy.Copy, existing, copy.Action);
}

TStagedCopies::TStagedCopies(const QString& within) : Within(within) {}

TStagedCopies::~TStagedCopies() {
  for (std::size_t i = PlacedTargets.size(); i < Copies.size(); ++i)
    RemoveTemporary(Copies[i].Target, Copies[i].Copy);
}

void TStagedCopies::Stage(const QString& source, const QString& target) {
  Copies.push_back(StageCopy(Within, source, target, TExisting::Replace));
}

void TStagedCopies::Commit() {
  for (std::size_t i = PlacedTargets.size(); i < Copies.size(); ++i) {
    const TStagedCopy& copy = Copies[i];
    try {
      Place(copy.Target, copy.Copy, TExisting::Replace, copy.Action);
    } catch (...) {
      // Place removed this copy; those after it are not placed either.
      for (std::size_t j = i + 1; j < Copies.size(); ++j) RemoveTemporary(Copies[j].Target, Copies[j].Copy);
      Copies.erase(Copies.begin() + std::ptrdiff_t(i), Copies.end());
      throw;
    }
    PlacedTargets.append(copy.Target.Path);
  }
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
