#pragma once
// A generated archive for the benchmarks: 200,000 laps over 300 tracks and 1,000 cars in a
// fresh test database, then 40,000 laps of the car of the first generated lap on one more
// track, the largest selections a user could make; every 50th lap deleted, 20 car merge rules
// ("Old car N" [oN] into car N), the archive's lists of cars and tracks and the lap-time
// indexes (left out when LUMOX_BENCH_NO_INDEXES=1).
#include "archive/LapTimePool.h"
#include "tests/archive/TestDatabase.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <vector>

namespace lumox::bench {

inline constexpr int kLaps = 200000;
inline constexpr int kTracks = 300;
inline constexpr int kCars = 1000;
inline constexpr int kRules = 20;
inline constexpr int kLongTrackLaps = 40000;

QString TrackName(int i);
QString TrackPath(int i);
QString CarName(int i);
QString CarID(int i);
QString OldCarName(int i);
QString OldCarID(int i);
inline const QString LongTrackName = QStringLiteral("Long track");
inline const QString LongTrackPath = QStringLiteral("data\\tracks\\long");

struct TLap {
  QString TrackName, TrackPath, CarName, CarID;
  int Time, Date;
};

// Reports the statement's error and aborts the benchmark.
[[noreturn]] void Fail(const QSqlQuery& query);

class TGeneratedArchive {
 public:
  TGeneratedArchive();

  QSqlDatabase Database() { return Db.Connection().Database(); }
  // Every 4000th generated lap, as stored; the first one's car has the laps on the long track.
  const std::vector<TLap>& Samples() const { return Existing; }
  const TLap& BusyLap() const { return Existing.front(); }
  // Inserts `laps` in one transaction with identifiers from `firstID` on, each one whose
  // identifier is a multiple of `deleteEvery` deleted.
  void InsertLaps(const std::vector<TLap>& laps, int firstID, int deleteEvery);

  test::TTestDatabase Db;
  TLapTimePoolConnector Pool;

 private:
  void Generate();

  std::vector<TLap> Existing;
};

}  // namespace lumox::bench
