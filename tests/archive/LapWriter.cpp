// Imports rounds of laps without end, each round in one import, printing the round's number
// once its import has returned; the crash test kills it at a random moment.
// Usage: lumox_lap_writer DATABASE FIRST_ROUND
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "archive/LapTimePool.h"
#include "tests/archive/ImportRound.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return 2;
  lumox::TSQLConnection connection(QString::fromLocal8Bit(argv[1]));
  lumox::TLapTimePoolConnector pool;
  pool.SetSQLConnection(&connection);
  for (int round = std::atoi(argv[2]);; ++round) {
    pool.ImportLaps(lumox::test::ImportRound(round), [](std::size_t, const QString& reason) {
      std::fprintf(stderr, "refused: %s\n", qPrintable(reason));
      std::exit(3);
    });
    std::printf("%d\n", round);
    std::fflush(stdout);
  }
}
