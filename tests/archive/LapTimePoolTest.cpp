#include "archive/LapTimePool.h"
#include "archive/SQLQuery.h"
#include "archive/Schema.h"
#include "tests/archive/TestDatabase.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

constexpr const char* Monza = "data\\tracks\\monza";
constexpr const char* Spa = "data\\tracks\\spa";

class LapTimePool : public ::testing::Test {
 protected:
  LapTimePool() {
    Db.CreateLapTimeSchema();
    Pool.SetSQLConnection(&Db.Connection());
  }

  // Adds a lap and returns its identifier.
  int Add(const QString& track, const QString& path, const QString& car, const QString& id, int time, int date) {
    const int ltpID = Pool.GetNextLTPID();
    Pool.AddLapTime(track, path, car, id, date, time);
    return ltpID;
  }

  // Car and track of every stored row (deleted ones included) by identifier, as "id car/id".
  QStringList StoredCars() {
    QStringList rows;
    TSQLQuery query(Db.Connection(), "select LTP_ID, CAR_NAME, CAR_ID from LAPTIMEPOOL order by LTP_ID");
    query.Exec();
    while (query.Next())
      rows << QStringLiteral("%1 %2/%3").arg(query.Integer("LTP_ID")).arg(query.String("CAR_NAME"), query.String("CAR_ID"));
    return rows;
  }

  test::TTestDatabase Db;
  TLapTimePoolConnector Pool;
  QStringList IDs, Names, Keys, Times, Dates;
};

TEST(LapTimePoolTexts, TrackPathsLoseOneBackslashAtEachEnd) {
  EXPECT_EQ(TLapTimePoolConnector::NormalizeTrackPath("\\data\\tracks\\oval\\"), "data\\tracks\\oval");
  EXPECT_EQ(TLapTimePoolConnector::NormalizeTrackPath("data\\tracks\\oval\\\\"), "data\\tracks\\oval\\");
  EXPECT_EQ(TLapTimePoolConnector::NormalizeTrackPath("\\\\data"), "\\data");
  EXPECT_EQ(TLapTimePoolConnector::NormalizeTrackPath("\\"), "");
  EXPECT_EQ(TLapTimePoolConnector::NormalizeTrackPath("\\\\"), "\\");
  EXPECT_EQ(TLapTimePoolConnector::NormalizeTrackPath(""), "");
}

TEST(LapTimePoolTexts, DisplayTextsTrimAndFillEmptyParts) {
  EXPECT_EQ(CarNameAndID("  F3 \t", ""), "F3 [<no ID>]");
  EXPECT_EQ(CarNameAndID(" ", " x1 "), "<no car name> [x1]");
  EXPECT_EQ(TrackNameAndPath(" Oval", "oval "), "Oval [oval]");
  EXPECT_EQ(TrackNameAndPath("", ""), "<no track name> [<no path>]");
}

TEST(LapTimePoolTexts, AnUnboundConnectorRefusesEveryOperation) {
  TLapTimePoolConnector pool;
  try {
    pool.GetNextLTPID();
    FAIL() << "no exception";
  } catch (const ELumox& e) {
    EXPECT_STREQ(e.what(), "TLapTimePoolConnector: SQLConnection not initialized.");
  }
  {
    test::TTestDatabase db;
    pool.SetSQLConnection(&db.Connection());
    EXPECT_EQ(pool.GetNextLTPID(), 1);
  }
  // The connection it was bound to is gone.
  EXPECT_THROW(pool.DeleteLapTime(1), ELumox);
}

TEST_F(LapTimePool, IdentifiersAreNeverReused) {
  EXPECT_EQ(Pool.GetNextLTPID(), 1);
  Db.Execute("insert into LAPTIMEPOOL (LTP_ID, LAP_TIME, LAP_DATE) values (-3, 1, 1)");
  EXPECT_EQ(Pool.GetNextLTPID(), 4);
  for (int id : {1, 2, 4, 5, -7}) Db.Execute(QStringLiteral("insert into LAPTIMEPOOL (LTP_ID) values (%1)").arg(id));
  EXPECT_EQ(Pool.GetNextLTPID(), 8);
}

