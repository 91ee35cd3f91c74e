#pragma once
#include "archive/Database.h"
#include "installation/Cars.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <vector>

namespace lumox {

class TSQLQuery;
class TCarAutoMerges;
class TLapRows;

// One lap as the simulator records it.
struct TLapRecord {
  QString TrackName, TrackPath, CarName, CarID;
  int LapDate = 0;
  int LapTime = 0;
};

// Every operation on the lap-time pool LAPTIMEPOOL and the car merge rules AUTOMERGES.
// A lap is the six values (track name, track path, car name, car identifier, time, date);
// a visible lap has an identifier of 1 or more and a deleted one keeps its row with the
// identifier negated, so an identifier is never reused and a deleted lap is never re-imported.
// Results are appended to caller-owned lists, one per column, integers as decimal text; no list
// is ever cleared. An identifier list passed as null is not filled.
class TLapTimePoolConnector {
 public:
  TLapTimePoolConnector() = default;
  TLapTimePoolConnector(const TLapTimePoolConnector&) = delete;
  TLapTimePoolConnector& operator=(const TLapTimePoolConnector&) = delete;

  // Replaces any earlier connection; a bound connection that has been destroyed counts as none.
  void SetSQLConnection(TSQLConnection* connection);
  // Throws ELumox when no connection is bound.
  TSQLConnection& GetSQLConnection() const;

  // The archived form of a track path: one trailing and then one leading backslash removed.
  static QString NormalizeTrackPath(const QString& path);

  // One above the largest identifier in absolute value, deleted laps included; 1 when empty.
  int GetNextLTPID();
  void AddLapTime(const QString& trackName, const QString& trackPath, const QString& carName,
                  const QString& carID, int lapDate, int lapTime);
  // True when the lap is stored, deleted or not.
  bool LapTimeExists(const QString& trackName, const QString& trackPath, const QString& carName,
                     const QString& carID, int lapDate, int lapTime);
  // True when the lap is stored, deleted or not, under the car as given or under the car the
  // merge rules move that car's laps to, or was first archived with these values whatever
  // merges (with a rule or without, of cars or tracks) did to it since, so an import does not
  // add again what a merge moved.
  bool LapTimeArchived(const TCarAutoMerges& rules, const QString& trackName, const QString& trackPath, const QString& carName,
                       const QString& carID, int lapDate, int lapTime);
  // Adds every lap of `laps` that LapTimeArchived does not find, numbered on from
  // GetNextLTPID, then applies the car merge rules, all in one transaction: nothing is stored
  // until it commits, so the laps, which stay in the simulator's files, can be imported again
  // after a failure. A lap the archive refuses undoes only itself; `refused` gets its place in
  // `laps` and the error, whose cause says why in words (a text too long for the archive, say).
  using TLapRefused = std::function<void(std::size_t, const EDatabaseError&)>;
  void ImportLaps(const std::vector<TLapRecord>& laps, const TLapRefused& refused);
  // Hides a visible lap; an identifier below 1 changes nothing (negating it would revive a lap).
  void DeleteLapTime(int ltpID);

