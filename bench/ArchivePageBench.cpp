// The archive grid on the generated archive: for each selection, the time from the selection
// change to the filled model shown in a table view with its columns fitted and its visible
// rows painted once, next to the time of the selection's query alone and to the reference:
// reading the same visible laps, with the columns the grid shows, with one plain statement in
// no order. The car is the busy one, with 40,000 laps on the long track; the ordinary track is
// that of one of its generated laps.
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

struct TBench {
  TBench() {
    View.setModel(&Model);
    View.resize(760, 480);  // the page's grid in a window of the program's default size
    View.show();
    ReadArchiveLists(Archive.Pool, State);
    Car = ArchiveCarItem(State, Lap.CarName, Lap.CarID);
    Track = static_cast<int>(State.FLTTrackNames.indexOf(Lap.TrackName)) + 2;
    LongTrack = static_cast<int>(State.FLTTrackNames.indexOf(LongTrackName)) + 2;
  }

  TGeneratedArchive Archive;
  const TLap Lap = Archive.BusyLap();  // the car and track the user looks at
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
    {"TrackBestPerCar", false, true, 0, 0},
    {"TrackAllLaps", false, true, 1, 0},
    {"CarBestPerTrack", true, false, 0, 0},
    {"CarAllLaps", true, false, 0, 1},
    {"CarOnTrack", true, true, 0, 0},
    {"LongTrackAllLaps", false, true, 1, 0, true},
    {"LongTrackCarOnTrack", true, true, 0, 0, true},
};

QString TrackOf(const TSelection& s) { return s.Long ? LongTrackName : Bench->Lap.TrackName; }
QString PathOf(const TSelection& s) { return s.Long ? LongTrackPath : Bench->Lap.TrackPath; }

// The query of the selection alone, into the lists the grid would keep.
void RunQuery(const TSelection& s, TLapTimePoolConnector& pool) {
  const TLap& lap = Bench->Lap;
  const QString car = lap.CarName, id = lap.CarID, track = TrackOf(s), path = PathOf(s);
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

// Reads the selection's visible laps with a plain statement, in no order.
void ReadPlainly(const TSelection& s, benchmark::State& state) {
  QStringList conditions;
  QVariantList values;
  if (s.OfCar) {
    conditions << "CAR_NAME = ? and CAR_ID = ?";
    values << Bench->Lap.CarName << Bench->Lap.CarID;
  }
  if (s.OfTrack) {
    conditions << "TRACK_NAME = ? and TRACK_PATH = ?";
    values << TrackOf(s) << PathOf(s);
  }
  const char* other = s.OfCar && s.OfTrack ? "" : s.OfCar ? "TRACK_NAME, TRACK_PATH, " : "CAR_NAME, CAR_ID, ";
  QSqlQuery query(Bench->Archive.Database());
  query.setForwardOnly(true);
  query.prepare(
      QStringLiteral("select LTP_ID, %1LAP_TIME, LAP_DATE from LAPTIMEPOOL where %2 and LTP_ID >= 0")
          .arg(QLatin1String(other), conditions.join(" and ")));
  for (const QVariant& value : values) query.addBindValue(value);
  if (!query.exec()) Fail(query);
  int rows = 0;
  while (query.next()) ++rows;
  state.counters["rows"] = rows;
}

void RegisterSelections() {
  for (const TSelection& s : Selections) {
    benchmark::RegisterBenchmark((std::string("Grid_") + s.Name).c_str(), [&s](benchmark::State& state) {
      const int car = s.OfCar ? Bench->Car : s.CarSpecial;
      const int track = !s.OfTrack ? s.TrackSpecial : s.Long ? Bench->LongTrack : Bench->Track;
      for (auto _ : state) {
        Bench->Model.Fill(Bench->Archive.Pool, Bench->State, car, track);
        FitGridColumns(&Bench->View, Bench->Model.Grid().Columns());
        benchmark::DoNotOptimize(Bench->View.grab());
      }
      state.counters["rows"] = Bench->Model.rowCount();
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Query_") + s.Name).c_str(), [&s](benchmark::State& state) {
      for (auto _ : state) RunQuery(s, Bench->Archive.Pool);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Reference_") + s.Name).c_str(), [&s](benchmark::State& state) {
      for (auto _ : state) ReadPlainly(s, state);
    })->Unit(benchmark::kMillisecond);
  }
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
    benchmark::RunSpecifiedBenchmarks();
    lumox::Bench = nullptr;
  }
  benchmark::Shutdown();
  return 0;
}
