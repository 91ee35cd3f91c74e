// Writes the preview pictures of the sample installation and the program's placeholder:
//   make_sample_pictures <installation folder> <placeholder file>
// The outputs are committed (examples/zindo and app/lumox_no_preview.jpg); run this after
// changing the drawings.
#include <QGuiApplication>
#include <cstdio>
#include <exception>
#include <functional>

#include "examples/pictures/SamplePictures.h"

namespace {

using namespace lumox::samples;

struct TPictureFile {
  const char* Path;  // in the installation
  TFileKind Kind;
  std::function<QImage()> Draw;
};

constexpr QSize CarSize(200, 150);
constexpr QSize MapSize(320, 200);
constexpr QSize LoadingSize(256, 192);

QImage Car(TBody body, QColor livery, QColor stripe, bool transparent = false) {
  return CarPicture({body, livery, stripe}, CarSize, transparent);
}

const TPictureFile Pictures[] = {
    {"data/cars/askari_f3/preview.tga", TFileKind::TargaRunLength,
     [] { return Car(TBody::Formula, QColor(20, 60, 160), QColor(250, 250, 250), true); }},
    {"data/cars/morrow_saloon/preview.jpg", TFileKind::Jpeg,
     [] { return Car(TBody::Saloon, QColor(120, 160, 140), QColor(236, 230, 210)); }},
    {"data/cars/pico_hatch/preview.bmp", TFileKind::Bmp,
     [] { return Car(TBody::Hatch, QColor(230, 200, 30), QColor(30, 30, 30)); }},
    {"data/cars/veltra_gt4/preview.tga", TFileKind::TargaRaw,
     [] { return Car(TBody::GT, QColor(190, 30, 40), QColor(240, 240, 240)); }},
    {"data/cars/veltra_gt4/lumox_variants/endurance/preview.jpg", TFileKind::Jpeg,
     [] { return Car(TBody::GT, QColor(30, 40, 50), QColor(250, 130, 20)); }},
    {"data/cars/veltra_gt4/lumox_variants/sprint/preview.bmp", TFileKind::Bmp,
     [] { return Car(TBody::GT, QColor(245, 245, 245), QColor(200, 30, 40)); }},
    {"data/tracks/harbour_loop/preview.tga", TFileKind::TargaRunLength, [] { return TrackMap(0, MapSize); }},
    {"data/tracks/harbour_loop/loading.jpg", TFileKind::Jpeg, [] { return LoadingScreen(0, LoadingSize); }},
    {"data/tracks/kestrel_ring/preview.jpg", TFileKind::Jpeg, [] { return TrackMap(1, MapSize); }},
    {"data/tracks/kestrel_ring/loading.bmp", TFileKind::Bmp, [] { return LoadingScreen(1, LoadingSize); }},
    {"data/tracks/dunmore_park/loading.tga", TFileKind::TargaRunLength,
     [] { return LoadingScreen(2, LoadingSize); }},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <installation folder> <placeholder file>\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  try {
    for (const TPictureFile& picture : Pictures)
      SavePicture(picture.Draw(), QString::fromLocal8Bit(argv[1]) + "/" + picture.Path, picture.Kind);
    SavePicture(NoPreviewPicture({168, 126}), QString::fromLocal8Bit(argv[2]), TFileKind::Jpeg);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
