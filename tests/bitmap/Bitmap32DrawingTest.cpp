#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "bitmap/Bitmap32.h"
#include "platform/Exception.h"

namespace lumox {
namespace {

struct TWatched : TBitmap32 {
  std::string Events;
  TWatched() {
    OnChange = [this](TThreadPersistent&) { Events += "change "; };
    OnResize = [this](TThreadPersistent&) { Events += "resize "; };
    OnHandleChanged = [this](TThreadPersistent&) { Events += "handle "; };
  }
};

TEST(Bitmap32Drawing, TheCanvasDrawsIntoThePixelsAndAnnouncesEachDrawing) {
  TWatched b;
  EXPECT_EQ(b.DC(), nullptr);
  b.SetSize(5, 4);
  b.Clear(0x11223344);
  const TBlockInfo& info = b.BitmapInfo();
  EXPECT_TRUE(info.HeaderSize == 40 && info.Planes == 1 && info.BitCount == 32 &&
              info.Compression == TBlockCompression::None && info.ImageSize == 0);
  EXPECT_TRUE(info.Width == 5 && info.Height == -4) << "top row first";
  EXPECT_EQ(b.Handle().Bits, b.Bits());

  TCanvas& canvas = b.Canvas();
  EXPECT_EQ(&b.Canvas(), &canvas);
  EXPECT_EQ(canvas.Handle(), b.DC());
  b.Events.clear();
  canvas.Brush.Color = RGB(0, 128, 255);
  canvas.FillRect({1, 2, 3, 9});
  canvas.Brush = NullBrush;
  canvas.FillRect({0, 0, 5, 4});
  EXPECT_EQ(b.Events, "change change ");
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(*b.PixelPtr(x, y), x >= 1 && x < 3 && y >= 2 ? 0xFF0080FF : 0x11223344) << x << "," << y;
}

TEST(Bitmap32Drawing, ASizeChangeGivesTheCanvasAndTheFontTheNewContext) {
  TWatched b;
  b.SetSize(2, 2);
  TCanvas& canvas = b.Canvas();
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
    TWatched b;
    b.SetSize(4, 4);
    TCanvas& canvas = b.Canvas();
    layer.Failure = failure;
    b.Events.clear();
    try {
      b.SetSize(8, 8);
      ADD_FAILURE() << text;
    } catch (const ELumox& e) {
      EXPECT_STREQ(e.what(), text);
    }
    EXPECT_TRUE(b.Empty() && b.Width() == 0 && b.Bits() == nullptr && b.DC() == nullptr) << text;
    EXPECT_EQ(canvas.Handle(), nullptr);
    TBitmap framework;
    layer.Failure = TFailingLayer::None;
    b.SetSize(1, 1);
    layer.Failure = failure;
    EXPECT_THROW(b.AssignTo(framework), ELumox) << "copies onto a framework bitmap go through a context too";
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

// The clipboard of a test: it keeps what it is given as the system one does.
struct TMemoryClipboard : TClipboard {
  TClipboardPicture Held;
  void SetBlock(const TBlockInfo& info, const void* bits) override {
    Held = {info.Width, -info.Height, {}};
    for (int y = 0; y < Held.Height; ++y)
      for (int x = 0; x < Held.Width; ++x) Held.Pixels.push_back(BlockRow(info, bits, y)[x] | 0xFF000000);
  }
  TClipboardPicture Picture() const override { return Held; }
};

TEST(Bitmap32Drawing, TheClipboardTakesAndGivesOpaquePicturesWithOneNotification) {
  TBitmap32 b;
  b.SetSize(2, 3);
  for (int i = 0; i < 6; ++i) b.Bits()[i] = std::uint32_t(i) << 30 | std::uint32_t(i * 0x10203);
  TMemoryClipboard clipboard;
  b.AssignTo(clipboard);
  TWatched pasted;
  pasted.Assign(clipboard);
  EXPECT_EQ(pasted.Events, "handle resize change ");
  ASSERT_TRUE(pasted.Width() == 2 && pasted.Height() == 3);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(pasted.Bits()[i], b.Bits()[i] | 0xFF000000) << i;
  clipboard.Held = {1, 40000, {}};
  EXPECT_THROW(pasted.Assign(clipboard), ELumox) << "a clipboard picture is refused like a picture file";
  EXPECT_TRUE(pasted.Empty());
}

// A filer that writes what a bitmap defines when it says there is data.
struct TRecordingFiler : TFiler {
  using TFiler::TFiler;
  std::map<std::string, TMemoryStream> Written;
  TStreamProc Read;
  void DefineBinaryProperty(std::string_view name, const TStreamProc& read, const TStreamProc& write,
                            bool hasData) override {
    Read = read;
    if (hasData) write(Written[std::string(name)]);
  }
};

struct TAncestorCase {
  const char* Name;
  std::function<void(TBitmap32& b)> Make;  // the ancestor from a copy of the written bitmap
  bool Written;
};

TEST(Bitmap32Drawing, DataIsKeptOnlyWhereTheAncestorDiffers) {
  TBitmap32 b;
  b.SetSize(2, 2);
  b.Clear(0x80102030);
  const TAncestorCase cases[] = {
      {"equal", [](TBitmap32&) {}, false},
      {"another pixel", [](TBitmap32& a) { *a.PixelPtr(1, 1) = 0x80102031; }, true},
      {"another alpha", [](TBitmap32& a) { *a.PixelPtr(0, 0) = 0x81102030; }, true},
      {"another size", [](TBitmap32& a) { a.SetSize(2, 1); }, true},
      {"empty", [](TBitmap32& a) { a.SetSize(0, 0); }, true},
  };
  for (const TAncestorCase& c : cases) {
    TBitmap32 ancestor;
    ancestor.Assign(&b);
    c.Make(ancestor);
    TRecordingFiler filer(&ancestor);
    b.DefineProperties(filer);
    EXPECT_EQ(filer.Written.count("Data"), c.Written ? 1u : 0u) << c.Name;
  }

  struct TOther : TPersistent {
  } other;
  TRecordingFiler againstOther(&other), alone, emptyAlone, reader;
  b.DefineProperties(againstOther);
  EXPECT_EQ(againstOther.Written.count("Data"), 1u) << "an ancestor of another class";
  TBitmap32 empty;
  empty.DefineProperties(emptyAlone);
  EXPECT_TRUE(emptyAlone.Written.empty()) << "an empty bitmap without ancestor keeps nothing";
  TBitmap32 emptyAncestor;
  TRecordingFiler bothEmpty(&emptyAncestor);
  empty.DefineProperties(bothEmpty);
  EXPECT_TRUE(bothEmpty.Written.empty());

  b.DefineProperties(alone);
  TBitmap32 read;
  read.DefineProperties(reader);
  TMemoryStream& data = alone.Written.at("Data");
  data.SetPosition(0);
  reader.Read(data);
  EXPECT_EQ(std::memcmp(read.Bits(), b.Bits(), 16), 0) << "what is written reads back";
}

}  // namespace
}  // namespace lumox
