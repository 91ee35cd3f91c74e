#include "platform/DeviceContext.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace lumox {
namespace {

// The clip area before anyone narrows it: larger than any surface, small enough that moving it
// by any origin stays within 32 bits.
constexpr std::int32_t Unlimited = 1 << 29;

// Appends what is left of `a` without `cut`: at most four rectangles that do not overlap.
void AppendDifference(const TRect& a, const TRect& cut, std::vector<TRect>& out) {
  TRect common;
  if (!IntersectRect(common, a, cut)) {
    out.push_back(a);
    return;
  }
  const TRect pieces[] = {{a.Left, a.Top, a.Right, common.Top},
                          {a.Left, common.Bottom, a.Right, a.Bottom},
                          {a.Left, common.Top, common.Left, common.Bottom},
                          {common.Right, common.Top, a.Right, common.Bottom}};
  for (const TRect& piece : pieces) {
    if (!IsRectEmpty(piece)) out.push_back(piece);
  }
}

// Pixel values of a colour where fills and text draw.
std::uint32_t OpaquePixel(TColor colour) {
  return 0xFF000000u | (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

TDeviceContextLayer PlainLayer;
TDeviceContextLayer* InstalledLayer = &PlainLayer;

}  // namespace

bool ReadableBlock(const TBlockInfo& info, const void* bits, const TRect& source) {
  const std::int64_t rows = std::abs(std::int64_t(info.Height));
  return bits != nullptr && info.Planes == 1 && info.BitCount == 32 &&
         info.Compression == TBlockCompression::None && info.Width > 0 && rows > 0 && !IsRectEmpty(source) &&
         source.Left >= 0 && source.Top >= 0 && source.Right <= info.Width && source.Bottom <= rows;
}

const std::uint32_t* BlockRow(const TBlockInfo& info, const void* bits, std::int32_t y) {
  const std::int64_t stored = info.Height < 0 ? y : std::int64_t(info.Height) - 1 - y;
  return static_cast<const std::uint32_t*>(bits) + stored * info.Width;
}

// The drawing state.

TDC::TState TDC::InitialState() {
  TState state;
  state.Clip.push_back({-Unlimited, -Unlimited, Unlimited, Unlimited});
  return state;
}

TFontSpec TDC::SelectFont(const TFontSpec& font) { return std::exchange(State.Font, font); }

TColor TDC::SetTextColor(TColor color) { return std::exchange(State.TextColor, color); }

TColor TDC::SetBackgroundColor(TColor color) { return std::exchange(State.BackgroundColor, color); }

TBackgroundMode TDC::SetBackgroundMode(TBackgroundMode mode) {
  return std::exchange(State.BackgroundMode, mode);
}

TPoint TDC::SetWindowOrigin(TPoint origin) { return std::exchange(State.Origin, origin); }

TRect TDC::ToDevice(const TRect& rect) const {
  const std::int64_t x = State.Origin.X, y = State.Origin.Y;
  return {ClampToInt32(rect.Left - x), ClampToInt32(rect.Top - y), ClampToInt32(rect.Right - x),
          ClampToInt32(rect.Bottom - y)};
}

void TDC::IntersectClipRect(const TRect& rect) {
  const TRect cut = ToDevice(rect);
  std::vector<TRect> clip;
  for (const TRect& r : State.Clip) {
    TRect common;
    if (IntersectRect(common, r, cut)) clip.push_back(common);
  }
  State.Clip = std::move(clip);
}

void TDC::ExcludeClipRect(const TRect& rect) {
  const TRect cut = ToDevice(rect);
  std::vector<TRect> clip;
  for (const TRect& r : State.Clip) AppendDifference(r, cut, clip);
  State.Clip = std::move(clip);
}

std::vector<TRect> TDC::DrawableParts(const TRect& rect) const {
  std::vector<TRect> parts;
  TRect limit, part;
  if (!IntersectRect(limit, rect, Bounds())) return parts;
  for (const TRect& r : State.Clip) {
    if (IntersectRect(part, r, limit)) parts.push_back(part);
  }
  return parts;
}

TRect TDC::ClipBox() const {
  const std::vector<TRect> parts = DrawableParts(Bounds());
  if (parts.empty()) return {};
  TRect box = parts.front();
  for (const TRect& r : parts) {
    box = {std::min(box.Left, r.Left), std::min(box.Top, r.Top), std::max(box.Right, r.Right),
           std::max(box.Bottom, r.Bottom)};
  }
  const std::int64_t x = State.Origin.X, y = State.Origin.Y;
  return {ClampToInt32(box.Left + x), ClampToInt32(box.Top + y), ClampToInt32(box.Right + x),
          ClampToInt32(box.Bottom + y)};
}

int TDC::Save() {
  Saved.push_back(State);
  return int(Saved.size());
}

bool TDC::Restore(int saved) {
  const std::int64_t number = saved < 0 ? std::int64_t(Saved.size()) + saved + 1 : saved;
  if (number < 1 || number > std::int64_t(Saved.size())) return false;
  State = std::move(Saved[std::size_t(number - 1)]);
  Saved.resize(std::size_t(number - 1));
  return true;
}

void TDC::FillRect(const TRect& rect, const TBrush& brush) {
  if (!brush.Null) FillDeviceRect(ToDevice(rect), brush.Color);
}

// Block copies.

void TDC::StretchRows(const TRect& dest, const TBlockInfo& info, const void* bits, const TRect& source,
                      const TRect& part, std::uint32_t* out, std::size_t outStride, std::uint32_t set) {
  const std::int64_t srcWidth = source.Right - source.Left, srcHeight = source.Bottom - source.Top;
  const std::int64_t dstWidth = std::int64_t(dest.Right) - dest.Left;
  const std::int64_t dstHeight = std::int64_t(dest.Bottom) - dest.Top;
  // The source pixel under the centre of destination pixel d of a span.
  const auto nearest = [](std::int64_t d, std::int64_t from, std::int64_t to) {
    return (2 * d + 1) * from / (2 * to);
  };
  const std::size_t count = std::size_t(part.Right - part.Left);
  // Source columns of the part's pixels, the same on every row.
  std::vector<std::int64_t> columns;
  if (srcWidth != dstWidth) {
    columns.resize(count);
    for (std::size_t i = 0; i < count; ++i)
      columns[i] = source.Left + nearest(part.Left + std::int64_t(i) - dest.Left, srcWidth, dstWidth);
  }
  for (std::int32_t y = part.Top; y < part.Bottom; ++y, out += outStride) {
    const std::uint32_t* row =
        BlockRow(info, bits, std::int32_t(source.Top + nearest(y - dest.Top, srcHeight, dstHeight)));
    if (!columns.empty()) {
      for (std::size_t i = 0; i < count; ++i) out[i] = row[columns[i]] | set;
    } else if (set == 0) {
      std::memmove(out, row + source.Left + (part.Left - dest.Left), count * sizeof *out);
    } else {
      const std::uint32_t* from = row + source.Left + (part.Left - dest.Left);
      for (std::size_t i = 0; i < count; ++i) out[i] = from[i] | set;
    }
  }
}

// The memory context.

bool TMemoryDC::SelectBlock(const TPixelBlock& block) {
  if (block.Bits == nullptr || block.Width < 1 || block.Height < 1 || block.Stride < std::size_t(block.Width))
    return false;
  Block = block;
  return true;
}

void TMemoryDC::FillDeviceRect(const TRect& rect, TColor colour) {
  const std::uint32_t pixel = OpaquePixel(colour);
  for (const TRect& part : DrawableParts(rect)) {
    for (std::int32_t y = part.Top; y < part.Bottom; ++y) {
      std::uint32_t* row = Block.Bits + std::size_t(y) * Block.Stride;
      std::fill(row + part.Left, row + part.Right, pixel);
    }
  }
}

int TMemoryDC::DrawText(std::string_view, TRect& rect, std::uint32_t format) {
  if (format & tfMeasure) rect = {rect.Left, rect.Top, rect.Left, rect.Top};
  return 0;
}

bool TMemoryDC::StretchBlock(const TRect& dest, const TBlockInfo& info, const void* bits,
                             const TRect& source) {
  const TRect device = ToDevice(dest);
  if (!ReadableBlock(info, bits, source) || IsRectEmpty(device)) return false;
  for (const TRect& part : DrawableParts(device)) {
    std::uint32_t* out = Block.Bits + std::size_t(part.Top) * Block.Stride + std::size_t(part.Left);
    StretchRows(device, info, bits, source, part, out, Block.Stride, 0);
  }
  return true;
}

// The layer.

std::unique_ptr<TMemoryDC> TDeviceContextLayer::CreateMemoryDC() { return std::make_unique<TMemoryDC>(); }

TDeviceContextLayer& DeviceContextLayer() { return *InstalledLayer; }

TDeviceContextLayerScope::TDeviceContextLayerScope(TDeviceContextLayer& layer) : Previous(InstalledLayer) {
  InstalledLayer = &layer;
}

TDeviceContextLayerScope::~TDeviceContextLayerScope() { InstalledLayer = Previous; }

}  // namespace lumox
