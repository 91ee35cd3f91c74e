#pragma once
#include <sys/resource.h>

namespace lumox::test {

// Limits the size of files this process writes to `bytes` while it lives, so writing more
// fails as on a full disk (the size signal is ignored meanwhile).
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes);
  ~TFileSizeLimit();
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit Previous{};
  void (*PreviousHandler)(int) = nullptr;
};

}  // namespace lumox::test
