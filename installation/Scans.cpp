#include "installation/Scans.h"

#include "installation/FileSystem.h"
#include "installation/Strings.h"
#include "installation/WriteGuard.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace lumox {
namespace {

const QString kIniSuffix = QStringLiteral(".ini");

// Sub-folders of `parent` that hold the simulator file `marker`.
QStringList FoldersWith(const QString& parent, const QString& marker) {
  QStringList names = ListFolders(parent);
  names.removeIf([&](const QString& name) { return FindZindoFile(JoinPath(parent, name), marker).isEmpty(); });
  return names;
}

QStringList FullPaths(const QString& folder, const QStringList& names) {
  QStringList paths;
  paths.reserve(names.size());
  for (const QString& name : names) paths.append(JoinPath(folder, name));
  return paths;
}

QByteArray BestLapsTemplate() {
  QByteArray text = "results\r\n{\r\n";
  for (int i = 0; i <= 9; ++i) {
    text += "  best" + QByteArray::number(i) +
            "\r\n  {\r\n    laptime=0\r\n    date=0\r\n    car=\r\n    car_id=\r\n    flags=0\r\n  }\r\n";
  }
  return text + "}\r\n";
}

}  // namespace

QString TracksFolder(const QString& zindoDir) { return JoinPath(zindoDir, QStringLiteral("data/tracks")); }

QString CarsFolder(const QString& zindoDir) { return JoinPath(zindoDir, QStringLiteral("data/cars")); }

QStringList ListTrackFolders(const QString& zindoDir) {
  return FoldersWith(TracksFolder(zindoDir), QStringLiteral("track.ini"));
}

QStringList ListTrackPaths(const QString& zindoDir) {
  return FullPaths(TracksFolder(zindoDir), ListTrackFolders(zindoDir));
}

QStringList ListCarFolders(const QString& zindoDir) {
  QStringList names = FoldersWith(CarsFolder(zindoDir), QStringLiteral("car.ini"));
  names.removeAll(QStringLiteral("default"));
  return names;
}

QStringList ListControllerFiles(const QString& zindoDir) {
  const QString folder = JoinPath(zindoDir, QStringLiteral("data/ctrlsets"));
  return FullPaths(folder, ListFiles(folder, kIniSuffix));
}

QStringList ListTrackAIFiles(const QString& trackDir) {
  const QString folder = FindZindoFolder(trackDir, QStringLiteral("ai"));
  return folder.isEmpty() ? QStringList() : ListFiles(folder, kIniSuffix);
}

bool IsZindoExecutable(const QString& exePath) {
  const QFileInfo exe(exePath);
  return exe.isFile() && !FindZindoFile(exe.path(), QStringLiteral("zindo.ini")).isEmpty();
}

void CreateEmptyBestLaps(const QString& zindoDir, const QString& fileName) {
  const QFileInfo file(fileName);
  if (!FindZindoFile(file.path(), file.fileName()).isEmpty()) return;
  WriteWholeFile(zindoDir, fileName, BestLapsTemplate());
}

QString FolderListMD5(const QStringList& folders) {
  const QByteArray joined = JoinStrings(folders, QStringLiteral(";")).toUtf8();
  return QString::fromLatin1(QCryptographicHash::hash(joined, QCryptographicHash::Md5).toHex());
}

QString CarFoldersMD5(const QString& zindoDir) { return FolderListMD5(ListCarFolders(zindoDir)); }

QString TrackFoldersMD5(const QString& zindoDir) { return FolderListMD5(ListTrackFolders(zindoDir)); }

}  // namespace lumox
