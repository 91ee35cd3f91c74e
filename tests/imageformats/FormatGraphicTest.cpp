#include "imageformats/FormatGraphic.h"

#include <gtest/gtest.h>

#include "framework/Exceptions.h"
#include "imageformats/PixelRoutines.h"

namespace lumox {
namespace {

using TBytes = std::vector<std::uint8_t>;

// Answers yes for streams starting with "OK" and fills a few properties.
class TProbeGraphic final : public TFormatGraphic {
 public:
  static bool CanLoad(TStream& stream) {
    char magic[2];
    return PeekBuffer(stream, magic, 2) && magic[0] == 'O' && magic[1] == 'K';
  }
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    ImageProperties.Width = 7;
    ImageProperties.FileGamma = 0.45f;
    ImageProperties.RowsPerStrip = {1, 2};
    return true;
  }
};

TEST(FormatGraphic, ReadingPropertiesStartsFromAFreshRecord) {
  TProbeGraphic graphic;
  TMemoryStream stream;
  ASSERT_TRUE(graphic.ReadImageProperties(stream, 0));
  EXPECT_FALSE(graphic.TFormatGraphic::ReadImageProperties(stream, 1));
  EXPECT_EQ(graphic.ImageProperties.Width, 0u);
  EXPECT_EQ(graphic.ImageProperties.FileGamma, 1.0f);
  EXPECT_TRUE(graphic.ImageProperties.RowsPerStrip.empty());
}

TEST(FormatGraphic, AssignTakesPropertiesOnlyFromAnotherReader) {
  TProbeGraphic source, target;
  TMemoryStream stream;
  source.ReadImageProperties(stream, 0);
  source.SetPixelFormat(TPixelFormat::pf8bit);
  source.SetSize(2, 3);
  target.Assign(source);
  EXPECT_EQ(target.ImageProperties.Width, 7u);
  EXPECT_EQ(target.Height(), 3);
  TBitmap plain;
  plain.SetSize(1, 1);
  target.Assign(plain);
  EXPECT_EQ(target.ImageProperties.Width, 7u);
  EXPECT_EQ(target.Height(), 1);
}

TEST(FormatGraphic, CanLoadAnswersForTheBytesAtThePositionAndKeepsIt) {
  TMemoryStream stream(TBytes{'x', 'O', 'K'});
  stream.SetPosition(1);
  EXPECT_TRUE(TProbeGraphic::CanLoad(stream));
  EXPECT_FALSE(TFormatGraphic::CanLoad(stream));
  EXPECT_EQ(stream.Position(), 1);
  stream.SetPosition(2);
  EXPECT_FALSE(TProbeGraphic::CanLoad(stream));
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_THROW(CanLoadFile<TProbeGraphic>("/nonexistent/picture.probe"), EFOpenError);
}

TEST(FormatGraphic, ErrorsCarryTheFormattedText) {
  try {
    TFormatGraphic::RaiseGraphicError(TFormatText::SInvalidImageFormat, {"PNG"});
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected PNG image format.");
  }
  EXPECT_THROW(TFormatGraphic::RaiseGraphicError("plain"), EInvalidGraphic);
}

TEST(PixelRoutines, ByteOrder) {
  TBytes words{1, 2, 3, 4, 5, 6, 7, 8};
  ReverseWordBytes(words.data(), 3);
  EXPECT_EQ(words, (TBytes{2, 1, 4, 3, 6, 5, 7, 8}));
  ReverseLongBytes(words.data(), 1);
  EXPECT_EQ(words, (TBytes{3, 4, 1, 2, 6, 5, 7, 8}));
  EXPECT_EQ(ReverseLong(0x11223344u), 0x44332211u);
}

TEST(PixelRoutines, PredictorsAddThePreviousPixelAndStopAtTheirCount) {
  struct TCase {
    void (*Undo)(std::uint8_t*, std::size_t);
    std::size_t Count;
    TBytes Row, Expected;
  };
  const TCase cases[] = {
      {UndoPredictor3, 2, {10, 20, 30, 1, 1, 1, 2, 2, 2, 9}, {10, 20, 30, 11, 21, 31, 13, 23, 33, 9}},
      {UndoPredictor1, 3, {250, 10, 1, 1, 5}, {250, 4, 5, 6, 5}},
      {UndoPredictor4, 1, {1, 2, 3, 4, 1, 1, 1, 1, 1}, {1, 2, 3, 4, 2, 3, 4, 5, 1}},
      {UndoPredictor4, 0, {1, 2, 3, 4, 1}, {1, 2, 3, 4, 1}},
  };
  for (const TCase& c : cases) {
    TBytes row = c.Row;
    c.Undo(row.data(), c.Count);
    EXPECT_EQ(row, c.Expected);
  }
}

TEST(PixelRoutines, UpsamplePlaneDoublesWithRoundedMeans) {
  TBytes plane{0, 100, 0, 0, 0, 200, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  UpsamplePlane(2, 2, 5, plane);
  EXPECT_EQ(plane, (TBytes{0, 50, 100, 100, 0, 100, 88, 75, 75, 0, 200, 125, 50, 50, 0, 200, 125, 50, 50, 0}));
  EXPECT_THROW(UpsamplePlane(2, 2, 3, plane), EInvalidGraphic);
  EXPECT_THROW(UpsamplePlane(2, 3, 4, plane), EInvalidGraphic);
  EXPECT_THROW(UpsamplePlane(1, 2, 4, plane), EInvalidGraphic);
}

}  // namespace
}  // namespace lumox
