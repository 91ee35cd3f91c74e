// The PCX, SGI, portable map, Autodesk, CUT and RLA readers: every variant the reference tools
// write (or the formats' layouts give) against its source picture, the class-level tests,
// headers the readers refuse, and cut or damaged files, which must load or fail cleanly.
#include <gtest/gtest.h>

#include <random>

#include "framework/Exceptions.h"
#include "framework/Picture.h"
#include "imageformats/AutodeskGraphic.h"
#include "imageformats/CUTGraphic.h"
#include "imageformats/FileFormatList.h"
#include "imageformats/PCXGraphic.h"
#include "imageformats/PPMGraphic.h"
#include "imageformats/RLAGraphic.h"
#include "imageformats/SGIGraphic.h"
#include "tests/imageformats/SimpleFormatFiles.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using namespace test;

class SimpleReaders : public testing::Test {
 protected:
  static void SetUpTestSuite() { StartUpImageFormats(); }
  static void TearDownTestSuite() { ShutDownImageFormats(); }
};

std::string Extension(const std::string& name) { return name.substr(name.rfind('.') + 1); }

// Loads `file` from memory with the reader registered for the extension of `name`.
std::unique_ptr<TGraphic> Load(const std::string& name, const TBytes& file) {
  std::unique_ptr<TGraphic> graphic = TPicture::GraphicClassOf(Extension(name))->Create();
  TMemoryStream stream(file.data(), file.size());
  graphic->LoadFromStream(stream);
  return graphic;
}

