// A process adding laps is killed again and again; after each kill every lap whose insert had
// returned must be there, and the engine's full validation must find the file sound.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <random>

#include "archive/LapTimePool.h"
#include "archive/SQLQuery.h"
#include "tests/archive/TestDatabase.h"

namespace lumox {
namespace {

// The laps the writer reported as added before it was killed, a few returned inserts into the
// run and at a varying moment of the next one.
QList<int> RunWriterUntilKilled(const QString& database, int firstLap, std::mt19937& random) {
  QProcess writer;
  writer.start(QStringLiteral(LUMOX_LAP_WRITER), {database, QString::number(firstLap)});
  EXPECT_TRUE(writer.waitForStarted(10000));
  const int reportsBeforeKill = 1 + static_cast<int>(random() % 20);
  QByteArray output;
  while (output.count('\n') < reportsBeforeKill && writer.waitForReadyRead(10000))
    output += writer.readAllStandardOutput();
  QThread::usleep(random() % 15000);
  writer.kill();
  writer.waitForFinished(10000);
  output += writer.readAllStandardOutput();
  EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit) << writer.readAllStandardError().toStdString();
  QList<int> laps;
  for (const QByteArray& line : output.split('\n'))
    if (!line.isEmpty()) laps << line.toInt();
  return laps;
}

// A kill during a page allocation can leave a page allocated but unused, or a pointer page whose
// fill bits lag behind its data page: the engine counts these as page warnings (space
// bookkeeping, no data lost). Every counted error is a fault.
void ExpectNoValidationErrors(const QString& database, int kill) {
  QProcess gfix;
  gfix.setProcessChannelMode(QProcess::MergedChannels);
  gfix.start(QStringLiteral(LUMOX_GFIX), {"-v", "-full", "-user", "ZINDO", database});
  gfix.waitForFinished(60000);
  const QString summary = QString::fromLocal8Bit(gfix.readAll());
  ASSERT_TRUE(gfix.exitStatus() == QProcess::NormalExit && gfix.exitCode() == 0) << summary.toStdString();
  const QStringList lines = summary.split('\n', Qt::SkipEmptyParts);
  if (!lines.isEmpty()) {
    EXPECT_EQ(lines[0], "Summary of validation errors") << summary.toStdString() << "after kill " << kill;
  }
  for (const QString& line : lines.mid(1))
    EXPECT_TRUE(line.contains(QRegularExpression("^\\tNumber of [a-z ]+ warnings\\t: \\d+$")))
        << summary.toStdString() << "after kill " << kill;
}

TEST(LapTimePoolCrash, KilledWritersLoseNoReturnedLapAndLeaveASoundFile) {
  test::TTestDatabase db;
  std::mt19937 random(20261206);
  int reported = 0;
  for (int kill = 0; kill < 30; ++kill) {
    const QList<int> laps = RunWriterUntilKilled(db.File(), 1000 * (kill + 1), random);
    ASSERT_FALSE(laps.isEmpty()) << "kill " << kill;
    reported += laps.size();
    TLapTimePoolConnector pool;
    pool.SetSQLConnection(&db.Connection());
    for (int lap : laps)
      EXPECT_TRUE(pool.LapTimeExists("Oval", "data\\tracks\\oval", "F3", "x1", lap, lap)) << lap;
    {  // At most the one insert that was under way when the kill came can have committed unseen.
      TSQLQuery query(db.Connection(), "select count(*) as N from LAPTIMEPOOL");
      query.Exec();
      ASSERT_TRUE(query.Next());
      EXPECT_GE(query.Integer("N"), reported);
      EXPECT_LE(query.Integer("N"), reported + kill + 1);
    }
    db.Reconnect();  // the engine locks the file to one process
    ExpectNoValidationErrors(db.File(), kill);
  }
}

}  // namespace
}  // namespace lumox
