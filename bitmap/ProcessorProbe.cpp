#include "bitmap/ProcessorProbe.h"

#include <array>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace lumox {

#if defined(__x86_64__) || defined(__i386__)

namespace {

constexpr std::array<std::uint32_t, 5> FeatureMasks{0x00800000, 0x02000000, 0x04000000, 0x0F000000,
                                                    0x00F00000};

std::uint32_t EdxOf(unsigned leaf, unsigned* eax = nullptr) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid(leaf, a, b, c, d);
  if (eax != nullptr) *eax = a;
  return d;
}

}  // namespace

bool HasInstructionSet(int kind) {
  if (kind < 0 || kind >= int(FeatureMasks.size())) return false;
  // 0 when the identification flag cannot be toggled (no identification instruction).
  if (__get_cpuid_max(0, nullptr) < 1) return false;
  unsigned signature = 0;
  const std::uint32_t standard = EdxOf(1, &signature);
  if ((signature >> 8 & 0xF) < 5) return false;
  const std::uint32_t mask = FeatureMasks[std::size_t(kind)];
  if (kind < 3) return (standard & mask) != 0;
  if ((EdxOf(0x80000000) & 0x0F000000) == 0) return false;
  return (EdxOf(0x80000001) & mask) != 0;
}

bool HasWidePackedIntegers() {
  __builtin_cpu_init();  // the probe may run before the run-time library's own start-up code
  return __builtin_cpu_supports("avx2");
}

#else

bool HasInstructionSet(int) { return false; }
bool HasWidePackedIntegers() { return false; }

#endif

}  // namespace lumox
