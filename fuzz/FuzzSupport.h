#pragma once

namespace lumox::fuzz {

// Swallows every message, so a fuzz run prints only the fuzzer's own output.
void SilenceUserMessages();

}  // namespace lumox::fuzz
