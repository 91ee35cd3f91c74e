#include <gtest/gtest.h>

#include <QByteArray>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"
#include "framework/Icon.h"
#include "framework/JpegImage.h"
#include "framework/Picture.h"
#include "tests/framework/PictureFiles.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using test::TBytes;

// Reports one progress step while loading and then fails, so tests see both.
class TProgressProbe final : public TGraphic {
 public:
  static const TGraphicClass& Class() {
    static const TGraphicClass info{"TProgressProbe", &CreateGraphic<TProgressProbe>};
    return info;
  }
  const TGraphicClass& ClassType() const override { return Class(); }
  bool Empty() const override { return true; }
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  void LoadFromStream(TStream&) override {
    Progress(TProgressStage::Running, 40, true, {0, 1, 5, 2}, "Loading data...");
    throw EInvalidGraphic("probe");
  }
};

class Picture : public ::testing::Test {
 protected:
  ~Picture() override {
    TPicture::UnregisterGraphicClass(TProgressProbe::Class());
    for (const TFileFormat& f : Saved)
      TPicture::RegisterFileFormat(f.Extension, f.Description, *f.GraphicClass);
  }
  std::string Write(const QString& name, const TBytes& bytes) {
    return Folder
        .Write(name, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())))
        .toStdString();
  }

  const std::vector<TFileFormat> Saved = TPicture::FileFormats();
  const TBytes SmallBmp = test::BmpFile({.Width = 1, .Height = 1, .Bits = 24, .Pixels = {1, 2, 3, 0}});
  test::TTempFolder Folder;
  TPicture Loaded;
};

TEST_F(Picture, LoadsAFileThroughTheClassOfItsExtensionInAnyCase) {
  EXPECT_EQ(TPicture::GraphicClassOf("Dib"), &TBitmap::Class());
  EXPECT_EQ(TPicture::GraphicClassOf("JFIF"), &TJPEGImage::Class());
  EXPECT_EQ(TPicture::GraphicClassOf("ico"), &TIcon::Class());
  EXPECT_EQ(TPicture::GraphicClassOf("emf"), &TMetafile::Class());
  EXPECT_EQ(TPicture::GraphicClassOf(""), nullptr);
  Loaded.LoadFromFile(Write("preview.DIB", SmallBmp));
  ASSERT_NE(dynamic_cast<TBitmap*>(Loaded.Graphic()), nullptr);
  Loaded.LoadFromFile(Write("loading.Jpg", test::QuadrantJpeg(8, 4)));
  ASSERT_NE(dynamic_cast<TJPEGImage*>(Loaded.Graphic()), nullptr);
  EXPECT_EQ(std::pair(Loaded.Width(), Loaded.Height()), std::pair(8, 4));
}

TEST_F(Picture, UnknownExtensionsAndFailedLoadsRaiseAndKeepThePicture) {
  Loaded.LoadFromFile(Write("a.bmp", SmallBmp));
  TGraphic* before = Loaded.Graphic();
  try {
    Loaded.LoadFromFile(Write("a.xyz", SmallBmp));
    FAIL() << "loaded an unknown extension";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Unknown picture file extension (.xyz)");
  }
  EXPECT_THROW(Loaded.LoadFromFile(Write("noextension", SmallBmp)), EInvalidGraphic);
  EXPECT_THROW(Loaded.LoadFromFile(Write("bad.bmp", {'B', 'M'})), EInvalidGraphic);
  EXPECT_THROW(Loaded.LoadFromFile(Write("icon.ico", SmallBmp)), EInvalidGraphic);
  EXPECT_THROW(Loaded.LoadFromFile(Folder.File("missing.bmp").toStdString()), EFOpenError);
  EXPECT_EQ(Loaded.Graphic(), before);
}

TEST_F(Picture, ALaterRegistrationTakesOverAnExtensionAndProgressIsPassedOn) {
  TPicture::RegisterFileFormat("JPG", "probe pictures", TProgressProbe::Class());
  TPicture::RegisterFileFormat("probe", "probe pictures", TProgressProbe::Class());
  EXPECT_EQ(TPicture::GraphicClassOf("jpg"), &TProgressProbe::Class());
  EXPECT_EQ(TPicture::GraphicClassOf("jpeg"), &TJPEGImage::Class());
  std::vector<std::string> seen;
  Loaded.OnProgress = [&](TGraphic& sender, TProgressStage stage, std::uint8_t percent, bool redraw,
                          const TRect& rect, const std::string& message) {
    EXPECT_EQ(&sender.ClassType(), &TProgressProbe::Class());
    EXPECT_EQ(stage, TProgressStage::Running);
    EXPECT_EQ(percent, 40);
    EXPECT_TRUE(redraw);
    EXPECT_EQ(rect, (TRect{0, 1, 5, 2}));
    seen.push_back(message);
  };
  EXPECT_THROW(Loaded.LoadFromFile(Write("x.probe", {1})), EInvalidGraphic);
  EXPECT_EQ(seen, std::vector<std::string>{"Loading data..."});

  TPicture::UnregisterGraphicClass(TProgressProbe::Class());
  EXPECT_EQ(TPicture::GraphicClassOf("jpg"), nullptr);
  EXPECT_EQ(TPicture::GraphicClassOf("probe"), nullptr);
}

}  // namespace
}  // namespace lumox
