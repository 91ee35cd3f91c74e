#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
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

TEST(TrackPreview, TheFilesPresentDecideThePictureAndItsFit) {
  const struct {
    QStringList Files;
    const char *Shown, *ShownPreferred;  // without and with the loading screen preferred
  } cases[] = {
      {{"loading.tga", "preview.bmp"}, "preview.bmp", "loading.tga"},
      {{"loading.jpg"}, "loading.jpg", "loading.jpg"},
      {{"loading.bmp", "loading.tga", "preview.jpg", "preview.tga"}, "preview.tga", "loading.tga"},
      {{"loading.jpg", "Loading.TGA", "Preview.BMP"}, "Preview.BMP", "loading.jpg"},
      {{"loading.png", "preview.gif"}, "/app/lumox_no_preview.jpg", "/app/lumox_no_preview.jpg"},
  };
  for (const auto& c : cases) {
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

TEST(Image32View, ForwardsTheMouseAndFollowsTheControlsRequests) {
  QWidget form;
  auto* view = new TImage32View(&form);
  view->setFocusPolicy(Qt::TabFocus);
  TImage32& image = view->Image();
  QString pressed;
  image.OnMouseDown = [&](auto&, auto, TShiftState shift, int x, int y, auto) {
    pressed = QString::asprintf("%d at %d,%d", shift, x, y);
  };
  form.show();
  QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, {5, 6});
  EXPECT_EQ(form.focusWidget(), view) << "a tab stop takes the focus on a click";
  EXPECT_EQ(pressed, "9 at 5,6");  // shift and the left button

  QEnterEvent enter({1, 1}, {1, 1}, {1, 1});
  QApplication::sendEvent(view, &enter);
  EXPECT_TRUE(image.MouseInside());
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);  // as a layer under the mouse may
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(view, &leave);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  for (bool wanted : {false, true}) {
    image.WantArrowKeys = wanted;
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(view, &left);
    EXPECT_EQ(left.isAccepted(), wanted) << "an unwanted arrow goes on to the form";
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

TEST_F(Previews, CarVariantAndTrackChoicesShowTheirPictures) {
  Choose("comboDefaultCar", "veltra_gt4");
  const TColor32 body = *Picture("ImgCarPrv").PixelPtr(30, 107);  // left of the front wheel
  Choose("comboDefaultCarVariant", "Sprint (qualifying engine map)");
  EXPECT_NE(*Picture("ImgCarPrv").PixelPtr(30, 107), body) << "the variant's own picture";
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
    QImage shown = View(name)->grab().toImage();
    EXPECT_EQ(shown.pixelColor(84, 4), face) << name;
    EXPECT_NE(shown.pixelColor(84, 85), face) << name;
    ASSERT_TRUE(shown.reinterpretAsFormat(QImage::Format_ARGB32));  // alpha as the copy left it
    EXPECT_EQ(shown, shown.convertToFormat(QImage::Format_RGB32).convertToFormat(shown.format())) << name;
  }
}

TEST_F(Previews, APictureThatCannotBeReadLeavesItsViewEmptyAndIsReported) {
  const QString car = "data/cars/askari_f3/";
  QFile::remove(Zindo.File(car + "preview.tga"));
  const std::pair<const char*, QByteArray> unreadable[] = {
      {"preview.jpg", "not a picture at all"},
      {"preview.tga", QByteArray("\0\0\2\0\0\0\0\0\0\0\0\0\x40\x9C\x40\x9C\x18\x20", 18)},  // 40000 × 40000
      {"", {}},  // nor is the placeholder there
  };
  for (const auto& [name, bytes] : unreadable) {
    Choose("comboDefaultCar", "pico_hatch");
    ASSERT_FALSE(Picture("ImgCarPrv").Empty());
    if (!*name) Form.State().FAppDir = Zindo.File("nowhere");
    const QString file = *name ? Zindo.Write(car + name, bytes) : QString();
    Choose("comboDefaultCar", "askari_f3");
    QFile::remove(file);
    EXPECT_TRUE(Picture("ImgCarPrv").Empty()) << name;
  }
  ASSERT_EQ(Messages.Shown().size(), 3u);
  for (const auto& shown : Messages.Shown()) EXPECT_EQ(shown.Kind, TMsgKind::Error);
  Choose("comboDefaultTrack", "dunmore_park");
  EXPECT_FALSE(Picture("ImgTrackPrv").Empty()) << "the page goes on";
}

TEST_F(Previews, ARescanShowsThePicturesOfTheSelectionAsItNowStands) {
  Choose("comboDefaultCar", "pico_hatch");
  Choose("comboDefaultTrack", "harbour_loop");
  ASSERT_TRUE(QFile::copy(Zindo.File("data/tracks/harbour_loop/loading.jpg"),
                          Zindo.File("data/cars/pico_hatch/preview.jpg")));
  ASSERT_TRUE(QDir().rename(Zindo.File("data/tracks/harbour_loop"), Zindo.File("data/tracks/moved")));
  test::Find<QPushButton>(Form, "BtnRescan")->click();
  EXPECT_EQ(Picture("ImgCarPrv").Width(), 256) << "the car's new picture";
  EXPECT_TRUE(Picture("ImgTrackPrv").Empty()) << "the track is gone";
  EXPECT_EQ(Messages.Shown().size(), 1u);
}

// The "Car and track" page with both previews; in a real window system it leaves a screenshot.
TEST(RealWindow, TheCarAndTrackPageShowsBothPreviews) {
  struct TShown : Previews {
    void TestBody() override {}
  } shown;
  TFormMain& form = shown.Form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  shown.Choose("comboDefaultCar", "veltra_gt4");
  shown.Choose("comboDefaultTrack", "harbour_loop");
  QTest::qWait(50);
  const QImage screen = test::HasRealWindows() ? QImage(test::SaveScreenshot(&form, "car-and-track-previews"))
                                               : form.grab().toImage();
  const QColor face = form.palette().color(QPalette::Button);
  for (const char* name : {"ImgCarPrv", "ImgTrackPrv"})
    EXPECT_NE(screen.pixelColor(shown.View(name)->mapTo(&form, QPoint(84, 63))), face) << name;
}

}  // namespace
}  // namespace lumox
