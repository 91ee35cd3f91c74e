#pragma once
#include <unistd.h>

#include <utility>

namespace lumox {

// An open file descriptor of the system, closed with the object; -1 holds none.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd = -1) : Fd(fd) {}
  ~TFileDescriptor() {
    if (Fd >= 0) ::close(Fd);
  }
  TFileDescriptor(TFileDescriptor&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
  TFileDescriptor& operator=(TFileDescriptor&& other) noexcept {
    TFileDescriptor old(std::exchange(Fd, std::exchange(other.Fd, -1)));
    return *this;
  }

  int Get() const { return Fd; }
  bool IsOpen() const { return Fd >= 0; }
  // Hands the descriptor over to the caller, who closes it.
  int Release() { return std::exchange(Fd, -1); }

 private:
  int Fd;
};

}  // namespace lumox