TEST_F(LapTimePool, ADeletedLapStaysArchivedButHiddenAndIsNeverRevived) {
  const int id = Add("Oval", "\\data\\tracks\\oval\\", "F3", "x1", 61000, 500);
  EXPECT_TRUE(Pool.LapTimeExists("Oval", "data\\tracks\\oval", "F3", "x1", 500, 61000));
  EXPECT_FALSE(Pool.LapTimeExists("Oval", "data\\tracks\\oval", "F3", "x1", 501, 61000));

  Pool.DeleteLapTime(id);
  EXPECT_TRUE(Pool.LapTimeExists("Oval", "\\data\\tracks\\oval", "F3", "x1", 500, 61000));
  Pool.GetCars(Names, Keys);
  Pool.GetTracks(Names, Keys);
  Pool.GetLapTimesForCar("F3", "x1", &IDs, Names, Keys, Times, Dates);
  Pool.GetBestLapsForTrack("Oval", "data\\tracks\\oval", &IDs, Names, Keys, Times, Dates);
  EXPECT_EQ(IDs + Names + Keys + Times + Dates, QStringList());

  // Deleting again, or passing the stored negative identifier or 0, revives nothing.
  for (int again : {id, -id, 0}) Pool.DeleteLapTime(again);
  EXPECT_EQ(StoredCars(), QStringList({QStringLiteral("%1 F3/x1").arg(-id)}));
  EXPECT_EQ(Pool.GetNextLTPID(), id + 1);
}

// A hand-made archive with ties, deleted laps, blanks around names and an empty track.
class LapTimeArchive : public LapTimePool {
 protected:
  LapTimeArchive() {
    Add("Monza", Monza, "Ferrari", "F1", 90000, 1000);      // 1
    Add("Monza", Monza, "Ferrari", "F1", 85000, 3000);      // 2
    Add("Monza", Monza, "Ferrari", "F1", 85000, 2000);      // 3: same time as 2, earlier
    Add("Spa", Spa, "Ferrari", "F1", 120000, 1500);         // 4
    Add("Spa", Spa, "Ferrari", "F1", 110000, 2500);         // 5: deleted
    Add("Monza", Monza, " Lotus ", " L49 ", 85000, 500);    // 6: ties with Ferrari's best
    Add("Spa", Spa, " Lotus ", " L49 ", 100000, 700);       // 7
    Add("Monza", Monza, "Ferrari", "F1", 84000, 4000);      // 8: deleted, faster than the best
    Add("", "", "Ferrari", "F1", 70000, 5000);              // 9
    Pool.DeleteLapTime(5);
    Pool.DeleteLapTime(8);
  }
};

TEST_F(LapTimeArchive, CarsAndTracksAreDistinctTrimmedAndByName) {
  Names << "kept";
  Pool.GetCars(Names, Keys);
  EXPECT_EQ(Names, QStringList({"kept", "Lotus", "Ferrari"}));
  EXPECT_EQ(Keys, QStringList({"L49", "F1"}));
  QStringList tracks, paths;
  Pool.GetTracks(tracks, paths);
  EXPECT_EQ(tracks, QStringList({"", "Monza", "Spa"}));
  EXPECT_EQ(paths, QStringList({"", Monza, Spa}));
}

TEST_F(LapTimeArchive, LapsOfACarOnATrackByTimeOrByDate) {
  Pool.GetLapTimesForCarAndTrack("Ferrari", "F1", "Monza", "\\data\\tracks\\monza\\", &IDs, Times, Dates, false);
  EXPECT_EQ(IDs, QStringList({"3", "2", "1"}));
  EXPECT_EQ(Times, QStringList({"85000", "85000", "90000"}));
  EXPECT_EQ(Dates, QStringList({"2000", "3000", "1000"}));

  QStringList times, dates;
  Pool.GetLapTimesForCarAndTrack("Ferrari", "F1", "Monza", Monza, nullptr, times, dates, true);
  EXPECT_EQ(times, QStringList({"90000", "85000", "85000"}));
  EXPECT_EQ(dates, QStringList({"1000", "2000", "3000"}));
}

TEST_F(LapTimeArchive, BestLapPerTrackOfACar) {
  Pool.GetBestLapsForCar("Ferrari", "F1", &IDs, Names, Keys, Times, Dates);
  EXPECT_EQ(Names, QStringList({"", "Monza", "Spa"}));
  EXPECT_EQ(Keys, QStringList({"", Monza, Spa}));
  EXPECT_EQ(Times, QStringList({"70000", "85000", "120000"}));
  // Of the two laps at 85000 the earlier one; never the deleted faster or deleted Spa lap.
  EXPECT_EQ(IDs, QStringList({"9", "3", "4"}));
  EXPECT_EQ(Dates, QStringList({"5000", "2000", "1500"}));
}

