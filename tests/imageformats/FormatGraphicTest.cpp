// The graphic base: properties reset by every reading and carried by Assign; the pixel routines.
#include <gtest/gtest.h>

#include "framework/Exceptions.h"
#include "imageformats/FormatGraphic.h"
#include "imageformats/PixelRoutines.h"

namespace lumox {
namespace {

using TBytes = std::vector<std::uint8_t>;

// Its header is a few fixed properties.
class TProbeGraphic final : public TFormatGraphic {
 public:
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    ImageProperties.Width = 7;
    ImageProperties.FileGamma = 0.45f;
    ImageProperties.RowsPerStrip = {1, 2};
    return true;
  }
};

TEST(FormatGraphic, PropertiesAreResetByEveryReadingAndTravelWithAssign) {
  TProbeGraphic source, target;
  TMemoryStream stream;
  source.ReadImageProperties(stream, 0);
  source.SetSize(2, 3);
  target.Assign(source);
  EXPECT_EQ(target.ImageProperties.Width, 7u);
  EXPECT_EQ(target.Height(), 3);
  TBitmap plain;
  plain.SetSize(1, 1);
  target.Assign(plain);  // a plain bitmap has no properties to give
  EXPECT_EQ(target.ImageProperties.RowsPerStrip.size(), 2u);
  EXPECT_EQ(target.Height(), 1);
  EXPECT_FALSE(target.TFormatGraphic::ReadImageProperties(stream, 1));
  EXPECT_EQ(target.ImageProperties.Width, 0u);
  EXPECT_EQ(target.ImageProperties.FileGamma, 1.0f);
  EXPECT_TRUE(target.ImageProperties.RowsPerStrip.empty());
}

TEST(PixelRoutines, ByteOrderAndPredictorsThatAddThePreviousPixelUpToTheirCount) {
  TBytes words{1, 2, 3, 4, 5, 6, 7, 8};
  ReverseWordBytes(words.data(), 3);
  ReverseLongBytes(words.data(), 1);
  EXPECT_EQ(words, (TBytes{3, 4, 1, 2, 6, 5, 7, 8}));
  EXPECT_EQ(ReverseLong(0x11223344u), 0x44332211u);
  const std::tuple<void (*)(std::uint8_t*, std::size_t), std::size_t, TBytes, TBytes> cases[] = {
      {UndoPredictor3, 2, {10, 20, 30, 1, 1, 1, 2, 2, 2, 9}, {10, 20, 30, 11, 21, 31, 13, 23, 33, 9}},
      {UndoPredictor1, 3, {250, 10, 1, 1, 5}, {250, 4, 5, 6, 5}},
      {UndoPredictor4, 1, {1, 2, 3, 4, 1, 1, 1, 1, 1}, {1, 2, 3, 4, 2, 3, 4, 5, 1}},
      {UndoPredictor4, 0, {1, 2, 3, 4, 1}, {1, 2, 3, 4, 1}}};
  for (auto [undo, count, row, expected] : cases) {
    undo(row.data(), count);
    EXPECT_EQ(row, expected);
  }
}

TEST(PixelRoutines, UpsamplePlaneDoublesWithRoundedMeans) {
  TBytes plane{0, 100, 0, 0, 0, 200, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  UpsamplePlane(2, 2, 5, plane);
  EXPECT_EQ(plane,
            (TBytes{0, 50, 100, 100, 0, 100, 88, 75, 75, 0, 200, 125, 50, 50, 0, 200, 125, 50, 50, 0}));
  EXPECT_THROW(UpsamplePlane(2, 2, 3, plane), EInvalidGraphic);
  EXPECT_THROW(UpsamplePlane(2, 3, 4, plane), EInvalidGraphic);
  EXPECT_THROW(UpsamplePlane(1, 2, 4, plane), EInvalidGraphic);
}

}  // namespace
}  // namespace lumox
