#pragma once
// A hand-made lap-time archive in a real database: two tracks of the small installation and
// one that is not installed, four cars (one without a name or identifier), a deleted lap and
// a merge rule from the installation's second "Twin" to "Formula Three".
#include "archive/LapTimePool.h"
#include "tests/archive/TestDatabase.h"

namespace lumox::test {

// 2023-11-14 22:13:20; each lap of the archive is a day after the one before.
inline constexpr int kFirstDate = 1'700'000'000;
inline constexpr int kDay = 86'400;

class TSmallArchive {
 public:
  // Binds the process-wide lap-time connector to the archive while alive.
  TSmallArchive();
  ~TSmallArchive();
  TSmallArchive(const TSmallArchive&) = delete;
  TSmallArchive& operator=(const TSmallArchive&) = delete;

  TLapTimePoolConnector& Pool() { return LapTimePoolConnector(); }
  TTestDatabase& Db() { return Database; }
  // Adds a lap `days` after the first date and returns its identifier.
  int Add(const QString& track, const QString& path, const QString& car, const QString& id, int time,
          int days);

 private:
  TTestDatabase Database;
};

}  // namespace lumox::test
