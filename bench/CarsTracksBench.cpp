// Start-up cost of the car and track lists on a large installation (1,000 cars, 300 tracks,
// every car.ini and track.ini about 20 KB):
//   ColdScan       both lists built from the folders, reading every ini file;
//   WarmStart      what start-up does when the fingerprints match: list the folders, compute
//                  both fingerprints and read both lists from the database's cache tables;
//   BaselineRead   the reference: read every car.ini and track.ini once, nothing more;
//   WarmStartInMemory  the warm path with in-memory tables: what it costs besides the database;
//   CloseUnchanged what closing the window stores when both lists came from the cache;
//   CloseRewrite   the same when both were scanned, alternating between this installation and
//                  one with a car and a track more in front, so that every row changes.
// ColdScan and BaselineRead run with the installation's files in the page cache (evicted:0)
// and with them dropped from it before each iteration (evicted:1), as after a reboot; the
// folders themselves stay cached, which only a privileged process could change.
// The ratios ColdScan/BaselineRead, cached and evicted, and WarmStart/ColdScan (also with
// in-memory tables) and the closing times are printed at the end.
#include "archive/DBExpressConnector.h"
#include "installation/Cars.h"
#include "installation/FileSystem.h"
#include "installation/Scans.h"
#include "installation/Tracks.h"
#include "tests/archive/TestDatabase.h"
#include "tests/installation/FakeCacheTables.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace lumox;

constexpr int kCars = 1000;
constexpr int kTracks = 300;
constexpr std::size_t kIniSize = 20 * 1024;

// A simulator ini file of about kIniSize bytes: the identifying block first, then nested
// blocks of tuning values with comments, as real car and track files have.
std::string IniText(const char* kind, int number) {
  const std::string n = std::to_string(number);
  std::string text = std::string("; ") + kind + " definition\r\n" + kind + "\r\n{\r\n  name=" + kind +
                     " number " + n + "\r\n  year=19" + std::to_string(60 + number % 40) +
                     "\r\n  id=" + kind + "-" + n + "\r\n}\r\n";
  for (int block = 0; text.size() < kIniSize; ++block) {
    const std::string b = std::to_string(block);
    text += "part" + b + "\r\n{\r\n  ; settings of part " + b + "\r\n";
    for (int key = 0; key < 6; ++key) {
      text += "  value" + std::to_string(key) + "=" + std::to_string(block * 0.173 + key) + " ;tuned\r\n";
    }
    text += "  curve\r\n  {\r\n    p0=0.0 1.0\r\n    p1=0.5 1.2\r\n    p2=1.0 0.9\r\n  }\r\n}\r\n";
  }
  return text;
}

void WriteFile(const QString& path, const std::string& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::abort();
  }
}

// The installation, its ini files and a database whose cache tables hold both lists.
struct TSetup {
  QTemporaryDir Zindo;
  QStringList IniFiles;
  std::unique_ptr<test::TTestDatabase> Database;
  TCARSConnector Cars;
  TTRACKSConnector Tracks;
  test::TFakeCarsTable CarsInMemory;
  test::TFakeTracksTable TracksInMemory;
  std::unique_ptr<TIniTable> Settings;
  TCars ScannedCars{{}}, CachedCars{{}}, ShiftedCars{{}};
  TTracks ScannedTracks{{}}, CachedTracks{{}}, ShiftedTracks{{}};
  QTemporaryDir Shifted;  // the same folders, linked, behind one more car and track

