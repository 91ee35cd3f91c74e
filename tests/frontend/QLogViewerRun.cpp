// Opens the log viewer headless on a simulator folder and uses it as on a big log: shown at the
// last session, old sessions deleted, saved and closed. Prints the process's resident size
// before the viewer opened and its peak, in kB, for a test to judge the memory the viewer took:
// "resident BEFORE PEAK". Exits with 0 when the log was saved.
// Usage: lumox_qlog_viewer_run ZINDO_FOLDER
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <cstdio>

#include "frontend/QLogViewer.h"
#include "platform/EventGuard.h"
#include "tests/support/LeakSuppressions.h"

namespace {

// The figure of `field` in the process's status, in kB.
long StatusKilobytes(const QByteArray& field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(field + ':')) return line.mid(field.size() + 1).trimmed().split(' ').front().toLong();
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");  // a window system's buffers would blur the figure
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  const long before = StatusKilobytes("VmRSS");
  bool saved = false;
  lumox::RunGuarded([&] {
    lumox::TFormViewQLOG viewer(nullptr, QString::fromLocal8Bit(argv[1]));
    viewer.show();
    viewer.grab();
    viewer.findChild<QPushButton*>("BtnDeleteButLast")->click();
    viewer.grab();
    viewer.findChild<QPushButton*>("BtnSaveAndExit")->click();
    saved = viewer.result() == QDialog::Accepted;
  });
  std::printf("resident %ld %ld\n", before, StatusKilobytes("VmHWM"));
  return saved ? 0 : 1;
}
