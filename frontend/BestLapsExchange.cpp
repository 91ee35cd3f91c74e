#include "frontend/BestLapsExchange.h"

#include <QStringList>
#include <algorithm>
#include <optional>

#include "archive/LapTimePool.h"
#include "installation/FileSystem.h"
#include "installation/IniTree.h"
#include "installation/LapTimes.h"
#include "installation/Scans.h"
#include "installation/Strings.h"
#include "platform/Errors.h"
#include "platform/UserMessages.h"

namespace lumox {
namespace {

const QString BestLapsFile = QStringLiteral("bestlaps.ini");

// The key of one value of slot `slot`.
QString SlotKey(int slot, const char* value) {
  return QStringLiteral("results.best%1.%2").arg(slot).arg(QLatin1String(value));
}

// A file the reader could not read whole has been reported, and is neither imported from nor
// written: what it holds past the damage is unknown.
std::optional<TZindoIni> ReadWhole(const QString& file) {
  std::optional<TZindoIni> ini(std::in_place, file, TOpenBlockAtEnd::Damaged);
  if (!ini->IsLoadComplete()) ini.reset();
  return ini;
}

// The laps the archive refused, one line each, with the reason given last.
void ReportRefused(const QStringList& laps, const QString& reason) {
  if (laps.isEmpty()) return;
  constexpr qsizetype kListed = 10;
  QStringList lines = laps.mid(0, kListed);
  if (laps.size() > kListed) lines << QStringLiteral("... and %1 more").arg(laps.size() - kListed);
  ShowError(QStringLiteral("These lap times could not be archived and were skipped:\r\n%1\r\n\r\n%2")
                .arg(lines.join(QStringLiteral("\r\n")), reason));
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
  TRefusedLaps refused;
  for (const QString& folder : TrackFolders()) RetrieveTrack(folder, rules, refused);
  Pool.ApplyCarAutoMerges();
  ReportRefused(refused.Laps, refused.Reason);
}

void TBestLapsExchange::RetrieveTrack(const QString& folder, const TCarAutoMerges& rules,
                                      TRefusedLaps& refused) const {
  const QString file = FindZindoFile(TrackDir(folder), BestLapsFile);
  if (file.isEmpty()) return;
  const std::optional<TZindoIni> ini = ReadWhole(file);
  if (!ini) return;
  const QString trackName = TrackName(folder);
  const QString trackPath = TrackPath(folder);
  for (int slot = 0; slot < BestLapSlots; ++slot) {
    const QString car = ini->ReadString(SlotKey(slot, "car"), QString());
    const QString carID = ini->ReadString(SlotKey(slot, "car_id"), QString());
    const int lapTime = IntegerOr(ini->ReadString(SlotKey(slot, "laptime"), QString()), 0);
    const int date = IntegerOr(ini->ReadString(SlotKey(slot, "date"), QString()), 0);
    if (lapTime <= 0) continue;
    // A lap the archive refuses (a text longer than its column) is only that lap's failure;
    // in a transaction the engine undoes just the failed statement.
    try {
      if (!Pool.LapTimeArchived(rules, trackName, trackPath, car, carID, date, lapTime))
        Pool.AddLapTime(trackName, trackPath, car, carID, date, lapTime);
    } catch (const EDatabaseError& e) {
      refused.Laps
          << QStringLiteral("%1, %2: %3").arg(file, CarNameAndID(car, carID), FormatLapTime(lapTime));
      refused.Reason = MessageOf(e);
    }
  }
}

void TBestLapsExchange::EmptyBestlaps() const {
  for (const QString& folder : TrackFolders()) {
    const QString file = FindZindoFile(TrackDir(folder), BestLapsFile);
    if (file.isEmpty()) continue;
    std::optional<TZindoIni> ini = ReadWhole(file);
    if (!ini) continue;
    for (int slot = 0; slot < BestLapSlots; ++slot)
      WriteSlot(*ini, slot, QString(), QString(), QStringLiteral("0"), QStringLiteral("0"));
    ini->SaveChanges();
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
  std::optional<TZindoIni> ini = ReadWhole(file);
  if (!ini) return;
  const int count = std::min<qsizetype>(lapCount, cars.size());
  for (int slot = 0; slot < count; ++slot)
    WriteSlot(*ini, slot, cars[slot], carIDs[slot], lapTimes[slot], dates[slot]);
  ini->SaveChanges();
}

}  // namespace lumox
