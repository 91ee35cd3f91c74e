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
    List.Clear();
    for (const TFileFormat& f : TPicture::FileFormats()) TPicture::UnregisterGraphicClass(*f.GraphicClass);
    for (const TFileFormat& f : Saved)
      TPicture::RegisterFileFormat(f.Extension, f.Description, *f.GraphicClass);
  }

  void Register(std::initializer_list<const char*> extensions, const TGraphicClass& graphicClass,
                bool replace = false) {
    for (const char* extension : extensions)
      List.RegisterFileFormat(extension, "C", "", {}, replace, graphicClass);
  }
  int CountOf(const TGraphicClass& graphicClass) const {
    const int index = List.FindGraphicClass(graphicClass);
    return index < 0 ? 0 : List.ClassList()[std::size_t(index)]->Count;
  }

  std::vector<TFileFormat> Saved = TPicture::FileFormats();
  TFileFormatList List;
};

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
    EXPECT_TRUE(e->Extension != "emf" || e->Description == "Windows enhanced meta files");
  }
  ShutDownImageFormats();
  EXPECT_NE(lumox::FileFormatList(), nullptr);
  ShutDownImageFormats();
  EXPECT_EQ(lumox::FileFormatList(), nullptr);
  EXPECT_TRUE(TPicture::FileFormats().empty());
  ShutDownImageFormats();  // one too many does nothing
}

TEST_F(FileFormatList, RegisteringAgainIsRefusedUnlessItReplacesTheClass) {
  Register({"jfif", "jpg", "jpe", "jpeg", ""}, TJPEGImage::Class());
  try {
    Register({"JPG"}, OtherClass);
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Attempt to register JPG twice.");
  }
  EXPECT_EQ(List.ExtensionList().size(), 4u);
  EXPECT_EQ(List.ClassList().size(), 1u);
  Register({"jpg"}, OtherClass, true);
  EXPECT_EQ(CountOf(TJPEGImage::Class()), 3);
  EXPECT_EQ(CountOf(OtherClass), 1);
  EXPECT_EQ(TPicture::GraphicClassOf("jpg"), &OtherClass);
  Register({"jpe", "jpeg", "jfif"}, OtherClass, true);
  EXPECT_EQ(List.FindGraphicClass(TJPEGImage::Class()), -1);  // emptied class entries go
  EXPECT_EQ(CountOf(OtherClass), 4);
}

TEST_F(FileFormatList, UnregisteringAnExtensionOrAWholeClass) {
  Register({"bmp", "rle", "dib"}, TBitmap::Class());
  Register({"x"}, OtherClass);
  List.UnregisterFileFormat("rle", TBitmap::Class());
  EXPECT_EQ(CountOf(TBitmap::Class()), 2);
  EXPECT_EQ(TPicture::GraphicClassOf("rle"), &TBitmap::Class());
  List.UnregisterFileFormat("nothing", TBitmap::Class());
  List.UnregisterFileFormat("", TIcon::Class());
  EXPECT_EQ(List.ExtensionList().size(), 3u);
  List.UnregisterFileFormat("", TBitmap::Class());
  ASSERT_EQ(List.ExtensionList().size(), 1u);
  EXPECT_EQ(TPicture::GraphicClassOf("bmp"), nullptr);
}

}  // namespace
}  // namespace lumox
