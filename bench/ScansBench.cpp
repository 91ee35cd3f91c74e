// The start-up fingerprint of a large car folder list against a bare listing of the same
// folders that tests each for car.ini by its exact name.
#include "installation/Scans.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kCars = 1000;

// Every tenth car keeps its ini file in upper case, as installations copied from Windows do.
const QTemporaryDir& Installation() {
  static QTemporaryDir dir;
  static const bool made = [] {
    for (int i = 0; i < kCars; ++i) {
      const QString car = dir.filePath(QStringLiteral("data/cars/car%1").arg(i));
      QDir().mkpath(car);
      QFile ini(car + (i % 10 == 0 ? "/CAR.INI" : "/car.ini"));
      ini.open(QIODevice::WriteOnly);
      for (const char* other : {"/body.gmt", "/preview.tga", "/engine.ini"}) {
        QFile file(car + other);
        file.open(QIODevice::WriteOnly);
      }
    }
    return true;
  }();
  (void)made;
  return dir;
}

void BM_CarFoldersMD5(benchmark::State& state) {
  const QString zindo = Installation().path();
  for (auto _ : state) benchmark::DoNotOptimize(lumox::CarFoldersMD5(zindo));
  state.SetItemsProcessed(state.iterations() * kCars);
}
BENCHMARK(BM_CarFoldersMD5)->Unit(benchmark::kMillisecond);

void BM_ReferenceBareListing(benchmark::State& state) {
  const QString cars = Installation().path() + "/data/cars";
  for (auto _ : state) {
    int found = 0;
    for (const QString& name : QDir(cars).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted)) {
      found += QFile::exists(cars + "/" + name + "/car.ini");
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kCars);
}
BENCHMARK(BM_ReferenceBareListing)->Unit(benchmark::kMillisecond);

}  // namespace