TEST_F(LapTimeArchive, BestLapPerCarOnATrack) {
  Pool.GetBestLapsForTrack("Monza", "\\data\\tracks\\monza", &IDs, Names, Keys, Times, Dates);
  // Equal best times: by car name, where the stored leading blank sorts first.
  EXPECT_EQ(Names, QStringList({"Lotus", "Ferrari"}));
  EXPECT_EQ(Keys, QStringList({"L49", "F1"}));
  EXPECT_EQ(Times, QStringList({"85000", "85000"}));
  // A name stored with blanks around it still yields its lap.
  EXPECT_EQ(IDs, QStringList({"6", "3"}));
  EXPECT_EQ(Dates, QStringList({"500", "2000"}));

  QStringList names, keys, times, dates;
  Pool.GetBestLapsForTrack("Spa", Spa, nullptr, names, keys, times, dates);
  EXPECT_EQ(names, QStringList({"Lotus", "Ferrari"}));
  EXPECT_EQ(times, QStringList({"100000", "120000"}));
  EXPECT_EQ(dates, QStringList({"700", "1500"}));
}

TEST_F(LapTimeArchive, AllLapsOfACarOrOnATrack) {
  Pool.GetLapTimesForCar("Ferrari", "F1", &IDs, Names, Keys, Times, Dates);
  EXPECT_EQ(IDs, QStringList({"9", "3", "2", "1", "4"}));
  EXPECT_EQ(Names, QStringList({"", "Monza", "Monza", "Monza", "Spa"}));
  EXPECT_EQ(Times, QStringList({"70000", "85000", "85000", "90000", "120000"}));
  EXPECT_EQ(Dates, QStringList({"5000", "2000", "3000", "1000", "1500"}));

  QStringList ids, names, keys, times, dates;
  Pool.GetLapTimesForTrack("Monza", Monza, &ids, names, keys, times, dates);
  EXPECT_EQ(ids, QStringList({"6", "3", "2", "1"}));
  EXPECT_EQ(names, QStringList({"Lotus", "Ferrari", "Ferrari", "Ferrari"}));
  EXPECT_EQ(keys, QStringList({"L49", "F1", "F1", "F1"}));
  EXPECT_EQ(times, QStringList({"85000", "85000", "85000", "90000"}));
  EXPECT_EQ(dates, QStringList({"500", "2000", "3000", "1000"}));
}

// The selections order their laps in the program; texts that differ in trailing blanks, case,
// accents, control characters or code points above U+FFFF, and laps without a track name or
// a time, must come in the order the database's own statements give. Each lap has a date of
// its own, so the dates show the order.
TEST_F(LapTimePool, SelectionsOrderTheirLapsAsTheDatabaseDoes) {
  const QStringList texts = {"",
                             " ",
                             "a",
                             "a ",
                             "a\t",
                             "a\x01",
                             "A",
                             "b",
                             QString::fromUtf8("ä"),
                             QString::fromUtf8("é"),
                             QString(QChar(0xE000)),
                             QString::fromUtf8("😀"),
                             QString::fromUtf8("😀a"),
                             "z"};
  int date = 1;
  for (qsizetype i = 0; i < texts.size(); ++i)
    for (const qsizetype path : {i, (i + 5) % texts.size()})
      for (int lap = 0; lap < 2; ++lap)
        Add(texts[i], texts[path], "C", "c", 60000 + int(i * 7 + path + lap) % 4 * 1000, date++);
  Db.Execute("insert into LAPTIMEPOOL values (90, null, 'x', 'C', 'c', 61000, 90)");
  Db.Execute("insert into LAPTIMEPOOL values (91, 'a', 'a', 'C', 'c', null, 91)");
  Db.Execute("insert into LAPTIMEPOOL values (92, 'a', 'a', 'C', 'c', 59000, null)");
  const auto datesOf = [&](const QString& sql) {
    QStringList dates;
    TSQLQuery query(Db.Connection(), "select LAP_DATE from " + sql);
    query.Exec();
    while (query.Next()) dates << QString::number(query.Integer(0));
    return dates;
  };
  const QString ofCar = "LAPTIMEPOOL where CAR_NAME = 'C' and CAR_ID = 'c' and LTP_ID >= 0";

  Pool.GetLapTimesForCar("C", "c", nullptr, Names, Keys, Times, Dates);
  EXPECT_EQ(Dates, datesOf(ofCar + " order by TRACK_NAME, TRACK_PATH, LAP_TIME, LAP_DATE"));
  QStringList best, unused, times;
  Pool.GetBestLapsForCar("C", "c", nullptr, unused, unused, times, best);
  EXPECT_EQ(best,
            datesOf("(select LAP_DATE, LAP_TIME, TRACK_NAME, TRACK_PATH, row_number() over (partition by "
                    "TRACK_NAME, TRACK_PATH order by LAP_TIME nulls last, LAP_DATE, LTP_ID) as PLACE from " +
                    ofCar + ") where PLACE = 1 order by LAP_TIME, TRACK_NAME, TRACK_PATH"));
  for (const bool byDate : {false, true}) {
    QStringList dates;
    Pool.GetLapTimesForCarAndTrack("C", "c", "a", "a", nullptr, times, dates, byDate);
    EXPECT_EQ(dates, datesOf(ofCar + " and TRACK_NAME = 'a' and TRACK_PATH = 'a' order by " +
                             (byDate ? "LAP_DATE, LAP_TIME" : "LAP_TIME, LAP_DATE")));
  }
}

