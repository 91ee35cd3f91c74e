// Painting a form of forty controls with the theme manager taking it over as it does on Linux
// (no visual-style library: only the form and its list views are taken over, and every event of
// theirs goes through the handlers as messages), against painting the same form left alone.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "visualstyles/ThemeManager.h"

namespace {

void EnsureApplication() {
  if (qApp) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_themed_paint";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives as long as the process
}

std::unique_ptr<QWidget> SampleForm() {
  auto form = std::make_unique<QWidget>();
  auto* layout = new QVBoxLayout(form.get());
  for (int i = 0; i < 10; ++i) {
    auto* group = new QGroupBox(QString("Group %1").arg(i));
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(new QLabel("Label"));
    inner->addWidget(new QCheckBox("Check"));
    layout->addWidget(group);
    layout->addWidget(new QPushButton("Button"));
  }
  layout->addWidget(new QListView);
  form->resize(400, 900);
  form->show();
  QCoreApplication::processEvents();
  return form;
}

void Paint(benchmark::State& state, bool takenOver) {
  EnsureApplication();
  const std::unique_ptr<QWidget> form = SampleForm();
  std::unique_ptr<lumox::TThemeManager> manager;
  if (takenOver) {
    manager = std::make_unique<lumox::TThemeManager>();
    manager->Loaded();
  }
  for (auto _ : state) benchmark::DoNotOptimize(form->grab());
}

void BM_PaintFormLeftAlone(benchmark::State& state) { Paint(state, false); }
void BM_PaintFormTakenOver(benchmark::State& state) { Paint(state, true); }

BENCHMARK(BM_PaintFormLeftAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintFormTakenOver)->Unit(benchmark::kMicrosecond);

}  // namespace
