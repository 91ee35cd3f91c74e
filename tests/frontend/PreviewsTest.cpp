#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "frontend/FormMain.h"
#include "frontend/Image32View.h"
#include "frontend/Previews.h"
#include "tests/frontend/FormStartUp.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/FindWidget.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using enum TScaleMode;

struct TTrackCase {
  QStringList Files;
  const char* Shown;           // without preference
  const char* ShownPreferred;  // with the loading screen preferred
};

TEST(TrackPreview, TheFilesPresentDecideThePictureAndItsFit) {
  const TTrackCase cases[] = {
      {{"loading.tga", "preview.bmp"}, "preview.bmp", "loading.tga"},
      {{"loading.jpg"}, "loading.jpg", "loading.jpg"},
      {{"preview.jpg", "preview.bmp"}, "preview.jpg", "preview.jpg"},
      {{"loading.bmp", "loading.tga", "preview.jpg", "preview.tga"}, "preview.tga", "loading.tga"},
      {{"loading.jpg", "Loading.TGA", "Preview.BMP"}, "Preview.BMP", "loading.jpg"},
      {{"loading.png", "preview.gif", "track.ini"}, "lumox_no_preview.jpg", "lumox_no_preview.jpg"},
  };
  for (const TTrackCase& c : cases) {
    const test::TTempFolder track;
    for (const QString& file : c.Files) track.Write(file, "");
    for (bool prefer : {false, true}) {
      const QString shown = QString::fromLatin1(prefer ? c.ShownPreferred : c.Shown);
      const TScaleMode mode = shown.startsWith("preview", Qt::CaseInsensitive) ? smResize : smStretch;
      const QString file = shown == "lumox_no_preview.jpg" ? "/app/" + shown : track.File(shown);
      EXPECT_EQ(ChooseTrackPreview(track.Path(), prefer, "/app"), (TPreviewChoice{file, mode}))
          << c.Files.join(' ').toStdString() << (prefer ? " preferring loading screens" : "");
    }
  }
}

// The main window over a copy of the sample installation.
class Previews : public ::testing::Test {
 public:
  Previews() {
    std::filesystem::copy(LUMOX_EXAMPLE_INSTALLATION, Zindo.Path().toStdString(),
                          std::filesystem::copy_options::recursive);
    test::StartUp(Form, Zindo.File("zindo.exe"));
    Form.State().FAppDir = LUMOX_APP_DIR;
  }

  void Choose(const char* combo, const QString& item) {
    QComboBox* box = test::Find<QComboBox>(Form, combo);
    box->setCurrentIndex(box->findData(item) >= 0 ? box->findData(item) : box->findText(item));
    box->activated(box->currentIndex());
  }
  TImage32View* View(const char* name) { return test::Find<TImage32View>(Form, name); }
  const TBitmap32& Picture(const char* name) { return View(name)->Image().Bitmap(); }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
};

// Whether the car picture's body (left of the front wheel, below the stripe) has the livery.
bool HasLivery(const TBitmap32& car, TColor32 livery) {
  const TColor32 body = *car.PixelPtr(30, 107);
  for (int shift : {0, 8, 16}) {
    if (std::abs(int(body >> shift & 0xFF) - int(livery >> shift & 0xFF)) > 24) return false;
  }
  return true;
}

