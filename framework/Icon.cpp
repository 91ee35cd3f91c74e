#include "framework/Icon.h"

#include <algorithm>
#include <array>
#include <vector>

#include "framework/BmpCodec.h"
#include "framework/Exceptions.h"

namespace lumox {
namespace {

constexpr std::int64_t DirectorySize = 6;
constexpr std::int64_t EntrySize = 16;
// Enough of an image to tell its size and depth: a PNG file's signature and header chunk up to
// the colour type, or a BMP info header up to the bits per pixel.
constexpr std::int64_t ImageHeadSize = 26;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::array<std::uint8_t, 8> PngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

TIcon::TPngReader PngReader = nullptr;

[[noreturn]] void RaiseInvalid() {
  throw EInvalidGraphic("Cannot load image. Invalid or unexpected ICO image format.");
}

// The unsigned number of `width` bytes at `bytes`.
std::uint32_t Number(const std::uint8_t* bytes, int width, bool bigEndian = false) {
  std::uint32_t value = 0;
  for (int i = 0; i < width; ++i) value = value << 8 | bytes[bigEndian ? i : width - 1 - i];
  return value;
}

// Samples a pixel of each PNG colour type (grey, -, RGB, indexed, grey and alpha, -, RGBA).
unsigned PngSamples(std::uint8_t colourType) {
  constexpr std::array<unsigned, 7> samples{1, 0, 3, 1, 2, 0, 4};
  return colourType < samples.size() ? samples[colourType] : 0;
}

// One image of the directory, where it lies behind the start of the icon and what its own
// header says of it.
struct TImageEntry {
  std::int64_t Offset = 0;
  std::int64_t Size = 0;
  bool Png = false;
  std::uint64_t Pixels = 0;
  unsigned Bits = 0;

  bool operator<(const TImageEntry& other) const {
    return Pixels != other.Pixels ? Pixels < other.Pixels : Bits < other.Bits;
  }
};

// Reads the head of the image a directory entry points to; the image must lie behind the
// directory and inside the icon's `length` bytes.
TImageEntry DescribeImage(TStream& stream, std::int64_t base, std::int64_t length, const std::uint8_t* entry,
                          std::int64_t directoryEnd) {
  TImageEntry image{.Offset = Number(entry + 12, 4), .Size = Number(entry + 8, 4)};
  if (image.Offset < directoryEnd || image.Size < ImageHeadSize || image.Offset + image.Size > length)
    RaiseInvalid();
  std::array<std::uint8_t, ImageHeadSize> head;
  stream.SetPosition(base + image.Offset);
  stream.ReadBuffer(head.data(), ImageHeadSize);
  image.Png = std::equal(PngSignature.begin(), PngSignature.end(), head.begin());
  if (image.Png) {
    image.Pixels = std::uint64_t(Number(&head[16], 4, true)) * Number(&head[20], 4, true);
    image.Bits = head[24] * PngSamples(head[25]);
    return image;
  }
  const auto width = std::int32_t(Number(&head[4], 4)), height = std::int32_t(Number(&head[8], 4)) / 2;
  if (Number(&head[0], 4) < InfoHeaderSize || width < 0 || height < 0) RaiseInvalid();
  image.Pixels = std::uint64_t(width) * std::uint64_t(height);
  image.Bits = Number(&head[14], 2);
  return image;
}

// The directory: reserved 0, type 1 (an icon), the number of images, then an entry of 16 bytes
// for each.
std::vector<TImageEntry> ReadDirectory(TStream& stream) {
  const std::int64_t base = stream.Position(), length = stream.BytesLeft();
  std::array<std::uint8_t, DirectorySize> head;
  if (stream.Read(head.data(), DirectorySize) != DirectorySize) RaiseInvalid();
  const std::int64_t count = Number(&head[4], 2);
  const std::int64_t directoryEnd = DirectorySize + EntrySize * count;
  if (Number(&head[0], 2) != 0 || Number(&head[2], 2) != 1 || count == 0 || directoryEnd > length)
    RaiseInvalid();
  std::vector<std::uint8_t> entries(std::size_t(EntrySize * count));
  stream.ReadBuffer(entries.data(), EntrySize * count);
  std::vector<TImageEntry> images;
  for (std::int64_t i = 0; i < count; ++i)
    images.push_back(DescribeImage(stream, base, length, &entries[std::size_t(EntrySize * i)], directoryEnd));
  return images;
}

}  // namespace

void TIcon::SetPngReader(TPngReader reader) { PngReader = reader; }

const TGraphicClass& TIcon::Class() {
  static const TGraphicClass info{"TIcon", &CreateGraphic<TIcon>};
  return info;
}

void TIcon::LoadFromStream(TStream& stream) {
  const std::int64_t base = stream.Position();
  const std::vector<TImageEntry> images = ReadDirectory(stream);
  const TImageEntry& shown = *std::max_element(images.begin(), images.end());
  if (shown.Png && PngReader == nullptr)
    throw EInvalidGraphic("Cannot load image. PNG images are not supported for ICO files.");
  std::vector<std::uint8_t> bytes(std::size_t(shown.Size));
  stream.SetPosition(base + shown.Offset);
  stream.ReadBuffer(bytes.data(), shown.Size);
  // The image is read from its own bytes, so that it cannot reach into the others.
  TMemoryStream image(std::move(bytes));
  if (shown.Png) {
    PngReader(image, *this);
  } else {
    ReadIconBmp(image, *this);
  }
}

void TIcon::SaveToStream(TStream& stream) { TGraphic::SaveToStream(stream); }

}  // namespace lumox
