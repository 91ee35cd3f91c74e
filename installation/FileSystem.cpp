#include "installation/FileSystem.h"

#include "platform/Errors.h"
#include "platform/FileDescriptor.h"
#include "platform/UserMessages.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumox {
namespace {

bool NameLess(const QString& a, const QString& b) {
  const int byCase = a.compare(b, Qt::CaseInsensitive);
  if (byCase != 0) return byCase < 0;
  return QFile::encodeName(a) < QFile::encodeName(b);
}

std::filesystem::path NativePath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

enum class TKind { File, Folder };

// The entries of one folder as the file system names them. A name that is no valid UTF-8
// (an installation copied from another system) has no QString that leads back to it, so it
// cannot be opened and is kept apart, as bytes.
struct TEntries {
  QStringList Names;
  std::vector<QByteArray> Undecodable;
};

// Hidden entries are left out unless asked for; so are "." and "..", and anything that is
// neither a regular file nor a folder (devices, sockets, broken links).
TEntries ReadEntries(const QString& folder, TKind kind, THidden hidden) {
  TEntries entries;
  std::error_code error;
  for (std::filesystem::directory_iterator it(NativePath(folder), error), end; !error && it != end;
       it.increment(error)) {
    const std::filesystem::directory_entry& entry = *it;
    const std::string native = entry.path().filename().native();
    const QByteArray bytes(native.data(), qsizetype(native.size()));
    if (hidden == THidden::Skip && bytes.startsWith('.')) continue;
    std::error_code statError;
    if (kind == TKind::Folder ? !entry.is_directory(statError) : !entry.is_regular_file(statError)) continue;
    const QString name = QFile::decodeName(bytes);
    if (QFile::encodeName(name) == bytes)
      entries.Names.append(name);
    else
      entries.Undecodable.push_back(bytes);
  }
  std::sort(entries.Names.begin(), entries.Names.end(), NameLess);
  return entries;
}

thread_local TFolderNameReports* tFolderNameReports = nullptr;

// Names a folder that cannot be opened by its bytes read as Latin-1.
void ReportUndecodable(const QString& parent, const std::vector<QByteArray>& names) {
  for (const QByteArray& name : names) {
    if (tFolderNameReports && !tFolderNameReports->FirstReport(QFile::encodeName(parent) + '/' + name))
      continue;
    ShowWarning(QStringLiteral("The folder \"%1\" is left out: its name is not valid UTF-8, so Lumox cannot "
                               "open it.\r\nRename it to use it.")
                    .arg(JoinPath(parent, QString::fromLatin1(name))));
  }
}

QString FindIgnoringCase(const QString& folder, const QString& name, TKind kind) {
  for (const QString& entry : ReadEntries(folder, kind, THidden::Include).Names) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return JoinPath(folder, entry);
  }
  return {};
}

}  // namespace

TFolderNameReports::TFolderNameReports() : Previous(tFolderNameReports) { tFolderNameReports = this; }

TFolderNameReports::~TFolderNameReports() { tFolderNameReports = Previous; }

bool TFolderNameReports::FirstReport(const QByteArray& path) { return Reported.insert(path).second; }

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder + name;
  return folder + QLatin1Char('/') + name;
}

bool FileExists(const QString& path) { return QFileInfo(path).isFile(); }

bool FolderExists(const QString& path) { return QFileInfo(path).isDir(); }

QStringList ListFolders(const QString& folder) {
  TEntries entries = ReadEntries(folder, TKind::Folder, THidden::Skip);
  ReportUndecodable(folder, entries.Undecodable);
  return entries.Names;
}

QStringList ListFiles(const QString& folder, const QString& suffix, THidden hidden) {
  QStringList names = ReadEntries(folder, TKind::File, hidden).Names;
  names.removeIf([&](const QString& name) { return !name.endsWith(suffix, Qt::CaseInsensitive); });
  return names;
}

QString FindZindoFile(const QString& folder, const QString& name) {
  const QString exact = JoinPath(folder, name);
  return FileExists(exact) ? exact : FindIgnoringCase(folder, name, TKind::File);
}

QString FindZindoFolder(const QString& folder, const QString& name) {
  const QString exact = JoinPath(folder, name);
  return FolderExists(exact) ? exact : FindIgnoringCase(folder, name, TKind::Folder);
}

QString ZindoFilePath(const QString& folder, const QString& name) {
  const QString found = FindZindoFile(folder, name);
  return found.isEmpty() ? JoinPath(folder, name) : found;
}

QByteArray ReadRegularFile(const QString& path, qint64 maxSize) {
  const TFileDescriptor fd(
      ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat status {};
  if (!fd.IsOpen() || ::fstat(fd.Get(), &status) != 0) throw EInOutError(qt_error_string(errno));
  if (!S_ISREG(status.st_mode)) throw EInOutError(QStringLiteral("It is not a regular file."));
  if (status.st_size > maxSize) {
    throw EInOutError(QStringLiteral("It holds %1 bytes, more than the %2 that Lumox reads of such a file.")
                          .arg(status.st_size)
                          .arg(maxSize));
  }
  QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
  qsizetype size = 0;
  // A file that grows while it is read is read as far as its size was.
  while (size < bytes.size()) {
    const ssize_t read = ::read(fd.Get(), bytes.data() + size, std::size_t(bytes.size() - size));
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) throw EInOutError(qt_error_string(errno));
    if (read == 0) break;
    size += read;
  }
  bytes.truncate(size);
  return bytes;
}

}  // namespace lumox
