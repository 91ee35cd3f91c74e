#include "imageformats/PCDDecoder.h"

#include <algorithm>

#include "framework/Exceptions.h"
#include "imageformats/ColorManager.h"
#include "imageformats/FormatTexts.h"

namespace lumox {
namespace {

// Rows up to this length are luma rows of the smaller resolutions, which have one table.
constexpr std::int64_t SingleTableRowLength = 1536;
constexpr int MaxCodeLength = 16;
// A sync marker is 23 ones and a zero; the loose test finds its neighbourhood byte by byte.
constexpr std::uint32_t SyncMask = 0xFFFFFF00, SyncMarker = 0xFFFFFE00, SyncHint = 0x00FFF000;
constexpr std::uint32_t ReservedPlane = 1;

}  // namespace

// Copied, not filled: every call makes three tables, and a copy is one block move where a fill
// takes 65536 steps in the instrumented builds that fuzz the decoder.
std::vector<std::int16_t> TPCDDecoder::EmptyLookup() {
  static const std::vector<std::int16_t> empty(1 << 16, -1);
  return empty;
}

void TPCDDecoder::Refill() {
  while (BitCount <= 24) {
    if (BufferAt == BufferSize) {
      BufferSize = std::size_t(Stream.Read(Buffer.data(), std::int64_t(Buffer.size())));
      BufferAt = 0;
      if (BufferSize == 0) throw EReadError(FormatText(TFormatText::SStreamReadError, {"PCD"}));
    }
    Bits |= std::uint32_t(Buffer[BufferAt++]) << (24 - BitCount);
    BitCount += 8;
  }
}

// `count` is 1 to 16.
void TPCDDecoder::Skip(int count) {
  Bits <<= count;
  BitCount -= count;
  Refill();
}

// A table is its entry count less one, then per entry its code length less one, the code
// (16 bits, left-aligned) and the signed correction, each field byte-sized.
bool TPCDDecoder::ReadTable(TTable& table) {
  const int count = int(Window() >> 24) + 1;
  Skip(8);
  std::vector<std::uint32_t> codes;
  for (int i = 0; i < count; ++i) {
    const int length = int(Window() >> 24) + 1;
    if (length > MaxCodeLength) return false;
    Skip(8);
    codes.push_back(Window() >> 16);
    Skip(16);
    table.Lengths.push_back(std::uint8_t(length));
    table.Values.push_back(std::int8_t(Window() >> 24));
    Skip(8);
  }
  // From the last entry to the first, so that the first listed of overlapping codes wins.
  for (int i = count; i-- > 0;) {
    const std::uint32_t patterns = 1u << (MaxCodeLength - table.Lengths[std::size_t(i)]);
    const std::uint32_t code = codes[std::size_t(i)];
    if (code % patterns != 0) continue;  // bits set behind its length: it never matches
    std::fill_n(table.Lookup.begin() + code, patterns, std::int16_t(i));
  }
  return true;
}

void TPCDDecoder::Synchronise() {
  while ((Window() & SyncHint) != SyncHint) Skip(8);
  while ((Window() & SyncMask) != SyncMarker) Skip(1);
}

// A row's corrections end at its length, at the end of its plane, at the next sync marker and
// at a pattern that no code begins.
void TPCDDecoder::ApplyCorrections(std::span<std::uint8_t> plane, std::size_t start, std::size_t rowEnd,
                                   const TTable& table) {
  for (std::size_t at = start; at < std::min(rowEnd, plane.size()); ++at) {
    if ((Window() & SyncMask) == SyncMarker) return;
    const std::int16_t entry = table.Lookup[Window() >> 16];
    if (entry < 0) return;
    plane[at] = ClampByte(plane[at] + table.Values[std::size_t(entry)]);
    Skip(table.Lengths[std::size_t(entry)]);
  }
}

void TPCDDecoder::Decode(const std::uint8_t*& input, std::uint8_t*&, std::int64_t inputSize,
                         std::int64_t outputSize) {
  const TPCDPlanes& planes = *reinterpret_cast<const TPCDPlanes*>(input);
  const std::size_t rowLength = std::size_t(std::max<std::int64_t>(inputSize, 0));
  Refill();
  std::array<TTable, 3> tables;
  const int tableCount = inputSize <= SingleTableRowLength ? 1 : 3;
  for (int t = 0; t < tableCount; ++t) {
    if (!ReadTable(tables[std::size_t(t)])) return;
  }
  for (;;) {
    Synchronise();
    Skip(16);
    const std::uint32_t row = Window() >> 9 & 0x1FFF;
    if (row == outputSize) return;
    Skip(8);
    const std::uint32_t plane = Window() >> 30;
    Skip(16);
    if (plane == ReservedPlane) return;
    const std::span<std::uint8_t> target = plane == 0   ? planes.Luma
                                           : plane == 2 ? planes.Chroma1
                                                        : planes.Chroma2;
    const std::size_t planeRow = plane == 0 ? row : row / 2;
    if (rowLength == 0 || planeRow >= target.size() / rowLength) continue;
    const std::size_t start = planeRow * rowLength;
    ApplyCorrections(target, start, start + rowLength, tables[plane == 0 ? 0 : plane - 1]);
  }
}

}  // namespace lumox
