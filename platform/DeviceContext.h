#pragma once
// The device-context layer: the surfaces the program draws on (a block of 32-bit pixels in
// memory, or a window while it paints) and the drawing state each keeps: the window origin,
// the clip area, the selected font, the text colours and a stack of saved states. Coordinates
// given to a context are logical; a logical point (x, y) lands on the surface's pixel
// (x - origin x, y - origin y). A context draws nothing outside its clip area or its surface.
//
// A memory context draws into a block its caller owns, in place: nothing is copied. The fourth
// byte of a 32-bit pixel is no colour to a context: fills and text leave it at 255 where they
// draw, a window shows the colour alone, and a block copied into memory keeps all four bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/GraphicsTypes.h"

namespace lumox {

// Width × Height pixels of 32 bits (bytes blue, green, red, fourth), top row first, a row
// starting Stride pixels after the one above it.
struct TPixelBlock {
  std::uint32_t* Bits = nullptr;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::size_t Stride = 0;
};

enum class TBlockCompression : std::uint32_t { None = 0 };

// How a stretch copy reads a block of pixels that follow each other row after row with no gap.
// A negative Height means -Height rows with the top one first; a positive one, the bottom one
// first. Only uncompressed blocks of 32 bits per pixel on one plane are read.
struct TBlockInfo {
  std::uint32_t HeaderSize = 40;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint16_t Planes = 1;
  std::uint16_t BitCount = 32;
  TBlockCompression Compression = TBlockCompression::None;
  std::uint32_t ImageSize = 0;
};

// Whether the `source` rectangle of a block described by `info` can be read from `bits`.
bool ReadableBlock(const TBlockInfo& info, const void* bits, const TRect& source);
// Row `y` of a readable block, counted from the top.
const std::uint32_t* BlockRow(const TBlockInfo& info, const void* bits, std::int32_t y);

enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font as a context selects it. The default one is the system font (a stock object).
struct TFontSpec {
  std::string Family;      // UTF-8; empty: the system's standard family
  int PointSize = 0;       // 0: the system's standard size
  std::uint8_t Style = 0;  // of TFontStyle
  bool operator==(const TFontSpec&) const = default;
};

// What a fill paints with: a colour, or nothing at all (the null brush, a stock object).
struct TBrush {
  TColor Color = 0;
  bool Null = false;
  bool operator==(const TBrush&) const = default;
};

// The stock objects.
inline TFontSpec SystemFont() { return {}; }
inline constexpr TBrush NullBrush{0, true};

// How DrawText places text in its rectangle; one horizontal and one vertical choice, plus
// options. The vertical choices apply to single lines only.
enum TTextFormat : std::uint32_t {
  tfLeft = 0,
  tfCentre = 1,
  tfRight = 2,
  tfTop = 0,
  tfMiddle = 4,
  tfBottom = 8,
  tfWordBreak = 0x10,   // lines break between words to fit the width
  tfSingleLine = 0x20,  // line breaks in the text are not obeyed
  tfExpandTabs = 0x40,  // tabs advance to the next multiple of eight average characters
  tfNoClip = 0x100,     // text may spill out of the rectangle
  tfMeasure = 0x400,    // nothing is drawn: the rectangle is fitted to the text instead
};

// Whether text cells are filled with the background colour before the glyphs are drawn.
enum class TBackgroundMode : std::uint8_t { Transparent, Opaque };

class TDC {
 public:
  virtual ~TDC() = default;
  TDC(const TDC&) = delete;
  TDC& operator=(const TDC&) = delete;

  // The surface in its own pixels; empty when there is none to draw on.
  virtual TRect Bounds() const = 0;

  // Each of these returns the value it replaced. Text colour starts black, the background
  // white and opaque, the font is the system font.
  TFontSpec SelectFont(const TFontSpec& font);
  const TFontSpec& Font() const { return State.Font; }
  TColor SetTextColor(TColor color);
  TColor TextColor() const { return State.TextColor; }
  TColor SetBackgroundColor(TColor color);
  TBackgroundMode SetBackgroundMode(TBackgroundMode mode);
  TPoint SetWindowOrigin(TPoint origin);
  TPoint WindowOrigin() const { return State.Origin; }

  // Narrows the clip area to `rect`, or takes `rect` out of it (logical coordinates, as the
  // origin stands at the call). The clip area starts unlimited.
  void IntersectClipRect(const TRect& rect);
  void ExcludeClipRect(const TRect& rect);
  // The smallest rectangle around what can still be drawn, in logical coordinates.
  TRect ClipBox() const;

