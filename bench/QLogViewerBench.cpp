// Opening the log viewer on a large log (read, split, colour each line, show it at the last
// session) against showing the same text uncoloured at its end in the same kind of box.
#include "frontend/QLogViewer.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>
#include <benchmark/benchmark.h>

namespace {

// About 4 MB in sessions of 5000 lines, a third of them tagged.
QByteArray GenerateLog() {
  const char* const lines[] = {"(INFO) Loaded object ", "(WARN) Slow frame ", "plain line ", "(ERR) Missing file ",
                               "(NOTE) Lap ", "(CRIT) Overrun ", "more text ", "and more "};
  QByteArray log;
  for (int i = 0; log.size() < 4 * 1024 * 1024; ++i) {
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

BENCHMARK_DEFINE_F(QLogFile, ViewerOpensColoured)(benchmark::State& state) {
  for (auto _ : state) {
    lumox::TFormViewQLOG viewer(nullptr, Folder);
    viewer.show();
    benchmark::DoNotOptimize(viewer.Log().LastSessionLine());
  }
  state.SetBytesProcessed(state.iterations() * Bytes.size());
}

BENCHMARK_DEFINE_F(QLogFile, PlainBoxReference)(benchmark::State& state) {
  for (auto _ : state) {
    QFile file(Folder + "/QLOG.TXT");
    file.open(QIODevice::ReadOnly);
    QTextEdit box;
    box.setReadOnly(true);
    box.setLineWrapMode(QTextEdit::NoWrap);
    box.resize(679, 340);
    box.setPlainText(QString::fromLatin1(file.readAll()));
    box.show();
    box.moveCursor(QTextCursor::End);
    box.ensureCursorVisible();
    benchmark::DoNotOptimize(box.document()->blockCount());
  }
  state.SetBytesProcessed(state.iterations() * Bytes.size());
}

BENCHMARK_REGISTER_F(QLogFile, ViewerOpensColoured)->Unit(benchmark::kMillisecond);
BENCHMARK_REGISTER_F(QLogFile, PlainBoxReference)->Unit(benchmark::kMillisecond);

}  // namespace
