#pragma once
// The best laps the simulator keeps per track in bestlaps.ini, exchanged with the archive:
// emptied before a race, filled with the fastest archived laps, read back into the archive.
#include <QString>
#include <QStringList>

#include <vector>

namespace lumox {

class TLapTimePoolConnector;
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

class TBestLapsExchange {
 public:
  // Works on the tracks of the installation in `zindoDir` and the archive of `pool`.
  TBestLapsExchange(const QString& zindoDir, TLapTimePoolConnector& pool);

  // Adds every lap of every track's file that the archive does not hold yet (deleted laps and
  // laps moved by a car merge rule count as held), then applies the car merge rules, in one
  // transaction. A lap the archive refuses is skipped; the refused laps are reported at the end.
  void RetrieveLapTimes() const;
  // Clears the slots of every existing file; no file is created.
  void EmptyBestlaps() const;
  // Writes the `lapCount` fastest archived laps of each track, one per car, fastest first,
  // into its file, creating the blank file where there is none.
  void FillBestlaps(int lapCount) const;
  // All three leave a file that cannot be read whole (reported) alone, and write a file only
  // when a value in it changes.

  // The archived path of a track folder: "\data\tracks\<folder>".
  static QString TrackPath(const QString& folder);

 private:
  QStringList TrackFolders() const;
  QString TrackDir(const QString& folder) const;
  QString TrackName(const QString& folder) const;
  // Appends the laps of the track's file to `laps` and the file's name, once per lap, to `files`.
  void ReadTrackLaps(const QString& folder, std::vector<TLapRecord>& laps, QStringList& files) const;
  void FillTrack(const QString& folder, int lapCount) const;

  QString ZindoDir;
  TLapTimePoolConnector& Pool;
};

}  // namespace lumox
