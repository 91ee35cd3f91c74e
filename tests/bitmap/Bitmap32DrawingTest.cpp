#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>

#include "bitmap/Bitmap32.h"
#include "platform/Exception.h"
#include "tests/bitmap/WatchedBitmap.h"

namespace lumox {
namespace {

using test::TWatched;

TEST(Bitmap32Drawing, ASizeChangeGivesTheCanvasAndTheFontTheNewContext) {
  TWatched b;
  EXPECT_EQ(b.DC(), nullptr);
  b.SetSize(2, 2);
  TCanvas& canvas = b.Canvas();
  EXPECT_EQ(&b.Canvas(), &canvas);
  b.Font().SetName("Serif");
  b.UpdateFont();
  EXPECT_EQ(b.DC()->Font().Family, "Serif");
  b.Font().SetSize(14);
  EXPECT_EQ(b.DC()->Font(), SystemFont()) << "a changed font is taken out";
  b.UpdateFont();
  EXPECT_EQ(b.DC()->Font().PointSize, 14);

  b.Events.clear();
  b.SetSize(3, 1);
  EXPECT_EQ(b.Events, "handle change resize ");
  const TBlockInfo& info = b.BitmapInfo();
  EXPECT_TRUE(info.HeaderSize == 40 && info.Planes == 1 && info.BitCount == 32 &&
              info.Compression == TBlockCompression::None && info.ImageSize == 0);
  EXPECT_TRUE(info.Width == 3 && info.Height == -1) << "top row first";
  EXPECT_EQ(canvas.Handle(), b.DC());
  EXPECT_EQ(b.DC()->SelectedBlock().Bits, b.Bits());
  EXPECT_EQ(b.DC()->Font(), SystemFont()) << "the new context starts with the system font";
  canvas.FillRect({0, 0, 3, 1});
  EXPECT_EQ(*b.PixelPtr(2, 0), 0xFFFFFFFFu);

  b.SetSize(0, 0);
  EXPECT_EQ(canvas.Handle(), nullptr);
  EXPECT_THROW(canvas.FillRect({0, 0, 1, 1}), ELumox);
  b.DeleteCanvas();
  EXPECT_EQ(b.Canvas().Handle(), nullptr) << "a new canvas on no context";
}

// Makes memory contexts that cannot be made, or cannot take a block, as told.
struct TFailingLayer : TDeviceContextLayer {
  enum TFailure { None, Create, Select } Failure = None;
  struct TRefusingDC : TMemoryDC {
    bool SelectBlock(const TPixelBlock&) override { return false; }
  };
  std::unique_ptr<TMemoryDC> CreateMemoryDC() override {
    if (Failure == Create) return nullptr;
    if (Failure == Select) return std::make_unique<TRefusingDC>();
    return TDeviceContextLayer::CreateMemoryDC();
  }
};

TEST(Bitmap32Drawing, AContextThatCannotBeMadeLeavesTheBitmapEmpty) {
  const std::pair<TFailingLayer::TFailure, const char*> cases[] = {
      {TFailingLayer::Create, "Can't create compatible DC"},
      {TFailingLayer::Select, "Can't select an object into DC"},
  };
  for (const auto& [failure, text] : cases) {
    TFailingLayer layer;
    const TDeviceContextLayerScope scope(layer);
    TBitmap32 b;
    b.SetSize(4, 4);
    TCanvas& canvas = b.Canvas();
    layer.Failure = failure;
    try {
      b.SetSize(8, 8);
      ADD_FAILURE() << text;
    } catch (const ELumox& e) {
      EXPECT_STREQ(e.what(), text);
    }
    EXPECT_TRUE(b.Empty() && b.Width() == 0 && b.Bits() == nullptr && b.DC() == nullptr) << text;
    EXPECT_EQ(canvas.Handle(), nullptr);
  }
}

TEST(Bitmap32Drawing, CopiesOntoAContextKeepEveryByteAtTheirPlace) {
  TBitmap32 b;
  b.SetSize(3, 2);
  for (int i = 0; i < 6; ++i) b.Bits()[i] = 0x01020304u * std::uint32_t(i + 1) ^ std::uint32_t(i) << 29;
  std::vector<std::uint32_t> window(7 * 5, 0xDEADBEEF);
  TMemoryDC dc;
  ASSERT_TRUE(dc.SelectBlock({window.data(), 7, 5, 7}));
  b.DrawToDC(dc, 2, 3);
  b.DrawToDC(dc, 6, -1);  // mostly outside
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      std::uint32_t expected = 0xDEADBEEF;
      if (x >= 2 && x < 5 && y >= 3) expected = *b.PixelPtr(x - 2, y - 3);
      if (x == 6 && y == 0) expected = *b.PixelPtr(0, 1);
      EXPECT_EQ(window[std::size_t(y * 7 + x)], expected) << x << "," << y;
    }
  }

  TBitmap framework;
  b.AssignTo(framework);
  ASSERT_EQ(framework.PixelFormat(), TPixelFormat::pf32bit);
  for (int y = 0; y < 2; ++y) EXPECT_EQ(std::memcmp(framework.ScanLine(y), b.ScanLine(y), 12), 0);
}

// A filer that writes what a bitmap defines when it says there is data.
struct TRecordingFiler : TFiler {
  using TFiler::TFiler;
  std::map<std::string, TMemoryStream> Written;
  void DefineBinaryProperty(std::string_view name, const TStreamProc&, const TStreamProc& write,
                            bool hasData) override {
    if (hasData) write(Written[std::string(name)]);
  }
};

TEST(Bitmap32Drawing, DataIsKeptOnlyWhereTheAncestorDiffers) {
  TBitmap32 b, same, otherPixel, otherAlpha, otherSize, empty, alsoEmpty;
  b.SetSize(2, 2);
  b.Clear(0x80102030);
  for (TBitmap32* a : {&same, &otherPixel, &otherAlpha, &otherSize}) a->Assign(&b);
  *otherPixel.PixelPtr(1, 1) = 0x80102031;
  *otherAlpha.PixelPtr(0, 0) = 0x81102030;
  otherSize.SetSize(2, 1);
  struct TOther : TPersistent {
  } other;
  const std::tuple<const char*, TBitmap32*, const TPersistent*, bool> cases[] = {
      {"equal", &b, &same, false},
      {"another pixel", &b, &otherPixel, true},
      {"another alpha", &b, &otherAlpha, true},
      {"another size", &b, &otherSize, true},
      {"empty ancestor", &b, &empty, true},
      {"ancestor of another class", &b, &other, true},
      {"no ancestor", &b, nullptr, true},
      {"empty, no ancestor", &empty, nullptr, false},
      {"both empty", &empty, &alsoEmpty, false},
  };
  for (const auto& [name, bitmap, ancestor, written] : cases) {
    TRecordingFiler filer(ancestor);
    bitmap->DefineProperties(filer);
    EXPECT_EQ(filer.Written.count("Data"), written ? 1u : 0u) << name;
  }
}

}  // namespace
}  // namespace lumox
