#include "imageformats/LZ77Decoder.h"
#include "tests/imageformats/DecoderTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace lumox {
namespace {

using test::TBytes;

// Some repetition, some noise: like pixel rows.
TBytes SampleData() {
  TBytes data = test::NoiseBytes(20000, 3);
  for (std::size_t i = 0; i < data.size(); i += 3) data[i] = static_cast<std::uint8_t>(i / 500);
  return data;
}

// Feeds `packed` in pieces of `piece` bytes into one output buffer.
TBytes DecodeInPieces(TLZ77Decoder& decoder, const TBytes& packed, std::size_t piece,
                      std::size_t outputSize) {
  TBytes output(outputSize);
  std::uint8_t* out = output.data();
  for (std::size_t at = 0; at < packed.size(); at += piece) {
    const std::uint8_t* in = packed.data() + at;
    const std::size_t size = std::min(piece, packed.size() - at);
    decoder.Decode(in, out, static_cast<std::int64_t>(size), output.data() + output.size() - out);
    EXPECT_EQ(in, packed.data() + at + size);
  }
  output.resize(out - output.data());
  return output;
}

TEST(LZ77Decoder, AStreamFedInPiecesGivesWhatItGivesWhole) {
  const TBytes data = SampleData();
  const TBytes packed = test::Deflated(data);
  for (const std::size_t piece : {packed.size(), packed.size() / 2 + 1, std::size_t{1}}) {
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    decoder.DecodeInit();
    EXPECT_EQ(DecodeInPieces(decoder, packed, piece, data.size() + 10), data) << "piece " << piece;
    EXPECT_EQ(decoder.GetLastResult(), Z_STREAM_END);
    EXPECT_EQ(decoder.OutputRemaining(), 10);
    decoder.DecodeEnd();
  }
}

TEST(LZ77Decoder, TheCountsTellWhenTheOutputIsFull) {
  const TBytes data = SampleData();
  const TBytes packed = test::Deflated(data);
  TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
  decoder.DecodeInit();
  TBytes output(data.size());
  const std::uint8_t* in = packed.data();
  std::uint8_t* out = output.data();
  decoder.Decode(in, out, static_cast<std::int64_t>(packed.size()), 1000);
  EXPECT_EQ(out, output.data() + 1000);
  EXPECT_EQ(decoder.OutputRemaining(), 0);
  EXPECT_EQ(decoder.InputRemaining(), packed.data() + packed.size() - in);
  EXPECT_GT(decoder.InputRemaining(), 0);
  decoder.Decode(in, out, decoder.InputRemaining(), static_cast<std::int64_t>(data.size()) - 1000);
  EXPECT_EQ(output, data);
  EXPECT_EQ(decoder.InputRemaining(), 0);
}

TEST(LZ77Decoder, AfterTheEndOfTheStreamDecodeDoesNothingUnlessResetEachCall) {
  const TBytes first(3000, 'a'), second = SampleData();
  TBytes both = test::Deflated(first);
  const TBytes packedSecond = test::Deflated(second);
  const std::size_t firstSize = both.size();
  both.insert(both.end(), packedSecond.begin(), packedSecond.end());

  TLZ77Decoder once(Z_PARTIAL_FLUSH, false);
  once.DecodeInit();
  TBytes output(first.size() + second.size());
  const std::uint8_t* in = both.data();
  std::uint8_t* out = output.data();
  once.Decode(in, out, static_cast<std::int64_t>(both.size()), static_cast<std::int64_t>(output.size()));
  EXPECT_EQ(in, both.data() + firstSize);
  const std::uint8_t* const inAfter = in;
  std::uint8_t* const outAfter = out;
  once.Decode(in, out, static_cast<std::int64_t>(packedSecond.size()),
              static_cast<std::int64_t>(second.size()));
  EXPECT_EQ(in, inAfter);
  EXPECT_EQ(out, outAfter);

  // Strips: each call starts a new stream.
  TLZ77Decoder strips(Z_PARTIAL_FLUSH, true);
  strips.DecodeInit();
  in = both.data();
  out = output.data();
  strips.Decode(in, out, static_cast<std::int64_t>(firstSize), static_cast<std::int64_t>(first.size()));
  strips.Decode(in, out, static_cast<std::int64_t>(packedSecond.size()),
                static_cast<std::int64_t>(second.size()));
  EXPECT_EQ(TBytes(output.begin(), output.begin() + first.size()), first);
  EXPECT_EQ(TBytes(output.begin() + first.size(), output.end()), second);
  strips.DecodeEnd();
}

TEST(LZ77Decoder, CorruptDataStopTheStreamWithoutRaising) {
  TBytes packed = test::Deflated(SampleData());
  packed[0] = 0x79;  // not a zlib header
  TLZ77Decoder decoder(Z_FINISH, false);
  decoder.DecodeInit();
  TBytes output(100);
  const std::uint8_t* in = packed.data();
  std::uint8_t* out = output.data();
  decoder.Decode(in, out, static_cast<std::int64_t>(packed.size()), 100);
  EXPECT_LT(decoder.GetLastResult(), 0);
  const std::uint8_t* const inAfter = in;
  decoder.Decode(in, out, 10, 100);
  EXPECT_EQ(in, inAfter);
  EXPECT_EQ(out, output.data());
  decoder.DecodeEnd();
}

TEST(LZ77Decoder, EndingAStreamThatNeverStartedRaises) {
  TLZ77Decoder decoder(Z_FINISH, false);
  try {
    decoder.DecodeEnd();
    FAIL() << "no exception";
  } catch (const EGraphicCompression& e) {
    EXPECT_STREQ(e.what(), "LZ77 decompression error.");
  }
  // Starting twice, or not ending at all, leaks nothing (the leak checker watches).
  TLZ77Decoder twice(Z_FINISH, false);
  twice.DecodeInit();
  twice.DecodeInit();
}

}  // namespace
}  // namespace lumox
