#pragma once
// Where a button's glyph and caption go inside its face, as the framework's bitmap buttons lay
// them out.
#include "platform/GraphicsTypes.h"

namespace lumox {

enum class TButtonLayout { GlyphLeft, GlyphRight, GlyphTop, GlyphBottom };

struct TGlyphPlacement {
  TButtonLayout Layout = TButtonLayout::GlyphLeft;
  // Room between the face's edge and the glyph; -1 centres.
  int Margin = -1;
  // Room between glyph and caption; -1 puts the caption in the middle of the room after the glyph.
  int Spacing = 4;
  bool RightToLeft = false;
};

struct TGlyphAndCaption {
  TRect Glyph;
  TRect Caption;
};

// Places a glyph of size `glyph` and a caption measured as `caption` (either may be empty) in
// `client`, both moved by `pressedOffset`.
TGlyphAndCaption LayoutGlyphAndCaption(const TRect& client, TSize glyph, TSize caption,
                                       const TGlyphPlacement& placement, TPoint pressedOffset = {});

}  // namespace lumox
