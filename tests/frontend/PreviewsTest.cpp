#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
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
      {{"loading.bmp", "loading.tga", "preview.jpg", "preview.tga"}, "preview.tga", "loading.tga"},
      {{"loading.jpg", "Loading.TGA", "Preview.BMP"}, "Preview.BMP", "loading.jpg"},
      {{"loading.png", "preview.gif"}, "/app/lumox_no_preview.jpg", "/app/lumox_no_preview.jpg"},
  };
  for (const TTrackCase& c : cases) {
    const test::TTempFolder track;
    for (const QString& file : c.Files) track.Write(file, "");
    for (bool prefer : {false, true}) {
      const QString shown = QString::fromLatin1(prefer ? c.ShownPreferred : c.Shown);
      const TPreviewChoice expected{shown.startsWith('/') ? shown : track.File(shown),
                                    shown.startsWith("preview", Qt::CaseInsensitive) ? smResize : smStretch};
      EXPECT_EQ(ChooseTrackPreview(track.Path(), prefer, "/app"), expected)
          << c.Files.join(' ').toStdString() << prefer;
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
  const auto near = [&](int shift) {
    return std::abs(int(body >> shift & 0xFF) - int(livery >> shift & 0xFF)) <= 24;
  };
  return near(0) && near(8) && near(16);
}

TEST_F(Previews, CarVariantAndTrackChoicesShowTheirPictures) {
  const std::pair<const char*, TColor32> cars[] = {{"askari_f3", 0x143CA0},
                                                   {"morrow_saloon", 0x78A08C},
                                                   {"pico_hatch", 0xE6C81E},
                                                   {"veltra_gt4", 0x1E2832}};
  for (auto [folder, livery] : cars) {
    Choose("comboDefaultCar", folder);
    EXPECT_TRUE(HasLivery(Picture("ImgCarPrv"), livery)) << folder;
  }
  Choose("comboDefaultCarVariant", "Sprint (qualifying engine map)");
  EXPECT_TRUE(HasLivery(Picture("ImgCarPrv"), 0xF5F5F5)) << "the variant's own picture";
  test::Find<QCheckBox>(Form, "chkPrvPreferLoading")->setChecked(true);
  Choose("comboDefaultTrack", "harbour_loop");
  EXPECT_EQ(Picture("ImgTrackPrv").Width(), 256) << "the loading screen";
  test::Find<QCheckBox>(Form, "chkPrvPreferLoading")->setChecked(false);
  Choose("comboDefaultTrack", "kestrel_ring");
  Choose("comboDefaultCar", "askari_f3");
  EXPECT_TRUE(Messages.Shown().empty());

  // The track map is fitted to 168 × 105 in the middle, so the face shows above it; the
  // transparent car picture shows it through. The screen copy is opaque throughout.
  Form.show();
  const QColor face = Form.palette().color(QPalette::Button);
  for (const char* name : {"ImgCarPrv", "ImgTrackPrv"}) {
    const QImage shown = View(name)->grab().toImage();
    EXPECT_EQ(shown.pixelColor(84, 4), face) << name;
    EXPECT_NE(shown.pixelColor(84, 85), face) << name;
    for (int y = 0; y < shown.height(); ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
      for (int x = 0; x < shown.width(); ++x) ASSERT_EQ(qAlpha(row[x]), 255) << name << " " << x << "," << y;
    }
  }
}

TEST_F(Previews, APictureThatCannotBeReadLeavesItsViewEmptyAndIsReported) {
  const QString car = "data/cars/askari_f3/";
  QFile::remove(Zindo.File(car + "preview.tga"));
  const std::pair<const char*, QByteArray> unreadable[] = {
      {"preview.jpg", "not a picture at all"},
      {"preview.tga", QByteArray("\0\0\2\0\0\0\0\0\0\0\0\0\x40\x9C\x40\x9C\x18\x20", 18)},  // 40000 × 40000
      {"no placeholder either", {}},
  };
  for (const auto& [name, bytes] : unreadable) {
    Choose("comboDefaultCar", "pico_hatch");
    ASSERT_FALSE(Picture("ImgCarPrv").Empty());
    if (bytes.isEmpty()) Form.State().FAppDir = Zindo.File("nowhere");
    const QString file = bytes.isEmpty() ? QString() : Zindo.Write(car + name, bytes);
    Choose("comboDefaultCar", "askari_f3");
    QFile::remove(file);
    EXPECT_TRUE(Picture("ImgCarPrv").Empty()) << name;
    ASSERT_FALSE(Messages.Shown().empty()) << name;
    EXPECT_EQ(Messages.Shown().back().Kind, TMsgKind::Error);
  }
  EXPECT_EQ(Messages.Shown().size(), 3u);
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
  for (const char* name : {"ImgCarPrv", "ImgTrackPrv"})
    EXPECT_NE(screen.pixelColor(shown.View(name)->mapTo(&form, QPoint(84, 63))), face) << name;
  EXPECT_TRUE(shown.Messages.Shown().empty());
}

}  // namespace
}  // namespace lumox
