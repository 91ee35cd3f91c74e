#pragma once
#include "installation/CacheTables.h"
#include "installation/FolderList.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace lumox {

// One track folder below data/tracks.
class TTrack {
 public:
  using TTable = ITracksTable;

  // A track whose texts are known; the AI line files are always read from the disk.
  TTrack(int index, const QString& zindoDir, const QString& folder, const QString& name, const QString& id);
  // Reads the folder's track.ini. When it cannot be read the user is told and the name
  // "Unnamed Track in Folder "<folder>"" and the folder as identifier stand in.
  static std::unique_ptr<TTrack> CreateFromFolder(int index, const QString& zindoDir, const QString& folder);
  static std::vector<TCacheRow> ReadRows(ITracksTable& table) { return table.ReadTracks(); }
  static void WriteRows(ITracksTable& table, const std::vector<TCacheRow>& rows) { table.WriteTracks(rows); }
  // The track of a cache row (texts name, folder, id), at position `index`; its AI line files
  // are always read from the disk.
  static std::unique_ptr<TTrack> CreateFromRow(const TCacheRow& row, int index, const QString& zindoDir);

  static QStringList ListFolders(const QString& zindoDir) { return ListTrackFolders(zindoDir); }
  static constexpr const char* ScanErrorIntro = "Error reading track information for";

  // The track has an AI line for the car in `carFolder`.
  bool HasAIFile(const QString& carFolder) const;
  // The track's row in the cache table, at its index.
  TCacheRow CacheRow() const;
  // False when a text is too long for its column.
  bool FitsCache() const;

  int GetIndex() const { return Index; }
  // The list that holds the track places it.
  void SetIndex(int index) { Index = index; }
  const QString& GetName() const { return Name; }
  const QString& GetFolder() const { return Folder; }
  const QString& GetPath() const { return Path; }
  const QString& GetID() const { return ID; }
  const QStringList& GetAIFiles() const { return AIFiles; }
  const QString& GetZindoDir() const { return ZindoDir; }

 private:
  int Index;  // position in the list, and the row in the cache table
  QString Name;
  QString Folder;
  QString Path;
  QString ID;
  QStringList AIFiles;  // names of the ai/*.ini files
  QString ZindoDir;
};

// All tracks of the installation. Complete when made; only Clear changes it.
using TTracks = TFolderList<TTrack>;

}  // namespace lumox
