#pragma once
#include <QString>
#include <QStringList>

namespace lumox {

class TLapTimePoolConnector;

// What the lap-time database tools offer, without widgets: the archive's tracks and cars and
// the stored car merge rules, each as the texts of a selector, and the merges and rule removal
// by selector position. A position outside its list (nothing selected) does nothing.
class TDBTools {
 public:
  // Reads the tracks, cars and rules from `pool`.
  explicit TDBTools(TLapTimePoolConnector& pool);

  // "name [folder]", "name [id]" and "from car -> to car", in list order.
  const QStringList& TrackItems() const { return FTrackItems; }
  const QStringList& CarItems() const { return FCarItems; }
  const QStringList& AutoMergeItems() const { return FAMItems; }

  // The lists keep their items: a merged-away track or car stays offered.
  void MergeTracks(int from, int to);
  // Also stores the merge as a rule (unless the same one exists) when `addAutoMerge` is set.
  void MergeCars(int from, int to, bool addAutoMerge);
  void RemoveAutoMerge(int index);
  // Reads the rules afresh.
  void RefreshAutoMerges();

 private:
  TLapTimePoolConnector& Pool;
  QStringList FCarNames, FCarIDs, FCarItems;
  QStringList FTrackNames, FTrackPaths, FTrackItems;
  QStringList FAMIDs, FAMNamesFrom, FAMIDsFrom, FAMNamesTo, FAMIDsTo, FAMItems;
};

}  // namespace lumox
