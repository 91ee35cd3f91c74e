#include "frontend/BestLapsExchange.h"

#include <QStringList>
#include <algorithm>

#include "archive/LapTimePool.h"
#include "installation/FileSystem.h"
#include "installation/IniTree.h"
#include "installation/Scans.h"

namespace lumox {
namespace {

const QString BestLapsFile = QStringLiteral("bestlaps.ini");

// The key of one value of slot `slot`.
QString SlotKey(int slot, const char* value) {
  return QStringLiteral("results.best%1.%2").arg(slot).arg(QLatin1String(value));
}

// A decimal number with an optional sign; anything else, or nothing, is 0.
int IntegerOrZero(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  return ok ? value : 0;
}

void WriteSlot(TZindoIni& ini, int slot, const QString& car, const QString& carID, const QString& lapTime,
               const QString& date) {
  ini.WriteString(SlotKey(slot, "car"), car);
  ini.WriteString(SlotKey(slot, "car_id"), carID);
  ini.WriteString(SlotKey(slot, "laptime"), lapTime);
  ini.WriteString(SlotKey(slot, "date"), date);
}

}  // namespace

int TLapTimeOptions::LapsToFill() const { return std::clamp(FillLapNo + 1, 1, BestLapSlots); }

TBestLapsExchange::TBestLapsExchange(const QString& zindoDir, TLapTimePoolConnector& pool)
    : ZindoDir(zindoDir), Pool(pool) {}

QString TBestLapsExchange::TrackPath(const QString& folder) {
  return QStringLiteral("\\data\\tracks\\") + folder;
}

QStringList TBestLapsExchange::TrackFolders() const {
  // No simulator folder yet: a relative path would reach the current folder's tracks.
  return ZindoDir.isEmpty() ? QStringList() : ListTrackFolders(ZindoDir);
}

QString TBestLapsExchange::TrackDir(const QString& folder) const {
  return JoinPath(TracksFolder(ZindoDir), folder);
}

QString TBestLapsExchange::TrackName(const QString& folder) const {
  return TZindoIni(ZindoFilePath(TrackDir(folder), QStringLiteral("track.ini")))
      .ReadString(QStringLiteral("track.name"), QString());
}

void TBestLapsExchange::RetrieveLapTimes() const {
  const TCarAutoMerges rules(Pool);
  for (const QString& folder : TrackFolders()) RetrieveTrack(folder, rules);
  Pool.ApplyCarAutoMerges();
}

void TBestLapsExchange::RetrieveTrack(const QString& folder, const TCarAutoMerges& rules) const {
  const QString file = FindZindoFile(TrackDir(folder), BestLapsFile);
  if (file.isEmpty()) return;
  const QString trackName = TrackName(folder);
  const QString trackPath = TrackPath(folder);
  const TZindoIni ini(file);
  for (int slot = 0; slot < BestLapSlots; ++slot) {
    const QString car = ini.ReadString(SlotKey(slot, "car"), QString());
    const QString carID = ini.ReadString(SlotKey(slot, "car_id"), QString());
    const int lapTime = IntegerOrZero(ini.ReadString(SlotKey(slot, "laptime"), QString()));
    const int date = IntegerOrZero(ini.ReadString(SlotKey(slot, "date"), QString()));
    if (lapTime > 0 && !Pool.LapTimeArchived(rules, trackName, trackPath, car, carID, date, lapTime))
      Pool.AddLapTime(trackName, trackPath, car, carID, date, lapTime);
  }
}

void TBestLapsExchange::EmptyBestlaps() const {
  for (const QString& folder : TrackFolders()) {
    const QString file = FindZindoFile(TrackDir(folder), BestLapsFile);
    if (file.isEmpty()) continue;
    TZindoIni ini(file);
    // The reader has reported a damaged file; writing back what it read would lose the rest.
    if (!ini.IsLoadComplete()) continue;
    for (int slot = 0; slot < BestLapSlots; ++slot)
      WriteSlot(ini, slot, QString(), QString(), QStringLiteral("0"), QStringLiteral("0"));
    ini.SaveToFile(file);
  }
}

void TBestLapsExchange::FillBestlaps(int lapCount) const {
  for (const QString& folder : TrackFolders()) FillTrack(folder, lapCount);
}

void TBestLapsExchange::FillTrack(const QString& folder, int lapCount) const {
  const QString file = ZindoFilePath(TrackDir(folder), BestLapsFile);
  CreateEmptyBestLaps(file);
  QStringList cars, carIDs, lapTimes, dates;
  Pool.GetBestLapsForTrack(TrackName(folder), TrackPath(folder), nullptr, cars, carIDs, lapTimes, dates);
  TZindoIni ini(file);
  if (!ini.IsLoadComplete()) return;
  const int count = std::min<qsizetype>(lapCount, cars.size());
  for (int slot = 0; slot < count; ++slot)
    WriteSlot(ini, slot, cars[slot], carIDs[slot], lapTimes[slot], dates[slot]);
  ini.SaveToFile(file);
}

}  // namespace lumox
