#pragma once
// Copying a rectangle of one bitmap into a rectangle of another, scaled with one of seven
// filters when the sizes differ, and laid over the destination by a draw mode:
//   dmOpaque stores, dmBlend blends by alpha and the source's MasterAlpha, dmCustom calls the
//   combiner (dmOpaque when none is set).
// Rectangles exclude their right and bottom edges.
#include <cstddef>
#include <cstdint>

#include "bitmap/Bitmap32.h"
#include "platform/Exception.h"

namespace lumox {

// Bad arguments of a transfer, raised before anything is drawn.
class ETransformError : public ELumox {
 public:
  using ELumox::ELumox;
};

// True: pixel centres are mapped onto each other (scale = source size / destination size).
// False: the first and last pixels of both spans coincide.
inline bool EdgeAlignedSampling = true;

// The rectangle helpers (MakeRect, IntersectRect, OffsetRect, IsRectEmpty) are in
// platform/GraphicsTypes.h, shared with the device contexts.

void FillLongword(TColor32* X, std::size_t Count, TColor32 Value);
// Nothing when Count is 0 or both addresses are equal; the ranges may overlap.
void MoveLongword(const TColor32* Source, TColor32* Dest, std::size_t Count);
int Clamp(int Value, int Low, int High);

// The entry point: draws SrcRect of Src into DstRect of Dst, clipped by DstClip. An empty
// source, source rectangle or clip, or dmBlend at MasterAlpha 0, draws nothing. Raises
// ETransformError for a missing or empty destination, a missing source, and a source
// rectangle reaching outside the source. Equal sizes take BlockTransfer; otherwise sfNearest,
// sfDraft and sfLinear (when enlarging both ways) have their own paths and every other case
// goes to Resample.
void StretchTransfer(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
                     TDrawMode CombineOp, TStretchFilter Filter, const TPixelCombineEvent& CombineCallBack);

// Unscaled: pixel (x, y) of the clip takes source pixel (SrcX + x - DstX, SrcY + y - DstY);
// the clip is narrowed to where that pixel exists.
void BlockTransfer(TBitmap32* Dst, int DstX, int DstY, TRect DstClip, const TBitmap32* Src, int SrcX,
                   int SrcY, TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);

// The scaled paths, with the checks of StretchTransfer.
void StretchNearest(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
                    TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);
// Box averages for reduction (bilinear where the source is smaller on either axis).
void StretchDraft(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
                  TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);
// Bilinear.
void StretchLinear(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
                   TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);
// Separable kernel filter (Resample.h).
void Resample(TBitmap32* Dst, TRect DstRect, TRect DstClip, const TBitmap32* Src, TRect SrcRect,
              TStretchFilter Filter, TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);

// Per channel: the sum over a Width × Height block times floor(2^24 / pixels), divided by 2^24
// (exactly sum / pixels for blocks above 2^24 pixels). Pitch is the row length in pixels.
TColor32 BlockAverage(int Width, int Height, const TColor32* TopLeft, std::size_t Pitch);

// The bilinear helper: each pair is mixed with weight WX (0..256) on its left pixel, then the
// two results with WY on the upper one. The plain variant mixes with the plain MixColors
// (weights capped at 255); the packed one computes floor((f w + b (256 - w)) / 256).
using TInterpolator = TColor32 (*)(std::uint32_t WX, std::uint32_t WY, TColor32 UpperLeft,
                                   TColor32 UpperRight, TColor32 LowerLeft, TColor32 LowerRight);
extern const TInterpolator PlainInterpolate;
#ifdef __SSE2__
extern const TInterpolator PackedInterpolate;
#endif
// The variant the processor probe chose.
extern const TInterpolator Interpolate;

}  // namespace lumox
