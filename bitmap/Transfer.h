#pragma once
// What the transfer paths share once the arguments are checked (not for use outside bitmap/).
#include <optional>

#include "bitmap/Resample.h"
#include "bitmap/Transforms.h"

namespace lumox {

struct TTransfer {
  TBitmap32& Dst;
  const TBitmap32& Src;
  TRect DstRect;  // may reach far outside the destination
  TRect SrcRect;  // inside the source, not empty
  TRect Clip;     // inside the destination and DstRect, not empty
  TDrawMode Op;   // dmCustom only with a combiner
  std::uint32_t MasterAlpha;
  const TPixelCombineEvent& CombineCallBack;

  int ClipWidth() const { return Clip.Right - Clip.Left; }
  int ClipHeight() const { return Clip.Bottom - Clip.Top; }
  TColor32* DstRow(int clipRow) const { return Dst.PixelPtr(Clip.Left, Clip.Top + clipRow); }
};

// Lays Count computed pixels over a destination row. Row-wise paths blend with BlendRow at
// MasterAlpha 255; the others always weight by the master alpha.
void CombineRow(const TTransfer& transfer, const TColor32* Row, TColor32* Dst, int Count, bool RowWise);

void ResampleTransfer(const TTransfer& transfer, TStretchFilter Filter,
                      const TResampleLoops& Loops = ResampleLoops);

}  // namespace lumox