TEST_F(Previews, CarVariantAndTrackChoicesShowTheirPictures) {
  const std::pair<const char*, TColor32> cars[] = {{"askari_f3", 0x143CA0}, {"morrow_saloon", 0x78A08C},
                                                   {"pico_hatch", 0xE6C81E}, {"veltra_gt4", 0x1E2832}};
  for (auto [folder, livery] : cars) {
    Choose("comboDefaultCar", folder);
    EXPECT_TRUE(HasLivery(Picture("ImgCarPrv"), livery)) << folder;
    EXPECT_EQ(View("ImgCarPrv")->Image().ScaleMode(), smStretch);
  }
  Choose("comboDefaultCarVariant", "Sprint (qualifying engine map)");
  EXPECT_TRUE(HasLivery(Picture("ImgCarPrv"), 0xF5F5F5)) << "the variant's own picture";

  Choose("comboDefaultTrack", "kestrel_ring");
  EXPECT_EQ(Picture("ImgTrackPrv").Width(), 320);
  EXPECT_EQ(View("ImgTrackPrv")->Image().ScaleMode(), smResize);
  test::Find<QCheckBox>(Form, "chkPrvPreferLoading")->setChecked(true);
  Choose("comboDefaultTrack", "harbour_loop");
  EXPECT_EQ(Picture("ImgTrackPrv").Width(), 256);
  EXPECT_EQ(View("ImgTrackPrv")->Image().ScaleMode(), smStretch);
  EXPECT_TRUE(Messages.Shown().empty());

  // The track map fills 168 × 105 in the middle, so the face shows above it; a transparent
  // car picture shows the face through it. The screen copy is opaque throughout.
  Form.show();
  Form.findChild<QTabWidget*>("pcRace")->setCurrentIndex(0);
  test::Find<QCheckBox>(Form, "chkPrvPreferLoading")->setChecked(false);
  Choose("comboDefaultTrack", "kestrel_ring");
  Choose("comboDefaultCar", "askari_f3");
  const QColor face = Form.palette().color(QPalette::Button);
  for (const char* name : {"ImgCarPrv", "ImgTrackPrv"}) {
    const QImage shown = View(name)->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(168, 126));
    EXPECT_EQ(shown.pixelColor(84, 4), face) << name;
    EXPECT_NE(shown.pixelColor(84, 85), face) << name;
    for (int y = 0; y < shown.height(); ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
      for (int x = 0; x < shown.width(); ++x) ASSERT_EQ(qAlpha(row[x]), 255) << name << " " << x << "," << y;
    }
  }
}

TEST_F(Previews, APictureThatCannotBeReadLeavesItsViewEmptyAndIsReported) {
  const std::pair<const char*, QByteArray> unreadable[] = {
      {"preview.jpg", "not a picture at all"},
      {"preview.bmp", QByteArray("BM\x40\0\0\0\0\0\0\0\x99\0\0\0", 14)},  // pixels after the end
      {"preview.tga", QByteArray("\0\0\2\0\0\0\0\0\0\0\0\0\x40\x9C\x40\x9C\x18\x20", 18)},  // 40000 × 40000
  };
  std::size_t reported = 0;
  for (const auto& [name, bytes] : unreadable) {
    Choose("comboDefaultCar", "pico_hatch");
    ASSERT_FALSE(Picture("ImgCarPrv").Empty());
    QFile::remove(Zindo.File("data/cars/askari_f3/preview.tga"));
    Zindo.Write(QString("data/cars/askari_f3/") + name, bytes);
    Choose("comboDefaultCar", "askari_f3");
    EXPECT_TRUE(Picture("ImgCarPrv").Empty()) << name;
    ASSERT_EQ(Messages.Shown().size(), ++reported) << name;
    EXPECT_EQ(Messages.Shown().back().Kind, TMsgKind::Error);
    QFile::remove(Zindo.File(QString("data/cars/askari_f3/") + name));
  }
  Form.State().FAppDir = Zindo.File("nowhere");  // and no placeholder either
  Choose("comboDefaultCar", "askari_f3");
  EXPECT_TRUE(Picture("ImgCarPrv").Empty());
  EXPECT_EQ(Messages.Shown().size(), ++reported);
  Choose("comboDefaultTrack", "dunmore_park");
  EXPECT_FALSE(Picture("ImgTrackPrv").Empty()) << "the page goes on";
}

// The "Car and track" page with both previews in a real window.
TEST(RealWindow, TheCarAndTrackPageShowsBothPreviews) {
  if (!test::HasRealWindows()) GTEST_SKIP() << "runs under xvfb";
  struct TShown : Previews {
    void TestBody() override {}
  } shown;
  TFormMain& form = shown.Form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  shown.Choose("comboDefaultCar", "veltra_gt4");
  shown.Choose("comboDefaultTrack", "harbour_loop");
  QTest::qWait(50);
  const QImage screen = QImage(test::SaveScreenshot(&form, "car-and-track-previews"));
  const QColor face = form.palette().color(QPalette::Button);
  for (const char* name : {"ImgCarPrv", "ImgTrackPrv"}) {
    const QPoint middle = shown.View(name)->mapTo(&form, QPoint(84, 63));
    EXPECT_NE(screen.pixelColor(middle * screen.devicePixelRatio()), face) << name;
  }
  EXPECT_TRUE(shown.Messages.Shown().empty());
}

}  // namespace
}  // namespace lumox
