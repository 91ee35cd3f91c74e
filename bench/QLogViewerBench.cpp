// The log viewer on a realistic 64 MB log, on one 64 MB line of NUL bytes (what a simulator
// that crashed while writing leaves) and on 16 MB of line breaks alone: opening it at the last
// session with the visible lines coloured and painted, and the whole use (open, delete the old
// sessions, save, close), each against reading the file once in the same run; and scrolling the
// realistic log a page at a time.
#include "bench/Comparison.h"
#include "frontend/QLogViewer.h"
#include "tests/frontend/QLogSample.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <unistd.h>

namespace lumox {
namespace {

constexpr qsizetype kLogSize = 64 << 20;
constexpr qsizetype kLineBreaks = 16 << 20;

// A simulator folder whose log, `text` followed by `nulBytes` (a hole of a sparse file), is also
// kept as QLOG.ORIG, so that a log shortened by a save is put back at once, by a hard link.
class TLogFolder {
 public:
  explicit TLogFolder(const QByteArray& text, qint64 nulBytes = 0) {
    QFile original(Original());
    original.open(QIODevice::WriteOnly);
    original.write(text);
    original.resize(text.size() + nulBytes);
    original.close();
    Restore();
  }
  QString Path() const { return Dir.path(); }
  QString Original() const { return Dir.filePath("QLOG.ORIG"); }
  void Restore() const {
    const QByteArray log = QFile::encodeName(Dir.filePath("QLOG.TXT"));
    ::unlink(log.constData());
    ::link(QFile::encodeName(Original()).constData(), log.constData());
  }

 private:
  QTemporaryDir Dir;
};

struct TBench {
  TBench() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_qlog_viewer";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // lives as long as the process
  }
  TLogFolder Realistic{test::RealisticQLog(kLogSize)};
  TLogFolder NulLine{{}, kLogSize};
  TLogFolder LineBreaks{QByteArray(kLineBreaks, '\n')};
  const TLogFolder& Folder(const benchmark::State& state) const {
    const TLogFolder* folders[] = {&Realistic, &NulLine, &LineBreaks};
    return *folders[state.range(0)];
  }
};

TBench& Bench() {
  static TBench bench;
  return bench;
}

void ReadTheFileOnce(const TLogFolder& folder) {
  QFile file(folder.Original());
  file.open(QIODevice::ReadOnly);
  benchmark::DoNotOptimize(file.readAll());
}

void Label(benchmark::State& state) {
  const char* labels[] = {"realistic log", "one NUL line", "line breaks only"};
  state.SetLabel(labels[state.range(0)]);
}

void ViewerOpensAtTheLastSession(benchmark::State& state) {
  const TLogFolder& folder = Bench().Folder(state);
  bench::Compare(
      state,
      [&] {
        TFormViewQLOG viewer(nullptr, folder.Path());
        viewer.show();
        benchmark::DoNotOptimize(viewer.grab());
      },
      [&] { ReadTheFileOnce(folder); });
  Label(state);
}

// The save writes the file through the write guard, which syncs it to the disk.
void DeleteOldSessionsAndSave(benchmark::State& state) {
  const TLogFolder& folder = Bench().Folder(state);
  bench::Compare(
      state,
      [&] {
        folder.Restore();
        TFormViewQLOG viewer(nullptr, folder.Path());
        viewer.show();
        benchmark::DoNotOptimize(viewer.grab());
        viewer.findChild<QPushButton*>("BtnDeleteButLast")->click();
        viewer.findChild<QPushButton*>("BtnSaveAndExit")->click();
      },
      [&] { ReadTheFileOnce(folder); });
  Label(state);
}

// One page down and the box painted again, from the top of the realistic log to its end.
void ScrollAPage(benchmark::State& state) {
  Bench().Realistic.Restore();
  TFormViewQLOG viewer(nullptr, Bench().Realistic.Path());
  viewer.show();
  auto* box = viewer.findChild<QAbstractItemView*>("RichEdit1");
  QScrollBar* bar = box->verticalScrollBar();
  bar->setValue(0);
  for (auto _ : state) {
    bar->setValue(bar->value() < bar->maximum() ? bar->value() + bar->pageStep() : 0);
    benchmark::DoNotOptimize(box->viewport()->grab());
  }
}

BENCHMARK(ViewerOpensAtTheLastSession)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(DeleteOldSessionsAndSave)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollAPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumox
