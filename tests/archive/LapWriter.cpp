// Imports rounds of laps without end, each round in one import. It says "begin N" when the
// import of round N starts and "N" once it has returned, so that the crash test can kill it
// at either moment without guessing from the clock.
// Usage: lumox_lap_writer DATABASE FIRST_ROUND [STOP_ROUND STOP_LAP]
// With STOP_ROUND, lap STOP_LAP of that round is one the archive refuses, and the writer kills
// itself when the import reports it: inside the import's transaction, after the laps before it
// were added, at the same point every time.
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "archive/LapTimePool.h"
#include "tests/archive/ImportRound.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3 && argc != 5) return 2;
  lumox::TSQLConnection connection(QString::fromLocal8Bit(argv[1]));
  lumox::TLapTimePoolConnector pool;
  pool.SetSQLConnection(&connection);
  const int stopRound = argc == 5 ? std::atoi(argv[3]) : -1;
  const int stopLap = argc == 5 ? std::atoi(argv[4]) : -1;
  for (int round = std::atoi(argv[2]);; ++round) {
    std::vector<lumox::TLapRecord> laps = lumox::test::ImportRound(round);
    if (round == stopRound) laps.at(std::size_t(stopLap)).CarName = QString(300, QLatin1Char('x'));
    std::printf("begin %d\n", round);
    std::fflush(stdout);
    pool.ImportLaps(laps, [&](std::size_t, const lumox::EDatabaseError& error) {
      if (round == stopRound) std::raise(SIGKILL);
      std::fprintf(stderr, "refused: %s\n", error.what());
      std::exit(3);
    });
    std::printf("%d\n", round);
    std::fflush(stdout);
  }
}
