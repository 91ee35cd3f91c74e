#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bitmap/Bitmap32.h"
#include "framework/Exceptions.h"
#include "framework/Icon.h"
#include "framework/JpegImage.h"
#include "tests/bitmap/WatchedBitmap.h"
#include "tests/framework/PictureFiles.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using test::TWatched;

TEST(Bitmap32, SizeChangesReplaceTheZeroedBlockAndNotifyInOrder) {
  TWatched b;
  b.SetSize(-5, 10);
  EXPECT_TRUE(b.Empty() && b.Width() == 0 && b.Bits() == nullptr);
  b.Events.clear();
  b.SetSize(3, 2);
  EXPECT_EQ(b.Events, "handle change resize ");
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.Bits()) % 64, 0u);
  EXPECT_EQ(std::vector<TColor32>(b.Bits(), b.Bits() + 6), std::vector<TColor32>(6, 0));
  b.Events.clear();
  b.SetSize(3, 2);
  b.SetDrawMode(TDrawMode::dmOpaque);
  b.SetMasterAlpha(300);  // clamped to 255, so unchanged
  EXPECT_EQ(b.Events, "") << "equal values announce nothing";
  EXPECT_THROW(b.SetSize(40000, 1), EInvalidGraphic);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap32, FillsClearsAndResetsAlpha) {
  TWatched b;
  b.SetSize(4, 3);
  b.Clear(0x11223344);
  b.FillRectClipped(-2, 1, 2, 9, 0x80FF0000);
  EXPECT_EQ(*b.PixelPtr(1, 2), 0x80FF0000u);
  EXPECT_EQ(*b.PixelPtr(2, 2), 0x11223344u);
  b.Events.clear();
  for (const TRect& r : {TRect{4, 0, 9, 3}, TRect{0, -3, 4, 0}, TRect{2, 1, 2, 3}})
    b.FillRectClipped(r.Left, r.Top, r.Right, r.Bottom, 0);
  EXPECT_EQ(b.Events, "");
  b.ResetAlpha();
  EXPECT_EQ(*b.PixelPtr(1, 2), 0xFFFF0000u);
  EXPECT_EQ(b.Events, "change ");
}

TEST(Bitmap32, AssignTakesFrameworkPicturesWithOneNotification) {
  TWatched b;
  TBitmap source;
  source.SetPixelFormat(TPixelFormat::pf24bit);
  source.SetSize(3, 2);
  for (int i = 0; i < 18; ++i) source.ScanLine(i / 9)[i % 9] = std::uint8_t(i % 9 + i / 9 * 10);
  b.Assign(source);
  EXPECT_EQ(b.Events, "handle resize change ");
  EXPECT_EQ(*b.PixelPtr(1, 1), Color32(15, 14, 13));

  source.SetTransparent(true);
  source.SetTransparentColor(RGB(15, 14, 13));
  b.Assign(source);
  EXPECT_EQ(*b.PixelPtr(1, 1), Color32(15, 14, 13, 0)) << "the transparent colour keeps its colour";
  EXPECT_EQ(*b.PixelPtr(0, 1), Color32(12, 11, 10));

  // A JPEG hands its decoded pixels over as a framework bitmap copied from it would.
  for (test::TJpegKind kind : {test::TJpegKind::Grey, test::TJpegKind::Colour}) {
    TJPEGImage jpeg;
    TMemoryStream file(test::QuadrantJpeg(8, 6, kind));
    jpeg.LoadFromStream(file);
    b.Assign(jpeg);
    TBitmap drawn;
    drawn.Assign(jpeg);
    ASSERT_TRUE(b.Width() == 8 && b.Height() == 6);
    std::uint32_t row[8];
    for (int y = 0; y < 6; ++y) {
      drawn.ScanLineToBGRA(y, row);
      EXPECT_EQ(std::memcmp(row, b.ScanLine(y), sizeof row), 0) << int(kind) << " row " << y;
    }
    EXPECT_EQ(AlphaComponent(*b.PixelPtr(7, 5)), 255);
  }

  b.SetDrawMode(TDrawMode::dmBlend);
  b.SetMasterAlpha(77);
  TBitmap32 copy;
  copy.Assign(&b);
  EXPECT_EQ(std::memcmp(copy.Bits(), b.Bits(), 8 * 6 * 4), 0);
  EXPECT_TRUE(copy.DrawMode() == TDrawMode::dmBlend && copy.MasterAlpha() == 77);

  b.Events.clear();
  b.Assign(TIcon());
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Events, "resize change ");
}

TEST(Bitmap32, LoadsFilesThroughThePictureRegistryAndAssignsBack) {
  test::TTempFolder folder;
  const std::string bmp = folder.File("p.bmp").toStdString();
  const test::TBytes file =
      test::BmpFile({.Width = 2, .Height = -1, .Bits = 32, .Pixels = {1, 2, 3, 4, 5, 6, 7, 8}});
  TFileStream(bmp, TFileMode::Create).WriteBuffer(file.data(), std::int64_t(file.size()));
  TBitmap32 b;
  b.LoadFromFile(bmp);
  ASSERT_EQ(b.Width(), 2);
  EXPECT_EQ(*b.PixelPtr(1, 0) & 0xFFFFFF, 0x070605u);
  EXPECT_THROW(b.LoadFromFile(folder.File("p.unknown").toStdString()), EInvalidGraphic);

  TPicture picture;
  b.AssignTo(picture);
  EXPECT_EQ(picture.Bitmap().PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(std::memcmp(picture.Bitmap().ScanLine(0), b.Bits(), 8), 0);
}

TEST(Bitmap32, DataFormRoundTripsAndRefusesHostileForms) {
  const std::int32_t form[] = {2, 1, 0x11223344, -1};
  TMemoryStream data(form, sizeof form);
  TBitmap32 read;
  read.ReadData(data);
  TMemoryStream written;
  read.WriteData(written);
  EXPECT_EQ(written.Bytes(), data.Bytes());
  TMemoryStream empty;
  TBitmap32().WriteData(empty);
  EXPECT_EQ(empty.Bytes(), std::vector<std::uint8_t>(8, 0));
  const std::vector<std::int32_t> hostile[] = {{-1, 2},         {2, -1},        {40000, 1},
                                               {2, 2, 1, 2, 3}, {16384, 16385}, {7}};
  for (const auto& words : hostile) {
    TMemoryStream stream(words.data(), words.size() * 4);
    EXPECT_THROW(read.ReadData(stream), ELumox) << words[0];
    EXPECT_TRUE(read.Empty());
    read.SetSize(1, 1);
  }
}

}  // namespace
}  // namespace lumox
