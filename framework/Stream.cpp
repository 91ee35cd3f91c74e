#include "framework/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "framework/Exceptions.h"

namespace lumox {

std::int64_t TStream::BytesLeft() const { return std::max<std::int64_t>(0, Size() - Position()); }

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::TargetPosition(std::int64_t offset, TSeekOrigin origin, std::int64_t position,
                                     std::int64_t size) {
  const std::int64_t base = origin == TSeekOrigin::Beginning ? 0
                            : origin == TSeekOrigin::Current ? position
                                                             : size;
  std::int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) {
    throw EReadError("Seek before the start of the stream");
  }
  return target;
}

TMemoryStream::TMemoryStream(const void* bytes, std::size_t count)
    : Data(static_cast<const std::uint8_t*>(bytes), static_cast<const std::uint8_t*>(bytes) + count) {}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t n = std::clamp<std::int64_t>(Size() - Pos, 0, std::max<std::int64_t>(count, 0));
  if (n > 0) std::memcpy(buffer, Data.data() + Pos, std::size_t(n));
  Pos += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  std::int64_t end = 0;
  if (__builtin_add_overflow(Pos, count, &end)) return 0;
  if (end > Size()) Data.resize(std::size_t(end));
  std::memcpy(Data.data() + Pos, buffer, std::size_t(count));
  Pos = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  Pos = TargetPosition(offset, origin, Pos, Size());
  return Pos;
}

std::span<const std::uint8_t> TMemoryStream::BytesInMemory() const {
  if (Pos >= Size()) return {};
  return std::span(Data).subspan(std::size_t(Pos));
}

namespace {

[[noreturn]] void RaiseOpenError(const std::string& path, int error) {
  throw EFOpenError("Cannot open file \"" + path + "\". " + std::strerror(error));
}

// Runs pread or pwrite until `count` bytes moved, the end was met or an error came.
template <class Byte, class Call>
std::int64_t Transfer(Byte* bytes, std::int64_t count, std::int64_t position, Call call) {
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = call(bytes + done, std::size_t(count - done), off_t(position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

}  // namespace

TFileStream::TFileStream(const std::string& path, TFileMode mode) {
  // A FIFO put where a picture was found would hold the reader until a writer came: reading
  // opens without waiting, and the check below refuses it.
  const int flags = mode == TFileMode::Read ? O_RDONLY | O_NONBLOCK : O_WRONLY | O_CREAT | O_TRUNC;
  Handle = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (Handle < 0) RaiseOpenError(path, errno);
  struct stat info {};
  if (::fstat(Handle, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    ::close(Handle);
    RaiseOpenError(path, error);
  }
}

TFileStream::~TFileStream() { ::close(Handle); }

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t done =
      Transfer(static_cast<std::uint8_t*>(buffer), count, Pos,
               [this](std::uint8_t* p, std::size_t n, off_t at) { return ::pread(Handle, p, n, at); });
  Pos += done;
  return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  const std::int64_t done =
      Transfer(static_cast<const std::uint8_t*>(buffer), count, Pos,
               [this](const std::uint8_t* p, std::size_t n, off_t at) { return ::pwrite(Handle, p, n, at); });
  Pos += done;
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  Pos = TargetPosition(offset, origin, Pos, Size());
  return Pos;
}

std::int64_t TFileStream::Size() const {
  struct stat info {};
  return ::fstat(Handle, &info) == 0 ? std::int64_t(info.st_size) : 0;
}

}  // namespace lumox
