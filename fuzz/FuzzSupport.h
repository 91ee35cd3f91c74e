#pragma once
#include <QString>

#include <cstddef>
#include <cstdint>

namespace lumox::fuzz {

// Swallows every message, so a fuzz run prints only the fuzzer's own output.
void SilenceUserMessages();

// Writes the input to this process's scratch file and returns its path.
QString WriteScratchFile(const std::uint8_t* data, std::size_t size);

}  // namespace lumox::fuzz
