// Adds laps to a database without end, printing each lap's number once AddLapTime has
// returned; the crash test kills it at a random moment.
// Usage: lumox_lap_writer DATABASE FIRST_NUMBER
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "archive/LapTimePool.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return 2;
  lumox::TSQLConnection connection(QString::fromLocal8Bit(argv[1]));
  lumox::TLapTimePoolConnector pool;
  pool.SetSQLConnection(&connection);
  for (int lap = std::atoi(argv[2]);; ++lap) {
    pool.AddLapTime("Oval", "data\\tracks\\oval", "F3", "x1", lap, lap);
    std::printf("%d\n", lap);
    std::fflush(stdout);
  }
}
