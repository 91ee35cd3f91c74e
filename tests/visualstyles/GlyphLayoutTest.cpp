#include <gtest/gtest.h>

#include "tests/visualstyles/StandInTheme.h"  // PrintTo
#include "visualstyles/GlyphLayout.h"

namespace lumox {
namespace {

using enum TButtonLayout;

// A face of 100 x 40 at (10, 5): a 16 x 16 glyph and a 30 x 13 caption leave 54 pixels along
// a row and 11 down a column.
TEST(GlyphLayout, PlacesGlyphAndCaptionByLayoutMarginSpacingAndReadingOrder) {
  const TRect face{10, 5, 110, 45};
  const TSize glyph{16, 16}, caption{30, 13}, none{};
  struct {
    TButtonLayout layout;
    int margin, spacing;
    bool rightToLeft;
    TSize glyph, caption;
    TPoint pressed;
    TRect expectedGlyph, expectedCaption;
  } const rows[] = {
      // centred with the spacing between; across, (room + 1) / 2
      {GlyphLeft, -1, 4, false, glyph, caption, {}, {35, 17, 51, 33}, {55, 19, 85, 32}},
      {GlyphRight, -1, 4, false, glyph, caption, {}, {69, 17, 85, 33}, {35, 19, 65, 32}},
      {GlyphTop, -1, 4, false, glyph, caption, {}, {52, 9, 68, 25}, {45, 29, 75, 42}},
      {GlyphBottom, -1, 4, false, glyph, caption, {}, {52, 25, 68, 41}, {45, 8, 75, 21}},
      // right to left swaps left and right only
      {GlyphLeft, -1, 4, true, glyph, caption, {}, {69, 17, 85, 33}, {35, 19, 65, 32}},
      {GlyphRight, -1, 4, true, glyph, caption, {}, {35, 17, 51, 33}, {55, 19, 85, 32}},
      {GlyphTop, -1, 4, true, glyph, caption, {}, {52, 9, 68, 25}, {45, 29, 75, 42}},
      // the free room in three equal parts
      {GlyphLeft, -1, -1, false, glyph, caption, {}, {28, 17, 44, 33}, {62, 19, 92, 32}},
      {GlyphTop, -1, -1, false, glyph, caption, {}, {52, 8, 68, 24}, {45, 27, 75, 40}},
      // a fixed margin; the caption in the middle of the room after the glyph
      {GlyphLeft, 5, -1, false, glyph, caption, {}, {15, 17, 31, 33}, {55, 19, 85, 32}},
      {GlyphBottom, 2, -1, false, glyph, caption, {}, {52, 27, 68, 43}, {45, 10, 75, 23}},
      {GlyphRight, 5, -1, true, glyph, caption, {}, {15, 17, 31, 33}, {55, 19, 85, 32}},
      {GlyphLeft, 5, 4, false, glyph, caption, {}, {15, 17, 31, 33}, {35, 19, 65, 32}},
      // an empty glyph or caption leaves no spacing
      {GlyphLeft, -1, 4, false, glyph, none, {}, {52, 17, 68, 33}, {68, 25, 68, 25}},
      {GlyphLeft, -1, 4, false, none, caption, {}, {45, 25, 45, 25}, {45, 19, 75, 32}},
      // pressed, both move
      {GlyphLeft, -1, 4, false, glyph, caption, {1, 1}, {36, 18, 52, 34}, {56, 20, 86, 33}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    const TGlyphAndCaption placed = LayoutGlyphAndCaption(
        face, row.glyph, row.caption, {row.layout, row.margin, row.spacing, row.rightToLeft}, row.pressed);
    EXPECT_EQ(placed.Glyph, row.expectedGlyph);
    EXPECT_EQ(placed.Caption, row.expectedCaption);
  }
}

}  // namespace
}  // namespace lumox
