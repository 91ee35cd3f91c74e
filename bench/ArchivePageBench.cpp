// The archive grid on the generated archive: for each selection, the time from the selection
// change to the filled model shown in a table view with its columns fitted, next to the time
// of the selection's query alone. The car and track are those of a generated lap; one more
// track holds 40,000 laps of that car, for the largest grids a user could make. Two
// references show what the database itself needs for that car's laps: counting them, and
// reading them in no order with a plain statement.
#include "bench/GeneratedArchive.h"
#include "frontend/ArchivePage.h"
#include "frontend/FrontEndState.h"
#include "frontend/LapGridModel.h"

#include <QApplication>
#include <QSqlQuery>
#include <QTableView>
#include <benchmark/benchmark.h>

namespace lumox {
namespace {

using namespace bench;

constexpr int kLongTrackLaps = 40000;

struct TBench {
  TBench() {
    std::vector<TLap> laps;
    for (int i = 0; i < kLongTrackLaps; ++i)
      laps.push_back({"Long track", "data\\tracks\\long", Lap.CarName, Lap.CarID, 60000 + i % 5000, 1500000000 + i});
    Archive.InsertLaps(laps, kLaps + 1, 50);
    View.setModel(&Model);
    ReadArchiveLists(Archive.Pool, State);
    Car = ArchiveCarItem(State, Lap.CarName, Lap.CarID);
    Track = static_cast<int>(State.FLTTrackNames.indexOf(Lap.TrackName)) + 2;
    LongTrack = static_cast<int>(State.FLTTrackNames.indexOf("Long track")) + 2;
  }

  TGeneratedArchive Archive;
  const TLap Lap = Archive.Samples().front();  // the car and track the user looks at
  TFrontEndState State;
  TLapGridModel Model;
  QTableView View;
  int Car = -1, Track = -1, LongTrack = -1;  // their selector items
};
TBench* Bench = nullptr;

struct TSelection {
  const char* Name;
  bool OfCar, OfTrack;
  int CarSpecial, TrackSpecial;  // the special item when not of the car or track
  bool Long = false;             // on the long track
};

const TSelection Selections[] = {
    {"TrackBestPerCar", false, true, 0, 0},     {"TrackAllLaps", false, true, 1, 0},
    {"CarBestPerTrack", true, false, 0, 0},     {"CarAllLaps", true, false, 0, 1},
    {"CarOnTrack", true, true, 0, 0},           {"LongTrackAllLaps", false, true, 1, 0, true},
    {"LongTrackCarOnTrack", true, true, 0, 0, true},
};

// The query of the selection alone, into the lists the grid would keep.
void RunQuery(const TSelection& s, TLapTimePoolConnector& pool) {
  const TLap& lap = Bench->Lap;
  const QString car = lap.CarName, id = lap.CarID;
  const QString track = s.Long ? QStringLiteral("Long track") : lap.TrackName;
  const QString path = s.Long ? QStringLiteral("data\\tracks\\long") : lap.TrackPath;
  QStringList ids, names, keys, times, dates;
  if (s.OfCar && s.OfTrack)
    pool.GetLapTimesForCarAndTrack(car, id, track, path, &ids, times, dates, false);
  else if (s.OfCar && s.TrackSpecial == 0)
    pool.GetBestLapsForCar(car, id, &ids, names, keys, times, dates);
  else if (s.OfCar)
    pool.GetLapTimesForCar(car, id, &ids, names, keys, times, dates);
  else if (s.CarSpecial == 0)
    pool.GetBestLapsForTrack(track, path, &ids, names, keys, times, dates);
  else
    pool.GetLapTimesForTrack(track, path, &ids, names, keys, times, dates);
  benchmark::DoNotOptimize(ids);
}

void RegisterSelections() {
  for (const TSelection& s : Selections) {
    benchmark::RegisterBenchmark((std::string("Grid_") + s.Name).c_str(), [&s](benchmark::State& state) {
      const int car = s.OfCar ? Bench->Car : s.CarSpecial;
      const int track = !s.OfTrack ? s.TrackSpecial : s.Long ? Bench->LongTrack : Bench->Track;
      for (auto _ : state) {
        Bench->Model.Fill(Bench->Archive.Pool, Bench->State, car, track);
        FitGridColumns(&Bench->View, Bench->Model.Grid().Columns());
      }
      state.counters["rows"] = Bench->Model.rowCount();
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Query_") + s.Name).c_str(), [&s](benchmark::State& state) {
      for (auto _ : state) RunQuery(s, Bench->Archive.Pool);
    })->Unit(benchmark::kMillisecond);
  }
}

// Reads the busy car's visible laps with a plain statement, in no order.
void Reference(const char* name, const char* columns) {
  benchmark::RegisterBenchmark(name, [columns](benchmark::State& state) {
    for (auto _ : state) {
      QSqlQuery query(Bench->Archive.Database());
      query.setForwardOnly(true);
      query.prepare(
          QStringLiteral("select %1 from LAPTIMEPOOL where CAR_NAME = ? and CAR_ID = ? and LTP_ID >= 0")
              .arg(QLatin1String(columns)));
      query.addBindValue(Bench->Lap.CarName);
      query.addBindValue(Bench->Lap.CarID);
      if (!query.exec()) Fail(query);
      int rows = 0;
      while (query.next()) ++rows;
      state.counters["rows"] = rows;
    }
  })->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace lumox

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  {
    lumox::TBench bench;
    lumox::Bench = &bench;
    lumox::RegisterSelections();
    lumox::Reference("Reference_CountCarLaps", "count(*)");
    lumox::Reference("Reference_ReadCarLaps", "LTP_ID, LAP_DATE, TRACK_NAME, TRACK_PATH, LAP_TIME");
    benchmark::RunSpecifiedBenchmarks();
    lumox::Bench = nullptr;
  }
  benchmark::Shutdown();
  return 0;
}
