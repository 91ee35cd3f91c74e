#include "imageformats/PPMGraphic.h"

#include <algorithm>
#include <cstring>

#include "framework/Exceptions.h"
#include "framework/PixelAccess.h"
#include "imageformats/ReaderSupport.h"

namespace lumox {
namespace {

using enum TColorScheme;

constexpr std::string_view PPMNames = "PBM, PGM or PPM";
constexpr std::uint64_t LargestNumber = 0x7FFFFFFF;

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }
bool IsLineEnd(std::uint8_t c) { return c == '\r' || c == '\n'; }

[[noreturn]] void RaiseReadError() {
  TFormatGraphic::RaiseGraphicError(TFormatText::SStreamReadError, {"PPM"});
}

}  // namespace

const TGraphicClass& TPPMGraphic::Class() {
  static const TGraphicClass info{"TPPMGraphic", &CreateGraphic<TPPMGraphic>};
  return info;
}

bool TPPMGraphic::CanLoad(TStream& stream) {
  const auto b = PeekHeader<10>(stream);
  return b && (*b)[0] == 'P' && (*b)[1] >= '1' && (*b)[1] <= '6';
}

bool TPPMGraphic::Refill() {
  Index = 0;
  Count = std::size_t(Stream->Read(Buffer.data(), std::int64_t(Buffer.size())));
  return Count > 0;
}

bool TPPMGraphic::HasChar() { return Index < Count || Refill(); }

std::uint8_t TPPMGraphic::ReadChar() {
  if (!HasChar()) RaiseReadError();
  return Buffer[Index++];
}

std::uint8_t TPPMGraphic::PeekChar() { return HasChar() ? Buffer[Index] : 0; }

std::string TPPMGraphic::ReadMagic() {
  std::string magic;
  bool comment = false;
  std::uint8_t c = ReadChar();
  for (; !IsLineEnd(c); c = ReadChar()) {
    comment = comment || c == '#';
    if (!comment && magic.size() < 2) magic += char(c);
  }
  if (c == '\r' && PeekChar() == '\n') ++Index;
  return magic;
}

std::uint8_t TPPMGraphic::SkipToDigit() {
  for (;;) {
    const std::uint8_t c = ReadChar();
    if (IsDigit(c)) return c;
    if (c == '#') {
      while (!IsLineEnd(ReadChar())) {
      }
    }
  }
}

std::uint32_t TPPMGraphic::ReadNumber() {
  std::uint64_t value = SkipToDigit() - '0';
  // A number that ends with the stream is complete.
  while (HasChar()) {
    const std::uint8_t c = Buffer[Index++];
    if (!IsDigit(c)) break;
    value = value * 10 + (c - '0');
    if (value > LargestNumber) RaiseGraphicError(TFormatText::SInvalidImageFormat, {PPMNames});
  }
  return std::uint32_t(value);
}

void TPPMGraphic::ReadBytes(std::uint8_t* target, std::size_t count) {
  while (count > 0) {
    if (Index == Count && count >= Buffer.size()) {
      // Large blocks go straight from the stream.
      const auto read = std::size_t(Stream->Read(target, std::int64_t(count)));
      if (read == 0) RaiseReadError();
      target += read;
      count -= read;
      continue;
    }
    if (!HasChar()) RaiseReadError();
    const std::size_t n = std::min(count, Count - Index);
    std::memcpy(target, &Buffer[Index], n);
    Index += n;
    target += n;
    count -= n;
  }
}

std::uint8_t TPPMGraphic::Scaled(std::uint32_t sample) const {
  if (MaxValue <= 255) return std::uint8_t(sample);
  return std::uint8_t(std::min<std::uint64_t>(std::uint64_t(sample) * 255 / MaxValue, 255));
}

void TPPMGraphic::ReadSamples(std::uint8_t* target, std::size_t count) {
  if (MaxValue <= 255) {
    ReadBytes(target, count);
    return;
  }
  WideRow.resize(2 * count);
  ReadBytes(WideRow.data(), WideRow.size());
  for (std::size_t i = 0; i < count; ++i) target[i] = Scaled(BigEndian(&WideRow[2 * i], 2));
}

bool TPPMGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  Stream = &stream;
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  Index = Count = 0;
  const std::string magic = ReadMagic();
  TImageProperties& p = ImageProperties;
  p.Compression = TCompressionType::ctNone;
  if (magic.empty() || magic[0] != 'P') return false;
  if (magic.size() < 2) RaiseGraphicError(TFormatText::SInvalidImageFormat, {PPMNames});
  if (!IsDigit(std::uint8_t(magic[1])))
    throw EConvertError("'" + magic.substr(1) + "' is not a valid integer value");
  Type = magic[1] - '0';
  MaxValue = 255;
  if (Type < 1 || Type > 6) return true;
  p.Width = ReadNumber();
  p.Height = ReadNumber();
  const bool bitmap = Type == 1 || Type == 4, colour = Type == 3 || Type == 6;
  if (!bitmap) MaxValue = ReadNumber();
  p.ColorScheme = colour ? schRGB : schIndexed;
  p.BitsPerSample = bitmap ? 1 : 8;
  p.SamplesPerPixel = colour ? 3 : 1;
  p.BitsPerPixel = std::uint8_t(p.BitsPerSample * p.SamplesPerPixel);
  return true;
}

void TPPMGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream)) RaiseGraphicError(TFormatText::SInvalidImageFormat, {PPMNames});
  const TImageProperties& p = ImageProperties;
  ProgressRect = {0, 0, std::int32_t(p.Width), 1};
  StartStage(TFormatText::STransferring);
  if (Type >= 1 && Type <= 6) {
    CheckImageSize(p.Width, p.Height, PPMNames);
    const bool colour = p.ColorScheme == schRGB;
    ColorManager.SourceOptions = {};
    ColorManager.TargetOptions = {};
    ColorManager.SetSource(p.ColorScheme, p.BitsPerSample, p.SamplesPerPixel);
    ColorManager.SetTarget(colour ? schBGR : schIndexed, p.BitsPerSample, p.SamplesPerPixel);
    SetPixelFormat(ColorManager.GetPixelFormat(1));
    if (!colour) SetPalette(ColorManager.CreateGrayscalePalette(p.BitsPerSample == 1));
    SetSizeForOverwrite(int(p.Width), int(p.Height));
    Row.resize(colour ? 3 * std::size_t(p.Width) : 0);
    int y = 0;
    try {
      for (; y < Height(); ++y) {
        ReadRow(ScanLine(y));
        RowDone(y);
      }
    } catch (...) {
      ClearRows(y, Height());
      throw;
    }
  }
  EndStage();
}

void TPPMGraphic::ReadRow(std::uint8_t* target) {
  const std::size_t width = ImageProperties.Width;
  switch (Type) {
    case 1:
      for (std::size_t x = 0; x < width; ++x)
        pixels::SetIndexAt(target, std::int64_t(x), 1, SkipToDigit() & 1u);
      return;
    case 4:
      ReadBytes(target, (width + 7) / 8);
      return;
    case 2:
      for (std::size_t x = 0; x < width; ++x) target[x] = Scaled(ReadNumber());
      return;
    case 5:
      ReadSamples(target, width);
      return;
    case 3:
      for (std::uint8_t& sample : Row) sample = Scaled(ReadNumber());
      break;
    default:
      ReadSamples(Row.data(), Row.size());
  }
  ColorManager.ConvertRow(Row, {target, BytesPerScanLine()}, width, 0xFF);
}

}  // namespace lumox
