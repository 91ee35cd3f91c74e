#pragma once
// Byte streams the picture readers and writers work on: an abstract stream with partial and
// exact reads, and its memory and file descendants. Positions and sizes are 64-bit.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumox {

enum class TSeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to `count` bytes; returns how many were read (0 at or past the end).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes `count` bytes; returns how many were written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Moves the position and returns it. A position past the end is allowed (a read there
  // reads nothing); one before the start raises EReadError.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::int64_t Size() const = 0;
  virtual std::int64_t Position() const = 0;

  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::Beginning); }
  // Bytes between the position and the end, 0 when the position lies past the end.
  std::int64_t BytesLeft() const;
  // Reads exactly `count` bytes or raises EReadError.
  void ReadBuffer(void* buffer, std::int64_t count);
  // Writes exactly `count` bytes or raises EWriteError.
  void WriteBuffer(const void* buffer, std::int64_t count);
  // The bytes from the position to the end, when the stream keeps them in memory, for a reader
  // to use where they lie instead of copying them out; empty for other streams. Valid until the
  // stream is written to.
  virtual std::span<const std::uint8_t> BytesInMemory() const { return {}; }

 protected:
  // The position `offset` from `origin`, given the current position and size; raises
  // EReadError before the start or on overflow.
  static std::int64_t TargetPosition(std::int64_t offset, TSeekOrigin origin, std::int64_t position,
                                     std::int64_t size);
};

class TMemoryStream final : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : Data(std::move(bytes)) {}
  TMemoryStream(const void* bytes, std::size_t count);

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override { return std::int64_t(Data.size()); }
  std::int64_t Position() const override { return Pos; }
  std::span<const std::uint8_t> BytesInMemory() const override;

  const std::vector<std::uint8_t>& Bytes() const { return Data; }

 private:
  std::vector<std::uint8_t> Data;
  std::int64_t Pos = 0;
};

enum class TFileMode { Read, Create };

class TFileStream final : public TStream {
 public:
  // Read opens an existing regular file read-only; Create makes or truncates it for writing.
  // Raises EFOpenError naming the file when that fails.
  TFileStream(const std::string& path, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override;
  std::int64_t Position() const override { return Pos; }

 private:
  int Handle = -1;
  std::int64_t Pos = 0;
};

}  // namespace lumox
