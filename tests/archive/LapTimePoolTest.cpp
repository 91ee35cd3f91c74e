#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "archive/LapTimePool.h"
#include "archive/SQLQuery.h"
#include "archive/Schema.h"
#include "tests/archive/TestDatabase.h"

namespace lumox {
namespace {

constexpr const char* Monza = "data\\tracks\\monza";
constexpr const char* Spa = "data\\tracks\\spa";

// A hand-made archive with ties, deleted laps, blanks around names and an empty track.
class LapTimePool : public ::testing::Test {
 protected:
  LapTimePool() {
    Db.CreateLapTimeSchema();
    Pool.SetSQLConnection(&Db.Connection());
    Add("Monza", Monza, "Ferrari", "F1", 90000, 1000);                      // 1
    Add("Monza", Monza, "Ferrari", "F1", 85000, 3000);                      // 2
    Add("Monza", Monza, "Ferrari", "F1", 85000, 2000);                      // 3: same time as 2, earlier
    Add("Spa", Spa, "Ferrari", "F1", 120000, 1500);                         // 4
    Add("Spa", Spa, "Ferrari", "F1", 110000, 2500);                         // 5: deleted
    Add("Monza", Monza, " Lotus ", " L49 ", 85000, 500);                    // 6: ties with Ferrari's best
    Add("Spa", Spa, " Lotus ", " L49 ", 100000, 700);                       // 7
    Add("Monza", "\\data\\tracks\\monza\\", "Ferrari", "F1", 84000, 4000);  // 8: deleted, the fastest
    Add("", "", "Ferrari", "F1", 70000, 5000);                              // 9
    Pool.DeleteLapTime(5);
    Pool.DeleteLapTime(8);
  }

  void Add(const QString& track, const QString& path, const QString& car, const QString& id, int time,
           int date) {
    Pool.AddLapTime(track, path, car, id, date, time);
  }
  // The parallel lists of a selection, zipped into rows "a|b|...".
  static QStringList Zip(std::initializer_list<QStringList> columns) {
    QStringList rows;
    for (qsizetype row = 0; row < columns.begin()->size(); ++row) {
      QStringList cells;
      for (const QStringList& column : columns) cells << column.value(row, "<missing>");
      rows << cells.join('|');
    }
    return rows;
  }
  // A selection of laps with identifiers, as "id|name|key|time|date".
  template <class F>
  QStringList Selected(F select) {
    QStringList ids, names, keys, times, dates;
    select(&ids, names, keys, times, dates);
    return Zip({ids, names, keys, times, dates});
  }
  QStringList StoredCars() {
    return Db.Rows("select LTP_ID || ' ' || CAR_NAME as R from LAPTIMEPOOL order by LTP_ID");
  }

