#include "bitmap/Bitmap32.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>

#include "bitmap/Transforms.h"
#include "framework/Exceptions.h"

namespace lumox {

// The stream data form and every pixel routine take a pixel's bytes as blue, green, red, alpha.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr std::size_t BlockAlignment = 64;

void WriteInt32(TStream& stream, std::int32_t value) { stream.WriteBuffer(&value, sizeof value); }

std::int32_t ReadInt32(TStream& stream) {
  std::int32_t value = 0;
  stream.ReadBuffer(&value, sizeof value);
  return value;
}

}  // namespace

// A canvas a caller holds stays valid across the change: it loses the old context here and
// HandleChanged gives it the new one.
void TBitmap32::ChangeSize(int& width, int& height, int newWidth, int newHeight) {
  FontChanged();
  if (FCanvas) FCanvas->SetHandle(nullptr);
  Context.reset();
  Pixels.reset();
  width = height = 0;
  if (newWidth < 1 || newHeight < 1) return;
  TBitmap::CheckSize(newWidth, newHeight);
  Info.Width = newWidth;
  Info.Height = -newHeight;
  const std::size_t bytes = std::size_t(newWidth) * std::size_t(newHeight) * sizeof(TColor32);
  const std::size_t rounded = (bytes + BlockAlignment - 1) / BlockAlignment * BlockAlignment;
  auto* block = static_cast<TColor32*>(std::aligned_alloc(BlockAlignment, rounded));
  if (block == nullptr) throw ELumox("Can't allocate the DIB handle");
  std::memset(block, 0, rounded);
  Pixels.reset(block);
  try {
    Context = ContextOver({block, newWidth, newHeight, std::size_t(newWidth)});
  } catch (...) {
    Pixels.reset();
    throw;
  }
  width = newWidth;
  height = newHeight;
  HandleChanged();
}

void TBitmap32::SetDrawMode(TDrawMode value) {
  if (value == Mode) return;
  Mode = value;
  Changed();
}

void TBitmap32::SetMasterAlpha(std::uint32_t value) {
  value = std::min<std::uint32_t>(value, 255);
  if (value == Master) return;
  Master = value;
  Changed();
}

void TBitmap32::SetStretchFilter(TStretchFilter value) {
  if (value == Filter) return;
  Filter = value;
  Changed();
}

void TBitmap32::Clear(TColor32 color) {
  if (Empty()) return;
  FillLongword(Bits(), std::size_t(MapWidth) * std::size_t(MapHeight), color);
  Changed();
}

void TBitmap32::ResetAlpha() {
  std::span<TColor32> pixels(Bits(), Empty() ? 0 : std::size_t(MapWidth) * std::size_t(MapHeight));
  for (TColor32& p : pixels) p |= AlphaMask32;
  Changed();
}

void TBitmap32::FillRectClipped(int X1, int Y1, int X2, int Y2, TColor32 Value) {
  if (X1 >= X2 || Y1 >= Y2 || X1 >= MapWidth || Y1 >= MapHeight || X2 < 1 || Y2 < 1) return;
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, MapWidth);
  Y2 = std::min(Y2, MapHeight);
  for (int y = Y1; y < Y2; ++y) FillLongword(PixelPtr(X1, y), std::size_t(X2 - X1), Value);
  Changed();
}

void TBitmap32::DrawTo(TBitmap32& Dst, const TRect& DstRect) const {
  if (Empty() || Dst.Empty()) return;
  TLockGuard guard(Dst);
  StretchTransfer(&Dst, DstRect, Dst.BoundsRect(), this, BoundsRect(), Mode, Filter, OnPixelCombine);
}

void TBitmap32::LoadFromFile(const std::string& FileName) {
  TPicture picture;
  picture.LoadFromFile(FileName);
  Assign(picture);
}

void TBitmap32::Assign(const TBitmap32* Source) {
  Update([&] {
    if (Source == nullptr) {
      SetSize(0, 0);
      return;
    }
    if (Source == this) return;
    SetSize(Source->Width(), Source->Height());
    if (!Empty()) MoveLongword(Source->Bits(), Bits(), std::size_t(MapWidth) * std::size_t(MapHeight));
    Mode = Source->Mode;
    Master = Source->Master;
    Outer = Source->Outer;
    Filter = Source->Filter;
  });
}

