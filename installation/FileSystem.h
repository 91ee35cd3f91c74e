#pragma once
// File-system access shared by everything that reads a simulator installation.
// Listings are sorted by name, case-insensitively with ties broken bytewise, so results
// and the fingerprints built from them do not depend on the file system's own order.
// Names starting with "." are hidden.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <set>

namespace lumox {

// `folder` + "/" + `name`; `folder` may end in a separator already.
QString JoinPath(const QString& folder, const QString& name);

bool FileExists(const QString& path);    // a regular file (or a link to one)
bool FolderExists(const QString& path);  // a folder (or a link to one)

// Names of the visible sub-folders of `folder`; empty when it does not exist. A sub-folder
// whose name is not valid UTF-8 cannot be opened: it is left out and reported, once for as long
// as a TFolderNameReports of the calling thread lives, else at every listing.
QStringList ListFolders(const QString& folder);

// Remembers, for the thread that makes it and while it lives, which folders listings have
// reported as left out, so that each is reported once however often the installation is
// listed. The program keeps one for its run; the threads of a scan have none of their own and
// never reach it.
class TFolderNameReports {
 public:
  TFolderNameReports();
  ~TFolderNameReports();
  TFolderNameReports(const TFolderNameReports&) = delete;
  TFolderNameReports& operator=(const TFolderNameReports&) = delete;

  // True when the folder at `path` (its bytes) has not been reported yet; it counts as reported now.
  bool FirstReport(const QByteArray& path);

 private:
  std::set<QByteArray> Reported;
  TFolderNameReports* Previous;
};

enum class THidden { Skip, Include };
// Names of the regular files of `folder` whose name ends with `suffix` (compared
// case-insensitively; empty matches all). Empty when the folder does not exist.
QStringList ListFiles(const QString& folder, const QString& suffix = {}, THidden hidden = THidden::Skip);

// The simulator's own files and folders may differ in case from the names it documents
// (installations copied from Windows). These find `name` in `folder` by its exact name
// first, else by the first case-insensitive match; the result is empty when none exists.
QString FindZindoFile(const QString& folder, const QString& name);
QString FindZindoFolder(const QString& folder, const QString& name);
// The file to read or write: the one found as above, else `folder` + "/" + `name`.
QString ZindoFilePath(const QString& folder, const QString& name);

// The bytes of the regular file `path`, through links. Throws EInOutError with the reason, for
// the caller to name the file, when it cannot be read, is no regular file (a FIFO would hold
// the program) or holds more than `maxSize` bytes, which are then not read.
QByteArray ReadRegularFile(const QString& path, qint64 maxSize);

}  // namespace lumox
