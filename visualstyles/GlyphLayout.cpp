#include "visualstyles/GlyphLayout.h"

namespace lumox {
namespace {

// The face seen along the line from glyph to caption, and across it.
struct TAxes {
  bool Horizontal;
  int Along(TSize size) const { return Horizontal ? size.Width : size.Height; }
  int Across(TSize size) const { return Horizontal ? size.Height : size.Width; }
  TPoint Point(int along, int across) const {
    return Horizontal ? TPoint{along, across} : TPoint{across, along};
  }
};

bool IsEmpty(TSize size) { return size.Width <= 0 || size.Height <= 0; }

TRect Placed(TPoint origin, TPoint at, TSize size) {
  const int left = origin.X + at.X, top = origin.Y + at.Y;
  return {left, top, left + size.Width, top + size.Height};
}

TButtonLayout InReadingOrder(TButtonLayout layout, bool rightToLeft) {
  if (!rightToLeft) return layout;
  if (layout == TButtonLayout::GlyphLeft) return TButtonLayout::GlyphRight;
  if (layout == TButtonLayout::GlyphRight) return TButtonLayout::GlyphLeft;
  return layout;
}

}  // namespace

TGlyphAndCaption LayoutGlyphAndCaption(const TRect& client, TSize glyph, TSize caption,
                                       const TGlyphPlacement& placement, TPoint pressedOffset) {
  const TButtonLayout layout = InReadingOrder(placement.Layout, placement.RightToLeft);
  const TAxes axes{layout == TButtonLayout::GlyphLeft || layout == TButtonLayout::GlyphRight};
  const bool glyphFirst = layout == TButtonLayout::GlyphLeft || layout == TButtonLayout::GlyphTop;
  const TSize face{client.Right - client.Left, client.Bottom - client.Top};
  // An empty glyph or caption takes no room and wants none beside it.
  const int spacingWanted = IsEmpty(glyph) || IsEmpty(caption) ? 0 : placement.Spacing;
  if (IsEmpty(glyph)) glyph = {};
  if (IsEmpty(caption)) caption = {};

  const int free = axes.Along(face) - axes.Along(glyph) - axes.Along(caption);
  int margin = placement.Margin, spacing = spacingWanted;
  if (margin == -1 && spacing == -1) {
    margin = free / 3;
    spacing = margin;
  } else if (margin == -1) {
    margin = (free - spacing + 1) / 2;
  } else if (spacing == -1) {
    spacing = (free - margin) / 2;
  }

  const int glyphAt = glyphFirst ? margin : axes.Along(face) - margin - axes.Along(glyph);
  const int captionAt =
      glyphFirst ? glyphAt + axes.Along(glyph) + spacing : glyphAt - spacing - axes.Along(caption);
  const auto centred = [&](TSize size) { return (axes.Across(face) - axes.Across(size) + 1) / 2; };
  const TPoint origin{client.Left + pressedOffset.X, client.Top + pressedOffset.Y};
  return {Placed(origin, axes.Point(glyphAt, centred(glyph)), glyph),
          Placed(origin, axes.Point(captionAt, centred(caption)), caption)};
}

}  // namespace lumox
