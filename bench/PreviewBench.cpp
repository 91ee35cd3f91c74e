// Changing the car on the "Car and track" page with a 1024 × 768 preview, from the selector's
// change to the repainted preview (variants read, file looked up, decoded, taken over,
// resampled into the view and copied to the screen), against decoding the same file alone in
// the same run. The program looks for preview.tga, .jpg and .bmp only, so PNG is measured
// from the preview's load on (Show), like the others for comparison.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWindow>

#include "examples/pictures/SamplePictures.h"
#include "frontend/FormMain.h"
#include "frontend/Image32View.h"
#include "frontend/Previews.h"
#include "imageformats/FileFormatList.h"
#include "platform/ScreenGraphics.h"

namespace {

using namespace lumox;
using samples::TFileKind;

const std::pair<const char*, TFileKind> Formats[] = {
    {"tga", TFileKind::TargaRunLength}, {"png", TFileKind::Png}, {"jpg", TFileKind::Jpeg}};

// An installation with two cars per format, "<format>_a" and "<format>_b", each with the same
// rendered preview, and the main window over it showing the car page.
struct TInstallation {
  QTemporaryDir Dir;
  std::unique_ptr<TFormMain> Form;

  TInstallation() {
    const QImage picture = samples::CarPicture(
        {samples::TBody::GT, QColor(190, 30, 40), QColor(240, 240, 240)}, {1024, 768}, false);
    for (auto [format, kind] : Formats) {
      for (const char* car : {"_a", "_b"}) {
        const QString folder = Dir.path() + "/data/cars/" + format + car;
        QDir().mkpath(folder);
        QFile ini(folder + "/car.ini");
        ini.open(QIODevice::WriteOnly);
        ini.write(QByteArray("car\r\n{\r\n  name=") + format + car + "\r\n}\r\n");
        samples::SavePicture(picture, folder + "/preview." + format, kind);
      }
    }
    Form = std::make_unique<TFormMain>();
    TFrontEndState& state = Form->State();
    state.SetZindoExe(Dir.path() + "/zindo.exe");
    state.FCars = std::make_unique<TCars>(TCars::CreateFromFolders(state.FZindoDir, nullptr));
    state.FInitialized = true;
    Form->FillCarAndTrackSelectors();
    Form->show();
    // Only an exposed window paints at once.
    while (!Form->windowHandle()->isExposed()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  QString Preview(const char* format, int turn) const {
    return Dir.path() + "/data/cars/" + format + (turn % 2 ? "_a" : "_b") + "/preview." + format;
  }
};

std::unique_ptr<TInstallation> TheInstallation;  // while the benchmarks run

TInstallation& Installation() { return *TheInstallation; }

void CarChange(benchmark::State& state, const char* format) {
  QComboBox* cars = Installation().Form->findChild<QComboBox*>("comboDefaultCar");
  int turn = 0;
  for (auto _ : state) {
    cars->setCurrentIndex(cars->findData(QString(format) + (turn++ % 2 ? "_a" : "_b")));
    emit cars->activated(cars->currentIndex());
  }
}

void Show(benchmark::State& state, const char* format) {
  TInstallation& installation = Installation();
  auto* view = installation.Form->findChild<TImage32View*>("ImgCarPrv");
  int turn = 0;
  for (auto _ : state) ShowPreview(*view, {installation.Preview(format, turn++), TScaleMode::smStretch});
}

// The paint of a preview whose buffer is up to date: the copy onto the window alone.
void RepaintUnchanged(benchmark::State& state) {
  TInstallation& installation = Installation();
  auto* view = installation.Form->findChild<TImage32View*>("ImgCarPrv");
  ShowPreview(*view, {installation.Preview("tga", 0), TScaleMode::smStretch});
  for (auto _ : state) view->repaint();
}

void DecodeAlone(benchmark::State& state, const char* format) {
  const TInstallation& installation = Installation();
  int turn = 0;
  for (auto _ : state) {
    TPicture picture;
    picture.LoadFromFile(QFile::encodeName(installation.Preview(format, turn++)).toStdString());
    benchmark::DoNotOptimize(picture.Width());
  }
}

#define PREVIEW_BENCHMARKS(format)                                                \
  BENCHMARK_CAPTURE(DecodeAlone, format, #format)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(Show, format, #format)->Unit(benchmark::kMillisecond);

BENCHMARK(RepaintUnchanged)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CarChange, tga, "tga")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CarChange, jpg, "jpg")->Unit(benchmark::kMillisecond);
PREVIEW_BENCHMARKS(tga)
PREVIEW_BENCHMARKS(png)
PREVIEW_BENCHMARKS(jpg)

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const TDeviceContextLayerScope deviceContexts(ScreenDeviceContextLayer());
  benchmark::Initialize(&argc, argv);
  StartUpImageFormats();
  TheInstallation = std::make_unique<TInstallation>();
  benchmark::RunSpecifiedBenchmarks();
  TheInstallation.reset();
  ShutDownImageFormats();
  benchmark::Shutdown();
  return 0;
}
