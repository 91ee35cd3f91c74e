#include "imageformats/ReaderSupport.h"

#include <algorithm>
#include <cstring>

#include "imageformats/FormatGraphic.h"

namespace lumox {
namespace {

std::array<std::uint8_t, 4> ReadNumberBytes(TStream& stream, unsigned width) {
  std::array<std::uint8_t, 4> bytes{};
  stream.ReadBuffer(bytes.data(), width);
  return bytes;
}

}  // namespace

std::uint32_t ReadLittleEndian(TStream& stream, unsigned width) {
  return LittleEndian(ReadNumberBytes(stream, width).data(), width);
}

std::uint32_t ReadBigEndian(TStream& stream, unsigned width) {
  return BigEndian(ReadNumberBytes(stream, width).data(), width);
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
  return lower;
}

void CheckImageSize(std::int64_t width, std::int64_t height, std::string_view format) {
  if (width < 1 || height < 1) TFormatGraphic::RaiseGraphicError(TFormatText::SInvalidImageFormat, {format});
  TBitmap::CheckSize(width, height);
}

std::vector<std::uint8_t> ReadAvailable(TStream& stream, std::int64_t count) {
  std::vector<std::uint8_t> bytes(std::size_t(std::clamp<std::int64_t>(count, 0, stream.BytesLeft())));
  bytes.resize(std::size_t(stream.Read(bytes.data(), std::int64_t(bytes.size()))));
  return bytes;
}

std::span<const std::uint8_t> LendOrRead(TStream& stream, std::int64_t count,
                                         std::vector<std::uint8_t>& buffer) {
  const std::int64_t wanted = std::clamp<std::int64_t>(count, 0, stream.BytesLeft());
  if (const auto lent = stream.BytesInMemory(); !lent.empty()) {
    stream.Seek(wanted, TSeekOrigin::Current);
    return lent.first(std::size_t(wanted));
  }
  buffer.resize(std::size_t(wanted));
  buffer.resize(std::size_t(stream.Read(buffer.data(), wanted)));
  return buffer;
}

TReadAhead::TReadAhead(TStream& stream, std::int64_t minimum, std::int64_t limit)
    : Stream(stream), Start(stream.Position()), Minimum(minimum), Left(limit) {
  if (const auto lent = stream.BytesInMemory(); !lent.empty()) {
    Base = lent.data();
    Size = std::min(std::int64_t(lent.size()), std::max<std::int64_t>(limit, 0));
    Exhausted = true;
    return;
  }
  Buffer.resize(std::size_t(std::max<std::int64_t>(2 * minimum, 1 << 18)));
  Base = Buffer.data();
}

void TReadAhead::Fill() {
  if (Size - At >= Minimum || Exhausted) return;
  std::memmove(Buffer.data(), Buffer.data() + At, std::size_t(Size - At));
  Size -= At;
  Consumed += At;
  At = 0;
  const std::int64_t read =
      Stream.Read(Buffer.data() + Size, std::min(std::int64_t(Buffer.size()) - Size, Left));
  Left -= read;
  Exhausted = read == 0;
  Size += read;
}

}  // namespace lumox
