#include "bench/GeneratedArchive.h"

#include "archive/Schema.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QVariant>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace lumox::bench {

QString TrackName(int i) { return QStringLiteral("Track %1").arg(i, 3, 10, QLatin1Char('0')); }
QString TrackPath(int i) { return QStringLiteral("data\\tracks\\track%1").arg(i, 3, 10, QLatin1Char('0')); }
QString CarName(int i) { return QStringLiteral("Car %1").arg(i, 4, 10, QLatin1Char('0')); }
QString CarID(int i) { return QStringLiteral("c%1").arg(i, 4, 10, QLatin1Char('0')); }
QString OldCarName(int i) { return QStringLiteral("Old car %1").arg(i); }
QString OldCarID(int i) { return QStringLiteral("o%1").arg(i); }

void Fail(const QSqlQuery& query) {
  std::fprintf(stderr, "%s\n", qPrintable(query.lastError().text()));
  std::abort();
}

TGeneratedArchive::TGeneratedArchive() {
  QElapsedTimer timer;
  timer.start();
  Generate();
  RunSchemaStatements(Db.Connection(), AutoMergeTable);
  for (int i = 0; i < kRules; ++i) Pool.AddCarAutoMerge(OldCarName(i), OldCarID(i), CarName(i), CarID(i));
  // Listed as the schema updater lists the laps of an archive made before the lists.
  CompleteLapSchema(Db.Connection());
  if (!qEnvironmentVariableIsSet("LUMOX_BENCH_NO_INDEXES"))
    RunSchemaStatements(Db.Connection(), LapTimePoolIndexes);
  std::fprintf(stderr, "Generated %d laps in %lld ms\n", kLaps + kLongTrackLaps,
               static_cast<long long>(timer.elapsed()));
}

// Every 50th lap is deleted.
void TGeneratedArchive::Generate() {
  Pool.SetSQLConnection(&Db.Connection());
  std::vector<TLap> laps;
  laps.reserve(kLaps + kLongTrackLaps);
  std::mt19937 random(42);
  for (int id = 1; id <= kLaps; ++id) {
    const int track = static_cast<int>(random() % kTracks);
    const int car = static_cast<int>(random() % kCars);
    laps.push_back({TrackName(track), TrackPath(track), CarName(car), CarID(car),
                    60000 + static_cast<int>(random() % 120000), 1200000000 + id * 600});
    if (id % 4000 == 1) Existing.push_back(laps.back());
  }
  for (int i = 0; i < kLongTrackLaps; ++i)
    laps.push_back(
        {LongTrackName, LongTrackPath, BusyLap().CarName, BusyLap().CarID, 60000 + i % 5000, 1500000000 + i});
  InsertLaps(laps, 1, 50);
}

void TGeneratedArchive::InsertLaps(const std::vector<TLap>& laps, int firstID, int deleteEvery) {
  QSqlDatabase db = Database();
  db.transaction();
  QSqlQuery insert(db);
  insert.prepare(
      "insert into LAPTIMEPOOL(LTP_ID, TRACK_NAME, TRACK_PATH, CAR_NAME, CAR_ID, LAP_TIME, LAP_DATE)"
      " values (?, ?, ?, ?, ?, ?, ?)");
  int id = firstID;
  for (const TLap& lap : laps) {
    insert.addBindValue(id % deleteEvery == 0 ? -id : id);
    for (const QString* text : {&lap.TrackName, &lap.TrackPath, &lap.CarName, &lap.CarID})
      insert.addBindValue(*text);
    insert.addBindValue(lap.Time);
    insert.addBindValue(lap.Date);
    if (!insert.exec()) Fail(insert);
    ++id;
  }
  db.commit();
}

}  // namespace lumox::bench
