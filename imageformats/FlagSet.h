#pragma once
// A set of flags of a small enumeration, one bit per flag (bit n for the flag of value n), held
// in one byte as the file formats and the colour manager store them.
#include <cstdint>
#include <initializer_list>

namespace lumox {

template <class TFlag>
class TFlagSet {
 public:
  constexpr TFlagSet() = default;
  constexpr TFlagSet(std::initializer_list<TFlag> flags) {
    for (const TFlag flag : flags) Include(flag);
  }
  static constexpr TFlagSet FromBits(std::uint8_t bits) {
    TFlagSet set;
    set.Bits = bits;
    return set;
  }

  constexpr bool Contains(TFlag flag) const { return (Bits & Bit(flag)) != 0; }
  constexpr TFlagSet& Include(TFlag flag) {
    Bits = std::uint8_t(Bits | Bit(flag));
    return *this;
  }
  constexpr TFlagSet& Exclude(TFlag flag) {
    Bits = std::uint8_t(Bits & ~Bit(flag));
    return *this;
  }
  constexpr TFlagSet& Set(TFlag flag, bool on) { return on ? Include(flag) : Exclude(flag); }
  constexpr std::uint8_t ToBits() const { return Bits; }
  constexpr bool operator==(const TFlagSet&) const = default;

 private:
  static constexpr std::uint8_t Bit(TFlag flag) { return std::uint8_t(1u << unsigned(flag)); }

  std::uint8_t Bits = 0;
};

}  // namespace lumox
