#include "installation/FileSystem.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace lumox {
namespace {

bool NameLess(const QString& a, const QString& b) {
  const int byCase = a.compare(b, Qt::CaseInsensitive);
  if (byCase != 0) return byCase < 0;
  return QFile::encodeName(a) < QFile::encodeName(b);
}

// Hidden entries are left out unless asked for; so are "." and "..", and anything that is
// neither a regular file nor a folder (devices, sockets, broken links).
QStringList SortedEntries(const QString& folder, QDir::Filters kinds, THidden hidden) {
  QDir::Filters filters = kinds | QDir::NoDotAndDotDot;
  if (hidden == THidden::Include) filters |= QDir::Hidden;
  QStringList names = QDir(folder).entryList(filters, QDir::Unsorted);
  std::sort(names.begin(), names.end(), NameLess);
  return names;
}

QString FindIgnoringCase(const QString& folder, const QString& name, QDir::Filters kind) {
  for (const QString& entry : SortedEntries(folder, kind, THidden::Include)) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return JoinPath(folder, entry);
  }
  return {};
}

std::filesystem::path NativePath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder + name;
  return folder + QLatin1Char('/') + name;
}

bool FileExists(const QString& path) { return QFileInfo(path).isFile(); }

bool FolderExists(const QString& path) { return QFileInfo(path).isDir(); }

QStringList ListFolders(const QString& folder) { return SortedEntries(folder, QDir::Dirs, THidden::Skip); }

QStringList ListFiles(const QString& folder, const QString& suffix, THidden hidden) {
  QStringList names = SortedEntries(folder, QDir::Files, hidden);
  names.removeIf([&](const QString& name) { return !name.endsWith(suffix, Qt::CaseInsensitive); });
  return names;
}

QString FindZindoFile(const QString& folder, const QString& name) {
  const QString exact = JoinPath(folder, name);
  return FileExists(exact) ? exact : FindIgnoringCase(folder, name, QDir::Files);
}

QString FindZindoFolder(const QString& folder, const QString& name) {
  const QString exact = JoinPath(folder, name);
  return FolderExists(exact) ? exact : FindIgnoringCase(folder, name, QDir::Dirs);
}

QString ZindoFilePath(const QString& folder, const QString& name) {
  const QString found = FindZindoFile(folder, name);
  return found.isEmpty() ? JoinPath(folder, name) : found;
}

void CopyFileOverwriting(const QString& source, const QString& target) {
  std::error_code error;
  std::filesystem::copy_file(NativePath(source), NativePath(target),
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) {
    throw EInOutError(QStringLiteral("Could not copy \"%1\" to \"%2\": %3")
                          .arg(source, target, QString::fromStdString(error.message())));
  }
}

void WriteWholeFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  // commit() renames even after its own flush failed (disk full), so flush and check first.
  const bool written =
      file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit();
  if (!written) throw EInOutError(QStringLiteral("Could not write \"%1\": %2").arg(path, file.errorString()));
}

}  // namespace lumox
