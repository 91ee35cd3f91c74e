// Prints the folder the database engine's client library takes its settings from when the
// environment names none.
#include <firebird/Interface.h>

#include <cstdio>

int main() {
  std::fputs(Firebird::fb_get_master_interface()->getConfigManager()->getRootDirectory(), stdout);
  return 0;
}
