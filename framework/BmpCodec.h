#pragma once
// The framework bitmap's own file format: BMP/DIB files with the core, info and later headers,
// 1 to 32 bits per pixel, uncompressed, run-length (RLE4, RLE8) or with bit-field masks.
#include "framework/Bitmap.h"
#include "framework/Stream.h"

namespace lumox {

// Replaces `bitmap` by the BMP file at the stream's position. Every malformed or cut-short
// file raises EInvalidGraphic.
void ReadBmp(TStream& stream, TBitmap& bitmap);

// Writes `bitmap` uncompressed, bottom-up, with a 40-byte header (bit fields for 565 pixels).
void WriteBmp(const TBitmap& bitmap, TStream& stream);

}  // namespace lumox
