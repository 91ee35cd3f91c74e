// A process importing laps is killed again and again. After each kill every lap whose import
// had returned must be there, the import under way stored whole or not at all, importing its
// laps again must add each once, and the engine's full validation must find the file sound.
// The writer says where it is, so no kill waits on the clock; each kill is drawn from its own
// number, so a failing one can be run again alone: LUMOX_CRASH_KILL=<number>.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <random>
#include <string>

#include "archive/LapTimePool.h"
#include "archive/SQLQuery.h"
#include "tests/archive/ImportRound.h"
#include "tests/archive/TestDatabase.h"

namespace lumox {
namespace {

constexpr int kKills = 30;
constexpr std::uint32_t kSeed = 20261206;

// One kill of the writer: after `ReportsBefore` imports have returned, in the next one, either
// by the writer itself at lap `StopLap` (inside the transaction, the same point every time) or,
// when that is -1, by the test as soon as the writer says the import has begun.
struct TKill {
  int Number;
  int FirstRound;
  int ReportsBefore;
  int StopLap;

  int KilledRound() const { return FirstRound + ReportsBefore; }
  std::string Describe() const {
    return "kill " + std::to_string(Number) + " (round " + std::to_string(KilledRound()) +
           (StopLap >= 0 ? ", at lap " + std::to_string(StopLap) : ", as it begins") +
           "; run it alone with LUMOX_CRASH_KILL=" + std::to_string(Number) + ")";
  }
};

TKill DrawKill(int number) {
  std::mt19937 random(kSeed + std::uint32_t(number));
  const int reportsBefore = 1 + int(random() % 5);
  const int stopLap = number % 2 == 0 ? int(random() % test::kLapsPerRound) : -1;
  return {number, 1000 * (number + 1), reportsBefore, stopLap};
}

// The kills to make: all, or the one LUMOX_CRASH_KILL names.
std::vector<TKill> Kills() {
  bool one = false;
  const int only = qEnvironmentVariableIntValue("LUMOX_CRASH_KILL", &one);
  std::vector<TKill> kills;
  for (int number = 0; number < kKills; ++number)
    if (!one || number == only) kills.push_back(DrawKill(number));
  return kills;
}

// The rounds the writer reported as imported before it was killed.
QList<int> RunWriterUntilKilled(const QString& database, const TKill& kill) {
  QStringList arguments{database, QString::number(kill.FirstRound)};
  if (kill.StopLap >= 0) arguments << QString::number(kill.KilledRound()) << QString::number(kill.StopLap);
  QProcess writer;
  writer.start(QStringLiteral(LUMOX_LAP_WRITER), arguments);
  EXPECT_TRUE(writer.waitForStarted(10000));
  QList<QByteArray> lines;
  const QByteArray begun = "begin " + QByteArray::number(kill.KilledRound());
  while (kill.StopLap < 0 && !lines.contains(begun) && writer.waitForReadyRead(10000)) {
    while (writer.canReadLine()) lines << writer.readLine().trimmed();
    if (lines.contains(begun)) writer.kill();
  }
  writer.waitForFinished(10000);
  lines += writer.readAllStandardOutput().split('\n');
  EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit) << writer.readAllStandardError().toStdString();

  QList<int> rounds;
  for (const QByteArray& line : lines) {
    bool isRound = false;
    const int round = line.toInt(&isRound);
    if (isRound) rounds << round;
  }
  return rounds;
}

int StoredLaps(TSQLConnection& connection) {
  TSQLQuery query(connection, "select count(*) as N from LAPTIMEPOOL");
  query.Exec();
  return query.Next() ? query.Integer("N") : -1;
}

// A kill during a page allocation can leave a page allocated but unused, or a pointer page
// whose fill bits lag behind its data page: the engine counts these as page warnings (space
// bookkeeping, no data lost). Every counted error is a fault. Returns whether it warned.
bool ExpectNoValidationErrors(const QString& database, int kill) {
  const std::string summary = test::Validate(database);
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
  int imported = 0;  // rounds in the archive
  int warned = 0;
  for (const TKill& kill : Kills()) {
    SCOPED_TRACE(kill.Describe());
    const QList<int> rounds = RunWriterUntilKilled(db.File(), kill);
    ASSERT_FALSE(rounds.isEmpty());
    imported += int(rounds.size());

    const QStringList dates = db.Rows("select LAP_DATE as R from LAPTIMEPOOL");
    const QSet<QString> stored(dates.begin(), dates.end());
    for (int round : rounds)
      for (const TLapRecord& lap : test::ImportRound(round))
        EXPECT_TRUE(stored.contains(QString::number(lap.LapDate))) << "round " << round;
    const bool underWayStored = StoredLaps(db.Connection()) == (imported + 1) * test::kLapsPerRound;
    EXPECT_TRUE(underWayStored || StoredLaps(db.Connection()) == imported * test::kLapsPerRound)
        << StoredLaps(db.Connection()) << " laps: the import under way is stored whole or not at all";
    if (kill.StopLap >= 0) {
      EXPECT_EQ(rounds.size(), kill.ReportsBefore);
      EXPECT_FALSE(underWayStored) << "killed inside its transaction";
    }
    TLapTimePoolConnector pool;
    pool.SetSQLConnection(&db.Connection());
    pool.ImportLaps(test::ImportRound(rounds.last() + 1),
                    [](std::size_t, const EDatabaseError& error) { ADD_FAILURE() << error.what(); });
    ++imported;
    EXPECT_EQ(StoredLaps(db.Connection()), imported * test::kLapsPerRound)
        << "importing again adds each lap once";
    db.Reconnect();  // the engine locks the file to one process
    warned += ExpectNoValidationErrors(db.File(), kill.Number);
  }
  RecordProperty("kills", kKills);
  RecordProperty("kills_with_page_warnings", warned);
}

}  // namespace
}  // namespace lumox
