#include "archive/Database.h"
#include "archive/SQLQuery.h"
#include "archive/SchemaUpdater.h"
#include "tests/archive/OldDatabases.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

using test::StoredTrackPaths;
using test::StoredVersion;
using test::TableExists;
using test::UpdateLog;

class SchemaUpdater : public ::testing::Test {
 protected:
  // Runs the update of the database stored at `from` and returns its log.
  QStringList Update(const QString& from) {
    QStringList log;
    TSchemaUpdater(Db.Connection(), TVersion(test::ProgramVersion), TVersion(from)).Run([&](const QString& entry) {
      log << entry;
    });
    return log;
  }

  test::TTestDatabase Db;
};

TEST_F(SchemaUpdater, TheTemplateGetsEveryStepItsLapPathsTrimmedAndTheIndexes) {
  test::AddOldLap(Db, 1, "\\data\\tracks\\a\\");
  test::AddOldLap(Db, 2, "\\\\data\\tracks\\b");
  test::AddOldLap(Db, -3, "data\\tracks\\c\\");  // deleted laps too
  test::AddOldLap(Db, 4, "");
  test::AddOldLap(Db, 5, "\\");
  // An old program could give two laps one identifier; each keeps its own path.
  test::AddOldLap(Db, 6, "\\data\\tracks\\d");
  test::AddOldLap(Db, 6, "data\\tracks\\e");

  EXPECT_EQ(Update("0.0.0.0"),
            QStringList({"---------------------------------------\r\nLumox Database Updater\r\n"
                         "---------------------------------------",
                         " Current DB version: 0.0.0.0", "Updating to version: 1.3.1.0\r\n",
                         "Performing update to 0.7.0.0:", "  Trimming track paths ...", "  Done.\r\n",
                         "Performing update to 0.9.0.0:", "  Creating auto-merge table ...", "  Done.\r\n",
                         "Performing update to 1.2.0.0:", "  Creating tables CARS and TRACKS ...", "  Done.\r\n",
                         "Update complete. Writing new version number ...", "Click \"Done\" to exit."}));
  EXPECT_EQ(StoredTrackPaths(Db), QStringList({"-3 data\\tracks\\c", "1 data\\tracks\\a", "2 \\data\\tracks\\b", "4 ",
                                               "5 ", "6 data\\tracks\\d", "6 data\\tracks\\e"}));
  EXPECT_EQ(StoredVersion(Db), "1.3.1.0");
  for (const char* table : {"AUTOMERGES", "CARS", "TRACKS"}) EXPECT_TRUE(TableExists(Db, table)) << table;
  for (const char* index : {"IDX_CARS_CAR_IDX", "IDX_TRACKS_TRK_IDX", "IDX_LAPTIMEPOOL_CAR_NAME", "IDX_LAPTIMEPOOL_LTP_ID"})
    EXPECT_TRUE(test::IndexExists(Db, index)) << index;
  Db.Execute("insert into AUTOMERGES (MERGE_ID, MERGE_TYPE) values (1, 2)");
  EXPECT_THROW(Db.Execute("insert into AUTOMERGES (MERGE_ID, MERGE_TYPE) values (1, 2)"), EDatabaseError);
}

struct TOlderSchema {
  const char* Version;
  QStringList Steps;
};

class SchemaUpdaterFrom : public SchemaUpdater, public ::testing::WithParamInterface<TOlderSchema> {};

TEST_P(SchemaUpdaterFrom, OnlyTheLaterStepsRun) {
  test::MakeSchemaOf(Db, GetParam().Version);
  test::AddOldLap(Db, 1, "\\data\\tracks\\a\\");  // trimmed only before 0.7.0.0
  EXPECT_EQ(Update(GetParam().Version), UpdateLog(GetParam().Version, GetParam().Steps));
  EXPECT_EQ(StoredTrackPaths(Db), QStringList({"1 \\data\\tracks\\a\\"}));
  EXPECT_EQ(StoredVersion(Db), "1.3.1.0");
  for (const char* table : {"AUTOMERGES", "CARS", "TRACKS"}) EXPECT_TRUE(TableExists(Db, table)) << table;
  EXPECT_TRUE(test::IndexExists(Db, "IDX_LAPTIMEPOOL_TRACK_NAME"));
}

INSTANTIATE_TEST_SUITE_P(OlderVersions, SchemaUpdaterFrom,
                         ::testing::Values(TOlderSchema{"0.7.0.0", {"0.9.0.0", "1.2.0.0"}},
                                           TOlderSchema{"0.8.5.3", {"0.9.0.0", "1.2.0.0"}},
                                           TOlderSchema{"0.9.0.0", {"1.2.0.0"}}, TOlderSchema{"1.2.0.0", {}}),
                         [](const auto& info) { return QString(info.param.Version).replace('.', '_').toStdString(); });

TEST_F(SchemaUpdater, AFailedStepKeepsTheVersionAndTheLogSoFarAndTheUpdateCanBeRunAgain) {
  test::AddOldLap(Db, 1, "\\data\\tracks\\a\\");
  // A rule table whose identifier may be empty cannot get its primary key.
  Db.Execute("CREATE TABLE AUTOMERGES (MERGE_ID INTEGER, MERGE_TYPE INTEGER, NAME_FROM VARCHAR(255), "
             "IDPATH_FROM VARCHAR(255), NAME_TO VARCHAR(255), IDPATH_TO VARCHAR(255))");
  QStringList log;
  EXPECT_THROW(TSchemaUpdater(Db.Connection(), TVersion(test::ProgramVersion), TVersion("0.0.0.0"))
                   .Run([&](const QString& entry) { log << entry; }),
               EDatabaseError);
  EXPECT_EQ(log, UpdateLog("0.0.0.0", {"0.7.0.0", "0.9.0.0"}).mid(0, 8));
  EXPECT_EQ(StoredVersion(Db), "none");
  EXPECT_EQ(StoredTrackPaths(Db), QStringList({"1 data\\tracks\\a"}));  // the step before stays done
  EXPECT_FALSE(TableExists(Db, "CARS"));

  Db.Execute("DROP TABLE AUTOMERGES");
  EXPECT_EQ(Update("0.0.0.0"), UpdateLog("0.0.0.0", {"0.7.0.0", "0.9.0.0", "1.2.0.0"}));
  EXPECT_EQ(StoredVersion(Db), "1.3.1.0");
  EXPECT_TRUE(TableExists(Db, "CARS"));
}

TEST_F(SchemaUpdater, AnUpdateRunTwiceFindsEverythingInPlace) {
  test::AddOldLap(Db, 1, "\\data\\tracks\\a\\");
  const QStringList log = UpdateLog("0.0.0.0", {"0.7.0.0", "0.9.0.0", "1.2.0.0"});
  EXPECT_EQ(Update("0.0.0.0"), log);
  Db.Execute("insert into CARS values (0, 'F3', '1990', 'f3', 'x1')");
  EXPECT_EQ(Update("0.0.0.0"), log);
  EXPECT_EQ(StoredTrackPaths(Db), QStringList({"1 data\\tracks\\a"}));
  EXPECT_EQ(StoredVersion(Db), "1.3.1.0");
  TSQLQuery cars(Db.Connection(), "select count(*) as N from CARS");
  cars.Exec();
  ASSERT_TRUE(cars.Next());
  EXPECT_EQ(cars.Integer("N"), 1);
}

}  // namespace
}  // namespace lumox
