#pragma once
// Leaks that system libraries keep until the process ends are not ours to report. The leak
// checker asks every program for these; each test program's main includes this header once.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libdbus\n";
}
