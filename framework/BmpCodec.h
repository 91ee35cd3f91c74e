#pragma once
// The framework bitmap's own file format: BMP/DIB files with the core, info and later headers,
// 1 to 32 bits per pixel, uncompressed, run-length (RLE4, RLE8) or with bit-field masks.
#include "framework/Bitmap.h"
#include "framework/Stream.h"

namespace lumox {

// Replaces `bitmap` by the BMP file at the stream's position. Every malformed or cut-short
// file raises EInvalidGraphic.
void ReadBmp(TStream& stream, TBitmap& bitmap);

// Replaces `bitmap` by the BMP image of an icon at the stream's position: an info header whose
// height counts the colour rows and the mask rows, the colour table, the colour rows, then the
// AND mask. The result has 32 bits a pixel; its alpha is the image's own where a 32-bit image has
// any, else the mask's. Every malformed, compressed or cut-short image raises EInvalidGraphic.
void ReadIconBmp(TStream& stream, TBitmap& bitmap);

// Writes `bitmap` uncompressed, bottom-up, with a 40-byte header (bit fields for 565 pixels).
void WriteBmp(const TBitmap& bitmap, TStream& stream);

}  // namespace lumox