  // The distinct cars, or tracks, of the visible laps, by name and then identifier or path,
  // read from the lists the archive keeps of them (schema version 1.4), so not from all laps.
  void GetCars(QStringList& carNames, QStringList& carIDs);
  void GetTracks(QStringList& trackNames, QStringList& trackPaths);
  // Fastest first (ties by date), or oldest first (ties by time) when `orderByDate` is set.
  void GetLapTimesForCarAndTrack(const QString& carName, const QString& carID, const QString& trackName,
                                 const QString& trackPath, QStringList* ltpIDs, QStringList& lapTimes,
                                 QStringList& lapDates, bool orderByDate);
  // The best lap of the car on each track, fastest first, ties by track name and path; among
  // laps sharing the best time the earliest supplies identifier and date.
  void GetBestLapsForCar(const QString& carName, const QString& carID, QStringList* ltpIDs,
                         QStringList& trackNames, QStringList& trackPaths, QStringList& lapTimes,
                         QStringList& lapDates);
  // The best lap of each car on the track, fastest first, ties by car name and identifier.
  void GetBestLapsForTrack(const QString& trackName, const QString& trackPath, QStringList* ltpIDs,
                           QStringList& carNames, QStringList& carIDs, QStringList& lapTimes,
                           QStringList& lapDates);
  // Every lap of the car, by track name, track path, time and date.
  void GetLapTimesForCar(const QString& carName, const QString& carID, QStringList* ltpIDs,
                         QStringList& trackNames, QStringList& trackPaths, QStringList& lapTimes,
                         QStringList& lapDates);
  // Every lap on the track, by car name, car identifier, time and date.
  void GetLapTimesForTrack(const QString& trackName, const QString& trackPath, QStringList* ltpIDs,
                           QStringList& carNames, QStringList& carIDs, QStringList& lapTimes,
                           QStringList& lapDates);
  // The texts of the lap as stored; all empty when there is no such lap.
  void GetLapTimeInfo(int ltpID, QString& carName, QString& carID, QString& trackName, QString& trackPath);

  // Merges move every lap of the source, deleted ones included; paths are used as given.
  void MergeTracks(const QString& nameFrom, const QString& pathFrom, const QString& nameTo, const QString& pathTo);
  void MergeCars(const QString& nameFrom, const QString& idFrom, const QString& nameTo, const QString& idTo);

  // Stores a car merge rule unless the same one exists.
  void AddCarAutoMerge(const QString& nameFrom, const QString& idFrom, const QString& nameTo, const QString& idTo);
  int GetNextMergeID();
  // Every car rule by ascending identifier, texts as stored.
  void GetCarAutoMerges(QStringList& mergeIDs, QStringList& namesFrom, QStringList& idsFrom,
                        QStringList& namesTo, QStringList& idsTo);
  void DeleteAutoMerge(int mergeID);
  // One pass over the rules by ascending identifier, each merging its source car into its target.
  void ApplyCarAutoMerges();
  // Replaces the car by the target of its first rule; one step only.
  void LookupCarAutoMerge(QString& carName, QString& carID);

 private:
  TSQLQuery CreateQuery(const QString& sql) const;
  // The visible laps of the car, or on the track, as stored, in no order.
  TLapRows LapsOfCar(const QString& carName, const QString& carID);
  TLapRows LapsOnTrack(const QString& trackName, const QString& trackPath);
  // The part of ImportLaps before the merge rules are applied.
  void AddMissingLaps(const std::vector<TLapRecord>& laps, const TLapRefused& refused);
  // Runs the prepared query of LapTimeArchived for the lap.
  static bool Archived(TSQLQuery& query, const TCarAutoMerges& rules, const TLapRecord& lap);

  QPointer<TSQLConnection> FSQLConnection;
};

// The car merge rules as ApplyCarAutoMerges runs them, read once for the many look-ups of an import.
class TCarAutoMerges {
 public:
  explicit TCarAutoMerges(TLapTimePoolConnector& pool);
  // Replaces the car by the one ApplyCarAutoMerges moves its laps to; unchanged when none.
  void Follow(QString& carName, QString& carID) const;

 private:
  QStringList MergeIDs, NamesFrom, IDsFrom, NamesTo, IDsTo;
};

// The process-wide connector, unbound until start-up binds it.
TLapTimePoolConnector& LapTimePoolConnector();

// The car key text is installation/Cars.h's CarNameAndID, the same for archived and installed cars.
// "name [path part]" with "<no track name>" and "<no path>"; callers pass the track folder.
QString TrackNameAndPath(const QString& trackName, const QString& pathPart);
// The track folder of an archived path: the text after its last backslash or colon.
QString LastTrackPathComponent(const QString& trackPath);

}  // namespace lumox
