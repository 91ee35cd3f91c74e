// Every reader on every variant of its format against what the format's oracle shows, cut and
// damaged, and asked whether it can load the others; the headers the PCX, SGI, portable map,
// Autodesk, CUT and RLA readers refuse, their palettes and gamma.
#include <gtest/gtest.h>

#include "framework/Picture.h"
#include "imageformats/AutodeskGraphic.h"
#include "imageformats/CUTGraphic.h"
#include "imageformats/FileFormatList.h"
#include "imageformats/PCDGraphic.h"
#include "imageformats/PCXGraphic.h"
#include "imageformats/PNGGraphic.h"
#include "imageformats/PPMGraphic.h"
#include "imageformats/PSDGraphic.h"
#include "imageformats/PSPGraphic.h"
#include "imageformats/RLAGraphic.h"
#include "imageformats/SGIGraphic.h"
#include "imageformats/TIFFGraphic.h"
#include "imageformats/TargaGraphic.h"
#include "tests/imageformats/FormatFiles.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using namespace test;

class PictureReaders : public testing::Test {
 protected:
  static void SetUpTestSuite() { StartUpImageFormats(); }
  static void TearDownTestSuite() { ShutDownImageFormats(); }
  static const std::map<std::string, TReaderFile>& Files() {
    static const auto files = ReaderFiles();
    return files;
  }
};

// Loads `file` from memory with the reader registered for the extension of `name`.
std::unique_ptr<TBitmap> LoadNamed(const std::string& name, const TBytes& file) {
  std::unique_ptr<TGraphic> graphic = TPicture::GraphicClassOf(name.substr(name.rfind('.') + 1))->Create();
  TMemoryStream stream(file.data(), file.size());
  graphic->LoadFromStream(stream);
  return std::unique_ptr<TBitmap>(&dynamic_cast<TBitmap&>(*graphic.release()));
}

// The classes whose CanLoad answers yes for the stream.
template <class... TReader>
std::vector<const TGraphicClass*> Claims(TStream& stream) {
  std::vector<const TGraphicClass*> claims;
  ((TReader::CanLoad(stream) ? claims.push_back(&TReader::Class()) : void()), ...);
  return claims;
}

TEST_F(PictureReaders, ShowWhatTheOraclesShowFailCleanlyWhenDamagedAndOnlyTheirClassClaimsThem) {
  for (const auto& [name, f] : Files()) {
    SCOPED_TRACE(name);
    const TColours colours = Colours(*LoadNamed(name, f.File), f.Kept);
    ASSERT_EQ(colours.size(), f.Expected.size());
    for (std::size_t i = 0; i < colours.size(); ++i)
      for (int shift = 0; shift < 32; shift += 8)
        ASSERT_NEAR(colours[i] >> shift & 0xFF, (f.Expected[i] & f.Kept) >> shift & 0xFF, f.Tolerance) << i;
    ExpectCleanFailures(f.File, [&name](const TBytes& damaged) { Colours(*LoadNamed(name, damaged)); });
    TMemoryStream stream(f.File);
    const auto claims =
        Claims<TTargaGraphic, TPNGGraphic, TTIFFGraphic, TEPSGraphic, TPSDGraphic, TPSPGraphic, TPCDGraphic,
               TPCXGraphic, TSGIGraphic, TPPMGraphic, TAutodeskGraphic, TCUTGraphic, TRLAGraphic>(stream);
    // CUT files have no mark of their own; icons are read by the framework's class, which is not asked.
    std::vector<const TGraphicClass*> own;
    if (!name.ends_with(".cut") && !name.ends_with(".ico"))
      own.push_back(TPicture::GraphicClassOf(name.substr(name.rfind('.') + 1)));
    EXPECT_EQ(claims, own);
    EXPECT_EQ(stream.Position(), 0);
  }
}

// Bytes written over a file of ReaderFiles at `At`, or the file cut there; the error, if any.
struct TChange {
  const char* File;
  std::size_t At;
  std::string Bytes, Error{};
  bool Empty = false;
};

