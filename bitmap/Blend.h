#pragma once
// Laying one pixel over another. Every operation exists in a plain set (32-bit integer words,
// two channels per multiplication) and a packed set (the four channels as 16-bit lanes, SSE2).
// Their weighted results differ by up to one step:
//   plain mix:  floor((f W + 128) / 256) + floor((b (255 - W) + 128) / 256)
//   packed mix: floor((f W + b (256 - W) + 128) / 256)
// Weights W and master alphas M are 0..255. The set in use is chosen once at start-up by the
// processor probe; callers go through BlendRoutines, tests may call either set by name.
#include "bitmap/Color32.h"

namespace lumox {

struct TBlendSet {
  // F over B with weight W (255 = all F).
  TColor32 (*MixColors)(TColor32 F, TColor32 B, std::uint32_t W);
  void (*MixColorInto)(TColor32 F, TColor32& B, std::uint32_t W);
  // F over B weighted by F's alpha.
  TColor32 (*BlendColors)(TColor32 F, TColor32 B);
  void (*BlendColorInto)(TColor32 F, TColor32& B);
  // F over B weighted by floor((M + 1) * F's alpha / 256).
  TColor32 (*BlendColorsScaled)(TColor32 F, TColor32 B, std::uint32_t M);
  void (*BlendColorIntoScaled)(TColor32 F, TColor32& B, std::uint32_t M);
  // BlendColorInto / BlendColorIntoScaled for pixel i of Src into pixel i of Dst, i < Count.
  void (*BlendRow)(const TColor32* Src, TColor32* Dst, int Count);
  void (*BlendRowScaled)(const TColor32* Src, TColor32* Dst, int Count, std::uint32_t M);
  // Per channel: min(c1 + c2, 255), max(c1 - c2, 0), floor(c1 c2 / 256), max, min, |c1 - c2|,
  // c1 + c2 - floor(c1 c2 / 128). Both sets give the same results.
  TColor32 (*AddColors)(TColor32 C1, TColor32 C2);
  TColor32 (*SubtractColors)(TColor32 C1, TColor32 C2);
  TColor32 (*ModulateColors)(TColor32 C1, TColor32 C2);
  TColor32 (*MaxColors)(TColor32 C1, TColor32 C2);
  TColor32 (*MinColors)(TColor32 C1, TColor32 C2);
  TColor32 (*DifferenceColors)(TColor32 C1, TColor32 C2);
  TColor32 (*ExcludeColors)(TColor32 C1, TColor32 C2);
};

extern const TBlendSet PlainBlendSet;
#ifdef __SSE2__
extern const TBlendSet PackedBlendSet;
#endif

// Whether the processor probe chose the packed set, and the routines chosen.
extern const bool PackedBlendActive;
extern const TBlendSet BlendRoutines;

}  // namespace lumox
