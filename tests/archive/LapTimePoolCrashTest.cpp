// A process importing laps is killed again and again. After each kill every lap whose import
// had returned must be there, the import under way stored whole or not at all, importing its
// laps again must add each once, and the engine's full validation must find the file sound.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <random>

#include "archive/LapTimePool.h"
#include "archive/SQLQuery.h"
#include "tests/archive/ImportRound.h"
#include "tests/archive/TestDatabase.h"

namespace lumox {
namespace {

constexpr int kKills = 30;

// The rounds the writer reported as imported before it was killed.
QList<int> RunWriterUntilKilled(const QString& database, int firstRound, std::mt19937& random) {
  QProcess writer;
  writer.start(QStringLiteral(LUMOX_LAP_WRITER), {database, QString::number(firstRound)});
  EXPECT_TRUE(writer.waitForStarted(10000));
  // Kill after a few returned imports, at a varying moment of the next one.
  const int reportsBeforeKill = 1 + static_cast<int>(random() % 20);
  QByteArray output;
  while (output.count('\n') < reportsBeforeKill && writer.waitForReadyRead(10000))
    output += writer.readAllStandardOutput();
  QThread::usleep(random() % 15000);
  writer.kill();
  writer.waitForFinished(10000);
  output += writer.readAllStandardOutput();
  EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit) << writer.readAllStandardError().toStdString();

  QList<int> rounds;
  for (const QByteArray& line : output.split('\n'))
    if (!line.isEmpty()) rounds << line.toInt();
  return rounds;
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
  return gfix.exitStatus() == QProcess::NormalExit && gfix.exitCode() == 0 ? output
                                                                           : "gfix failed\n" + output;
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

TEST(LapTimePoolCrash, KilledImportsLoseNoReturnedLapAndLeaveTheRestImportableAndASoundFile) {
  test::TTestDatabase db;
  db.CreateLapTimeSchema();
  db.Reconnect();
  std::mt19937 random(20261206);
  int imported = 0;  // rounds in the archive
  int warned = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    const QList<int> rounds = RunWriterUntilKilled(db.File(), 1000 * (kill + 1), random);
    ASSERT_FALSE(rounds.isEmpty()) << "kill " << kill;
    imported += int(rounds.size());

    TLapTimePoolConnector pool;
    pool.SetSQLConnection(&db.Connection());
    for (int round : rounds)
      for (const TLapRecord& lap : test::ImportRound(round))
        EXPECT_TRUE(pool.LapTimeExists(lap.TrackName, lap.TrackPath, lap.CarName, lap.CarID, lap.LapDate,
                                       lap.LapTime))
            << "round " << round;
    const int stored = StoredLaps(db.Connection());
    EXPECT_TRUE(stored == imported * test::kLapsPerRound || stored == (imported + 1) * test::kLapsPerRound)
        << stored << " laps after kill " << kill << ": the import under way is stored whole or not at all";
    pool.ImportLaps(test::ImportRound(rounds.last() + 1),
                    [](std::size_t, const QString& reason) { ADD_FAILURE() << reason.toStdString(); });
    ++imported;
    EXPECT_EQ(StoredLaps(db.Connection()), imported * test::kLapsPerRound)
        << "importing again adds each lap once";
    db.Reconnect();  // the engine locks the file to one process
    warned += ExpectNoValidationErrors(db.File(), kill);
  }
  RecordProperty("kills", kKills);
  RecordProperty("kills_with_page_warnings", warned);
}

}  // namespace
}  // namespace lumox
