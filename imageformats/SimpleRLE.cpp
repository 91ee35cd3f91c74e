#include "imageformats/SimpleRLE.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imageformats/DecoderBuffers.h"

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
  // Far from both ends, so no packet needs clipping. The bits of the bytes that would be run
  // headers are found for 32 bytes at once; the bytes before a header are copied sixteen at a
  // time and a short run is written eight bytes at a time, what lands behind them being
  // overwritten after. Eight runs of one byte in a row, as bright areas of photographs give,
  // become their eight bytes at once.
  const __m128i runBits = _mm_set1_epi8(char(0xC0)), lowBytes = _mm_set1_epi16(0xFF),
                runOfOne = _mm_set1_epi16(0xC1);
  const auto load = [](const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  };
  const auto headerBits = [&](__m128i bytes) {
    return std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(bytes, runBits), runBits)));
  };
  constexpr std::int64_t Margin = 16 + 64;  // a literal copy and the longest run behind it
  while (inEnd - in > 32 && wanted - out >= Margin) {
    const __m128i first = load(in);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(first, lowBytes), runOfOne)) == 0xFFFF) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(_mm_srli_epi16(first, 8), first));
      out += 8;
      in += 16;
      continue;
    }
    const std::uint32_t headers = headerBits(first) | headerBits(load(in + 16)) << 16;
    std::int64_t at = 0;  // packets start within the first sixteen bytes
    while (at < 16 && wanted - out >= Margin) {
      const std::int64_t literals = __builtin_ctz(headers >> at | 1u << 16);
      std::memcpy(out, in + at, 16);
      out += literals;
      at += literals;
      if (literals == 16) continue;
      const std::uint8_t value = in[at + 1];
      const std::int64_t count = in[at] & 0x3F;
      const std::uint64_t eight = value * 0x0101010101010101u;
      std::memcpy(out, &eight, 8);
      if (count > 8) std::memset(out, value, std::size_t(count));
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
  const unsigned sampleBytes = SampleBits == 8 ? 1 : 2;
  TPackedReader in(input, inputSize);
  TUnpackedWriter out(output, decoding::UnitsToBytes(outputSize, sampleBytes));
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
