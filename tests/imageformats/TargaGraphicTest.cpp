// The Targa writer's exact bytes and round trips of every pixel format; long maps and cut files.
// (Every type, depth and row order is read against stb_image with the other readers' files.)
#include <gtest/gtest.h>

#include "framework/Exceptions.h"
#include "imageformats/TargaGraphic.h"
#include "tests/imageformats/FormatFiles.h"

namespace lumox {
namespace {

using test::TBytes;

const auto Load = test::Load<TTargaGraphic>;
// Five-bit fields widen by shifting.
constexpr std::uint32_t FiveBits = 0xFFF8F8F8;

TEST(Targa, ALongMapIsReadPastCutRowsStayBlackOrRaiseAReadErrorAndTextIsRefused) {
  TBytes map(2 * 300, 0);
  map[0] = 0xFF, map[1] = 0x7F;
  const TTargaGraphic mapped = Load(test::TargaFile(1, 8, false, 2, 1, 16, map, {0, 1}));
  EXPECT_EQ(mapped.Palette().size(), 256u);
  EXPECT_EQ(test::Colours(mapped), test::TColours({0xFFF8F8F8, 0xFF000000}));
  const TBytes raw = test::TargaFile(2, 24, false, 2, 2, 0, {}, TBytes(12, 9));
  EXPECT_THROW(Load(TBytes(raw.begin(), raw.end() - 1)), EReadError);
  const TBytes packed = test::TargaFile(10, 24, true, 2, 2, 0, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  EXPECT_EQ(test::Colours(Load(TBytes(packed.begin(), packed.end() - 4))),
            test::TColours({0xFF030201, 0xFF060504, 0xFF090807, 0xFF000000}));
  // Text under a Targa name: its bytes would ask for an 8293 x 8224 picture of nothing.
  const std::string text = "Hello, this is no picture.";
  EXPECT_THROW(Load(TBytes(text.begin(), text.end())), EInvalidGraphic);
}

TEST(Targa, SavesRunLengthRowsTopFirstAndEveryPixelFormatLoadsBack) {
  TTargaGraphic bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(1, 1);
  bitmap.ScanLine(0)[0] = 7;
  TMemoryStream direct;
  std::vector<std::string> reports;
  bitmap.OnProgress = [&](TGraphic&, TProgressStage stage, std::uint8_t percent, bool, const TRect& rect,
                          const std::string& text) {
    reports.push_back(std::to_string(int(stage)) + " " + std::to_string(percent) + " " +
                      std::to_string(rect.Top) + "-" + std::to_string(rect.Bottom) + " " + text);
  };
  bitmap.SaveToStream(direct);
  EXPECT_EQ(direct.Bytes(), TBytes({0, 0, 10, 0, 0, 0, 1, 24, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20, 0, 7, 0, 0}));
  // Starting, running and ending stages of a one-row picture.
  EXPECT_EQ(reports, (std::vector<std::string>{"0 0 0-1 Preparing...", "2 0 0-1 ", "0 0 0-1 Transfering...",
                                               "1 0 0-1 ", "2 0 1-2 "}));
  bitmap.OnProgress = nullptr;
  using enum TPixelFormat;
  for (const TPixelFormat format : {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    bitmap.SetPixelFormat(format);
    bitmap.SetPalette({{10, 20, 30, 0}, {200, 100, 0, 0}});
    bitmap.SetSize(5, 3);
    for (int y = 0; y < 3; ++y) bitmap.ScanLine(y)[0] = std::uint8_t(0x5A + y);
    for (const bool compressed : {true, false}) {
      TMemoryStream stream;
      bitmap.SaveToStream(stream, compressed);
      const TBytes& bytes = stream.Bytes();
      EXPECT_TRUE(format != pf8bit || TBytes(&bytes[18], &bytes[24]) == TBytes({30, 20, 10, 0, 100, 200}));
      stream.SetPosition(0);
      EXPECT_TRUE(TTargaGraphic::CanLoad(stream));
      EXPECT_EQ(test::Colours(Load(bytes), FiveBits),
                test::Colours(bitmap, FiveBits));  // 5-6-5 keeps five bits
    }
  }
}

}  // namespace
}  // namespace lumox
