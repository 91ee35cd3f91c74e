#include "archive/DBTools.h"

#include "archive/LapTimePool.h"
#include "installation/Cars.h"

namespace lumox {
namespace {

bool Holds(const QStringList& list, int index) { return index >= 0 && index < list.size(); }

}  // namespace

TDBTools::TDBTools(TLapTimePoolConnector& pool) : Pool(pool) {
  RefreshAutoMerges();
  Pool.GetCars(FCarNames, FCarIDs);
  Pool.GetTracks(FTrackNames, FTrackPaths);
  for (qsizetype i = 0; i < FTrackNames.size(); ++i)
    FTrackItems.append(TrackNameAndPath(FTrackNames[i], LastTrackPathComponent(FTrackPaths[i])));
  for (qsizetype i = 0; i < FCarNames.size(); ++i) FCarItems.append(CarNameAndID(FCarNames[i], FCarIDs[i]));
}

void TDBTools::MergeTracks(int from, int to) {
  if (!Holds(FTrackNames, from) || !Holds(FTrackNames, to)) return;
  Pool.MergeTracks(FTrackNames[from], FTrackPaths[from], FTrackNames[to], FTrackPaths[to]);
}

void TDBTools::MergeCars(int from, int to, bool addAutoMerge) {
  if (!Holds(FCarNames, from) || !Holds(FCarNames, to)) return;
  Pool.MergeCars(FCarNames[from], FCarIDs[from], FCarNames[to], FCarIDs[to]);
  if (!addAutoMerge) return;
  Pool.AddCarAutoMerge(FCarNames[from], FCarIDs[from], FCarNames[to], FCarIDs[to]);
  RefreshAutoMerges();
}

void TDBTools::RemoveAutoMerge(int index) {
  if (Holds(FAMIDs, index)) Pool.DeleteAutoMerge(FAMIDs[index].toInt());
}

void TDBTools::RefreshAutoMerges() {
  for (QStringList* list : {&FAMIDs, &FAMNamesFrom, &FAMIDsFrom, &FAMNamesTo, &FAMIDsTo, &FAMItems}) list->clear();
  Pool.GetCarAutoMerges(FAMIDs, FAMNamesFrom, FAMIDsFrom, FAMNamesTo, FAMIDsTo);
  for (qsizetype i = 0; i < FAMIDs.size(); ++i)
    FAMItems.append(CarNameAndID(FAMNamesFrom[i], FAMIDsFrom[i]) + QStringLiteral(" -> ") +
                    CarNameAndID(FAMNamesTo[i], FAMIDsTo[i]));
}

}  // namespace lumox
