#include "imageformats/SimpleRLE.h"

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
  TPackedReader in(input, inputSize);
  TUnpackedWriter out(output, outputSize);
  while (!out.Full() && !in.Empty()) {
    const std::uint8_t header = in.Byte();
    if ((header & 0xC0) == 0xC0) {
      ByteRun(in, out, header & 0x3F);
    } else {
      out.Put(header);
    }
  }
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
