// The archive grid's selections and an import of 100 laps on the generated archive, each
// against the same result from plain SQL run directly through Qt SQL, in the fastest plain
// form found for it. The selections are those of the busy car, on the long track where a
// track is needed, so each reads tens of thousands of laps.
#include "bench/GeneratedArchive.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace lumox {
namespace {

using namespace bench;

// The generated archive and the 100 laps an import brings.
class TArchive : public TGeneratedArchive {
 public:
  TArchive() {
    MakeImport();
    BaseID = Pool.GetNextLTPID() - 1;
  }

  std::vector<TLap> Import;
  int BaseID = 0;

 private:
  // A quarter archived as read, a quarter archived under the car a rule merges theirs into
  // (added here), a quarter new under a merged car and a quarter new under a plain car.
  void MakeImport() {
    for (int i = 0; i < 100; ++i) {
      const TLap& known = Samples()[static_cast<size_t>(i % 25)];
      const int rule = i % kRules;
      if (i < 25)
        Import.push_back(known);
      else if (i < 75)
        Import.push_back(
            {known.TrackName, known.TrackPath, OldCarName(rule), OldCarID(rule), known.Time, 1000000000 + i});
      else
        Import.push_back(
            {known.TrackName, known.TrackPath, CarName(500 + i), CarID(500 + i), known.Time, 1000000000 + i});
      if (i >= 25 && i < 50)
        Pool.AddLapTime(known.TrackName, known.TrackPath, CarName(rule), CarID(rule), 1000000000 + i,
                        known.Time);
    }
  }
};

TArchive* Archive = nullptr;

// The laps an import added, and the archive as it was before it.
int RemoveImported() {
  QSqlQuery query(Archive->Database());
  query.prepare("delete from LAPTIMEPOOL where LTP_ID > ?");
  query.addBindValue(Archive->BaseID);
  if (!query.exec()) Fail(query);
  return query.numRowsAffected();
}

QStringList Column(const QString& sql, const QVariantList& values, int columns) {
  QSqlQuery query(Archive->Database());
  query.setForwardOnly(true);
  if (!query.prepare(sql)) Fail(query);
  for (const QVariant& value : values) query.addBindValue(value);
  if (!query.exec()) Fail(query);
  QStringList cells;
  while (query.next())
    for (int c = 0; c < columns; ++c) cells << query.value(c).toString().trimmed();
  return cells;
}

// The best lap of each group in two passes, the fastest plain form found (a window function
// over the laps took two to three times as long): the groups' best times from one grouped
// statement, then per group the earliest lap with that time. `group` selects the two columns
// of a group and its best time; `lookup` takes them, the fixed pair and the time, in that order.
QStringList BestLapsInTwoPasses(const char* group, const char* lookup, const QVariantList& fixed) {
  QStringList cells = Column(QString::fromLatin1(group), fixed, 3);
  const qsizetype groupCells = cells.size();
  QSqlQuery query(Archive->Database());
  query.setForwardOnly(true);
  if (!query.prepare(QString::fromLatin1(lookup))) Fail(query);
  for (qsizetype row = 0; row < groupCells; row += 3) {
    for (const QVariant& value : QVariantList{cells[row], cells[row + 1]} + fixed) query.addBindValue(value);
    query.addBindValue(cells[row + 2].toInt());
    if (!query.exec()) Fail(query);
    cells << (query.next() ? query.value(0).toString() + query.value(1).toString() : QString());
  }
  return cells;
}

// One selection of the grid: through the connector, and in plain SQL.
struct TSelection {
  const char* Name;
  std::function<void(TLapTimePoolConnector&, QStringList (&)[5])> Connector;
  std::function<QStringList()> PlainSQL;
};

std::vector<TSelection> Selections() {
  const QString car = Archive->BusyLap().CarName, id = Archive->BusyLap().CarID;
  const QString track = LongTrackName, path = LongTrackPath;
  const auto plain = [](const char* sql, const QVariantList& values, int columns) {
    return [=] { return Column(QString::fromLatin1(sql), values, columns); };
  };
  return {
      {"GetCars", [](auto& pool, auto& lists) { pool.GetCars(lists[0], lists[1]); },
       plain("select distinct CAR_NAME, CAR_ID from LAPTIMEPOOL where LTP_ID >= 0 order by CAR_NAME", {}, 2)},
      {"GetTracks", [](auto& pool, auto& lists) { pool.GetTracks(lists[0], lists[1]); },
       plain("select distinct TRACK_NAME, TRACK_PATH from LAPTIMEPOOL where LTP_ID >= 0 order by TRACK_NAME",
             {}, 2)},
      {"LapTimesForCarAndTrack",
       [=](auto& pool, auto& lists) {
         pool.GetLapTimesForCarAndTrack(car, id, track, path, &lists[0], lists[1], lists[2], false);
       },
       plain("select LTP_ID, LAP_TIME, LAP_DATE from LAPTIMEPOOL where TRACK_NAME = ? and TRACK_PATH = ?"
             " and CAR_NAME = ? and CAR_ID = ? and LTP_ID >= 0 order by LAP_TIME, LAP_DATE",
             {track, path, car, id}, 3)},
      {"BestLapsForCar",
       [=](auto& pool, auto& lists) {
         pool.GetBestLapsForCar(car, id, &lists[0], lists[1], lists[2], lists[3], lists[4]);
       },
       [=] {
         return BestLapsInTwoPasses(
             "select TRACK_NAME, TRACK_PATH, min(LAP_TIME) from LAPTIMEPOOL where CAR_NAME = ? and CAR_ID = ?"
             " and LTP_ID >= 0 group by TRACK_NAME, TRACK_PATH order by min(LAP_TIME), TRACK_NAME, "
             "TRACK_PATH",
             "select first 1 LTP_ID, LAP_DATE from LAPTIMEPOOL where TRACK_NAME = ? and TRACK_PATH = ?"
             " and CAR_NAME = ? and CAR_ID = ? and LAP_TIME = ? and LTP_ID >= 0 order by LAP_DATE, LTP_ID",
             {car, id});
       }},
      {"BestLapsForTrack",
       [=](auto& pool, auto& lists) {
         pool.GetBestLapsForTrack(track, path, &lists[0], lists[1], lists[2], lists[3], lists[4]);
       },
       [=] {
         return BestLapsInTwoPasses(
             "select CAR_NAME, CAR_ID, min(LAP_TIME) from LAPTIMEPOOL where TRACK_NAME = ? and TRACK_PATH = ?"
             " and LTP_ID >= 0 group by CAR_NAME, CAR_ID order by min(LAP_TIME), CAR_NAME, CAR_ID",
             "select first 1 LTP_ID, LAP_DATE from LAPTIMEPOOL where CAR_NAME = ? and CAR_ID = ?"
             " and TRACK_NAME = ? and TRACK_PATH = ? and LAP_TIME = ? and LTP_ID >= 0 order by LAP_DATE, "
             "LTP_ID",
             {track, path});
       }},
      {"LapTimesForCar",
       [=](auto& pool, auto& lists) {
         pool.GetLapTimesForCar(car, id, &lists[0], lists[1], lists[2], lists[3], lists[4]);
       },
       plain("select LTP_ID, LAP_DATE, TRACK_NAME, TRACK_PATH, LAP_TIME from LAPTIMEPOOL where CAR_NAME = ?"
             " and CAR_ID = ? and LTP_ID >= 0 order by TRACK_NAME, TRACK_PATH, LAP_TIME, LAP_DATE",
             {car, id}, 5)},
      {"LapTimesForTrack",
       [=](auto& pool, auto& lists) {
         pool.GetLapTimesForTrack(track, path, &lists[0], lists[1], lists[2], lists[3], lists[4]);
       },
       plain("select LTP_ID, LAP_DATE, CAR_NAME, CAR_ID, LAP_TIME from LAPTIMEPOOL where TRACK_NAME = ?"
             " and TRACK_PATH = ? and LTP_ID >= 0 order by CAR_NAME, CAR_ID, LAP_TIME, LAP_DATE",
             {track, path}, 5)},
  };
}

void RegisterSelections() {
  static const std::vector<TSelection> selections = Selections();
  for (const TSelection& selection : selections) {
    benchmark::RegisterBenchmark(selection.Name, [&selection](benchmark::State& state) {
      for (auto _ : state) {
        QStringList lists[5];
        selection.Connector(Archive->Pool, lists);
        benchmark::DoNotOptimize(lists);
      }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((selection.Name + std::string("_PlainSQL")).c_str(),
                                 [&selection](benchmark::State& state) {
                                   for (auto _ : state) benchmark::DoNotOptimize(selection.PlainSQL());
                                 })
        ->Unit(benchmark::kMillisecond);
  }
}

// Checks that an import added the 50 new laps and nothing else, then undoes it untimed.
void Undo(benchmark::State& state) {
  state.PauseTiming();
  if (RemoveImported() != 50) state.SkipWithError("the import did not add exactly the 50 new laps");
  state.ResumeTiming();
}

void BM_Import100Laps(benchmark::State& state) {
  std::vector<TLapRecord> laps;
  for (const TLap& lap : Archive->Import)
    laps.push_back({lap.TrackName, lap.TrackPath, lap.CarName, lap.CarID, lap.Date, lap.Time});
  for (auto _ : state) {
    Archive->Pool.ImportLaps(
        laps, [&](std::size_t, const EDatabaseError& error) { state.SkipWithError(error.what()); });
    Undo(state);
  }
}

QString Literal(const QString& text) {
  return QLatin1Char('\'') + QString(text).replace("'", "''") + QLatin1Char('\'');
}

// The new laps, their cars mapped by the rules, inserted unless archived, numbered on from the
// largest identifier.
QString ImportStatement() {
  QStringList rows;
  for (const TLap& lap : Archive->Import)
    rows << QStringLiteral(
                "select cast(%1 as varchar(255)) as TRACK_NAME, cast(%2 as varchar(255)) as TRACK_PATH,"
                " cast(%3 as varchar(255)) as CAR_NAME, cast(%4 as varchar(255)) as CAR_ID, %5 as LAP_TIME,"
                " %6 as LAP_DATE from RDB$DATABASE")
                .arg(Literal(lap.TrackName), Literal(lap.TrackPath), Literal(lap.CarName), Literal(lap.CarID))
                .arg(lap.Time)
                .arg(lap.Date);
  return QStringLiteral(
             "insert into LAPTIMEPOOL (LTP_ID, TRACK_NAME, TRACK_PATH, CAR_NAME, CAR_ID, LAP_TIME, LAP_DATE)"
             " select maxvalue((select max(LTP_ID) from LAPTIMEPOOL), -(select min(LTP_ID) from LAPTIMEPOOL))"
             " + row_number() over (), N.TRACK_NAME, N.TRACK_PATH, N.CAR_NAME, N.CAR_ID, N.LAP_TIME, "
             "N.LAP_DATE"
             " from (select R.TRACK_NAME, R.TRACK_PATH, coalesce(M.NAME_TO, R.CAR_NAME) as CAR_NAME,"
             " coalesce(M.IDPATH_TO, R.CAR_ID) as CAR_ID, R.LAP_TIME, R.LAP_DATE from (%1) R"
             " left join AUTOMERGES M on M.MERGE_TYPE = 2 and M.NAME_FROM = R.CAR_NAME and M.IDPATH_FROM = "
             "R.CAR_ID) N"
             " where not exists (select 1 from LAPTIMEPOOL P where P.TRACK_NAME = N.TRACK_NAME"
             " and P.TRACK_PATH = N.TRACK_PATH and P.CAR_NAME = N.CAR_NAME and P.CAR_ID = N.CAR_ID"
             " and P.LAP_TIME = N.LAP_TIME and P.LAP_DATE = N.LAP_DATE)")
      .arg(rows.join(QStringLiteral(" union all ")));
}

// The statement prepared once, as an import prepares its statements once for all laps;
// preparing it for every import doubled its time.
void BM_Import100Laps_PlainSQL(benchmark::State& state) {
  QSqlQuery query(Archive->Database());
  if (!query.prepare(ImportStatement())) Fail(query);
  for (auto _ : state) {
    if (!query.exec()) Fail(query);
    Undo(state);
  }
}

BENCHMARK(BM_Import100Laps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import100Laps_PlainSQL)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumox

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  {
    lumox::TArchive archive;
    lumox::Archive = &archive;
    lumox::RegisterSelections();
    benchmark::RunSpecifiedBenchmarks();
    lumox::Archive = nullptr;
  }
  benchmark::Shutdown();
  return 0;
}
