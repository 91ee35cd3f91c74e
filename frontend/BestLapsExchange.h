#pragma once
// The best laps the simulator keeps per track in bestlaps.ini, exchanged with the archive:
// emptied before a race, filled with the fastest archived laps, read back into the archive.
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace lumox {

class TLapTimePoolConnector;
class TZindoIni;
struct TLapRecord;

// What happens to the best-lap files before a launch (the stored FILL_BESTLAPS_MODE).
enum class TFillMode { Keep = 0, Empty = 1, EmptyAndFill = 2 };

// The options of "Lap time handling (Lumox)" as the launch uses them.
struct TLapTimeOptions {
  int FillMode = 0;             // item index of rgFillBestlaps; see TFillMode
  int FillLapNo = 0;            // item index of comboFillLapNo: 0 stands for one lap, 9 for ten
  bool BackupBestlaps = false;  // cbBackupBestlaps: import the new laps after the race

  // The number of laps filled in, 1 to 10.
  int LapsToFill() const;
};

// The simulator's slots of one best-laps file.
constexpr int BestLapSlots = 10;

// Whether emptying archives a file's laps first (the lap retrieval option).
enum class TArchiveFirst { No, Yes };

// One exchange serves one launch (or one import): it reports a damaged file once however often
// it reads it, and remembers the files emptying had to keep.
class TBestLapsExchange {
 public:
  // Works on the tracks of the installation in `zindoDir` and the archive of `pool`.
  TBestLapsExchange(const QString& zindoDir, TLapTimePoolConnector& pool);

  // Adds every lap of every track's file that the archive does not hold yet (deleted laps and
  // laps moved by a car merge rule count as held), then applies the car merge rules, in one
  // transaction. A lap the archive refuses is skipped; the refused laps are reported at the end.
  void RetrieveLapTimes();
  // Clears the slots of every existing file; no file is created. With `archiveFirst`, the laps of
  // every file are imported first, and a file whose laps are not all in the archive afterwards
  // (a lap refused, the import failed) is kept as it is: the user is told which tracks and why.
  void EmptyBestlaps(TArchiveFirst archiveFirst = TArchiveFirst::No);
  // Writes the `lapCount` fastest archived laps of each track, one per car, fastest first,
  // into its file, creating the blank file where there is none. A file emptying kept is left
  // alone: its laps are not archived.
  void FillBestlaps(int lapCount);
  // All three leave a file that cannot be read whole (reported) alone, and write a file only
  // when a value in it changes. A file that cannot be written is left as it is, and emptying
  // keeps it full for filling too; the tracks are named in one message, and the others are
  // handled all the same. A file that a failed write changed and could not put back is named
  // apart, with what it holds now, and is not filled either.

  // The archived path of a track folder: "\data\tracks\<folder>".
  static QString TrackPath(const QString& folder);

 private:
  // A track's best-laps file, read whole.
  struct TTrackFile;

  QStringList TrackFolders() const;
  QString TrackDir(const QString& folder) const;
  QString TrackName(const QString& folder) const;
  // One line of a message naming the track of `folder` and why.
  QString TrackLine(const QString& folder, const QString& why) const;
  // The tracks whose files could not be written: those left as they were, and those changed.
  struct TUnwritten {
    QStringList Left, Changed;
  };
  // Runs `write`; false, with the track named in `unwritten`, when it could not write the file.
  bool Written(const QString& folder, TUnwritten& unwritten, const std::function<void()>& write) const;
  // The existing files that could be read whole, in track order.
  std::vector<TTrackFile> ReadTrackFiles();
  // The file read whole, or nothing when it could not be (reported the first time only).
  std::optional<TZindoIni> ReadWhole(const QString& file);
  // Appends the laps of the file to `laps`, and the file, once per lap, to `sources`.
  void AppendLaps(const TTrackFile& file, std::vector<TLapRecord>& laps,
                  std::vector<const TTrackFile*>& sources) const;
  // Imports the laps of `files` and says, for each track folder whose laps are not all in the
  // archive afterwards, why not.
  QHash<QString, QString> ArchiveBeforeEmptying(const std::vector<TTrackFile>& files);
  void FillTrack(const QString& folder, int lapCount);

  QString ZindoDir;
  TLapTimePoolConnector& Pool;
  QSet<QString> ReportedFiles;  // damaged files already reported
  QSet<QString> KeptFolders;    // tracks whose files emptying kept
};

}  // namespace lumox
