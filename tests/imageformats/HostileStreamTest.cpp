// Truncated, overlong and random streams for every decoder. The buffers are exactly as large as
// the sizes handed over, so the sanitizers see any access outside them; a decoder that loops
// forever makes the test time out.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "imageformats/CCITTDecoder.h"
#include "imageformats/LZ77Decoder.h"
#include "imageformats/SimpleRLE.h"
#include "imageformats/TargaRLE.h"
#include "imageformats/ThunderDecoder.h"
#include "tests/imageformats/DecoderTestSupport.h"

namespace lumox {
namespace {

using test::TBytes;

struct TDecoderCase {
  std::string Name;
  std::function<std::unique_ptr<TDecoder>()> Create;
  TBytes ValidStream;
  std::int64_t OutputUnits;  // what the valid stream decodes to
  unsigned UnitBytes;
  bool AdvancesInput;
};

constexpr std::int64_t TargaPixels = 12;

// A run of five pixels, then seven different ones.
TBytes TargaStream(std::uint32_t depthBits) {
  const unsigned bytesPerPixel = (depthBits + 1) / 8;
  TBytes pixels = test::NoiseBytes(TargaPixels * bytesPerPixel, depthBits);
  for (unsigned i = bytesPerPixel; i < 5 * bytesPerPixel; ++i) pixels[i] = pixels[i - bytesPerPixel];
  TBytes packed(TargaPixels * (bytesPerPixel + 1));
  std::uint64_t written = 0;
  TTargaRLEDecoder(depthBits).Encode(pixels.data(), packed.data(), TargaPixels, written);
  packed.resize(written);
  return packed;
}

template <class T, class... A>
std::function<std::unique_ptr<TDecoder>()> Factory(A... arguments) {
  return [=] { return std::make_unique<T>(arguments...); };
}

std::unique_ptr<TDecoder> StartedLZ77(int flushKind, bool resetEachCall) {
  auto decoder = std::make_unique<TLZ77Decoder>(flushKind, resetEachCall);
  decoder->DecodeInit();
  return decoder;
}

std::vector<TDecoderCase> AllDecoders() {
  return {
      {"Targa8", Factory<TTargaRLEDecoder>(8u), TargaStream(8), TargaPixels, 1, true},
      {"Targa16", Factory<TTargaRLEDecoder>(16u), TargaStream(16), TargaPixels, 2, true},
      {"Targa24", Factory<TTargaRLEDecoder>(24u), TargaStream(24), TargaPixels, 3, true},
      {"Targa32", Factory<TTargaRLEDecoder>(32u), TargaStream(32), TargaPixels, 4, true},
      {"PackBits", Factory<TPackbitsRLEDecoder>(), {0x02, 1, 2, 3, 0x80, 0xFC, 9, 0x00, 4}, 9, 1, false},
      {"PCX", Factory<TPCXRLEDecoder>(), {0xC4, 1, 0x05, 0xC0, 7, 0xC1, 0xC9}, 6, 1, false},
      {"SGI8", Factory<TSGIRLEDecoder>(std::uint8_t{8}), {0x83, 1, 2, 3, 0x05, 4, 0x00}, 8, 1, false},
      {"SGI16",
       Factory<TSGIRLEDecoder>(std::uint8_t{16}),
       {0, 0x82, 1, 2, 3, 4, 0, 0x03, 5, 6, 0, 0},
       5,
       2,
       false},
      {"CUT", Factory<TCUTRLEDecoder>(), {8, 0, 0x84, 7, 0x03, 1, 2, 3, 0x00}, 7, 1, true},
      {"PSP", Factory<TPSPRLEDecoder>(), {0x84, 7, 0x03, 1, 2, 3, 0x00, 0x81, 9}, 8, 1, false},
      {"RLA", Factory<TRLADecoder>(), {0x03, 7, 0xFD, 1, 2, 3}, 7, 1, false},
      {"Fax3",
       Factory<TCCITTFax3Decoder>(0u, false, false, 8u),
       {0x00, 0x18, 0x30, 0x01, 0x35, 0x76},
       2,
       1,
       false},
      {"FaxMH", Factory<TCCITTMHDecoder>(0u, true, true, 8u), {0xC1, 0x00, 0xAC, 0x6E}, 2, 1, false},
      {"Thunder", Factory<TThunderDecoder>(4u), {0xC5, 0xC3, 0x00, 0x02}, 2, 1, false},
      {"LZ77", [] { return StartedLZ77(Z_PARTIAL_FLUSH, false); }, test::Deflated(test::NoiseBytes(300, 1)),
       300, 1, true},
      {"LZ77Finish", [] { return StartedLZ77(Z_FINISH, true); }, test::Deflated(TBytes(5000, 3)), 5000, 1,
       true},
  };
}

void PrintTo(const TDecoderCase& decoderCase, std::ostream* out) { *out << decoderCase.Name; }

class HostileStream : public testing::TestWithParam<TDecoderCase> {
 protected:
  // Decodes `input` into `outputUnits` with a fresh decoder and checks the pointers stayed inside.
  void DecodeAndCheck(const TBytes& input, std::int64_t outputUnits) {
    const auto decoder = GetParam().Create();
    const test::TDecoded result = test::DecodeExact(*decoder, input, outputUnits, GetParam().UnitBytes);
    EXPECT_GE(result.Consumed, 0);
    EXPECT_LE(result.Consumed, static_cast<std::int64_t>(input.size()));
    EXPECT_GE(result.Produced, 0);
    EXPECT_LE(result.Produced, static_cast<std::int64_t>(result.Output.size()));
    if (!GetParam().AdvancesInput) {
      EXPECT_EQ(result.Consumed, 0);
    }
  }
};

TEST_P(HostileStream, TheValidStreamDecodesWholeAndEveryDamagedOneStaysInsideTheBuffers) {
  const TBytes& stream = GetParam().ValidStream;
  const auto whole =
      test::DecodeExact(*GetParam().Create(), stream, GetParam().OutputUnits, GetParam().UnitBytes);
  EXPECT_EQ(std::count(whole.Output.begin(), whole.Output.end(), test::Unwritten), 0);
  for (std::size_t length = 0; length <= stream.size(); ++length) {
    for (const std::int64_t units : {std::int64_t{0}, std::int64_t{1}, GetParam().OutputUnits})
      DecodeAndCheck(TBytes(stream.begin(), stream.begin() + std::ptrdiff_t(length)), units);
  }
  TBytes overlong = stream;
  const TBytes tail = test::NoiseBytes(64, 7);
  overlong.insert(overlong.end(), tail.begin(), tail.end());
  for (std::int64_t units = -1; units <= GetParam().OutputUnits + 3; ++units) DecodeAndCheck(overlong, units);
  DecodeAndCheck(TBytes(stream.size(), 0xFF), 1000);
  DecodeAndCheck(TBytes(stream.size(), 0x00), 1000);
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    const TBytes garbage = test::NoiseBytes(seed * 7 % 400, seed);
    for (const std::int64_t units : {1, 17, 4096}) DecodeAndCheck(garbage, units);
  }
}

INSTANTIATE_TEST_SUITE_P(Decoders, HostileStream, testing::ValuesIn(AllDecoders()),
                         [](const testing::TestParamInfo<TDecoderCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace lumox
