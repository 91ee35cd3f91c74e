// Opening the log viewer on a 20 MB log (read, split into lines, shown at the last session with
// the visible lines coloured and painted) and scrolling it a page at a time, against reading
// the file alone.
#include "frontend/QLogViewer.h"

#include <QApplication>
#include <QFile>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// About 20 MB in sessions of 5000 lines, a third of them tagged.
QByteArray GenerateLog() {
  const char* const lines[] = {"(INFO) Loaded object ", "(WARN) Slow frame ", "plain line ", "(ERR) Missing file ",
                               "(NOTE) Lap ", "(CRIT) Overrun ", "more text ", "and more "};
  QByteArray log;
  for (int i = 0; log.size() < 20 * 1024 * 1024; ++i) {
    if (i % 5000 == 0) log += "12:00:00 --- session separator ---\r\n";
    log += "12:00:01.250 " + QByteArray(lines[i % 8]) + QByteArray::number(i) + "\r\n";
  }
  return log;
}

class QLogFile : public benchmark::Fixture {
 public:
  void SetUp(benchmark::State&) override {
    if (!qApp) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
      static int argc = 1;
      static char name[] = "bench_qlog_viewer";
      static char* argv[] = {name, nullptr};
      new QApplication(argc, argv);  // lives as long as the process
    }
    if (!Folder.isEmpty()) return;
    static QTemporaryDir dir;
    Folder = dir.path();
    Bytes = GenerateLog();
    QFile file(Folder + "/QLOG.TXT");
    file.open(QIODevice::WriteOnly);
    file.write(Bytes);
  }

 protected:
  static inline QString Folder;
  static inline QByteArray Bytes;
};

BENCHMARK_DEFINE_F(QLogFile, ViewerOpensAtTheLastSession)(benchmark::State& state) {
  for (auto _ : state) {
    lumox::TFormViewQLOG viewer(nullptr, Folder);
    viewer.show();
    benchmark::DoNotOptimize(viewer.grab());
  }
  state.SetBytesProcessed(state.iterations() * Bytes.size());
}

// One page down and the box painted again, from the top of the log to its end.
BENCHMARK_DEFINE_F(QLogFile, ScrollAPage)(benchmark::State& state) {
  lumox::TFormViewQLOG viewer(nullptr, Folder);
  viewer.show();
  auto* box = viewer.findChild<QListView*>("RichEdit1");
  QScrollBar* bar = box->verticalScrollBar();
  bar->setValue(0);
  for (auto _ : state) {
    bar->setValue(bar->value() < bar->maximum() ? bar->value() + bar->pageStep() : 0);
    benchmark::DoNotOptimize(box->viewport()->grab());
  }
}

BENCHMARK_DEFINE_F(QLogFile, ReadTheFileReference)(benchmark::State& state) {
  for (auto _ : state) {
    QFile file(Folder + "/QLOG.TXT");
    file.open(QIODevice::ReadOnly);
    benchmark::DoNotOptimize(file.readAll());
  }
  state.SetBytesProcessed(state.iterations() * Bytes.size());
}

BENCHMARK_REGISTER_F(QLogFile, ViewerOpensAtTheLastSession)->Unit(benchmark::kMillisecond);
BENCHMARK_REGISTER_F(QLogFile, ScrollAPage)->Unit(benchmark::kMillisecond);
BENCHMARK_REGISTER_F(QLogFile, ReadTheFileReference)->Unit(benchmark::kMillisecond);

}  // namespace
