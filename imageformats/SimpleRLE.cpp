#include "imageformats/SimpleRLE.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <tmmintrin.h>
#endif

#include "imageformats/DecoderBuffers.h"
#include "imageformats/RowVectors.h"

namespace lumox {
namespace {

using decoding::TPackedReader;
using decoding::TUnpackedWriter;

// A run of `count` copies of the next byte; nothing when that byte is missing.
void ByteRun(TPackedReader& in, TUnpackedWriter& out, std::int64_t count) {
  if (!in.Empty()) out.Fill(in.Byte(), count);
}

// What one header byte announces: a run of the next byte or a literal stretch.
struct TPacket {
  bool IsRun;
  std::int64_t Count;
};

// The loop of the schemes whose header alone decides between run and literal.
template <class TClassify>
void DecodeBytePackets(const std::uint8_t* input, std::uint8_t* output, std::int64_t inputSize,
                       std::int64_t outputSize, TClassify classify) {
  TPackedReader in(input, inputSize);
  TUnpackedWriter out(output, outputSize);
  while (!out.Full() && !in.Empty()) {
    const TPacket packet = classify(in.Byte());
    if (packet.IsRun) {
      ByteRun(in, out, packet.Count);
    } else {
      out.CopyFrom(in, packet.Count);
    }
  }
}

#if defined(__SSE2__)
__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Of 64 PCX bytes whose first one starts a packet, those that are run headers: a byte with both
// top bits set is one unless it is the value of the header before it, so within each stretch of
// such bytes every other one is, from the stretch's first on.
std::uint64_t RunHeaders(std::uint64_t topBitsSet) {
  constexpr std::uint64_t Even = 0x5555555555555555u;
  const std::uint64_t starts = topBitsSet & ~(topBitsSet << 1);
  // Adding its first bit clears a stretch: those that start on an even byte.
  const std::uint64_t fromEven = topBitsSet & ~(topBitsSet + (starts & Even));
  return (fromEven & Even) | (topBitsSet & ~fromEven & ~Even);
}

// 0xFF in byte i where bit i of `bits` is set.
[[gnu::target("ssse3")]] __m128i ByteMask(unsigned bits) {
  const __m128i spread =
      _mm_shuffle_epi8(_mm_cvtsi32_si128(int(bits)), _mm_set_epi64x(0x0101010101010101, 0));
  const __m128i bit = _mm_set1_epi64x(std::int64_t(0x8040201008040201u));
  return _mm_cmpeq_epi8(_mm_and_si128(spread, bit), bit);
}

// `count` bytes, 1 to 127, where `block(k)` gives the sixteen from the k-th on, written without a
// library call, which would cost more than the copying: the last block overlaps the one before,
// and fewer than sixteen bytes are two overlapping pieces of the first block.
template <class TBlock>
void PutBytes(std::uint8_t* to, std::int64_t count, TBlock block) {
  if (count >= 16) {
    for (std::int64_t k = 0; k < count - 16; k += 16)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + k), block(k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + count - 16), block(count - 16));
    return;
  }
  alignas(16) std::uint8_t first[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(first), block(0));
  const auto piece = [&](std::size_t size) {
    std::memcpy(to, first, size);
    std::memcpy(to + count - std::int64_t(size), first + count - std::int64_t(size), size);
  };
  if (count >= 8) {
    piece(8);
  } else if (count >= 4) {
    piece(4);
  } else {
    to[0] = first[0];
    to[count / 2] = first[count / 2];
    to[count - 1] = first[count - 1];
  }
}

// SGI packets of single bytes as long as neither row clips the next one and its literal bytes can
// be read sixteen at a time. Moves `input` and `output` on by what it took and gave, and their
// byte counts down; true when the row's end marker was met.
bool DecodeSGIBytesUnclipped(const std::uint8_t*& input, std::int64_t& inputLeft, std::uint8_t*& output,
                             std::int64_t& room) {
  while (inputLeft >= 2) {
    const std::int64_t count = *input & 0x7F;
    if (count == 0) {
      ++input;
      --inputLeft;
      return true;
    }
    if (room < count) break;
    std::int64_t taken = 2;
    if (*input & 0x80) {
      if (inputLeft <= std::max<std::int64_t>(count, 16)) break;
      const std::uint8_t* from = input + 1;
      PutBytes(output, count, [from](std::int64_t k) { return Load(from + k); });
      taken = 1 + count;
    } else {
      const __m128i value = _mm_set1_epi8(char(input[1]));
      PutBytes(output, count, [value](std::int64_t) { return value; });
    }
    input += taken;
    inputLeft -= taken;
    output += count;
    room -= count;
  }
  return false;
}

