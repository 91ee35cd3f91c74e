#include <gtest/gtest.h>

#include <algorithm>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"
#include "framework/Icon.h"
#include "framework/JpegImage.h"
#include "framework/Picture.h"
#include "imageformats/FileFormatList.h"

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

// The start-up registrations in the order the open-picture filters list them, each ending in
// ";": extension, file kinds (1 layered, 2 several images, 3 raster, 4 vector), class, the
// description given to the framework.
constexpr std::string_view StartUpTable =
    "bmp 3 TBitmap Windows bitmaps;ico 3 TIcon Windows icons;wmf 4 TMetafile Windows metafiles;"
    "emf 4 TMetafile Windows enhanced meta files;jfif 3 TJPEGImage JFIF images;jpg 3 TJPEGImage JPG images;"
    "jpe 3 TJPEGImage JPE images;jpeg 3 TJPEGImage JPEG images;"
    "rle 3 TBitmap Run length encoded Windows bitmaps;dib 3 TBitmap Device independant Windows bitmaps;"
    "win 3 TTargaGraphic Truevision images;vst 3 TTargaGraphic Truevision images;"
    "vda 3 TTargaGraphic Truevision images;tga 3 TTargaGraphic Truevision images;"
    "icb 3 TTargaGraphic Truevision images;tiff 23 TTIFFGraphic Macintosh TIFF images;"
    "tif 23 TTIFFGraphic PC TIF images;fax 23 TTIFFGraphic GFI fax images;"
    "eps 3 TEPSGraphic Encapsulated Postscript images;pcx 3 TPCXGraphic ZSoft Paintbrush images;"
    "pcc 3 TPCXGraphic ZSoft Paintbrush images;scr 3 TPCXGraphic Word 5.x screen capture images;"
    "rpf 3 TRLAGraphic Alias/Wavefront images;rla 3 TRLAGraphic Alias/Wavefront images;"
    "sgi 3 TSGIGraphic SGI true color images;rgba 3 TSGIGraphic SGI true color images with alpha;"
    "rgb 3 TSGIGraphic SGI true color images;bw 3 TSGIGraphic SGI black/white images;"
    "psd 13 TPSDGraphic Photoshop images;pdd 13 TPSDGraphic Photoshop images;"
    "ppm 3 TPPMGraphic Portable pixel map images;pgm 3 TPPMGraphic Portable gray map images;"
    "pbm 3 TPPMGraphic Portable bitmap images;cel 3 TAutodeskGraphic Autodesk images;"
    "pic 3 TAutodeskGraphic Autodesk images;pcd 3 TPCDGraphic Kodak Photo-CD images;"
    "cut 3 TCUTGraphic Dr. Halo images;psp 34 TPSPGraphic Paintshop Pro images;"
    "png 3 TPNGGraphic Portable network graphic images;";

TEST_F(FileFormatList, StartUpRegistersTheWholeTableInItsOrderHoweverOftenItIsStarted) {
  StartUpImageFormats();
  StartUpImageFormats();
  const TFileFormatList& list = *lumox::FileFormatList();
  const std::vector<TFileFormat> passedOn = TPicture::FileFormats();
  std::string table;
  std::vector<const TClassEntry*> classes;  // in the order of their first extension
  for (const auto& e : list.ExtensionList()) {
    table += e->Extension + " ";
    for (int kind = 1; kind <= 4; ++kind)
      if (e->FileTypes.ToBits() >> kind & 1) table += char('0' + kind);
    const auto format = std::ranges::find(passedOn, e->Extension, &TFileFormat::Extension);
    table += " " + std::string(e->ClassReference->GraphicClass->Name) + " " +
             (format != passedOn.end() ? format->Description : "?") + ";";
    EXPECT_EQ(TPicture::GraphicClassOf(e->Extension), e->ClassReference->GraphicClass) << e->Extension;
    if (std::ranges::find(classes, e->ClassReference) == classes.end()) classes.push_back(e->ClassReference);
  }
  EXPECT_EQ(table, StartUpTable);
  ASSERT_EQ(list.ClassList().size(), classes.size());  // 17
  for (std::size_t i = 0; i < classes.size(); ++i) {
    EXPECT_EQ(list.ClassList()[i].get(), classes[i]);
    EXPECT_EQ(classes[i]->Count, std::ranges::count(list.ExtensionList(), classes[i],
                                                    [](const auto& e) { return e->ClassReference; }));
  }
  EXPECT_EQ(list.FindExtension("JPG"), 5);
  EXPECT_EQ(list.FindExtension(""), -1);
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
