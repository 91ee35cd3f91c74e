#pragma once
// Helpers of the decoder fuzz targets: exact-size buffers so that the sanitizers catch any
// access outside what a decoder was handed.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace lumox::fuzz {

class TExactBuffer {
 public:
  explicit TExactBuffer(std::size_t size) : Data(new std::uint8_t[size]), Size(size) {}
  TExactBuffer(const std::uint8_t* bytes, std::size_t size) : TExactBuffer(size) {
    if (size > 0) std::memcpy(Data.get(), bytes, size);
  }

  std::uint8_t* Begin() const { return Data.get(); }
  std::uint8_t* End() const { return Data.get() + Size; }
  std::size_t GetSize() const { return Size; }

 private:
  std::unique_ptr<std::uint8_t[]> Data;
  std::size_t Size;
};

// Reads a little-endian number from the front of the input and drops it.
inline unsigned TakeNumber(const std::uint8_t*& data, std::size_t& size, unsigned bytes) {
  unsigned value = 0;
  for (unsigned i = 0; i < bytes && size > 0; ++i, ++data, --size) value |= unsigned(*data) << (8 * i);
  return value;
}

// A pointer a decoder returned must stay within its buffer.
inline void CheckWithin(const void* pointer, const TExactBuffer& buffer) {
  const auto* p = static_cast<const std::uint8_t*>(pointer);
  if (p < buffer.Begin() || p > buffer.End()) std::abort();
}

}  // namespace lumox::fuzz
