#include "frontend/RaceSetup.h"

#include <QFileInfo>
#include <algorithm>
#include <exception>

#include "installation/IniTree.h"
#include "installation/ProgressSink.h"
#include "installation/Scans.h"
#include "installation/Strings.h"
#include "platform/Errors.h"
#include "platform/UserMessages.h"

namespace lumox {

void SortByText(TSelectorItems& items) {
  std::stable_sort(items.begin(), items.end(), [](const TSelectorItem& a, const TSelectorItem& b) {
    return a.Text.compare(b.Text, Qt::CaseInsensitive) < 0;
  });
}

namespace {

template <class List, class TextOf>
TSelectorItems ItemsOf(const List* list, TextOf textOf) {
  TSelectorItems items;
  if (!list) return items;
  for (int i = 0; i < list->Count(); ++i) items.push_back({textOf(list->Get(i)), list->GetFolder(i)});
  return items;
}

template <class List, class TextOf>
TSelectorItems SortedItemsOf(const List* list, TextOf textOf) {
  TSelectorItems items = ItemsOf(list, textOf);
  SortByText(items);
  return items;
}

const auto DisplayNameOf = [](const TCar& car) { return car.DisplayName(); };

}  // namespace

TSelectorItems CarItems(const TCars* cars) { return SortedItemsOf(cars, DisplayNameOf); }

TSelectorItems TrackItems(const TTracks* tracks) {
  return SortedItemsOf(tracks, [](const TTrack& track) { return track.GetName(); });
}

TSelectorItems AvailableAICarItems(const TCars* cars, const TTrack* track, bool onlyWithAILine) {
  TSelectorItems items;
  if (onlyWithAILine && !track) return items;
  for (TSelectorItem& item : ItemsOf(cars, [](const TCar& car) { return car.GetName(); })) {
    if (!onlyWithAILine || track->HasAIFile(item.Key)) items.push_back(std::move(item));
  }
  SortByText(items);
  return items;
}

TSelectorItems RaceAICarItems(const TCarRefs& race) { return ItemsOf(&race, DisplayNameOf); }

TCar* FindCarExactly(const TCars* cars, const QString& folder) {
  if (!cars) return nullptr;
  for (int i = 0; i < cars->Count(); ++i) {
    if (cars->GetFolder(i) == folder) return &cars->Get(i);
  }
  return nullptr;
}

void ParseAICarMultiple(const QString& value, const TCars* cars, TCarRefs& race) {
  race.Clear();
  if (!cars) return;
  for (const QString& folder : SplitToStrings(value, QStringLiteral(" "))) {
    if (TCar* car = cars->FindByFolder(folder)) race.Add(*car);
  }
}

QString JoinAICarMultiple(const TCarRefs& race) { return race.JoinFolders(QStringLiteral(" ")); }

void AddRaceAICars(TCarRefs& race, const TCars* cars, const QStringList& folders) {
  for (const QString& folder : folders) {
    if (TCar* car = FindCarExactly(cars, folder)) race.Add(*car);
  }
}

void RemoveRaceAICars(TCarRefs& race, std::vector<int> rows) {
  // From the last down, so that the rows still to remove keep their places.
  std::sort(rows.begin(), rows.end(), std::greater<>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows) race.Delete(row);
}

TSelectorItems ScanControllerSets(const QString& zindoDir, IProgressSink* progress) {
  const QString displayName = QStringLiteral("misc.displayname");
  const QStringList files = ListControllerFiles(zindoDir);
  if (progress) progress->SetMax(int(files.size()));
  TSelectorItems items;
  for (const QString& path : files) {
    try {
      const TZindoIni ini(path);
      if (ini.SymbolExists(displayName))
        items.push_back({ini.ReadString(displayName, {}), QFileInfo(path).fileName()});
    } catch (const std::exception& e) {
      ShowError(QStringLiteral("Error opening controller ini\r\n") + path + QStringLiteral(":\r\n") +
                MessageOf(e));
    }
    if (progress) progress->StepBy(1);
  }
  SortByText(items);
  return items;
}

}  // namespace lumox