// Every pixel as 0xAARRGGBB.
std::vector<std::uint32_t> Pixels(const TGraphic& graphic) {
  const auto& bitmap = dynamic_cast<const TBitmap&>(graphic);
  std::vector<std::uint32_t> pixels(std::size_t(bitmap.Width()) * std::size_t(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y)
    bitmap.ScanLineToBGRA(
        y, std::span(pixels).subspan(std::size_t(y * bitmap.Width()), std::size_t(bitmap.Width())));
  return pixels;
}

std::vector<std::uint32_t> Colours(const TRaster& raster) {
  std::vector<std::uint32_t> colours;
  for (std::size_t i = 0; i < std::size_t(raster.Width * raster.Height); ++i) {
    const std::uint8_t* s = &raster.Samples[i * std::size_t(raster.Channels)];
    const std::uint8_t* c = raster.Palette.empty() ? s : &raster.Palette[3 * *s];
    const std::size_t step = raster.Channels == 1 && raster.Palette.empty() ? 0 : 1;
    colours.push_back(std::uint32_t(raster.Channels == 4 ? s[3] : 255) << 24 | std::uint32_t(c[0]) << 16 |
                      std::uint32_t(c[step]) << 8 | c[2 * step]);
  }
  return colours;
}

TBytes FileNamed(const std::vector<TReaderFile>& files, const std::string& name) {
  return std::find_if(files.begin(), files.end(), [&](const TReaderFile& f) { return f.Name == name; })->File;
}

const std::pair<std::string, bool (*)(TStream&)> Claims[] = {
    {" pcx ", &TPCXGraphic::CanLoad},         {" sgi rgb rgba bw ", &TSGIGraphic::CanLoad},
    {" ppm pgm pbm ", &TPPMGraphic::CanLoad}, {" pic ", &TAutodeskGraphic::CanLoad},
    {" cut ", &TCUTGraphic::CanLoad},         {" rla ", &TRLAGraphic::CanLoad}};

TEST_F(SimpleReaders, LoadEveryVariantAsItsSourceAndOnlyTheirOwnClassClaimsThem) {
  for (const TReaderFile& f : ReaderFiles(37, 23)) {
    SCOPED_TRACE(f.Name);
    EXPECT_EQ(Pixels(*Load(f.Name, f.File)), Colours(f.Source));
    for (const auto& [extensions, canLoad] : Claims) {
      TMemoryStream stream(f.File.data(), f.File.size());
      const bool own = extensions.find(" " + Extension(f.Name) + " ") != std::string::npos;
      EXPECT_EQ(canLoad(stream), own && extensions != " cut ") << extensions;
      EXPECT_EQ(stream.Position(), 0);
    }
  }
}

struct TChange {
  const char* File;  // of ReaderFiles(9, 5)
  std::size_t At;
  std::string Bytes;
  std::string Error{};  // empty: loads
  bool Empty = false;
};

std::string Invalid(const std::string& format) {
  return "Cannot load image. Invalid or unexpected " + format + " image format.";
}

TEST_F(SimpleReaders, RefuseHeadersTheirArithmeticCannotHold) {
  const std::string pcxColours = "Invalid color format in PCX file.", sgi = Invalid("sgi, bw or rgb(a)");
  const TChange changes[] = {
      {"planes.pcx", 0, "\x0c", "", true},                             // claimed by CanLoad, but not read
      {"planes.pcx", 4, "\x09", Invalid("PCX")},                       // the window ends before it starts
      {"planes.pcx", 66, std::string("\x01\x00", 2), Invalid("PCX")},  // lines too short for the width
      {"planes.pcx", 3, "\x04", pcxColours},
      {"planes.pcx", 65, "\x05", pcxColours},
      {"rle.sgi", 0, "\x02", sgi},
      {"rle.sgi", 3, "\x03", sgi},
      {"rle.sgi", 10, std::string("\0\0", 2), sgi},
      {"rle.sgi", 6, std::string("\0\0", 2), sgi},
      {"binary.ppm", 1, "x", "'x' is not a valid integer value"},
      {"binary.ppm", 1, "\n", Invalid("PBM, PGM or PPM")},
      {"binary.ppm", 3, "0", Invalid("PBM, PGM or PPM")},
      {"binary.ppm", 3, "99999999999", Invalid("PBM, PGM or PPM")},
      {"binary.ppm", 1, "7", "", true},
      {"binary.ppm", 8, "", "Stream read error in PPM file."},  // cut after its header
      {"indices.pic", 2, std::string("\0\0", 2), Invalid("Autodesk")},
      {"grey.cut", 2, std::string("\0\0", 2), Invalid("CUT")},
      {"top.rla", 659, "\x10", Invalid("RLA")},
      {"top.rla", 21, "\x02", Invalid("RLA")},
      {"top.rla", 10, "\xff\xff", Invalid("RLA")},
      {"top.rla", 580, "XyZ", "", true},
      {"top.rla", 580, "RGB"},
      {"top.rla", 580, "rgx", "Color conversion failed. Could not find a proper method."},
  };
  const std::vector<TReaderFile> files = ReaderFiles(9, 5);
  for (const TChange& c : changes) {
    SCOPED_TRACE(std::string(c.File) + " at " + std::to_string(c.At));
    TBytes file = FileNamed(files, c.File);
    if (c.Bytes.empty()) file.resize(c.At);
    std::copy(c.Bytes.begin(), c.Bytes.end(), file.begin() + std::ptrdiff_t(c.At));
    try {
      EXPECT_EQ(Load(c.File, file)->Empty(), c.Empty);
      EXPECT_EQ(c.Error, "");
    } catch (const ELumox& e) {
      EXPECT_EQ(c.Error, e.what());
    }
  }
}

TEST_F(SimpleReaders, PaletteRules) {
  TBytes pcx = FileNamed(ReaderFiles(9, 5), "packed4.pcx");
  pcx[1] = 3;  // a version without a palette of its own: the standard colours
  const TPalette standard = dynamic_cast<TBitmap&>(*Load("old.pcx", pcx)).Palette();
  EXPECT_EQ(standard.at(9), (TPaletteEntry{255, 0, 0}));
  EXPECT_EQ(standard.at(7), (TPaletteEntry{192, 192, 192}));

  // Comment lines, CR LF, and a maximum of 15 that does not brighten the samples.
  const std::string grey = "P2\r\n# one\n# two\n3 2\n15\n15 0 1\n2 3 4";
  EXPECT_EQ(
      Pixels(*Load("x.pgm", TBytes(grey.begin(), grey.end()))),
      (std::vector<std::uint32_t>{0xFF0F0F0F, 0xFF000000, 0xFF010101, 0xFF020202, 0xFF030303, 0xFF040404}));

  // The CUT palette beside its picture, in another case, across the end of its first block.
  const TRaster picture = TestRaster(30, 7, 3, 100, true);
  const TTempFolder folder;
  const auto bytes = [](const TBytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
  };
  folder.Write("PIC.PAL", bytes(CutPalette(picture.Palette)));
  const std::string path = folder.Write("pic.cut", bytes(CutFile(picture))).toStdString();
  TPicture loaded;
  loaded.LoadFromFile(path);
  EXPECT_EQ(Pixels(*loaded.Graphic()), Colours(picture));
}

TEST_F(SimpleReaders, RLAGammaIsReadWithEitherDecimalSeparator) {
  const TRaster picture = TestRaster(4, 3, 3);
  for (const auto& [text, gamma] :
       {std::pair{"2.2", 2.2f}, {" 2,2 ", 2.2f}, {"1", 0.0f}, {"", 0.0f}, {"x2", 0.0f}}) {
    TRLAGraphic rla;
    const TBytes file = RlaFile(picture, false, text);
    TMemoryStream stream(file.data(), file.size());
    rla.LoadFromStream(stream);
    EXPECT_EQ(rla.ImageProperties.Options.Contains(TImageOption::ioUseGamma), gamma > 0) << text;
    EXPECT_FLOAT_EQ(rla.ColorManager.MainGamma(), gamma > 0 ? gamma : 1.0f);
  }
}

TEST_F(SimpleReaders, CutOrDamagedFilesLoadOrFailCleanly) {
  std::mt19937 random(5);
  const auto loadOrFail = [](const std::string& name, const TBytes& file) {
    try {
      const std::unique_ptr<TGraphic> graphic = Load(name, file);
      if (std::int64_t(graphic->Width()) * graphic->Height() < (1 << 20)) Pixels(*graphic);
    } catch (const ELumox&) {
    }
  };
  for (const TReaderFile& f : ReaderFiles(9, 5)) {
    for (std::size_t n = 0; n < f.File.size(); ++n)
      loadOrFail(f.Name, TBytes(f.File.begin(), f.File.begin() + std::ptrdiff_t(n)));
    for (int i = 0; i < 300; ++i) {
      TBytes damaged = f.File;
      for (int k = 0; k < 3; ++k) damaged[random() % damaged.size()] = std::uint8_t(random());
      loadOrFail(f.Name, damaged);
    }
  }
}

}  // namespace
}  // namespace lumox
