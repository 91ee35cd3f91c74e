#pragma once
// Bounded cursors over a decoder's packed input and unpacked output. Every read and write of
// the decoders goes through them, so no stream can make a decoder leave its buffers.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace lumox::decoding {

inline std::int64_t NonNegative(std::int64_t size) { return size > 0 ? size : 0; }

// `count` units of `unitBytes` bytes as a byte count; absurd counts saturate (no buffer is that large).
inline std::int64_t UnitsToBytes(std::int64_t count, unsigned unitBytes) {
  const std::int64_t limit = std::numeric_limits<std::int64_t>::max() / unitBytes;
  return std::min(NonNegative(count), limit) * unitBytes;
}

class TPackedReader {
 public:
  TPackedReader(const std::uint8_t* data, std::int64_t size) : Next(data), Left(NonNegative(size)) {}

  bool Empty() const { return Left == 0; }
  std::int64_t Available() const { return Left; }
  const std::uint8_t* Position() const { return Next; }

  // Precondition: !Empty().
  std::uint8_t Byte() {
    --Left;
    return *Next++;
  }

  // Moves on by `count` bytes, or to the end when fewer remain; returns how far it moved.
  std::int64_t Skip(std::int64_t count) {
    const std::int64_t step = std::clamp<std::int64_t>(count, 0, Left);
    Next += step;
    Left -= step;
    return step;
  }

 private:
  const std::uint8_t* Next;
  std::int64_t Left;
};

class TUnpackedWriter {
 public:
  TUnpackedWriter(std::uint8_t* data, std::int64_t size) : Next(data), Room(NonNegative(size)) {}

  bool Full() const { return Room == 0; }
  std::int64_t Left() const { return Room; }

  void Put(std::uint8_t value) {
    if (Room == 0) return;
    *Next++ = value;
    --Room;
  }

  void Fill(std::uint8_t value, std::int64_t count) {
    const std::int64_t n = Clip(count);
    if (n == 0) return;
    std::memset(Next, value, static_cast<std::size_t>(n));
    Advance(n);
  }

  // Consumes up to `count` bytes of `source` (as many as it has) and writes as many of them as fit.
  void CopyFrom(TPackedReader& source, std::int64_t count) {
    const std::uint8_t* from = source.Position();
    const std::int64_t taken = source.Skip(count);
    const std::int64_t n = Clip(taken);
    if (n == 0) return;
    std::memcpy(Next, from, static_cast<std::size_t>(n));
    Advance(n);
  }

  // Writes `count` copies of a `size`-byte pattern, as many whole copies as fit.
  void Repeat(const std::uint8_t* pattern, unsigned size, std::int64_t count) {
    if (size == 1) return Fill(*pattern, count);  // spares the divisions below, once a packet
    const std::int64_t total = Clip(UnitsToBytes(count, size)) / size * size;
    if (total == 0) return;
    std::memcpy(Next, pattern, size);
    // Doubling copies keep a long run at a handful of block moves.
    for (std::int64_t done = size; done < total;) {
      const std::int64_t n = std::min(done, total - done);
      std::memcpy(Next + done, Next, static_cast<std::size_t>(n));
      done += n;
    }
    Advance(total);
  }

 private:
  std::int64_t Clip(std::int64_t count) const { return std::clamp<std::int64_t>(count, 0, Room); }
  void Advance(std::int64_t n) {
    Next += n;
    Room -= n;
  }

  std::uint8_t* Next;
  std::int64_t Room;
};

}  // namespace lumox::decoding
