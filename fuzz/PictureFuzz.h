#pragma once
// Shared body of the picture reader fuzz targets: load hostile bytes, and when that works,
// read every pixel back as colours (palettes and formats get exercised too).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"

namespace lumox::fuzz {

// The picture-size limit of the targets that make pictures (PictureLimit.cpp sets it), so every
// picture that loads is small enough to be read back whole.
constexpr std::int64_t PixelLimit = std::int64_t(1) << 20;

// Every pixel as a colour, rows top first.
inline std::vector<std::uint32_t> AllColours(const TBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  std::vector<std::uint32_t> colours(std::size_t(bitmap.Width()) * std::size_t(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y)
    bitmap.ScanLineToBGRA(y, std::span(colours).subspan(std::size_t(y) * std::size_t(bitmap.Width())));
  return colours;
}

// Loads `data` into a T; returns the pixels as a bitmap, or false when the file was refused
// with the project's own errors (anything else escapes and fails the run).
template <class T>
bool LoadPicture(const std::uint8_t* data, std::size_t size, TBitmap& pixels) {
  TMemoryStream stream(data, size);
  T graphic;
  try {
    graphic.LoadFromStream(stream);
  } catch (const ELumox&) {
    return false;
  }
  pixels.Assign(graphic);
  AllColours(pixels);
  return true;
}

}  // namespace lumox::fuzz
