#include "imageformats/TargaRLE.h"

#include <algorithm>
#include <cstring>

#include "imageformats/DecoderBuffers.h"

namespace lumox {
namespace {

using decoding::TPackedReader;
using decoding::TUnpackedWriter;

constexpr std::uint64_t MaxPacketPixels = 128;

// The pixel's bytes as one number, first byte most significant.
std::uint32_t PixelKey(const std::uint8_t* pixel, unsigned bytesPerPixel) {
  std::uint32_t key = 0;
  for (unsigned i = 0; i < bytesPerPixel; ++i) key = key << 8 | pixel[i];
  return key;
}

// Unequal neighbour pairs from `pixels` on, up to the first equal pair; 1 for a lone pixel.
// A stretch of different pixels that runs to the end leaves its last pixel for the next packet.
std::uint64_t DistinctRunLength(const std::uint8_t* pixels, unsigned bytesPerPixel, std::uint64_t count) {
  if (count == 1) return 1;
  const std::uint64_t pairs = std::min(count - 1, MaxPacketPixels);
  std::uint64_t result = 0;
  std::uint32_t key = PixelKey(pixels, bytesPerPixel);
  while (result < pairs) {
    const std::uint32_t next = PixelKey(pixels + (result + 1) * bytesPerPixel, bytesPerPixel);
    if (next == key) break;
    key = next;
    ++result;
  }
  return result;
}

// The first pixel and the following ones equal to it.
std::uint64_t EqualRunLength(const std::uint8_t* pixels, unsigned bytesPerPixel, std::uint64_t count) {
  const std::uint64_t limit = std::min(count, MaxPacketPixels);
  const std::uint32_t key = PixelKey(pixels, bytesPerPixel);
  std::uint64_t result = 1;
  while (result < limit && PixelKey(pixels + result * bytesPerPixel, bytesPerPixel) == key) ++result;
  return result;
}

}  // namespace

unsigned TTargaRLEDecoder::BytesPerPixel(std::uint32_t depthBits) {
  switch (depthBits) {
    case 8:
      return 1;
    case 15:
    case 16:
      return 2;
    case 24:
      return 3;
    case 32:
      return 4;
    default:
      return 0;
  }
}

void TTargaRLEDecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                              std::int64_t outputSize) {
  DecodePixels(input, inputSize, output, outputSize, outputSize);
}

std::int64_t TTargaRLEDecoder::DecodePixels(const std::uint8_t*& input, std::int64_t inputSize,
                                            std::uint8_t* output, std::int64_t pixels, std::int64_t room) {
  const unsigned bytesPerPixel = BytesPerPixel(DepthBits);
  if (bytesPerPixel == 0 || pixels < 1) return 0;
  TPackedReader in(input, inputSize);
  const std::int64_t roomBytes = decoding::UnitsToBytes(room, bytesPerPixel);
  TUnpackedWriter out(output, roomBytes);
  for (std::int64_t remaining = pixels; remaining > 0 && !in.Empty();) {
    const std::uint8_t header = in.Byte();
    const std::int64_t count = (header & 0x7F) + 1;
    if (header & 0x80) {
      const std::uint8_t* pixel = in.Position();
      if (in.Skip(bytesPerPixel) < bytesPerPixel) break;
      out.Repeat(pixel, bytesPerPixel, count);
    } else {
      out.CopyFrom(in, count * bytesPerPixel);
    }
    remaining -= count;
  }
  input = in.Position();
  return (roomBytes - out.Left()) / bytesPerPixel;
}

void TTargaRLEDecoder::Encode(const std::uint8_t* input, std::uint8_t* output, std::uint64_t pixelCount,
                              std::uint64_t& bytesWritten) {
  bytesWritten = 0;
  const unsigned bytesPerPixel = BytesPerPixel(DepthBits);
  if (bytesPerPixel == 0) return;
  for (std::uint64_t remaining = pixelCount; remaining > 0;) {
    const std::uint64_t diffCount = DistinctRunLength(input, bytesPerPixel, remaining);
    std::uint64_t packetBytes;
    if (diffCount > 0) {
      // Different neighbours: one raw packet.
      packetBytes = diffCount * bytesPerPixel;
      *output = static_cast<std::uint8_t>(diffCount - 1);
      std::memcpy(output + 1, input, packetBytes);
      input += packetBytes;
      remaining -= diffCount;
    } else {
      // The first two pixels are equal: one repeat packet.
      const std::uint64_t sameCount = EqualRunLength(input, bytesPerPixel, remaining);
      packetBytes = bytesPerPixel;
      *output = static_cast<std::uint8_t>((sameCount - 1) | 0x80);
      std::memcpy(output + 1, input, packetBytes);
      input += sameCount * bytesPerPixel;
      remaining -= sameCount;
    }
    output += packetBytes + 1;
    bytesWritten += packetBytes + 1;
  }
}

}  // namespace lumox