// The packets of 64 bytes at once when they are literal bytes and runs of at most two, as in a
// photograph nearly all are: each run of one becomes its value, each run of two its value twice
// and each of none nothing, so the block's bytes are only shuffled together, eight at a time.
// Writes at most 64 bytes; reads 65. False, with nothing done, for a block with a longer run.
[[gnu::target("ssse3,popcnt")]] bool DecodeShortRuns(const std::uint8_t*& input, std::uint8_t*& output) {
  const std::uint8_t* const in = input;  // copies, which the byte stores cannot change
  std::uint8_t* out = output;
  // For each set of bits, the places of its bits in order.
  alignas(8) static constexpr auto Places = [] {
    std::array<std::array<std::uint8_t, 8>, 256> places{};
    for (unsigned bits = 0; bits < 256; ++bits) {
      unsigned n = 0;
      for (std::uint8_t bit = 0; bit < 8; ++bit)
        if (bits >> bit & 1) places[bits][n++] = bit;
      while (n < 8) places[bits][n++] = 0x80;
    }
    return places;
  }();
  const __m128i topBits = _mm_set1_epi8(char(0xC0)), runOfOne = _mm_set1_epi8(char(0xC1)),
                runOfTwo = _mm_set1_epi8(char(0xC2));
  __m128i bytes[4], next[4];
  std::uint64_t headerLike = 0, aboveTwo = 0, ones = 0, twos = 0;
#pragma GCC unroll 4
  for (unsigned k = 0; k < 4; ++k) {
    bytes[k] = Load(in + 16 * k);
    next[k] = Load(in + 16 * k + 1);
    const auto bits = [k](__m128i set) { return std::uint64_t(unsigned(_mm_movemask_epi8(set))) << 16 * k; };
    headerLike |= bits(_mm_cmpeq_epi8(_mm_and_si128(bytes[k], topBits), topBits));
    aboveTwo |= bits(_mm_cmpgt_epi8(bytes[k], runOfTwo));  // signed: also every byte below 0x80
    ones |= bits(_mm_cmpeq_epi8(bytes[k], runOfOne));
    twos |= bits(_mm_cmpeq_epi8(bytes[k], runOfTwo));
  }
  const std::uint64_t headers = RunHeaders(headerLike);
  if ((headers & aboveTwo) != 0) return false;
  // A header in the last byte has its value in the next block, which it starts.
  const std::uint64_t used = headers >> 63 ? ~std::uint64_t(0) >> 1 : ~std::uint64_t(0);
  const std::uint64_t empty = headers & ~ones & ~twos;
  const std::uint64_t kept = ~((headers & ones) | empty | empty << 1) & used;
  const std::uint64_t doubled = headers & twos & used;
  const __m128i upperHalf = _mm_set_epi64x(0x0808080808080808, 0);
#pragma GCC unroll 4
  for (unsigned k = 0; k < 4; ++k) {
    const unsigned keep = unsigned(kept >> 16 * k) & 0xFFFF, twice = unsigned(doubled >> 16 * k) & 0xFFFF;
    // A run of two shows its value in its header's place as well.
    const __m128i twoMask = ByteMask(twice);
    const __m128i source = _mm_or_si128(_mm_and_si128(twoMask, next[k]), _mm_andnot_si128(twoMask, bytes[k]));
    const __m128i order = _mm_add_epi8(
        _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(Places[keep & 0xFF].data())),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(Places[keep >> 8].data()))),
        upperHalf);
    const __m128i packed = _mm_shuffle_epi8(source, order);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + __builtin_popcount(keep & 0xFF)),
                     _mm_unpackhi_epi64(packed, packed));
    out += __builtin_popcount(keep);
  }
  input = in + (used >> 63 ? 64 : 63);
  output = out;
  return true;
}
#endif

}  // namespace

void TPackbitsRLEDecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                                 std::int64_t outputSize) {
  DecodeBytePackets(input, output, inputSize, outputSize, [](std::uint8_t header) {
    const auto n = static_cast<std::int8_t>(header);
    if (n == -128) return TPacket{false, 0};  // no-op
    return n >= 0 ? TPacket{false, n + 1} : TPacket{true, 1 - n};
  });
}

void TPCXRLEDecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                            std::int64_t outputSize) {
  const std::uint8_t* in = input;
  DecodeBytes(in, inputSize, output, outputSize, outputSize);
}

