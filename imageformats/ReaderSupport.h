#pragma once
// Small pieces the readers share: header numbers in either byte order, the size check made
// before any buffer and bounded reads.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Stream.h"
#include "imageformats/FormatGraphic.h"

namespace lumox {

// The unsigned number of `width` bytes (at most 4) at `bytes`.
constexpr std::uint32_t LittleEndian(const std::uint8_t* bytes, unsigned width) {
  std::uint32_t value = 0;
  for (unsigned i = width; i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

constexpr std::uint32_t BigEndian(const std::uint8_t* bytes, unsigned width) {
  std::uint32_t value = 0;
  for (unsigned i = 0; i < width; ++i) value = value << 8 | bytes[i];
  return value;
}

// The number of `width` bytes (at most 4) at the stream's position, which moves behind it;
// EReadError when fewer are left.
std::uint32_t ReadLittleEndian(TStream& stream, unsigned width);
std::uint32_t ReadBigEndian(TStream& stream, unsigned width);

// The `Size` bytes at the stream's position; EReadError when fewer are left.
template <std::size_t Size>
std::array<std::uint8_t, Size> ReadHeader(TStream& stream) {
  std::array<std::uint8_t, Size> bytes;
  stream.ReadBuffer(bytes.data(), Size);
  return bytes;
}

// For the class-level tests: the `Size` bytes at the stream's position when more than that are
// left, read without moving it; else nothing.
template <std::size_t Size>
std::optional<std::array<std::uint8_t, Size>> PeekHeader(TStream& stream) {
  std::array<std::uint8_t, Size> bytes;
  if (stream.BytesLeft() <= std::int64_t(Size) || !PeekBuffer(stream, bytes.data(), Size))
    return std::nullopt;
  return bytes;
}

// `text` with the letters A to Z made lower case; other bytes stay as they are.
std::string AsciiLower(std::string_view text);

// Raises the invalid-format error naming `format` unless both sides are at least 1, then
// EInvalidGraphic when the bitmap would exceed the size cap.
void CheckImageSize(std::int64_t width, std::int64_t height, std::string_view format);

// Up to `count` bytes from the stream's position, fewer where the stream ends first; never
// more than the stream holds, so a size taken from a file cannot make the buffer huge.
std::vector<std::uint8_t> ReadAvailable(TStream& stream, std::int64_t count);

// Up to `count` bytes from the stream's position, fewer where the stream ends first: where they
// lie, when the stream keeps them in memory, or else read into `buffer`. The position moves
// behind them.
std::span<const std::uint8_t> LendOrRead(TStream& stream, std::int64_t count,
                                         std::vector<std::uint8_t>& buffer);

// The stream read ahead in blocks for a run-length decoder whose packets run across rows; a
// stream that keeps its bytes in memory lends them all at once instead. Release puts the stream's
// position just behind the bytes consumed.
class TReadAhead {
 public:
  // `minimum`: the bytes one row can take at most; `limit`: the bytes that may be read in all.
  TReadAhead(TStream& stream, std::int64_t minimum, std::int64_t limit = INT64_MAX);

  // Makes `minimum` bytes available, or all that are left.
  void Fill();
  const std::uint8_t* Data() const { return Base + At; }
  std::int64_t Available() const { return Size - At; }
  void Consume(const std::uint8_t* upTo) { At = upTo - Base; }
  void Release() { Stream.SetPosition(Start + Consumed + At); }

 private:
  TStream& Stream;
  std::int64_t Start;
  std::int64_t Minimum;
  std::int64_t Left;
  std::vector<std::uint8_t> Buffer;
  const std::uint8_t* Base;  // the buffer or the lent bytes
  std::int64_t Size = 0;
  std::int64_t At = 0;
  std::int64_t Consumed = 0;
  bool Exhausted = false;
};

}  // namespace lumox
