#include <gtest/gtest.h>
#include <zlib.h>

#include "imageformats/LZ77Decoder.h"
#include "tests/imageformats/DecoderTestSupport.h"

namespace lumox {
namespace {

using test::TBytes;

// Some repetition, some noise: like pixel rows.
TBytes SampleData() {
  TBytes data = test::NoiseBytes(20000, 3);
  for (std::size_t i = 0; i < data.size(); i += 3) data[i] = static_cast<std::uint8_t>(i / 500);
  return data;
}

// Feeds `packed` in calls of `piece` bytes with `room` output bytes each.
TBytes Feed(TLZ77Decoder& decoder, const TBytes& packed, std::size_t piece, std::size_t room,
            std::size_t size) {
  TBytes output(size);
  const std::uint8_t* in = packed.data();
  std::uint8_t* out = output.data();
  while (in < packed.data() + packed.size() && out < output.data() + output.size()) {
    const std::uint8_t* before = in;
    decoder.Decode(in, out, std::min<std::int64_t>(piece, packed.data() + packed.size() - in),
                   std::min<std::int64_t>(room, output.data() + output.size() - out));
    if (in == before && decoder.OutputRemaining() > 0) break;  // the stream has ended
  }
  output.resize(std::size_t(out - output.data()));
  return output;
}

TEST(LZ77Decoder, AStreamFedInPiecesOrIntoSmallRoomGivesWhatItGivesWhole) {
  const TBytes data = SampleData(), packed = test::Deflated(data);
  for (const auto& [piece, room] : {std::pair{packed.size(), data.size() + 10},
                                    {packed.size() / 2 + 1, data.size()},
                                    {std::size_t{1}, data.size()},
                                    {packed.size(), std::size_t{1000}}}) {
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
    decoder.DecodeInit();
    EXPECT_EQ(Feed(decoder, packed, piece, room, data.size() + 10), data) << piece << " " << room;
    EXPECT_EQ(decoder.GetLastResult(), Z_STREAM_END);
    EXPECT_EQ(decoder.InputRemaining(), 0);
    decoder.DecodeEnd();
  }
}

TEST(LZ77Decoder, AfterTheEndOrCorruptDataDecodeDoesNothingUnlessEachCallStartsAStream) {
  const TBytes first(3000, 'a'), second = SampleData();
  TBytes both = test::Deflated(first);
  const TBytes packedSecond = test::Deflated(second);
  const std::size_t firstSize = both.size();
  both.insert(both.end(), packedSecond.begin(), packedSecond.end());
  TLZ77Decoder once(Z_PARTIAL_FLUSH, false), strips(Z_PARTIAL_FLUSH, true);
  once.DecodeInit();
  strips.DecodeInit();
  EXPECT_EQ(Feed(once, both, both.size(), both.size(), first.size() + second.size()), first);
  TBytes output(first.size() + second.size());
  const std::uint8_t* in = both.data();
  std::uint8_t* out = output.data();
  strips.Decode(in, out, std::int64_t(firstSize), std::int64_t(first.size()));
  strips.Decode(in, out, std::int64_t(packedSecond.size()), std::int64_t(second.size()));
  TBytes whole = first;
  whole.insert(whole.end(), second.begin(), second.end());
  EXPECT_EQ(output, whole);

  TBytes corrupt = packedSecond;
  corrupt[0] = 0x79;  // not a zlib header
  TLZ77Decoder broken(Z_FINISH, false);
  broken.DecodeInit();
  EXPECT_TRUE(Feed(broken, corrupt, corrupt.size(), 100, 100).empty());
  EXPECT_LT(broken.GetLastResult(), 0);
  broken.DecodeEnd();
}

TEST(LZ77Decoder, EndingAStreamThatNeverStartedRaisesAndAStreamStartedTwiceLeaksNothing) {
  TLZ77Decoder decoder(Z_FINISH, false);
  try {
    decoder.DecodeEnd();
    FAIL() << "no exception";
  } catch (const EGraphicCompression& e) {
    EXPECT_STREQ(e.what(), "LZ77 decompression error.");
  }
  decoder.DecodeInit();
  decoder.DecodeInit();  // the leak checker watches
}

}  // namespace
}  // namespace lumox