  test::TTestDatabase Db;
  TLapTimePoolConnector Pool;
  QStringList Names, Keys;
};

TEST_F(LapTimePool, IdentifiersAreNeverReusedAndADeletedLapIsArchivedButHiddenAndNeverRevived) {
  EXPECT_THROW(TLapTimePoolConnector().GetNextLTPID(), ELumox);
  EXPECT_EQ(Pool.GetNextLTPID(), 10);
  EXPECT_TRUE(Pool.LapTimeExists("Monza", Monza, "Ferrari", "F1", 4000, 84000));
  EXPECT_FALSE(Pool.LapTimeExists("Monza", Monza, "Ferrari", "F1", 4001, 84000));
  for (int again : {8, -8, 0}) Pool.DeleteLapTime(again);
  EXPECT_EQ(StoredCars().filter("-"), QStringList({"-8 Ferrari", "-5 Ferrari"}));
  Db.Execute("update LAPTIMEPOOL set LTP_ID = -12 where LTP_ID = -8");
  EXPECT_EQ(Pool.GetNextLTPID(), 13);
  EXPECT_EQ(TLapTimePoolConnector::NormalizeTrackPath("\\\\data\\"), "\\data");
  EXPECT_EQ(TrackNameAndPath("", " a "), "<no track name> [a]");
}

TEST_F(LapTimePool, EachSelectionGivesItsVisibleRowsInItsOrder) {
  Pool.GetCars(Names, Keys);
  Pool.GetTracks(Names, Keys);
  EXPECT_EQ(Zip({Names, Keys}),
            QStringList({"Lotus|L49", "Ferrari|F1", "|", "Monza|" + QString(Monza), "Spa|" + QString(Spa)}));
  QStringList ids, times, dates;
  Pool.GetLapTimesForCarAndTrack("Ferrari", "F1", "Monza", "\\data\\tracks\\monza\\", &ids, times, dates,
                                 false);
  EXPECT_EQ(Zip({ids, times, dates}), QStringList({"3|85000|2000", "2|85000|3000", "1|90000|1000"}));
  Pool.GetLapTimesForCarAndTrack("Ferrari", "F1", "Monza", Monza, nullptr, times, dates, true);
  EXPECT_EQ(times.mid(3), QStringList({"90000", "85000", "85000"})) << "by date";
  // The best lap per track or car: of two at the same time the earlier, never a deleted one;
  // equal best times by name, where a stored leading blank sorts first.
  EXPECT_EQ(Selected([&](auto&&... lists) { Pool.GetBestLapsForCar("Ferrari", "F1", lists...); }),
            QStringList({"9|||70000|5000", "3|Monza|" + QString(Monza) + "|85000|2000",
                         "4|Spa|" + QString(Spa) + "|120000|1500"}));
  EXPECT_EQ(
      Selected([&](auto&&... lists) { Pool.GetBestLapsForTrack("Spa", "\\data\\tracks\\spa", lists...); }),
      QStringList({"7|Lotus|L49|100000|700", "4|Ferrari|F1|120000|1500"}));
  EXPECT_EQ(Selected([&](auto&&... lists) { Pool.GetBestLapsForTrack("Monza", Monza, lists...); }).mid(0, 1),
            QStringList({"6|Lotus|L49|85000|500"}));
  EXPECT_EQ(
      Selected([&](auto&&... lists) { Pool.GetLapTimesForCar("Ferrari", "F1", lists...); }),
      QStringList({"9|||70000|5000", "3|Monza|" + QString(Monza) + "|85000|2000",
                   "2|Monza|" + QString(Monza) + "|85000|3000", "1|Monza|" + QString(Monza) + "|90000|1000",
                   "4|Spa|" + QString(Spa) + "|120000|1500"}));
  EXPECT_EQ(Selected([&](auto&&... lists) { Pool.GetLapTimesForTrack("Monza", Monza, lists...); }),
            QStringList({"6|Lotus|L49|85000|500", "3|Ferrari|F1|85000|2000", "2|Ferrari|F1|85000|3000",
                         "1|Ferrari|F1|90000|1000"}));
  QString car = "x", id = "x", track = "x", path = "x";
  Pool.GetLapTimeInfo(6, car, id, track, path);
  EXPECT_EQ(QStringList({car, id, track, path}), QStringList({" Lotus ", " L49 ", "Monza", Monza}));
  Pool.GetLapTimeInfo(77, car, id, track, path);
  EXPECT_EQ(car + id + track + path, "");
}

// The selections order their laps in the program; texts that differ in trailing blanks, case,
// accents, control characters or code points above U+FFFF, and laps without a track name or
// a time, must come in the order the database's own statements give. Each lap has a date of
// its own, so the dates show the order.
TEST_F(LapTimePool, SelectionsOrderTheirLapsAsTheDatabaseDoes) {
  Db.Execute("delete from LAPTIMEPOOL");
  QStringList Times, Dates;
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

TEST_F(LapTimePool, MergingMovesDeletedLapsTooAndKeepsDuplicates) {
  Pool.MergeCars("Ferrari", "F1", " Lotus ", " L49 ");
  Pool.MergeTracks("Spa", Spa, "Monza", Monza);
  Pool.GetCars(Names, Keys);
  Pool.GetTracks(Names, Keys);
  EXPECT_EQ(Names, QStringList({"Lotus", "", "Monza"}));
  EXPECT_TRUE(Pool.LapTimeExists("Monza", Monza, " Lotus ", " L49 ", 2500, 110000));
  EXPECT_EQ(Selected([&](auto&&... lists) { Pool.GetLapTimesForTrack("Monza", Monza, lists...); }).size(), 6);
}

// The lists of cars and tracks are kept in tables of their own; after every kind of write,
// by this program or by an older one that does not keep them, they must give what the
// distinct pairs of the visible laps give.
TEST_F(LapTimePool, TheCarAndTrackListsFollowEveryWriteAsTheLapsThemselvesWouldGiveThem) {
  const auto distinct = [&](const char* name, const char* key) {
    TSQLQuery query(
        Db.Connection(),
        QStringLiteral("select distinct %1, %2 from LAPTIMEPOOL where LTP_ID >= 0 order by %1, %2")
            .arg(name, key));
    query.Exec();
    QStringList rows;
    while (query.Next()) rows << query.String(0).trimmed() + '|' + query.String(1).trimmed();
    return rows;
  };
  const auto olderProgramAdds = [&](int id, const char* track, const char* car) {
    Db.Execute(QStringLiteral("insert into LAPTIMEPOOL values (%1, %2, 'path', %3, 'id', 60000, %1)")
                   .arg(id)
                   .arg(track, car));
  };
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"as made", [] {}},
      {"every lap of a car deleted",
       [&] {
         Pool.DeleteLapTime(6);
         Pool.DeleteLapTime(7);
       }},
      {"a car merged into one without laps", [&] { Pool.MergeCars("Ferrari", "F1", "Alfa", "A1"); }},
      {"a track merged into another", [&] { Pool.MergeTracks("Spa", Spa, "Monza", Monza); }},
      {"an import whose rules move its lap and older ones",
       [&] {
         Pool.AddCarAutoMerge("Old", "o", "New", "n");
         Pool.AddCarAutoMerge("Alfa ", "A1", "Brabham", "BT");
         Pool.ImportLaps({{"Imola", "imola", "Old", "o", 1, 61000}},
                         [](std::size_t, const EDatabaseError& error) { FAIL() << error.what(); });
       }},
      {"laps of an older program, one without names, one differing in a trailing blank",
       [&] {
         olderProgramAdds(40, "'Suzuka'", "'Honda'");
         olderProgramAdds(41, "null", "null");
         olderProgramAdds(42, "'Suzuka '", "'Honda'");
       }},
      {"the older program deletes a lap",
       [&] { Db.Execute("update LAPTIMEPOOL set LTP_ID = -40 where LTP_ID = 40"); }},
      {"the older program merges a car into one it just added, then deletes that lap",
       [&] {
         olderProgramAdds(43, "'Suzuka'", "'X'");
         Db.Execute("update LAPTIMEPOOL set CAR_NAME = 'X' where CAR_NAME = 'Honda'");
         Db.Execute("update LAPTIMEPOOL set LTP_ID = -43 where LTP_ID = 43");
       }},
      {"laps removed by other means and new ones added",
       [&] {
         Db.Execute("delete from LAPTIMEPOOL where LTP_ID not between -40 and 12");
         olderProgramAdds(13, "'Hockenheim'", "'BMW'");
       }},
  };
  for (const auto& [step, write] : steps) {
    write();
    QStringList cars, ids, tracks, paths;
    Pool.GetCars(cars, ids);
    Pool.GetTracks(tracks, paths);
    EXPECT_EQ(Zip({cars, ids}), distinct("CAR_NAME", "CAR_ID")) << step;
    EXPECT_EQ(Zip({tracks, paths}), distinct("TRACK_NAME", "TRACK_PATH")) << step;
  }
}

TEST_F(LapTimePool, MergeRulesAreStoredOnceAndApplyInTheirOrderOneStepAtATime) {
  Db.Execute("delete from LAPTIMEPOOL");
  const char* rules[][2] = {{"A", "B"}, {"A", "B"}, {"B", "C"}, {"Y", "Z"},
                            {"X", "Y"}, {"P", "Q"}, {"P", "R"}, {"Q", "P"}};
  for (const auto& [from, to] : rules) Pool.AddCarAutoMerge(from, "", to, "");
  int date = 0;
  for (const char* car : {"A", "B", "X", "Y", "P", "Q"}) Add("Oval", "oval", car, "", 60000, ++date);
  QStringList ids, from, fromIDs, to, toIDs;
  Pool.GetCarAutoMerges(ids, from, fromIDs, to, toIDs);
  EXPECT_EQ(Zip({ids, from, to}),
            QStringList({"1|A|B", "2|B|C", "3|Y|Z", "4|X|Y", "5|P|Q", "6|P|R", "7|Q|P"}));
  QString name = "P", id;
  Pool.LookupCarAutoMerge(name, id);
  EXPECT_EQ(name, "Q") << "the lowest rule of a source wins";
  Pool.ApplyCarAutoMerges();
  // P to Q, then nothing of P is left for P to R, then Q (both laps) back to P.
  EXPECT_EQ(StoredCars(), QStringList({"1 C", "2 C", "3 Y", "4 Z", "5 P", "6 P"}));
  Pool.ApplyCarAutoMerges();  // finishes what the order left over
  EXPECT_EQ(StoredCars()[2], "3 Z");
  Pool.DeleteAutoMerge(7);
  EXPECT_EQ(Pool.GetNextMergeID(), 7);
}

TEST_F(LapTimePool, ALapMovedByARuleIsNotImportedAgainDeletedOrNot) {
  Pool.AddCarAutoMerge("A", "a", "B", "b");
  Pool.AddCarAutoMerge("B", "b", "C", "c");
  Pool.AddCarAutoMerge("Q", "", "Q", "");
  Add("Oval", "oval", "A", "a", 60000, 1);
  Add("Oval", "oval", "Q", "", 60000, 1);
  Pool.ApplyCarAutoMerges();
  Pool.DeleteLapTime(10);
  const TCarAutoMerges merges(Pool);
  EXPECT_FALSE(Pool.LapTimeExists("Oval", "oval", "A", "a", 1, 60000));
  for (const auto& [car, id] : {std::pair{"A", "a"}, {"B", "b"}, {"C", "c"}, {"Q", ""}})
    EXPECT_TRUE(Pool.LapTimeArchived(merges, "Oval", "\\oval\\", car, id, 1, 60000)) << car;
  EXPECT_FALSE(Pool.LapTimeArchived(merges, "Oval", "oval", "A", "a", 2, 60000));
  EXPECT_FALSE(Pool.LapTimeArchived(merges, "Oval", "oval", "D", "d", 1, 60000));
}

// The distinct pairs of the visible laps, "name|key", as the lists must give them.
QStringList VisiblePairs(test::TTestDatabase& db, const char* name, const char* key) {
  return db.Rows(QStringLiteral("select distinct trim(%1) || '|' || trim(%2) as R from LAPTIMEPOOL"
                                " where LTP_ID >= 0 order by 1")
                     .arg(name, key));
}

QStringList Pairs(const QStringList& names, const QStringList& keys) {
  QStringList pairs;
  for (qsizetype i = 0; i < names.size(); ++i) pairs << names[i] + '|' + keys[i];
  pairs.sort();
  return pairs;
}

// Every way laps change hands, in a seeded random order, by this program and by an older one
// that only writes rows: after each step the lists hold exactly the cars and tracks of the
// visible laps.
TEST(LapLists, EqualTheCarsAndTracksOfTheVisibleLapsAfterAnySequenceOfWrites) {
  test::TTestDatabase db;
  db.CreateLapTimeSchema();
  TLapTimePoolConnector pool;
  pool.SetSQLConnection(&db.Connection());
  std::mt19937 random(20261207);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const QStringList cars{"A", "B", "B ", "C", "D"}, tracks{"Oval", "Ring", "Ring "};
  const auto lap = [&]() -> TLapRecord {
    const int track = pick(tracks.size()), car = pick(cars.size());
    return {tracks[track],   "t" + QString::number(track), cars[car], "c" + QString::number(car), pick(50),
            60000 + pick(20)};
  };
  const auto visibleID = [&] {
    const QStringList ids = db.Rows("select LTP_ID as R from LAPTIMEPOOL where LTP_ID > 0");
    return ids.isEmpty() ? 0 : ids[pick(ids.size())].toInt();
  };
  const auto quoted = [](const QString& text) { return "'" + text + "'"; };
  const auto ignoreRefusals = [](std::size_t, const EDatabaseError&) {};
  const std::vector<std::pair<const char*, std::function<void()>>> writes = {
      {"import",
       [&] {
         pool.ImportLaps({lap(), lap()}, ignoreRefusals);
       }},
      {"import killed before its commit",
       [&] {
         TTransaction transaction(db.Connection());
         const TLapRecord l = lap();
         pool.AddLapTime(l.TrackName, l.TrackPath, l.CarName, l.CarID, l.LapDate, l.LapTime);
       }},
      {"car merge",
       [&] {
         const int from = pick(cars.size()), to = pick(cars.size());
         pool.MergeCars(cars[from], "c" + QString::number(from), cars[to], "c" + QString::number(to));
       }},
      {"track merge",
       [&] {
         const int from = pick(tracks.size()), to = pick(tracks.size());
         pool.MergeTracks(tracks[from], "t" + QString::number(from), tracks[to], "t" + QString::number(to));
       }},
      {"rule applied",
       [&] {
         const int from = pick(cars.size()), to = pick(cars.size());
         pool.AddCarAutoMerge(cars[from], "c" + QString::number(from), cars[to], "c" + QString::number(to));
         pool.ApplyCarAutoMerges();
       }},
      {"delete", [&] { pool.DeleteLapTime(visibleID()); }},
      {"older program's insert",
       [&] {
         const TLapRecord l = lap();
         db.Execute(QStringLiteral("insert into LAPTIMEPOOL values (%1, %2, %3, %4, %5, %6, %7)")
                        .arg(pool.GetNextLTPID())
                        .arg(quoted(l.TrackName), quoted(l.TrackPath), quoted(l.CarName), quoted(l.CarID))
                        .arg(l.LapTime)
                        .arg(l.LapDate));
       }},
      {"older program's merge",
       [&] {
         const int from = pick(cars.size()), to = pick(cars.size());
         db.Execute(
             QStringLiteral("update LAPTIMEPOOL set CAR_NAME = %1, CAR_ID = 'c%2' where CAR_NAME = %3 and "
                            "CAR_ID = 'c%4'")
                 .arg(quoted(cars[to]))
                 .arg(to)
                 .arg(quoted(cars[from]))
                 .arg(from));
       }},
      {"older program's delete",
       [&] {
         const int id = visibleID();
         db.Execute(QStringLiteral("update LAPTIMEPOOL set LTP_ID = %1 where LTP_ID = %2").arg(-id).arg(id));
       }},
      {"row removed",
       [&] { db.Execute(QStringLiteral("delete from LAPTIMEPOOL where LTP_ID = %1").arg(visibleID())); }},
  };
  for (int step = 0; step < 200; ++step) {
    const auto& [what, write] = writes[pick(static_cast<int>(writes.size()))];
    write();
    QStringList carNames, carIDs, trackNames, trackPaths;
    pool.GetCars(carNames, carIDs);
    pool.GetTracks(trackNames, trackPaths);
    ASSERT_EQ(Pairs(carNames, carIDs), VisiblePairs(db, "CAR_NAME", "CAR_ID"))
        << "step " << step << ": " << what;
    ASSERT_EQ(Pairs(trackNames, trackPaths), VisiblePairs(db, "TRACK_NAME", "TRACK_PATH"))
        << "step " << step << ": " << what;
  }
}

// A lap read again from the simulator's unchanged files after it was merged away, by this program
// or an older one, with a rule or without, and deleted or not, is known; the merged-away car or
// track is not listed again. A lap that is new for the old car still arrives under it, unless a
// rule moves it.
TEST(LapImport, KnowsALapAgainWhateverMergeMovedItSince) {
  const std::vector<TLapRecord> files{{"Oval", "data\\tracks\\oval", "A", "a", 100, 61000},
                                      {"Oval", "data\\tracks\\oval", "A", "a", 200, 60000}};
  // Each merge, and whether the old car "A" and the old track "Oval" still have visible laps.
  const struct {
    const char* Merge;
    std::function<void(TLapTimePoolConnector&, test::TTestDatabase&)> Apply;
    bool CarListed;
    bool TrackListed;
  } merges[] = {
      {"car without a rule", [](TLapTimePoolConnector& p, auto&) { p.MergeCars("A", "a", "B", "b"); }, false,
       true},
      {"car with a rule",
       [](TLapTimePoolConnector& p, auto&) {
         p.AddCarAutoMerge("A", "a", "B", "b");
         p.ApplyCarAutoMerges();
       },
       false, true},
      {"car, then its laps deleted",
       [](TLapTimePoolConnector& p, auto&) {
         p.MergeCars("A", "a", "B", "b");
         p.DeleteLapTime(1);
         p.DeleteLapTime(2);
       },
       false, false},
      {"track",
       [](TLapTimePoolConnector& p, auto&) { p.MergeTracks("Oval", "data\\tracks\\oval", "Loop", "x"); },
       true, false},
      {"car and then track",
       [](TLapTimePoolConnector& p, auto&) {
         p.MergeCars("A", "a", "B", "b");
         p.MergeTracks("Oval", "data\\tracks\\oval", "Loop", "x");
       },
       false, false},
      {"car, by an older program",
       [](auto&, test::TTestDatabase& db) {
         db.Execute(
             "update LAPTIMEPOOL set CAR_NAME = 'B', CAR_ID = 'b' where CAR_NAME = 'A' and CAR_ID = 'a'");
       },
       false, true},
  };
  const auto refuseNone = [](std::size_t, const EDatabaseError& e) { ADD_FAILURE() << e.what(); };
  for (const auto& [merge, apply, carListed, trackListed] : merges) {
    test::TTestDatabase db;
    db.CreateLapTimeSchema();
    TLapTimePoolConnector pool;
    pool.SetSQLConnection(&db.Connection());
    pool.ImportLaps(files, refuseNone);
    apply(pool, db);
    const QStringList before =
        db.Rows("select LTP_ID || ' ' || CAR_NAME || ' ' || TRACK_NAME as R from LAPTIMEPOOL");
    pool.ImportLaps(files, refuseNone);
    EXPECT_EQ(db.Rows("select LTP_ID || ' ' || CAR_NAME || ' ' || TRACK_NAME as R from LAPTIMEPOOL"), before)
        << merge;
    QStringList cars, ids, tracks, paths;
    pool.GetCars(cars, ids);
    pool.GetTracks(tracks, paths);
    EXPECT_EQ(cars.contains("A"), carListed) << merge;
    EXPECT_EQ(tracks.contains("Oval"), trackListed) << merge;
    pool.ImportLaps({{"Oval", "data\\tracks\\oval", "A", "a", 300, 59000}}, refuseNone);
    const bool rule = !db.Rows("select MERGE_ID as R from AUTOMERGES").isEmpty();
    EXPECT_EQ(db.Rows("select CAR_NAME as R from LAPTIMEPOOL where LAP_DATE = 300"),
              QStringList{rule ? "B" : "A"})
        << merge;
  }
}

// Laps with texts longer than the archive holds are refused in words, the others imported.
TEST(LapImport, ALapWithTooLongATextIsRefusedSayingWhichAndHowLong) {
  test::TTestDatabase db;
  db.CreateLapTimeSchema();
  TLapTimePoolConnector pool;
  pool.SetSQLConnection(&db.Connection());
  const QString long300(300, 'x');
  QStringList causes;
  pool.ImportLaps(
      {{"Oval", "oval", long300, "a", 1, 60000},
       {"Oval", "oval", "A", "a", 2, 60000},
       {long300 + "\u00e9", "oval", "A", "a", 3, 60000},
       {"Oval", "oval", "A", QString(255, QChar(0x00e9)) + "   ", 4, 60000}},
      [&](std::size_t i, const EDatabaseError& e) { causes << QString::number(i) + ": " + e.Cause(); });
  EXPECT_EQ(causes,
            QStringList({"0: the car name has 300 characters, more than the 255 the archive holds",
                         "2: the track name has 301 characters, more than the 255 the archive holds"}));
  EXPECT_EQ(db.Rows("select count(*) as R from LAPTIMEPOOL"), QStringList{"2"});
}

// The lap schema as the previous version made it: texts of the template's width, identifiers of
// 32 bits, and triggers that negated them in 32 bits.
constexpr const char* EarlierLapSchema[] = {
    "CREATE TABLE LAPCARS (CAR_NAME VARCHAR(255), CAR_ID VARCHAR(255))",
    "CREATE TABLE LAPTRACKS (TRACK_NAME VARCHAR(255), TRACK_PATH VARCHAR(255))",
    "CREATE TABLE LAPORIGINS (LAP_ID INTEGER, TRACK_NAME VARCHAR(255), TRACK_PATH VARCHAR(255),"
    " CAR_NAME VARCHAR(255), CAR_ID VARCHAR(255), LAP_TIME INTEGER, LAP_DATE INTEGER)",
    "CREATE INDEX IDX_LAPORIGINS_LAP_ID ON LAPORIGINS (LAP_ID)",
    "CREATE TRIGGER LAPTIMEPOOL_ORIGINS FOR LAPTIMEPOOL ACTIVE AFTER INSERT OR DELETE POSITION 0 AS BEGIN"
    " IF (INSERTING) THEN INSERT INTO LAPORIGINS (LAP_ID, TRACK_NAME, TRACK_PATH, CAR_NAME, CAR_ID, LAP_TIME,"
    " LAP_DATE) VALUES (ABS(NEW.LTP_ID), NEW.TRACK_NAME, NEW.TRACK_PATH, NEW.CAR_NAME, NEW.CAR_ID, "
    "NEW.LAP_TIME,"
    " NEW.LAP_DATE); ELSE DELETE FROM LAPORIGINS O WHERE O.LAP_ID = ABS(OLD.LTP_ID); END",
    "CREATE TRIGGER LAPTIMEPOOL_LISTS FOR LAPTIMEPOOL ACTIVE AFTER INSERT POSITION 1 AS BEGIN"
    " INSERT INTO LAPCARS (CAR_NAME, CAR_ID) VALUES (NEW.CAR_NAME, NEW.CAR_ID); END",
};

void WidenLapTexts(test::TTestDatabase& db) {
  for (const char* column : {"TRACK_NAME", "TRACK_PATH", "CAR_NAME", "CAR_ID"})
    db.Execute(QStringLiteral("ALTER TABLE LAPTIMEPOOL ALTER %1 TYPE VARCHAR(400)").arg(column));
}

// Whatever made the archive, once start-up has completed its lap schema the triggers take every
// row LAPTIMEPOOL takes: the smallest identifier there is, and texts as wide as LAPTIMEPOOL's
// own, which may be wider than the template's in an archive from another template.
TEST(LapSchema, TheTriggersTakeEveryRowTheLapTableTakes) {
  const struct {
    const char* Archive;
    std::function<void(test::TTestDatabase&)> Make;
  } archives[] = {
      {"from the template", [](auto& db) { CompleteLapSchema(db.Connection()); }},
      {"from a template with wider texts",
       [](auto& db) {
         WidenLapTexts(db);
         CompleteLapSchema(db.Connection());
       }},
      {"whose texts were widened later",
       [](auto& db) {
         CompleteLapSchema(db.Connection());
         WidenLapTexts(db);
         CompleteLapSchema(db.Connection());
       }},
      {"of the previous version, with wider texts",
       [](auto& db) {
         WidenLapTexts(db);
         for (const char* sql : EarlierLapSchema) db.Execute(sql);
         db.Execute("insert into LAPTIMEPOOL values (7, 'Oval', 'oval', 'A', 'a', 60000, 100)");
         CompleteLapSchema(db.Connection());
       }},
  };
  const QString wide(300, QChar(0x00e9));
  for (const auto& [archive, make] : archives) {
    test::TTestDatabase db;
    make(db);
    const bool wideTexts = db.Rows(
                               "select RDB$CHARACTER_LENGTH as R from RDB$RELATION_FIELDS F join RDB$FIELDS T"
                               " on T.RDB$FIELD_NAME = F.RDB$FIELD_SOURCE where F.RDB$RELATION_NAME ="
                               " 'LAPTIMEPOOL' and F.RDB$FIELD_NAME = 'CAR_NAME'") == QStringList{"400"};
    const QString car = wideTexts ? wide : QStringLiteral("B");
    EXPECT_NO_THROW({
      TLapTimePoolConnector pool;
      pool.SetSQLConnection(&db.Connection());
      pool.AddLapTime("Oval", "oval", car, "b", 300, 58000);
      db.Execute("insert into LAPTIMEPOOL values (-2147483648, 'Oval', 'oval', 'A', 'a', 59000, 200)");
    }) << archive;
    EXPECT_EQ(db.Rows("select CAR_NAME as R from LAPORIGINS where LAP_ID = 2147483648"), QStringList{"A"})
        << archive;
    EXPECT_EQ(
        db.Rows("select CAR_NAME as R from LAPORIGINS where LAP_ID = (select max(LTP_ID) from LAPTIMEPOOL)"),
        QStringList{car})
        << archive;
    EXPECT_EQ(db.Rows("select CAR_NAME as R from LAPCARS order by CAR_NAME"), QStringList({"A", car}))
        << archive;
    db.Execute("delete from LAPTIMEPOOL where LTP_ID = -2147483648");
    EXPECT_EQ(db.Rows("select count(*) as R from LAPORIGINS where LAP_DATE = 200"), QStringList{"0"})
        << archive;
  }
}

TEST(Schema, StatementsSkipWhatExistsSoAFailedUpdateCanRunAgain) {
  test::TTestDatabase db;
  db.Execute("CREATE TABLE AUTOMERGES (MERGE_ID INTEGER NOT NULL)");
  for (int run = 0; run < 2; ++run) {
    RunSchemaStatements(db.Connection(), AutoMergeTable);
    RunSchemaStatements(db.Connection(), LapTimePoolIndexes);
  }
  EXPECT_EQ(
      db.Rows("select count(*) as R from RDB$INDICES where RDB$INDEX_NAME starting with 'IDX_LAPTIMEPOOL_' "
              "or RDB$INDEX_NAME = 'PK_AUTOMERGES'"),
      QStringList{QString::number(LapTimePoolIndexes.size() + 1)});
}

}  // namespace
}  // namespace lumox