TEST_F(LapTimeArchive, LapInfoIsStoredTextOrEmpty) {
  QString car = "x", id = "x", track = "x", path = "x";
  Pool.GetLapTimeInfo(6, car, id, track, path);
  EXPECT_EQ(QStringList({car, id, track, path}), QStringList({" Lotus ", " L49 ", "Monza", Monza}));
  Pool.GetLapTimeInfo(77, car, id, track, path);
  EXPECT_EQ(car + id + track + path, "");
}

TEST_F(LapTimeArchive, MergingMovesDeletedLapsTooAndKeepsDuplicates) {
  Pool.MergeTracks("Monza", Monza, "Monza", Monza);
  Pool.MergeCars("Ferrari", "F1", " Lotus ", " L49 ");
  Pool.GetCars(Names, Keys);
  EXPECT_EQ(Names, QStringList({"Lotus"}));
  EXPECT_EQ(StoredCars().filter("Ferrari"), QStringList());
  EXPECT_TRUE(Pool.LapTimeExists("Spa", Spa, " Lotus ", " L49 ", 2500, 110000));

  // Monza's laps at 85000 are now equal apart from the date; Lotus's own one stays distinct.
  Pool.MergeTracks("Spa", Spa, "Monza", Monza);
  Pool.GetLapTimesForTrack("Monza", Monza, &IDs, Names, Keys, Times, Dates);
  EXPECT_EQ(IDs, QStringList({"6", "3", "2", "1", "7", "4"}));
  Pool.MergeTracks("Nowhere", "", "Monza", Monza);
}

class AutoMerges : public LapTimePool {
 protected:
  void AddLaps(std::initializer_list<const char*> cars) {
    int date = 1;
    for (const char* car : cars) Add("Oval", "oval", car, "", 60000, date++);
  }
  QStringList Rules() {
    QStringList ids, namesFrom, idsFrom, namesTo, idsTo, rules;
    Pool.GetCarAutoMerges(ids, namesFrom, idsFrom, namesTo, idsTo);
    for (qsizetype i = 0; i < ids.size(); ++i) rules << ids[i] + ":" + namesFrom[i] + "->" + namesTo[i];
    return rules;
  }
};

TEST_F(AutoMerges, RulesAreStoredOnceAndIdentifiersFollowTheNewest) {
  EXPECT_EQ(Pool.GetNextMergeID(), 1);
  Pool.AddCarAutoMerge("A", "", "B", "");
  Pool.AddCarAutoMerge("A", "", "B", "");
  Pool.AddCarAutoMerge("A", "", "C", "");
  Pool.AddCarAutoMerge(" D", "1", "E ", "2");
  EXPECT_EQ(Rules(), QStringList({"1:A->B", "2:A->C", "3: D->E "}));
  Pool.DeleteAutoMerge(3);
  EXPECT_EQ(Pool.GetNextMergeID(), 3);
  Pool.DeleteAutoMerge(1);
  EXPECT_EQ(Rules(), QStringList({"2:A->C"}));
}

