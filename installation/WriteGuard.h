#pragma once
// Every file Lumox writes goes through here. Car and track packs come from strangers, and the
// archives they come in carry symbolic links: a link in a car folder may lead to any file of
// the user's. So Lumox writes, creates, replaces and copies only regular files whose real
// location lies below the real location of one folder, `within`: the simulator installation
// for the simulator's files, the program's folder for its own. It never writes through a link,
// dangling or not, and never copies from a link that leads outside `within`. A folder reached
// through a link is written only when it really lies below `within` too; one elsewhere (car
// folders kept on another disk) is read, never written. Files are opened without following
// links, relative to `within`, so a link swapped in after a check is not followed either.
// Every refusal is an EInOutError that names the file and the link.
//
// A file's own permissions decide as they do for every other program: one this user may not
// write is not written, and a rewritten file keeps its permissions, group and owner, but for
// another user's file that only root could give back to them: that becomes this user's where its
// owner keeps all their access through its group or permissions, and is otherwise written in
// place, as a text editor saves it, as is a file that its folder does not let this user replace.
//
// A write that fails, at whatever step (a full disk, a quota, a disk that went read-only),
// leaves the old file as it was, and its message says so. Only when a file written in place
// cannot be put back either does the message say instead what the file holds now.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/Errors.h"

#include <functional>

namespace lumox {

// A write into a file in place failed, and putting the old content back failed too: the file is
// changed, and the message says what it holds. Every other EInOutError of the functions below
// leaves the file as it was.
class EFileLeftChanged : public EInOutError {
 public:
  using EInOutError::EInOutError;
};

// Throws EInOutError when `path` is no regular file below `within` or is reached through a link
// that leads elsewhere, as WriteWholeFile would refuse it; a file that does not exist yet may
// be written. The file's permissions are left to the program that writes it.
void CheckWritable(const QString& within, const QString& path);
// Throws EInOutError when WriteWholeFile would refuse `path` for a reason that can be known
// without writing: what CheckWritable refuses, and an existing file this user may not write.
void CheckRewritable(const QString& within, const QString& path);

// Writes `bytes` to `path` through a temporary file renamed over it, so a failed write leaves
// any old file whole. An existing file keeps its permissions and group, and its owner where this
// user may give it (only root gives a file to another user); another user's file becomes this
// user's only where its owner keeps all their access through its group or everyone's
// permissions. Where none of that can be, or the folder takes no new file or lets only a file's
// owner replace it (a sticky folder), the file is written in place: room for the new content is
// taken first, and the old content put back should a write fail; a file with other names (hard
// links), or one this user may not read, is refused then. An existing file this user may not
// write is refused. Throws EInOutError naming the file, or EFileLeftChanged.
void WriteWholeFile(const QString& within, const QString& path, const QByteArray& bytes);

// Takes the next piece of a file's contents.
using TPutBytes = std::function<void(QByteArrayView piece)>;
// Writes the file as above, its contents the pieces `contents` puts in order, so that contents
// larger than memory comfortably holds are never made whole.
void WriteWholeFile(const QString& within, const QString& path,
                    const std::function<void(const TPutBytes&)>& contents);

enum class TExisting { Replace, Keep };
// Copies the regular file `source` to `target`, both below `within`, in the same way. An
// existing `target` is replaced, or with Keep makes the copy fail. The copy gets the source's
// permissions and stays writable by its owner. Throws EInOutError naming the file.
void CopyFileWithin(const QString& within, const QString& source, const QString& target, TExisting existing);

struct TStagedCopy;
// Copies files into place together, so that a full disk or a refused file shows while every
// target is still as it was: Stage copies each file beside its target, as CopyFileWithin does,
// and Commit then gives the copies their targets' names, which takes no more room. Copies not
// committed are removed with the object.
class TStagedCopies {
 public:
  explicit TStagedCopies(const QString& within);
  ~TStagedCopies();
  TStagedCopies(const TStagedCopies&) = delete;
  TStagedCopies& operator=(const TStagedCopies&) = delete;

  // Copies the regular file `source` beside `target`, which it is to replace; both lie below
  // `within`. Throws EInOutError naming the files when either is refused or the copy fails.
  void Stage(const QString& source, const QString& target);
  // Moves the copies over their targets in the order they were staged. Throws EInOutError
  // naming the file whose copy could not take its place: the targets before it are replaced
  // (Placed names them), the copies after it are removed.
  void Commit();
  const QStringList& Placed() const { return PlacedTargets; }

 private:
  QString Within;
  std::vector<TStagedCopy> Copies;
  QStringList PlacedTargets;
};

enum class TResolve { Kernel, Walk };
// Opens `relative` (a path without "." or ".." parts; empty for the folder itself) below the
// open folder `folder` with `flags`, following no link on the way or at its end; returns the
// new descriptor, or -1 with errno set. The kernel resolves the path in one call where it can;
// elsewhere, or with Walk, each part is opened in turn.
int OpenBeneath(int folder, const QByteArray& relative, int flags, TResolve resolve = TResolve::Kernel);

}  // namespace lumox
