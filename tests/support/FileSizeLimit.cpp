#include "tests/support/FileSizeLimit.h"

#include <csignal>

namespace lumox::test {

TFileSizeLimit::TFileSizeLimit(rlim_t bytes) {
  getrlimit(RLIMIT_FSIZE, &Previous);
  PreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = Previous;
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

TFileSizeLimit::~TFileSizeLimit() {
  setrlimit(RLIMIT_FSIZE, &Previous);
  std::signal(SIGXFSZ, PreviousHandler);
}

}  // namespace lumox::test
