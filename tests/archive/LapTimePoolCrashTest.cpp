// A process adding laps is killed again and again; after each kill every lap whose insert had
// returned must be there, and the engine's full validation must find the file sound.
#include "archive/LapTimePool.h"
#include "tests/archive/TestDatabase.h"

#include "archive/SQLQuery.h"

#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

#include <random>

namespace lumox {
namespace {

constexpr int kKills = 30;

// The laps the writer reported as added before it was killed.
QList<int> RunWriterUntilKilled(const QString& database, int firstLap, std::mt19937& random) {
  QProcess writer;
  writer.start(QStringLiteral(LUMOX_LAP_WRITER), {database, QString::number(firstLap)});
  EXPECT_TRUE(writer.waitForStarted(10000));
  // Kill after a few returned inserts, at a varying moment of the next one.
  const int reportsBeforeKill = 1 + static_cast<int>(random() % 20);
  QByteArray output;
  while (output.count('\n') < reportsBeforeKill && writer.waitForReadyRead(10000)) output += writer.readAllStandardOutput();
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

int StoredLaps(TSQLConnection& connection) {
  TSQLQuery query(connection, "select count(*) as N from LAPTIMEPOOL");
  query.Exec();
  return query.Next() ? query.Integer("N") : -1;
}

// The summary of a full validation; empty when it found nothing.
std::string Validate(const QString& database) {
  QProcess gfix;
  gfix.setProcessChannelMode(QProcess::MergedChannels);
  gfix.start(QStringLiteral(LUMOX_GFIX), {"-v", "-full", "-user", "ZINDO", database});
  gfix.waitForFinished(60000);
  const std::string output = gfix.readAll().toStdString();
  return gfix.exitStatus() == QProcess::NormalExit && gfix.exitCode() == 0 ? output : "gfix failed\n" + output;
}

// A kill during a page allocation can leave a page allocated but unused, or a pointer page
// whose fill bits lag behind its data page: the engine counts these as page warnings (space
// bookkeeping, no data lost). Every counted error is a fault. Returns whether it warned.
bool ExpectNoValidationErrors(const QString& database, int kill) {
  const std::string summary = Validate(database);
  const QStringList lines = QString::fromStdString(summary).split('\n', Qt::SkipEmptyParts);
  if (!lines.isEmpty()) {
    EXPECT_EQ(lines[0], "Summary of validation errors") << summary << "after kill " << kill;
  }
  for (const QString& line : lines.mid(1))
    EXPECT_TRUE(line.contains(QRegularExpression("^\\tNumber of [a-z ]+ warnings\\t: \\d+$")))
        << summary << "after kill " << kill;
  return !lines.isEmpty();
}

TEST(LapTimePoolCrash, KilledWritersLoseNoReturnedLapAndLeaveASoundFile) {
  test::TTestDatabase db;
  std::mt19937 random(20261206);
  int reported = 0;
  int warned = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    const QList<int> laps = RunWriterUntilKilled(db.File(), 1000 * (kill + 1), random);
    ASSERT_FALSE(laps.isEmpty()) << "kill " << kill;
    reported += laps.size();

    TLapTimePoolConnector pool;
    pool.SetSQLConnection(&db.Connection());
    for (int lap : laps)
      EXPECT_TRUE(pool.LapTimeExists("Oval", "data\\tracks\\oval", "F3", "x1", lap, lap)) << "lap " << lap;
    // At most the one insert that was under way when the kill came can have committed unseen.
    const int stored = StoredLaps(db.Connection());
    EXPECT_GE(stored, reported);
    EXPECT_LE(stored, reported + kill + 1);
    db.Reconnect();  // the engine locks the file to one process
    warned += ExpectNoValidationErrors(db.File(), kill);
  }
  RecordProperty("kills", kKills);
  RecordProperty("kills_with_page_warnings", warned);
}

}  // namespace
}  // namespace lumox
