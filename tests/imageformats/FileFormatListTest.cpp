#include "imageformats/FileFormatList.h"

#include <gtest/gtest.h>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"
#include "framework/JpegImage.h"
#include "framework/Picture.h"

namespace lumox {
namespace {

const TGraphicClass OtherClass{"TOtherGraphic", &CreateGraphic<TBitmap>};

// Every test leaves the framework's picture registry as it found it.
class FileFormatList : public ::testing::Test {
 protected:
  ~FileFormatList() override {
    for (const TFileFormat& f : TPicture::FileFormats()) TPicture::UnregisterGraphicClass(*f.GraphicClass);
    for (const TFileFormat& f : Saved) TPicture::RegisterFileFormat(f.Extension, f.Description, *f.GraphicClass);
  }

  std::vector<TFileFormat> Saved = TPicture::FileFormats();
};

int CountOf(const TFileFormatList& list, const TGraphicClass& graphicClass) {
  const int index = list.FindGraphicClass(graphicClass);
  return index < 0 ? 0 : list.ClassList()[std::size_t(index)]->Count;
}

TEST_F(FileFormatList, StartUpRegistersEveryFormatOnceHoweverOftenItIsStarted) {
  StartUpImageFormats();
  StartUpImageFormats();
  const TFileFormatList& list = *lumox::FileFormatList();
  const std::pair<const TGraphicClass*, int> firstClasses[] = {
      {&TBitmap::Class(), 3}, {&TIcon::Class(), 1}, {&TMetafile::Class(), 2}, {&TJPEGImage::Class(), 4}};
  for (std::size_t i = 0; i < std::size(firstClasses); ++i) {
    EXPECT_EQ(list.ClassList()[i]->GraphicClass, firstClasses[i].first);
    EXPECT_EQ(list.ClassList()[i]->Count, firstClasses[i].second);
  }
  EXPECT_EQ(list.FindExtension("JPG"), 5);
  EXPECT_EQ(list.FindExtension(""), -1);
  for (const auto& e : list.ExtensionList()) {
    EXPECT_EQ(TPicture::GraphicClassOf(e->Extension), e->ClassReference->GraphicClass) << e->Extension;
  }
  const auto formats = TPicture::FileFormats();
  const auto emf = std::find_if(formats.begin(), formats.end(), [](const TFileFormat& f) { return f.Extension == "emf"; });
  EXPECT_EQ(emf->Description, "Windows enhanced meta files");
  ShutDownImageFormats();
  EXPECT_NE(lumox::FileFormatList(), nullptr);
  ShutDownImageFormats();
  EXPECT_EQ(lumox::FileFormatList(), nullptr);
  EXPECT_TRUE(TPicture::FileFormats().empty());
  ShutDownImageFormats();  // one too many does nothing
}

TEST_F(FileFormatList, RegisteringTwiceWithoutReplaceIsRefused) {
  TFileFormatList list;
  list.RegisterFileFormat("tga", "Truevision images", "", {TFileType::ftRaster}, false, OtherClass);
  list.RegisterFileFormat("", "ignored", "", {}, false, OtherClass);
  try {
    list.RegisterFileFormat("TGA", "", "", {}, false, TBitmap::Class());
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Attempt to register TGA twice.");
  }
  ASSERT_EQ(list.ExtensionList().size(), 1u);
  EXPECT_EQ(list.ClassList().size(), 1u);
  EXPECT_EQ(TPicture::GraphicClassOf("tga"), &OtherClass);
}

TEST_F(FileFormatList, ReplacingMovesAnExtensionToTheNewClass) {
  TFileFormatList list;
  for (const char* extension : {"jfif", "jpg", "jpe", "jpeg"}) {
    list.RegisterFileFormat(extension, "JPG images", "", {}, false, TJPEGImage::Class());
  }
  list.RegisterFileFormat("jpg", "Other", "", {}, true, OtherClass);
  EXPECT_EQ(CountOf(list, TJPEGImage::Class()), 3);
  EXPECT_EQ(CountOf(list, OtherClass), 1);
  EXPECT_EQ(TPicture::GraphicClassOf("jpg"), &OtherClass);
  list.RegisterFileFormat("ico", "", "", {}, false, TIcon::Class());
  list.RegisterFileFormat("ico", "", "", {}, true, OtherClass);
  EXPECT_EQ(list.FindGraphicClass(TIcon::Class()), -1);  // emptied class entries go
  EXPECT_EQ(CountOf(list, OtherClass), 2);
}

TEST_F(FileFormatList, UnregisteringAnExtensionOrAWholeClass) {
  TFileFormatList list;
  for (const char* extension : {"bmp", "rle", "dib"}) list.RegisterFileFormat(extension, "B", "", {}, false, TBitmap::Class());
  list.RegisterFileFormat("x", "X", "", {}, false, OtherClass);
  list.UnregisterFileFormat("rle", TBitmap::Class());
  EXPECT_EQ(CountOf(list, TBitmap::Class()), 2);
  EXPECT_EQ(TPicture::GraphicClassOf("rle"), &TBitmap::Class());
  list.UnregisterFileFormat("nothing", TBitmap::Class());
  list.UnregisterFileFormat("", TIcon::Class());
  EXPECT_EQ(list.ExtensionList().size(), 3u);
  list.UnregisterFileFormat("", TBitmap::Class());
  ASSERT_EQ(list.ExtensionList().size(), 1u);
  EXPECT_EQ(list.ExtensionList()[0]->Extension, "x");
  EXPECT_EQ(TPicture::GraphicClassOf("bmp"), nullptr);
  list.Clear();
  EXPECT_EQ(TPicture::GraphicClassOf("x"), nullptr);
  EXPECT_TRUE(list.ClassList().empty());
}

}  // namespace
}  // namespace lumox
