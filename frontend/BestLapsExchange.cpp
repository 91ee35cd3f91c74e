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

// Every file is read before the import starts, so no error box shows while it runs.
void TBestLapsExchange::RetrieveLapTimes() const {
  std::vector<TLapRecord> laps;
  QStringList files;
  for (const QString& folder : TrackFolders()) ReadTrackLaps(folder, laps, files);
  QStringList refused;
  QString reason;
  Pool.ImportLaps(laps, [&](std::size_t i, const QString& message) {
    const TLapRecord& lap = laps[i];
    refused << QStringLiteral("%1, %2: %3")
                   .arg(files[qsizetype(i)], CarNameAndID(lap.CarName, lap.CarID),
                        FormatLapTime(lap.LapTime));
    reason = message;
  });
  ReportRefused(refused, reason);
}

void TBestLapsExchange::ReadTrackLaps(const QString& folder, std::vector<TLapRecord>& laps,
                                      QStringList& files) const {
  const QString file = FindZindoFile(TrackDir(folder), BestLapsFile);
  if (file.isEmpty()) return;
  const std::optional<TZindoIni> ini = ReadWhole(file);
  if (!ini) return;
  const QString trackName = TrackName(folder);
  for (int slot = 0; slot < BestLapSlots; ++slot) {
    const int lapTime = IntegerOr(ini->ReadString(SlotKey(slot, "laptime"), QString()), 0);
    if (lapTime <= 0) continue;
    laps.push_back({trackName, TrackPath(folder), ini->ReadString(SlotKey(slot, "car"), QString()),
                    ini->ReadString(SlotKey(slot, "car_id"), QString()),
                    IntegerOr(ini->ReadString(SlotKey(slot, "date"), QString()), 0), lapTime});
    files << file;
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
    ini->SaveChanges(ZindoDir);
  }
}

void TBestLapsExchange::FillBestlaps(int lapCount) const {
  for (const QString& folder : TrackFolders()) FillTrack(folder, lapCount);
}

void TBestLapsExchange::FillTrack(const QString& folder, int lapCount) const {
  const QString file = ZindoFilePath(TrackDir(folder), BestLapsFile);
  CreateEmptyBestLaps(ZindoDir, file);
  QStringList cars, carIDs, lapTimes, dates;
  Pool.GetBestLapsForTrack(TrackName(folder), TrackPath(folder), nullptr, cars, carIDs, lapTimes, dates);
  std::optional<TZindoIni> ini = ReadWhole(file);
  if (!ini) return;
  const int count = std::min<qsizetype>(lapCount, cars.size());
  for (int slot = 0; slot < count; ++slot)
    WriteSlot(*ini, slot, cars[slot], carIDs[slot], lapTimes[slot], dates[slot]);
  ini->SaveChanges(ZindoDir);
}

}  // namespace lumox