void TBitmap32::Assign(const TGraphic& Source) {
  Update([&] { TakeGraphic(Source); });
}

void TBitmap32::Assign(const TPicture& Source) {
  Update([&] {
    if (Source.Graphic() == nullptr) {
      SetSize(0, 0);
    } else {
      TakeGraphic(*Source.Graphic());
    }
  });
}

void TBitmap32::TakeBitmap(const TBitmap& source) {
  SetSize(source.Width(), source.Height());
  if (Empty()) return;
  for (int y = 0; y < MapHeight; ++y) source.ScanLineToBGRA(y, {ScanLine(y), std::size_t(MapWidth)});
  // Rows of the other formats come out opaque already.
  if (source.PixelFormat() == TPixelFormat::pfDevice) ResetAlpha();
  if (!source.Transparent()) return;
  const TColor32 transparent = ColorToColor32(source.TransparentColor()) & ~AlphaMask32;
  std::span<TColor32> pixels(Bits(), std::size_t(MapWidth) * std::size_t(MapHeight));
  for (TColor32& p : pixels) {
    if ((p & ~AlphaMask32) == transparent) p &= ~AlphaMask32;
  }
}

// A graphic that is no framework bitmap draws itself into a framework bitmap first, unless it
// keeps its pixels in one already.
void TBitmap32::TakeGraphic(const TGraphic& source) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
    TakeBitmap(*bitmap);
    return;
  }
  SetSize(source.Width(), source.Height());
  if (Empty()) return;
  TBitmap drawn;
  const TBitmap* pixels = source.DecodedBitmap();
  if (pixels == nullptr) {
    drawn.Assign(source);
    pixels = &drawn;
  }
  const int width = std::min(MapWidth, pixels->Width());
  for (int y = 0; y < std::min(MapHeight, pixels->Height()); ++y) {
    pixels->ScanLineToBGRA(y, {ScanLine(y), std::size_t(width)});
  }
  if (pixels->PixelFormat() == TPixelFormat::pf32bit || pixels->PixelFormat() == TPixelFormat::pfDevice)
    ResetAlpha();
}

void TBitmap32::AssignTo(TPicture& Dest) const { AssignTo(Dest.Bitmap()); }

void TBitmap32::ReadData(TStream& Stream) {
  try {
    const std::int32_t width = ReadInt32(Stream);
    const std::int32_t height = ReadInt32(Stream);
    if (width < 0 || height < 0) {
      throw EInvalidGraphic("Bitmap data with a negative size (" + std::to_string(width) + " x " +
                            std::to_string(height) + ")");
    }
    TBitmap::CheckSize(width, height);
    const std::int64_t bytes = std::int64_t(width) * height * std::int64_t(sizeof(TColor32));
    if (Stream.BytesLeft() < bytes) throw EReadError("Bitmap data ends before its last pixel");
    SetSize(width, height);
    if (!Empty()) Stream.ReadBuffer(Bits(), bytes);
    Changed();
  } catch (...) {
    SetSize(0, 0);
    throw;
  }
}

void TBitmap32::WriteData(TStream& Stream) const {
  WriteInt32(Stream, MapWidth);
  WriteInt32(Stream, MapHeight);
  if (!Empty())
    Stream.WriteBuffer(Bits(), std::int64_t(MapWidth) * MapHeight * std::int64_t(sizeof(TColor32)));
}

void TBitmap32::DefineProperties(TFiler& Filer) {
  Filer.DefineBinaryProperty(
      "Data", [this](TStream& stream) { ReadData(stream); }, [this](TStream& stream) { WriteData(stream); },
      DiffersFrom(Filer.Ancestor()));
}

// Bitmaps are compared as the framework bitmaps they save as.
bool TBitmap32::DiffersFrom(const TPersistent* Ancestor) const {
  if (Ancestor == nullptr) return !Empty();
  const auto* other = dynamic_cast<const TBitmap32*>(Ancestor);
  if (other == nullptr) return true;
  if (Empty() || other->Empty()) return Empty() != other->Empty();
  const auto saved = [](const TBitmap32& bitmap) {
    TBitmap framework;
    bitmap.AssignTo(framework);
    TMemoryStream stream;
    framework.SaveToStream(stream);
    return stream.Bytes();
  };
  return saved(*this) != saved(*other);
}

}  // namespace lumox