TEST_F(AutoMerges, ChainsResolveOnlyWithAscendingIdentifiers) {
  AddLaps({"A", "B", "X", "Y"});
  Pool.AddCarAutoMerge("A", "", "B", "");
  Pool.AddCarAutoMerge("B", "", "C", "");
  Pool.AddCarAutoMerge("Y", "", "Z", "");
  Pool.AddCarAutoMerge("X", "", "Y", "");
  Pool.ApplyCarAutoMerges();
  EXPECT_EQ(StoredCars(), QStringList({"1 C/", "2 C/", "3 Y/", "4 Z/"}));
  // A second run finishes what the order left over and changes nothing else.
  Pool.ApplyCarAutoMerges();
  Pool.ApplyCarAutoMerges();
  EXPECT_EQ(StoredCars(), QStringList({"1 C/", "2 C/", "3 Z/", "4 Z/"}));
}

TEST_F(AutoMerges, TheLowestRuleOfASourceWins) {
  AddLaps({"A", "B"});
  Pool.AddCarAutoMerge("A", "", "B", "");
  Pool.AddCarAutoMerge("A", "", "C", "");
  Pool.AddCarAutoMerge("B", "", "A", "");
  QString name = "A", id = "";
  Pool.LookupCarAutoMerge(name, id);
  EXPECT_EQ(name, "B");
  Pool.LookupCarAutoMerge(name, id);  // one step at a time
  EXPECT_EQ(name, "A");
  name = "Q";
  Pool.LookupCarAutoMerge(name, id);
  EXPECT_EQ(name, "Q");
  // A to B, then nothing of A is left for A to C, then B (both laps) back to A.
  Pool.ApplyCarAutoMerges();
  EXPECT_EQ(StoredCars(), QStringList({"1 A/", "2 A/"}));
}

TEST_F(AutoMerges, ALapMovedByARuleIsNotImportedAgain) {
  Pool.AddCarAutoMerge("A", "a", "B", "b");
  Pool.AddCarAutoMerge("B", "b", "C", "c");
  Pool.AddCarAutoMerge("Q", "", "Q", "");
  Add("Oval", "oval", "A", "a", 60000, 1);
  Add("Oval", "oval", "Q", "", 60000, 1);
  Pool.ApplyCarAutoMerges();
  const TCarAutoMerges rules(Pool);
  EXPECT_FALSE(Pool.LapTimeExists("Oval", "oval", "A", "a", 1, 60000));
  EXPECT_TRUE(Pool.LapTimeArchived(rules, "Oval", "\\oval\\", "A", "a", 1, 60000));
  EXPECT_TRUE(Pool.LapTimeArchived(rules, "Oval", "oval", "B", "b", 1, 60000));
  EXPECT_TRUE(Pool.LapTimeArchived(rules, "Oval", "oval", "C", "c", 1, 60000));
  EXPECT_TRUE(Pool.LapTimeArchived(rules, "Oval", "oval", "Q", "", 1, 60000));
  EXPECT_FALSE(Pool.LapTimeArchived(rules, "Oval", "oval", "A", "a", 2, 60000));
  EXPECT_FALSE(Pool.LapTimeArchived(rules, "Oval", "oval", "D", "d", 1, 60000));
  // A deleted lap counts as archived under its merged car as well.
  Pool.DeleteLapTime(1);
  EXPECT_TRUE(Pool.LapTimeArchived(rules, "Oval", "oval", "A", "a", 1, 60000));
}

TEST(Schema, StatementsSkipWhatExistsSoAFailedUpdateCanRunAgain) {
  test::TTestDatabase db;
  db.Execute("CREATE TABLE AUTOMERGES (MERGE_ID INTEGER NOT NULL)");
  RunSchemaStatements(db.Connection(), AutoMergeTable);
  RunSchemaStatements(db.Connection(), LapTimePoolIndexes);
  RunSchemaStatements(db.Connection(), LapTimePoolIndexes);
  TSQLQuery query(db.Connection(),
                  "select count(*) as N from RDB$INDICES where RDB$INDEX_NAME starting with 'IDX_LAPTIMEPOOL_'"
                  " or RDB$INDEX_NAME = 'PK_AUTOMERGES'");
  query.Exec();
  ASSERT_TRUE(query.Next());
  EXPECT_EQ(query.Integer("N"), static_cast<int>(LapTimePoolIndexes.size()) + 1);
}

}  // namespace
}  // namespace lumox
