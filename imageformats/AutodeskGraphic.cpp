#include "imageformats/AutodeskGraphic.h"

#include <array>

#include "imageformats/ReaderSupport.h"

namespace lumox {
namespace {

constexpr std::size_t HeaderSize = 32;
constexpr std::uint32_t Magic = 0x9119;
constexpr std::size_t PaletteSize = 768;

}  // namespace

const TGraphicClass& TAutodeskGraphic::Class() {
  static const TGraphicClass info{"TAutodeskGraphic", &CreateGraphic<TAutodeskGraphic>};
  return info;
}

bool TAutodeskGraphic::CanLoad(TStream& stream) {
  const auto b = PeekHeader<HeaderSize>(stream);
  return b && LittleEndian(b->data(), 2) == Magic && (*b)[10] == 8 && (*b)[11] == 0;
}

bool TAutodeskGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  const auto b = ReadHeader<HeaderSize>(stream);
  if (LittleEndian(&b[0], 2) != Magic) return false;
  TImageProperties& p = ImageProperties;
  p.ColorScheme = TColorScheme::schIndexed;
  p.Width = LittleEndian(&b[2], 2);
  p.Height = LittleEndian(&b[4], 2);
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 1;
  p.BitsPerPixel = 8;
  p.Compression = TCompressionType::ctNone;
  return true;
}

void TAutodeskGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream)) RaiseGraphicError(TFormatText::SInvalidImageFormat, {"Autodesk"});
  const TImageProperties& p = ImageProperties;
  CheckImageSize(p.Width, p.Height, "Autodesk");
  ProgressRect = {0, 0, std::int32_t(p.Width), 1};
  StartStage(TFormatText::STransferring);
  // The header was read; the palette follows. Its values run from 0 to 63.
  std::array<std::uint8_t, PaletteSize> colours{};
  stream.Read(colours.data(), PaletteSize);
  TPalette palette(256);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    palette[i] = {std::uint8_t(colours[3 * i] << 2), std::uint8_t(colours[3 * i + 1] << 2),
                  std::uint8_t(colours[3 * i + 2] << 2), 0};
  }
  SetPixelFormat(TPixelFormat::pf8bit);
  SetPalette(std::move(palette));
  SetSize(int(p.Width), int(p.Height));
  for (int y = 0; y < Height(); ++y) {
    stream.Read(ScanLine(y), p.Width);
    RowDone(y);
  }
  EndStage();
}

}  // namespace lumox
