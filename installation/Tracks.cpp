#include "installation/Tracks.h"

#include "installation/FileSystem.h"
#include "installation/IniTree.h"

namespace lumox {

TTrack::TTrack(int index, const QString& zindoDir, const QString& folder, const QString& name,
               const QString& id)
    : Index(index),
      Name(name),
      Folder(folder),
      Path(JoinPath(TracksFolder(zindoDir), folder)),
      ID(id),
      AIFiles(ListTrackAIFiles(Path)),
      ZindoDir(zindoDir) {}

std::unique_ptr<TTrack> TTrack::CreateFromFolder(int index, const QString& zindoDir, const QString& folder) {
  const QString path = JoinPath(TracksFolder(zindoDir), folder);
  const TZindoIni ini(ZindoFilePath(path, QStringLiteral("track.ini")));
  const QString name = ini.ReadString(QStringLiteral("track.name"),
                                      QStringLiteral("Unnamed Track in Folder \"%1\"").arg(folder));
  return std::make_unique<TTrack>(index, zindoDir, folder, name,
                                  ini.ReadString(QStringLiteral("track.id"), folder));
}

std::unique_ptr<TTrack> TTrack::CreateFromRow(const TCacheRow& row, int index, const QString& zindoDir) {
  const QStringList& t = row.Texts;
  return std::make_unique<TTrack>(index, zindoDir, t.value(1), t.value(0), t.value(2));
}

bool TTrack::HasAIFile(const QString& carFolder) const {
  return AIFiles.contains(carFolder + QStringLiteral(".ini"), Qt::CaseInsensitive);
}

TCacheRow TTrack::CacheRow() const { return {Index, {Name, Folder, ID}}; }

bool TTrack::FitsCache() const {
  return FitsColumn(Name, TrackNameWidth) && FitsColumn(Folder, TrackFolderWidth) &&
         FitsColumn(ID, TrackIDWidth);
}

}  // namespace lumox