std::int64_t TPCXRLEDecoder::DecodeBytes(const std::uint8_t*& input, std::int64_t inputSize,
                                         std::uint8_t* output, std::int64_t bytes, std::int64_t room) {
  if (bytes < 1) return 0;
  const std::uint8_t* in = input;
  const std::uint8_t* const inEnd = input + decoding::NonNegative(inputSize);
  std::uint8_t* out = output;
  std::uint8_t* const wanted = output + bytes;
  std::uint8_t* const limit = output + std::max(room, bytes);
#if defined(__SSE2__)
  // Far from both ends, so no packet needs clipping. With byte shuffles, blocks of literal bytes
  // and short runs go 64 bytes at a time. Otherwise the bits of the bytes that would be run
  // headers are found for 32 bytes at once; the bytes before a header are copied and a run is
  // written sixteen bytes at a time, what lands behind them being overwritten after. Eight runs
  // of one byte in a row, as bright areas of photographs give, become their eight bytes at once.
  const __m128i runBits = _mm_set1_epi8(char(0xC0)), lowBytes = _mm_set1_epi16(0xFF),
                runOfOne = _mm_set1_epi16(0xC1);
  const auto headerBits = [&](__m128i bytes) {
    return std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(bytes, runBits), runBits)));
  };
  constexpr std::int64_t Margin = 16 + 64;  // a literal copy and the longest run behind it
  const bool shuffles = rows::HasByteShuffles();
  const std::uint8_t* blocksFrom = in;  // behind a block with a longer run
  while (inEnd - in > 32 && wanted - out >= Margin) {
    if (shuffles && in >= blocksFrom && inEnd - in > 64) {
      if (DecodeShortRuns(in, out)) continue;
      blocksFrom = in + 64;
    }
    const __m128i first = Load(in);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(first, lowBytes), runOfOne)) == 0xFFFF) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(_mm_srli_epi16(first, 8), first));
      out += 8;
      in += 16;
      continue;
    }
    const std::uint32_t headers = headerBits(first) | headerBits(Load(in + 16)) << 16;
    std::int64_t at = 0;  // packets start within the first sixteen bytes
    while (at < 16 && wanted - out >= Margin) {
      const std::int64_t literals = __builtin_ctz(headers >> at | 1u << 16);
      std::memcpy(out, in + at, 16);
      out += literals;
      at += literals;
      if (literals == 16) continue;
      const __m128i value = _mm_set1_epi8(char(in[at + 1]));
      const std::int64_t count = in[at] & 0x3F;
      for (std::int64_t k = 0; k < count; k += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), value);
      out += count;
      at += 2;
    }
    in += at;
  }
#endif
  while (out < wanted && in < inEnd) {
    const std::uint8_t header = *in;
    if ((header & 0xC0) != 0xC0) {
      *out++ = header;
      ++in;
      continue;
    }
    if (inEnd - in < 2) break;  // the run's byte is not here (yet): the header waits with it
    const std::int64_t count = std::min<std::int64_t>(header & 0x3F, limit - out);
    std::memset(out, in[1], std::size_t(count));
    out += count;
    in += 2;
  }
  input = in;
  return out - output;
}

void TSGIRLEDecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                            std::int64_t outputSize) {
  DecodeRow(input, inputSize, output, outputSize);
}

std::int64_t TSGIRLEDecoder::DecodeRow(const std::uint8_t* input, std::int64_t inputSize,
                                       std::uint8_t* output, std::int64_t outputSize) {
  const unsigned sampleBytes = SampleBits == 8 ? 1 : 2;
  const std::int64_t room = decoding::UnitsToBytes(outputSize, sampleBytes);
  const std::uint8_t* from = input;
  std::uint8_t* to = output;
  std::int64_t fromLeft = decoding::NonNegative(inputSize), toLeft = room;
#if defined(__SSE2__)
  if (sampleBytes == 1 && DecodeSGIBytesUnclipped(from, fromLeft, to, toLeft)) return room - toLeft;
#endif
  TPackedReader in(from, fromLeft);
  TUnpackedWriter out(to, toLeft);
  while (!out.Full()) {
    const std::uint8_t* header = in.Position();
    if (in.Skip(sampleBytes) < sampleBytes) break;
    const std::uint8_t flagAndCount = header[sampleBytes - 1];
    const std::int64_t count = flagAndCount & 0x7F;
    if (count == 0) break;
    if (flagAndCount & 0x80) {
      out.CopyFrom(in, count * sampleBytes);
    } else {
      const std::uint8_t* sample = in.Position();
      if (in.Skip(sampleBytes) < sampleBytes) break;
      out.Repeat(sample, sampleBytes, count);
    }
  }
  return room - out.Left();
}

void TCUTRLEDecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                            std::int64_t outputSize) {
  TPackedReader in(input, inputSize);
  TUnpackedWriter out(output, outputSize);
  in.Skip(2);
  while (!in.Empty()) {
    const std::uint8_t header = in.Byte();
    if (header == 0) break;
    if (header & 0x80) {
      ByteRun(in, out, header & 0x7F);
    } else {
      out.CopyFrom(in, header);
    }
  }
  input = in.Position();
}

void TPSPRLEDecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                            std::int64_t outputSize) {
  DecodeBytePackets(input, output, inputSize, outputSize, [](std::uint8_t header) {
    return header >= 128 ? TPacket{true, header - 128} : TPacket{false, header};
  });
}

void TRLADecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                         std::int64_t outputSize) {
  DecodeBytePackets(input, output, inputSize, outputSize, [](std::uint8_t header) {
    const auto n = static_cast<std::int8_t>(header);
    return n >= 0 ? TPacket{true, n + 1} : TPacket{false, -n};
  });
}

}  // namespace lumox
