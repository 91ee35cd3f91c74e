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
// write is not written, and a rewritten file keeps its permissions, owner and group. Where its
// folder takes no new file, a file is written in place, as a text editor saves it.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace lumox {

// Throws EInOutError when `path` is no regular file below `within` or is reached through a link
// that leads elsewhere, as WriteWholeFile would refuse it; a file that does not exist yet may
// be written. The file's permissions are left to the program that writes it.
void CheckWritable(const QString& within, const QString& path);

// Writes `bytes` to `path` through a temporary file renamed over it, so a failed write leaves
// any old file whole; an existing file keeps its permissions, owner and group. An existing file
// this user may not write is refused. Where the folder takes no new file, or the owner cannot be
// kept (only root gives a file to another user), the file is written in place; one with other
// names (hard links) is refused then. Throws EInOutError naming the file.
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

enum class TResolve { Kernel, Walk };
// Opens `relative` (a path without "." or ".." parts; empty for the folder itself) below the
// open folder `folder` with `flags`, following no link on the way or at its end; returns the
// new descriptor, or -1 with errno set. The kernel resolves the path in one call where it can;
// elsewhere, or with Walk, each part is opened in turn.
int OpenBeneath(int folder, const QByteArray& relative, int flags, TResolve resolve = TResolve::Kernel);

}  // namespace lumox
