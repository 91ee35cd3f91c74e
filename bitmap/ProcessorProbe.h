#pragma once
// Which instruction-set extensions the processor has. The pixel routines pick their plain or
// packed-integer variants from these answers once, at start-up.
namespace lumox {

// Kinds 0..4: 0 is the packed 64-bit integer extension, 3 the extended one. Any other kind,
// a processor without the identification instruction or one of family below 5 answer false.
bool HasInstructionSet(int kind);
inline bool HasPackedIntegers() { return HasInstructionSet(0); }
inline bool HasExtendedPackedIntegers() { return HasInstructionSet(3); }
// 256-bit packed integers (AVX2), with the operating system saving their registers.
bool HasWidePackedIntegers();

}  // namespace lumox
