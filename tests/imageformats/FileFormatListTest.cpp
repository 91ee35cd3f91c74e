#include "imageformats/FileFormatList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

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

// The start-up registrations in the order the open-picture filters list them: extension, file
// kinds (bit 1 layered, 2 several images, 3 raster, 4 vector), class, description given to the
// framework.
struct TExpectedFormat {
  std::string_view Extension;
  unsigned Kinds;
  std::string_view Class, Description;
};
constexpr TExpectedFormat StartUpTable[] = {
    {"bmp", 0x08, "TBitmap", "Windows bitmaps"},
    {"ico", 0x08, "TIcon", "Windows icons"},
    {"wmf", 0x10, "TMetafile", "Windows metafiles"},
    {"emf", 0x10, "TMetafile", "Windows enhanced meta files"},
    {"jfif", 0x08, "TJPEGImage", "JFIF images"},
    {"jpg", 0x08, "TJPEGImage", "JPG images"},
    {"jpe", 0x08, "TJPEGImage", "JPE images"},
    {"jpeg", 0x08, "TJPEGImage", "JPEG images"},
    {"rle", 0x08, "TBitmap", "Run length encoded Windows bitmaps"},
    {"dib", 0x08, "TBitmap", "Device independant Windows bitmaps"},
    {"win", 0x08, "TTargaGraphic", "Truevision images"},
    {"vst", 0x08, "TTargaGraphic", "Truevision images"},
    {"vda", 0x08, "TTargaGraphic", "Truevision images"},
    {"tga", 0x08, "TTargaGraphic", "Truevision images"},
    {"icb", 0x08, "TTargaGraphic", "Truevision images"},
    {"tiff", 0x0C, "TTIFFGraphic", "Macintosh TIFF images"},
    {"tif", 0x0C, "TTIFFGraphic", "PC TIF images"},
    {"fax", 0x0C, "TTIFFGraphic", "GFI fax images"},
    {"eps", 0x08, "TEPSGraphic", "Encapsulated Postscript images"},
    {"pcx", 0x08, "TPCXGraphic", "ZSoft Paintbrush images"},
    {"pcc", 0x08, "TPCXGraphic", "ZSoft Paintbrush images"},
    {"scr", 0x08, "TPCXGraphic", "Word 5.x screen capture images"},
    {"rpf", 0x08, "TRLAGraphic", "Alias/Wavefront images"},
    {"rla", 0x08, "TRLAGraphic", "Alias/Wavefront images"},
    {"sgi", 0x08, "TSGIGraphic", "SGI true color images"},
    {"rgba", 0x08, "TSGIGraphic", "SGI true color images with alpha"},
    {"rgb", 0x08, "TSGIGraphic", "SGI true color images"},
    {"bw", 0x08, "TSGIGraphic", "SGI black/white images"},
    {"psd", 0x0A, "TPSDGraphic", "Photoshop images"},
    {"pdd", 0x0A, "TPSDGraphic", "Photoshop images"},
    {"ppm", 0x08, "TPPMGraphic", "Portable pixel map images"},
    {"pgm", 0x08, "TPPMGraphic", "Portable gray map images"},
    {"pbm", 0x08, "TPPMGraphic", "Portable bitmap images"},
    {"cel", 0x08, "TAutodeskGraphic", "Autodesk images"},
    {"pic", 0x08, "TAutodeskGraphic", "Autodesk images"},
    {"pcd", 0x08, "TPCDGraphic", "Kodak Photo-CD images"},
    {"cut", 0x08, "TCUTGraphic", "Dr. Halo images"},
    {"psp", 0x18, "TPSPGraphic", "Paintshop Pro images"},
    {"png", 0x08, "TPNGGraphic", "Portable network graphic images"},
};
// Readers whose registrations have not reached this branch yet: their rows are not expected.
const std::set<std::string_view> PendingReaders{"TTargaGraphic", "TTIFFGraphic", "TEPSGraphic",
                                                "TPCXGraphic",   "TRLAGraphic",  "TSGIGraphic",
                                                "TPPMGraphic",   "TAutodeskGraphic", "TCUTGraphic",
                                                "TPNGGraphic"};

TEST_F(FileFormatList, StartUpRegistersTheWholeTableInItsOrder) {
  StartUpImageFormats();
  const TFileFormatList& list = *lumox::FileFormatList();
  std::vector<TExpectedFormat> expected;
  std::copy_if(std::begin(StartUpTable), std::end(StartUpTable), std::back_inserter(expected),
               [](const TExpectedFormat& f) { return !PendingReaders.contains(f.Class); });
  ASSERT_EQ(list.ExtensionList().size(), expected.size());
  const std::vector<TFileFormat> registered = TPicture::FileFormats();
  std::vector<std::string_view> classOrder;
  std::map<std::string_view, int> counts;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const TExtensionEntry& entry = *list.ExtensionList()[i];
    const TExpectedFormat& format = expected[i];
    EXPECT_EQ(entry.Extension, format.Extension);
    EXPECT_EQ(entry.FileTypes.ToBits(), format.Kinds) << format.Extension;
    EXPECT_EQ(entry.ClassReference->GraphicClass->Name, format.Class);
    const auto passedOn = std::ranges::find(registered, std::string(format.Extension), &TFileFormat::Extension);
    ASSERT_NE(passedOn, registered.end());
    EXPECT_EQ(passedOn->Description, format.Description);
    if (counts[format.Class]++ == 0) classOrder.push_back(format.Class);
  }
  ASSERT_EQ(list.ClassList().size(), classOrder.size());  // 17 with every reader
  for (std::size_t i = 0; i < classOrder.size(); ++i) {
    EXPECT_EQ(list.ClassList()[i]->GraphicClass->Name, classOrder[i]);
    EXPECT_EQ(list.ClassList()[i]->Count, counts[classOrder[i]]);
  }
  ShutDownImageFormats();
  EXPECT_TRUE(TPicture::FileFormats().empty());
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
