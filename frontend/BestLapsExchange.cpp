#include "frontend/BestLapsExchange.h"

#include <QStringList>
#include <algorithm>
#include <functional>
#include <optional>

#include "archive/LapTimePool.h"
#include "installation/FileSystem.h"
#include "installation/IniTree.h"
#include "installation/LapTimes.h"
#include "installation/Scans.h"
#include "installation/Strings.h"
#include "installation/WriteGuard.h"
#include "platform/UserMessages.h"

namespace lumox {
namespace {

const QString BestLapsFile = QStringLiteral("bestlaps.ini");

// The key of one value of slot `slot`.
QString SlotKey(int slot, const char* value) {
  return QStringLiteral("results.best%1.%2").arg(slot).arg(QLatin1String(value));
}

// The laps the archive refused, one line each with its cause, and the engine's words for the
// first of them on a line of details.
void ReportRefused(const QStringList& laps, const QString& details) {
  if (laps.isEmpty()) return;
  constexpr qsizetype kListed = 10;
  QStringList lines = laps.mid(0, kListed);
  if (laps.size() > kListed) lines << QStringLiteral("... and %1 more").arg(laps.size() - kListed);
  QString text = QStringLiteral("These lap times could not be archived and were skipped:\r\n") +
                 lines.join(QStringLiteral("\r\n"));
  if (!details.isEmpty()) text += QStringLiteral("\r\n\r\nDetails: ") + details;
  ShowError(text);
}

// `tracks`, one line each: the track and why, after `heading`, which says what became of them.
QString TrackList(const QString& heading, const QStringList& tracks) {
  return heading + QStringLiteral(":\r\n") + tracks.join(QStringLiteral("\r\n"));
}

// The tracks whose files were `left` as they were, after `heading`, which says what was not
// done, and those a failed write `changed` apart, each with what it holds now.
void ReportTracks(const QString& heading, const QStringList& left, const QStringList& changed = {}) {
  QStringList parts;
  if (!left.isEmpty()) parts << TrackList(heading, left);
  if (!changed.isEmpty())
    parts << TrackList(
        QStringLiteral("The best-laps files of these tracks could not be written, nor put back "
                       "as they were"),
        changed);
  if (!parts.isEmpty()) ShowError(parts.join(QStringLiteral("\r\n\r\n")));
}

void WriteSlot(TZindoIni& ini, int slot, const QString& car, const QString& carID, const QString& lapTime,
               const QString& date) {
  ini.WriteString(SlotKey(slot, "car"), car);
  ini.WriteString(SlotKey(slot, "car_id"), carID);
  ini.WriteString(SlotKey(slot, "laptime"), lapTime);
  ini.WriteString(SlotKey(slot, "date"), date);
}

}  // namespace

struct TBestLapsExchange::TTrackFile {
  QString Folder;
  TZindoIni Ini;
};

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

QString TBestLapsExchange::TrackLine(const QString& folder, const QString& why) const {
  return TrackNameAndPath(TrackName(folder), folder) + QStringLiteral(": ") + why;
}

// A file that cannot be written (a track folder reached through a link, a read-only file) costs
// only that track: it is named in `unwritten`, as left as it was unless the failed write
// changed it.
bool TBestLapsExchange::Written(const QString& folder, TUnwritten& unwritten,
                                const std::function<void()>& write) const {
  try {
    write();
    return true;
  } catch (const EFileLeftChanged& e) {
    unwritten.Changed << TrackLine(folder, MessageOf(e));
  } catch (const EInOutError& e) {
    unwritten.Left << TrackLine(folder, MessageOf(e));
  }
  return false;
}

// Every file is read before the import starts, so no error box shows while it runs.
void TBestLapsExchange::RetrieveLapTimes() {
  const std::vector<TTrackFile> files = ReadTrackFiles();
  std::vector<TLapRecord> laps;
  std::vector<const TTrackFile*> sources;
  for (const TTrackFile& file : files) AppendLaps(file, laps, sources);
  QStringList refused;
  QString details;
  Pool.ImportLaps(laps, [&](std::size_t i, const EDatabaseError& error) {
    const TLapRecord& lap = laps[i];
    refused << QStringLiteral("%1, %2, %3: %4")
                   .arg(sources[i]->Ini.GetFileName(), CarNameAndID(lap.CarName, lap.CarID),
                        FormatLapTime(lap.LapTime), error.Cause());
    if (details.isEmpty()) details = error.Details();
  });
  ReportRefused(refused, details);
}

std::vector<TBestLapsExchange::TTrackFile> TBestLapsExchange::ReadTrackFiles() {
  std::vector<TTrackFile> files;
  for (const QString& folder : TrackFolders()) {
    const QString file = FindZindoFile(TrackDir(folder), BestLapsFile);
    if (file.isEmpty()) continue;
    std::optional<TZindoIni> ini = ReadWhole(file);
    if (ini) files.push_back({folder, std::move(*ini)});
  }
  return files;
}

// A file the reader could not read whole is neither imported from nor written: what it holds
// past the damage is unknown.
std::optional<TZindoIni> TBestLapsExchange::ReadWhole(const QString& file) {
  TRecordedMessages report;
  std::optional<TZindoIni> ini;
  {
    const TThreadMessagesScope reading(report);
    ini.emplace(file, TOpenBlockAtEnd::Damaged);
  }
  if (ini->IsLoadComplete()) return ini;
  if (!ReportedFiles.contains(file)) report.Replay();
  ReportedFiles.insert(file);
  return std::nullopt;
}

void TBestLapsExchange::AppendLaps(const TTrackFile& file, std::vector<TLapRecord>& laps,
                                   std::vector<const TTrackFile*>& sources) const {
  const QString trackName = TrackName(file.Folder);
  for (int slot = 0; slot < BestLapSlots; ++slot) {
    const TZindoIni& ini = file.Ini;
    const int lapTime = IntegerOr(ini.ReadString(SlotKey(slot, "laptime"), QString()), 0);
    if (lapTime <= 0) continue;
    laps.push_back({trackName, TrackPath(file.Folder), ini.ReadString(SlotKey(slot, "car"), QString()),
                    ini.ReadString(SlotKey(slot, "car_id"), QString()),
                    IntegerOr(ini.ReadString(SlotKey(slot, "date"), QString()), 0), lapTime});
    sources.push_back(&file);
  }
}

void TBestLapsExchange::EmptyBestlaps(TArchiveFirst archiveFirst) {
  std::vector<TTrackFile> files = ReadTrackFiles();
  const QHash<QString, QString> notArchived =
      archiveFirst == TArchiveFirst::Yes ? ArchiveBeforeEmptying(files) : QHash<QString, QString>();
  QStringList kept;
  for (const TTrackFile& file : files) {
    if (!notArchived.contains(file.Folder)) continue;
    KeptFolders.insert(file.Folder);
    kept << TrackLine(file.Folder, notArchived[file.Folder]);
  }
  ReportTracks(QStringLiteral(
                   "The best laps of these tracks were not emptied, as they could not all be archived first"),
               kept);
  TUnwritten unwritten;
  for (TTrackFile& file : files) {
    if (KeptFolders.contains(file.Folder)) continue;
    for (int slot = 0; slot < BestLapSlots; ++slot)
      WriteSlot(file.Ini, slot, QString(), QString(), QStringLiteral("0"), QStringLiteral("0"));
    const bool written = Written(file.Folder, unwritten, [&] { file.Ini.SaveChanges(ZindoDir); });
    if (!written) KeptFolders.insert(file.Folder);
  }
  ReportTracks(
      QStringLiteral("The best laps of these tracks were not emptied, as their files could not be written"),
      unwritten.Left, unwritten.Changed);
}

// The archive is asked again after the import: only what it holds now may be cleared.
QHash<QString, QString> TBestLapsExchange::ArchiveBeforeEmptying(const std::vector<TTrackFile>& files) {
  std::vector<TLapRecord> laps;
  std::vector<const TTrackFile*> sources;
  for (const TTrackFile& file : files) AppendLaps(file, laps, sources);
  QHash<QString, QString> notArchived;
  const auto keep = [&](std::size_t lap, const QString& why) {
    if (!notArchived.contains(sources[lap]->Folder)) notArchived.insert(sources[lap]->Folder, why);
  };
  try {
    Pool.ImportLaps(laps, [&](std::size_t i, const EDatabaseError& error) {
      const TLapRecord& lap = laps[i];
      keep(i, QStringLiteral("the lap time %1 of %2 could not be archived: %3")
                  .arg(FormatLapTime(lap.LapTime), CarNameAndID(lap.CarName, lap.CarID), error.Cause()));
    });
    const TCarAutoMerges rules(Pool);
    for (std::size_t i = 0; i < laps.size(); ++i) {
      const TLapRecord& lap = laps[i];
      if (notArchived.contains(sources[i]->Folder)) continue;  // the lap may not even be searchable
      if (!Pool.LapTimeArchived(rules, lap.TrackName, lap.TrackPath, lap.CarName, lap.CarID, lap.LapDate,
                                lap.LapTime))
        keep(i, QStringLiteral("the lap time %1 of %2 is not in the archive after the import")
                    .arg(FormatLapTime(lap.LapTime), CarNameAndID(lap.CarName, lap.CarID)));
    }
  } catch (const std::exception& e) {
    for (std::size_t i = 0; i < laps.size(); ++i) keep(i, CauseOf(e));
  }
  return notArchived;
}

void TBestLapsExchange::FillBestlaps(int lapCount) {
  TUnwritten unwritten;
  for (const QString& folder : TrackFolders())
    if (!KeptFolders.contains(folder)) Written(folder, unwritten, [&] { FillTrack(folder, lapCount); });
  ReportTracks(
      QStringLiteral("The best laps of these tracks were not filled in, as their files could not be written"),
      unwritten.Left, unwritten.Changed);
}

void TBestLapsExchange::FillTrack(const QString& folder, int lapCount) {
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