  TSetup() {
    const QString cars = CarsFolder(Zindo.path());
    const QString tracks = TracksFolder(Zindo.path());
    for (int i = 0; i < kCars; ++i) {
      const QString car = JoinPath(cars, QStringLiteral("car%1").arg(i, 4, 10, QLatin1Char('0')));
      IniFiles << JoinPath(car, "car.ini");
      WriteFile(IniFiles.last(), IniText("car", i));
      for (const char* other : {"body.gmt", "preview.tga", "sounds.ini"})
        WriteFile(JoinPath(car, other), "x");
    }
    for (int i = 0; i < kTracks; ++i) {
      const QString track = JoinPath(tracks, QStringLiteral("track%1").arg(i, 3, 10, QLatin1Char('0')));
      IniFiles << JoinPath(track, "track.ini");
      WriteFile(IniFiles.last(), IniText("track", i));
      for (const char* other : {"bestlaps.ini", "preview.jpg", "track.gmt"})
        WriteFile(JoinPath(track, other), "x");
      for (int ai = 0; ai < 8; ++ai)
        WriteFile(JoinPath(track, QStringLiteral("ai/car%1.ini").arg(ai * 7)), "line");
    }

    Database = std::make_unique<test::TTestDatabase>();
    Database->CreateCacheTables();
    Cars.SetSQLConnection(&Database->Connection(), true);
    Tracks.SetSQLConnection(&Database->Connection(), true);
    Settings = std::make_unique<TIniTable>(Database->Connection(), QStringLiteral("SETTINGS"));
    ScannedCars = TCars::CreateFromFolders(Zindo.path(), nullptr);
    ScannedTracks = TTracks::CreateFromFolders(Zindo.path(), nullptr);
    ScannedCars.SaveToDB(Cars);
    ScannedTracks.SaveToDB(Tracks);
    ScannedCars.SaveToDB(CarsInMemory);
    ScannedTracks.SaveToDB(TracksInMemory);
    Settings->WriteString(QStringLiteral("SPEEDUP"), QStringLiteral("CARS_MD5"), ScannedCars.FoldersMD5());
    CachedCars = TCars::CreateFromDB(Cars, Zindo.path());
    CachedTracks = TTracks::CreateFromDB(Tracks, Zindo.path());

    using TFolderOf = QString (*)(const QString&);
    for (const auto& [list, ini] :
         {std::pair<TFolderOf, const char*>(CarsFolder, "car"), {TracksFolder, "track"}}) {
      QDir().mkpath(list(Shifted.path()));
      for (const QString& folder : QDir(list(Zindo.path())).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        QFile::link(JoinPath(list(Zindo.path()), folder), JoinPath(list(Shifted.path()), folder));
      WriteFile(JoinPath(list(Shifted.path()), QStringLiteral("a-first/%1.ini").arg(ini)), IniText(ini, -1));
    }
    ShiftedCars = TCars::CreateFromFolders(Shifted.path(), nullptr);
    ShiftedTracks = TTracks::CreateFromFolders(Shifted.path(), nullptr);
  }
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

// Drops every file of the installation from the page cache; written pages are flushed first,
// since only clean ones can be dropped.
void EvictInstallation() {
  QDirIterator files(Setup().Zindo.path(), QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const int fd = open(QFile::encodeName(files.next()).constData(), O_RDONLY);
    if (fd < 0) continue;
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
  }
}

// Before each iteration of a benchmark run with the argument 1, untimed.
void EvictWhenAsked(benchmark::State& state) {
  if (state.range(0) == 0) return;
  state.PauseTiming();
  EvictInstallation();
  state.ResumeTiming();
}

void BaselineRead(benchmark::State& state) {
  const QStringList& files = Setup().IniFiles;
  for (auto _ : state) {
    EvictWhenAsked(state);
    qint64 bytes = 0;
    for (const QString& path : files) {
      QFile file(path);
      file.open(QIODevice::ReadOnly);
      bytes += file.readAll().size();
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations() * files.size());
}
BENCHMARK(BaselineRead)->ArgName("evicted")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void ColdScan(benchmark::State& state) {
  const QString zindo = Setup().Zindo.path();
  for (auto _ : state) {
    EvictWhenAsked(state);
    const TTracks tracks = TTracks::CreateFromFolders(zindo, nullptr);
    const TCars cars = TCars::CreateFromFolders(zindo, nullptr);
    if (tracks.Count() != kTracks || cars.Count() != kCars) state.SkipWithError("scan lost items");
  }
  state.SetItemsProcessed(state.iterations() * (kCars + kTracks));
}
BENCHMARK(ColdScan)->ArgName("evicted")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void WarmPath(benchmark::State& state, ITracksTable& tracksTable, ICarsTable& carsTable) {
  const QString zindo = Setup().Zindo.path();
  for (auto _ : state) {
    const QString tracksMD5 = TrackFoldersMD5(zindo);
    const TTracks tracks = TTracks::CreateFromDB(tracksTable, zindo);
    const QString carsMD5 = CarFoldersMD5(zindo);
    const TCars cars = TCars::CreateFromDB(carsTable, zindo);
    if (tracks.FoldersMD5() != tracksMD5 || cars.FoldersMD5() != carsMD5)
      state.SkipWithError("cache differs");
  }
  state.SetItemsProcessed(state.iterations() * (kCars + kTracks));
}

void WarmStart(benchmark::State& state) { WarmPath(state, Setup().Tracks, Setup().Cars); }
BENCHMARK(WarmStart)->Unit(benchmark::kMillisecond);

void WarmStartInMemory(benchmark::State& state) {
  WarmPath(state, Setup().TracksInMemory, Setup().CarsInMemory);
}
BENCHMARK(WarmStartInMemory)->Unit(benchmark::kMillisecond);

// What closing the window stores: two check boxes, then each list's cache unless it came from
// there; the lists alternate between the two pairs given.
void Close(benchmark::State& state, const TCars* cars[2], const TTracks* tracks[2]) {
  TSetup& setup = Setup();
  const QString speedUp = QStringLiteral("SPEEDUP");
  int turn = 0;
  for (auto _ : state) {
    setup.Settings->WriteBool(QStringLiteral("PROGRAM"), QStringLiteral("PREVIEW_PREFER_LOADING"), true);
    setup.Settings->WriteBool(QStringLiteral("AI"), QStringLiteral("SHOW_ONLY_AVAILABLE"), false);
    StoreCache(*setup.Settings, speedUp, QStringLiteral("CARS_MD5"), *cars[turn], setup.Cars);
    StoreCache(*setup.Settings, speedUp, QStringLiteral("TRACKS_MD5"), *tracks[turn], setup.Tracks);
    turn = 1 - turn;
  }
  if (TCars::CreateFromDB(setup.Cars, {}).FoldersMD5() != cars[1 - turn]->FoldersMD5() ||
      setup.Settings->ReadString(speedUp, QStringLiteral("CARS_MD5"), {}) != cars[1 - turn]->FoldersMD5())
    state.SkipWithError("the cache differs from the list last stored");
}

void CloseUnchanged(benchmark::State& state) {
  const TCars* cars[2] = {&Setup().CachedCars, &Setup().CachedCars};
  const TTracks* tracks[2] = {&Setup().CachedTracks, &Setup().CachedTracks};
  Close(state, cars, tracks);
}
BENCHMARK(CloseUnchanged)->Unit(benchmark::kMillisecond);

void CloseRewrite(benchmark::State& state) {
  const TCars* cars[2] = {&Setup().ShiftedCars, &Setup().ScannedCars};
  const TTracks* tracks[2] = {&Setup().ShiftedTracks, &Setup().ScannedTracks};
  Close(state, cars, tracks);
}
BENCHMARK(CloseRewrite)->Unit(benchmark::kMillisecond);

// Prints the runs as usual and keeps each one's time per iteration for the ratios.
class TRatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) Times[run.benchmark_name()] = run.GetAdjustedRealTime();
  }
  void PrintRatios() const {
    for (const char* name :
         {"ColdScan/evicted:0", "ColdScan/evicted:1", "BaselineRead/evicted:0", "BaselineRead/evicted:1",
          "WarmStart", "WarmStartInMemory", "CloseUnchanged", "CloseRewrite"})
      if (!Times.contains(name) && !Times.contains(name + std::string("_median")))
        return;  // not all were run
    const double cold = Time("ColdScan/evicted:0"), base = Time("BaselineRead/evicted:0");
    std::printf(
        "ColdScan / BaselineRead = %.2f cached, %.2f evicted\nWarmStart / ColdScan = %.3f\n"
        "WarmStartInMemory / ColdScan = %.3f\nClosing: unchanged %.1f ms, rewriting %.1f ms\n",
        cold / base, Time("ColdScan/evicted:1") / Time("BaselineRead/evicted:1"), Time("WarmStart") / cold,
        Time("WarmStartInMemory") / cold, Time("CloseUnchanged"), Time("CloseRewrite"));
  }

 private:
  // The median of the repetitions when there were several.
  double Time(const std::string& name) const {
    const auto median = Times.find(name + "_median");
    return median != Times.end() ? median->second : Times.at(name);
  }

  std::map<std::string, double> Times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
