#pragma once
// The race set-up without widgets: what the car, track, control-set and AI selectors list,
// and the race's AI opponents as the simulator's key race.ai_car_multiple holds them.
// Selector items carry folder or file names, never the list's objects, so they stay valid
// when a rescan replaces the lists.
#include <QString>
#include <vector>

#include "installation/Cars.h"
#include "installation/Tracks.h"

namespace lumox {

class IProgressSink;

// One selector entry: the text shown and the folder (or control-set file) it stands for.
struct TSelectorItem {
  QString Text;
  QString Key;
  bool operator==(const TSelectorItem&) const = default;
};
using TSelectorItems = std::vector<TSelectorItem>;

// The order of a sorted selector: by text, ignoring case; equal texts keep their order.
void SortByText(TSelectorItems& items);

// Cars by display name ("Name (Year)"), sorted; empty without a list.
TSelectorItems CarItems(const TCars* cars);
// Tracks by name, sorted; empty without a list.
TSelectorItems TrackItems(const TTracks* tracks);
// The cars offered as AI opponents, by name without year, sorted. With `onlyWithAILine`
// only the cars for which `track` has an AI line; none without a track.
TSelectorItems AvailableAICarItems(const TCars* cars, const TTrack* track, bool onlyWithAILine);
// The race's opponents by display name, in race order.
TSelectorItems RaceAICarItems(const TCarRefs& race);

// The car whose folder is exactly `folder`; null when none is (or there is no list).
TCar* FindCarExactly(const TCars* cars, const QString& folder);

// Replaces `race` with the cars named by `value`, folder names separated by single blanks,
// matched ignoring case; names of no car (empty ones too) are dropped.
void ParseAICarMultiple(const QString& value, const TCars* cars, TCarRefs& race);
// The value for race.ai_car_multiple: the cars' own folder names, in race order.
QString JoinAICarMultiple(const TCarRefs& race);

// Appends the cars of `folders` (exact names) to `race`; names of no car are passed over.
void AddRaceAICars(TCarRefs& race, const TCars* cars, const QStringList& folders);
// Removes the entries at `rows`, in any order and without repeats mattering.
void RemoveRaceAICars(TCarRefs& race, std::vector<int> rows);

// The control sets of data/ctrlsets: every ini file with misc.displayname, by that name,
// sorted; the key is the file's name. A file that fails is reported and passed over.
TSelectorItems ScanControllerSets(const QString& zindoDir, IProgressSink* progress);

}  // namespace lumox