TEST_F(PictureReaders, RefuseHeadersTheirArithmeticCannotHold) {
  const auto invalid = [](std::string f) {
    return "Cannot load image. Invalid or unexpected " + f + " image format.";
  };
  const std::string sgi = invalid("sgi, bw or rgb(a)"), ppm = invalid("PBM, PGM or PPM"), zero("\0\0", 2);
  const TChange changes[] = {
      {"planes.pcx", 0, "\x0c", "", true},                // claimed by CanLoad, but not read
      {"planes.pcx", 4, "\x14", invalid("PCX")},          // the window ends before it starts
      {"planes.pcx", 66, "\x01" + zero, invalid("PCX")},  // lines too short for the width
      {"planes.pcx", 3, "\x04", "Invalid color format in PCX file."},
      {"rle.sgi", 3, "\x03", sgi},
      {"rle.sgi", 10, zero, sgi},
      {"binary.ppm", 1, "x", "'x' is not a valid integer value"},
      {"binary.ppm", 1, "\n", ppm},
      {"binary.ppm", 3, "99999999999", ppm},
      {"binary.ppm", 1, "7", "", true},
      {"binary.ppm", 13, "", "Stream read error in PPM file."},  // cut after its header
      {"indices.pic", 2, zero, invalid("Autodesk")},
      {"grey.cut", 2, zero, invalid("CUT")},
      {"top.rla", 659, "\x10", invalid("RLA")},
      {"top.rla", 21, "\x02", invalid("RLA")},
      {"top.rla", 10, "\xff\xff", invalid("RLA")},
      {"top.rla", 580, "XyZ", "", true},
      {"top.rla", 580, "RGB"},
      {"top.rla", 580, "rgx", "Color conversion failed. Could not find a proper method."},
  };
  for (const TChange& c : changes) {
    SCOPED_TRACE(std::string(c.File) + " at " + std::to_string(c.At));
    TBytes file = Files().at(c.File).File;
    if (c.Bytes.empty()) file.resize(c.At);
    std::copy(c.Bytes.begin(), c.Bytes.end(), file.begin() + std::ptrdiff_t(c.At));
    try {
      EXPECT_EQ(LoadNamed(c.File, file)->Empty(), c.Empty);
      EXPECT_EQ(c.Error, "");
    } catch (const ELumox& e) {
      EXPECT_EQ(c.Error, e.what());
    }
  }
}

// Run-length pictures of 4 pixels a row in three planes of bytes.
TBytes PCXOfFourPixelRows(int height, const TBytes& packets) {
  return Fields({{10, 1},
                 {5, 1},
                 {1, 1},
                 {8, 1},
                 {0, 4},
                 {3, 2},
                 {std::uint64_t(height - 1), 2},
                 {72, 2},
                 {72, 2}}) +
         TBytes(49) + Fields({{3, 1}, {4, 2}, {1, 2}}) + TBytes(58) + packets;
}

// A run of 20 bytes fills the first row and the red and green planes of the second; two literal
// bytes of blue follow, then the data end. Then a row whose packets lie behind more runs of
// nothing than the reader reads ahead at once, one of them cut by the end of that block.
TEST_F(PictureReaders, PCXRunsGoOnIntoTheNextRowAndRowsPastTheDataAreBlack) {
  TColours expected(4, 0xFF111111);
  expected.insert(expected.end(), {0xFF111122, 0xFF111122, 0xFF111100, 0xFF111100});
  expected.insert(expected.end(), 4, 0xFF000000);
  EXPECT_EQ(Colours(*LoadNamed("runs.pcx", PCXOfFourPixelRows(3, {0xD4, 0x11, 0x22, 0x22}))), expected);

  TBytes packets{0x01};
  for (int i = 0; i < 200000; ++i) packets.insert(packets.end(), {0xC0, 0x00});
  for (std::uint8_t b = 2; b <= 12; ++b) packets.push_back(b);
  EXPECT_EQ(Colours(*LoadNamed("empty-runs.pcx", PCXOfFourPixelRows(1, packets))),
            (TColours{0xFF010509, 0xFF02060A, 0xFF03070B, 0xFF04080C}));
}

TEST_F(PictureReaders, PalettesAndGamma) {
  TBytes pcx = Files().at("packed4.pcx").File;
  pcx[1] = 3;  // a version without a palette of its own: the standard colours
  const TPalette standard = LoadNamed("old.pcx", pcx)->Palette();
  EXPECT_EQ(TPalette(standard.begin() + 7, standard.begin() + 10),
            (TPalette{{192, 192, 192}, {128, 128, 128}, {255, 0, 0}}));
  // Comment lines, CR LF, and a maximum of 15 that does not brighten the samples.
  const std::string grey = "P2\r\n# one\n# two\n3 2\n15\n15 0 1\n2 3 4";
  EXPECT_EQ(Colours(*LoadNamed("x.pgm", TBytes(grey.begin(), grey.end()))),
            Colours(TRaster{3, 2, 1, {15, 0, 1, 2, 3, 4}, {}}));
  // The CUT palette beside its picture, in another case, across the end of its first block.
  const TRaster picture = TestRaster(30, 7, 3, 100, true);
  const TTempFolder folder;
  const auto bytes = [](const TBytes& b) { return QByteArray::fromStdString({b.begin(), b.end()}); };
  folder.Write("PIC.PAL", bytes(CutPalette(picture.Palette)));
  TPicture loaded;
  loaded.LoadFromFile(folder.Write("pic.cut", bytes(CutFile(picture))).toStdString());
  EXPECT_EQ(Colours(dynamic_cast<TBitmap&>(*loaded.Graphic())), Colours(picture));
  // The RLA gamma with either decimal separator.
  for (const auto& [text, gamma] :
       {std::pair{"2.2", 2.2f}, {" 2,2 ", 2.2f}, {"1", 1.f}, {"", 1.f}, {"x2", 1.f}}) {
    const auto rla = Load<TRLAGraphic>(RlaFile(TestRaster(4, 3, 3), false, text));
    EXPECT_FLOAT_EQ(rla.ColorManager.MainGamma(), gamma) << text;
    EXPECT_EQ(rla.ImageProperties.Options.Contains(TImageOption::ioUseGamma), gamma != 1.0f);
  }
}

}  // namespace
}  // namespace lumox