  // Keeps the whole state (origin, clip area, font, colours) and returns its number, from 1 up.
  int Save();
  // Brings back the state saved as `saved` (-1: the last saved) and forgets it and every state
  // saved after it. False, changing nothing, when there is no such state.
  bool Restore(int saved);

  // Fills `rect` (its right column and bottom row excluded); the null brush fills nothing.
  void FillRect(const TRect& rect, const TBrush& brush);
  // The width and height of `text` (UTF-8, one line) in the selected font.
  virtual TSize TextExtent(std::string_view text) = 0;
  // Draws `text` (one line) with its top left corner at (x, y).
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  // Draws `text` inside `rect` as `format` (of TTextFormat) says and returns its height. With
  // tfMeasure nothing is drawn and `rect` keeps its top left corner and takes the text's size.
  virtual int DrawText(std::string_view text, TRect& rect, std::uint32_t format) = 0;
  // Copies the `source` rectangle of a block read through `info` onto `dest`, stretched (to
  // the nearest pixel) where the sizes differ. False, drawing nothing, for a block `info` does
  // not describe, an empty rectangle or a source rectangle outside the block.
  virtual bool StretchBlock(const TRect& dest, const TBlockInfo& info, const void* bits,
                            const TRect& source) = 0;

 protected:
  TDC() = default;

  // Paints `colour` on every pixel of the device rectangle `rect` that lies in the clip area.
  virtual void FillDeviceRect(const TRect& rect, TColor colour) = 0;

  // `rect` moved from logical into device coordinates.
  TRect ToDevice(const TRect& rect) const;
  // The parts of the device rectangle `rect` that drawing may touch: inside the clip area and
  // the surface. They do not overlap.
  std::vector<TRect> DrawableParts(const TRect& rect) const;
  TColor BackgroundColor() const { return State.BackgroundColor; }
  TBackgroundMode BackgroundMode() const { return State.BackgroundMode; }
  // Writes what the stretch copy of `source` onto the device rectangle `dest` puts on `part`
  // (a rectangle inside `dest`) to `out`, rows `outStride` pixels apart, each pixel with the
  // bits of `set` added.
  static void StretchRows(const TRect& dest, const TBlockInfo& info, const void* bits, const TRect& source,
                          const TRect& part, std::uint32_t* out, std::size_t outStride, std::uint32_t set);

 private:
  struct TState {
    TPoint Origin;
    std::vector<TRect> Clip;  // device coordinates, not overlapping
    TFontSpec Font;
    TColor TextColor = 0;
    TColor BackgroundColor = 0xFFFFFF;
    TBackgroundMode BackgroundMode = TBackgroundMode::Opaque;
  };
  static TState InitialState();

  TState State = InitialState();
  std::vector<TState> Saved;
};

// A context on a block of pixels in memory. It starts with no block and draws nothing until
// one is selected.
//
// Without a system font service this context has no fonts: text measures nothing and leaves no
// mark. The layer of a program with a screen gives its memory contexts the screen's fonts.
class TMemoryDC : public TDC {
 public:
  TRect Bounds() const override { return {0, 0, Block.Width, Block.Height}; }

  // Draws into `block` from now on (the previous block is let go, the drawing state stays).
  // False, changing nothing, for a block without pixels or with rows shorter than its width.
  virtual bool SelectBlock(const TPixelBlock& block);
  const TPixelBlock& SelectedBlock() const { return Block; }

  TSize TextExtent(std::string_view) override { return {}; }
  void TextOut(int, int, std::string_view) override {}
  int DrawText(std::string_view text, TRect& rect, std::uint32_t format) override;
  bool StretchBlock(const TRect& dest, const TBlockInfo& info, const void* bits,
                    const TRect& source) override;

 protected:
  void FillDeviceRect(const TRect& rect, TColor colour) override;

 private:
  TPixelBlock Block;
};

// Makes the memory contexts of the program's bitmaps. Tests derive from it to make creation
// or selection fail.
class TDeviceContextLayer {
 public:
  virtual ~TDeviceContextLayer() = default;
  // A memory context with no block selected; nullptr when none can be made.
  virtual std::unique_ptr<TMemoryDC> CreateMemoryDC();
};

// The installed layer: the plain one (no fonts) until a program installs another.
TDeviceContextLayer& DeviceContextLayer();

// Installs `layer` (not owned) for as long as the scope lives.
class TDeviceContextLayerScope {
 public:
  explicit TDeviceContextLayerScope(TDeviceContextLayer& layer);
  ~TDeviceContextLayerScope();
  TDeviceContextLayerScope(const TDeviceContextLayerScope&) = delete;
  TDeviceContextLayerScope& operator=(const TDeviceContextLayerScope&) = delete;

 private:
  TDeviceContextLayer* Previous;
};

}  // namespace lumox
