#include "imageformats/PCDGraphic.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "imageformats/PixelRoutines.h"
#include "imageformats/ReaderSupport.h"

namespace lumox {
namespace {

constexpr std::int64_t SectorSize = 2048;
constexpr std::int64_t HeaderSize = 3 * SectorSize;
constexpr std::int64_t BaseImageSector = 96;
constexpr std::size_t RotationOffset = 3586;
constexpr std::uint32_t BaseIndex = 2, LargestIndex = 5;
constexpr std::size_t BaseWidth = 768, BaseHeight = 512;
constexpr std::string_view ShortName = "PCD";

bool IsOverview(const std::uint8_t* header) {
  return std::string_view(reinterpret_cast<const char*>(header), 7) == "PCD_OPA";
}

bool IsImagePack(const std::uint8_t* header) {
  return std::string_view(reinterpret_cast<const char*>(header + SectorSize), 3) == "PCD";
}

}  // namespace

const TGraphicClass& TPCDGraphic::Class() {
  static const TGraphicClass info{"TPCDGraphic", &CreateGraphic<TPCDGraphic>};
  return info;
}

bool TPCDGraphic::CanLoad(TStream& stream) {
  const auto header = PeekHeader<HeaderSize>(stream);
  return header && (IsOverview(header->data()) || IsImagePack(header->data()));
}

bool TPCDGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  std::vector<std::uint8_t> header(HeaderSize);
  stream.ReadBuffer(header.data(), HeaderSize);
  TImageProperties& p = ImageProperties;
  p.Overview = IsOverview(header.data());
  if (!p.Overview && !IsImagePack(header.data())) return false;
  p.Rotation = header[RotationOffset] & 3;
  const std::uint32_t index = p.Overview ? 0 : std::min(imageIndex, LargestIndex);
  p.Width = 192u << index;
  p.Height = 128u << index;
  if (p.Rotation % 2 == 1) std::swap(p.Width, p.Height);
  p.ColorScheme = TColorScheme::schPhotoYCC;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 3;
  p.BitsPerPixel = 24;
  p.Compression = index <= BaseIndex ? TCompressionType::ctNone : TCompressionType::ctPCDHuffmann;
  p.ImageCount = std::uint16_t(header[10] << 8 | header[11]);
  return true;
}

void TPCDGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream, BaseIndex) || ImageProperties.Overview)
    RaiseGraphicError(TFormatText::SInvalidImageFormat, {ShortName});
  ProgressRect = {0, 0, int(ImageProperties.Width), 1};
  StartStage(TFormatText::SPreparing);
  ImageProperties.Width = BaseWidth;
  ImageProperties.Height = BaseHeight;
  // The chroma planes hold one row per row pair, at the luma plane's row distance, until they
  // are doubled in place.
  std::vector<std::uint8_t> luma(BaseWidth * BaseHeight), chroma1(luma.size()), chroma2(luma.size());
  stream.SetPosition(BasePosition + BaseImageSector * SectorSize);
  ColorManager.SetSource(TColorScheme::schPhotoYCC, 8, 3);
  ColorManager.SetTarget(TColorScheme::schBGR, 8, 3);
  SetPixelFormat(TPixelFormat::pf24bit);
  const std::array<float, 3> lumaWeights{0.2125f, 0.7154f, 0.0721f};
  ColorManager.SetYCbCrParameters(lumaWeights, 2, 2);
  EndStage();

  StartStage(TFormatText::SLoadingData);
  for (std::size_t row = 0; row < BaseHeight; row += 2) {
    Progress(TProgressStage::Running, std::uint8_t(row * 100 / BaseHeight), false, ProgressRect, {});
    stream.ReadBuffer(&luma[row * BaseWidth], 2 * BaseWidth);
    stream.ReadBuffer(&chroma1[row / 2 * BaseWidth], BaseWidth / 2);
    stream.ReadBuffer(&chroma2[row / 2 * BaseWidth], BaseWidth / 2);
  }
  EndStage();

  StartStage(TFormatText::SUpsampling);
  Progress(TProgressStage::Running, 80, false, ProgressRect, {});
  UpsamplePlane(BaseWidth / 2, BaseHeight / 2, BaseWidth, chroma1);
  Progress(TProgressStage::Running, 100, false, ProgressRect, {});
  UpsamplePlane(BaseWidth / 2, BaseHeight / 2, BaseWidth, chroma2);
  EndStage();

  StartStage(TFormatText::STransferring);
  TransferRows(luma, chroma1, chroma2);
  EndStage();
}

// A quarter turn (rotation 1 or 3) goes through a row buffer; a half turn (2) is shown as stored.
void TPCDGraphic::TransferRows(const std::vector<std::uint8_t>& luma,
                               const std::vector<std::uint8_t>& chroma1,
                               const std::vector<std::uint8_t>& chroma2) {
  const std::uint8_t rotation = ImageProperties.Rotation;
  const bool quarterTurn = rotation % 2 == 1;
  SetSize(quarterTurn ? BaseHeight : BaseWidth, quarterTurn ? BaseWidth : BaseHeight);
  std::vector<std::uint8_t> turned(quarterTurn ? 3 * BaseWidth : 0);
  for (std::size_t y = 0; y < BaseHeight; ++y) {
    const std::size_t at = y * BaseWidth;
    const std::array<TColorManager::TConstBytes, 3> sources{
        TColorManager::TConstBytes(&luma[at], BaseWidth), TColorManager::TConstBytes(&chroma1[at], BaseWidth),
        TColorManager::TConstBytes(&chroma2[at], BaseWidth)};
    const TColorManager::TBytes target = quarterTurn
                                             ? TColorManager::TBytes(turned)
                                             : TColorManager::TBytes(ScanLine(int(y)), BytesPerScanLine());
    ColorManager.ConvertRow(sources, target, BaseWidth, 0xFF);
    // Rotation 1 turns the picture anticlockwise, rotation 3 clockwise.
    for (std::size_t x = 0; quarterTurn && x < BaseWidth; ++x) {
      const int row = int(rotation == 1 ? BaseWidth - 1 - x : x);
      const std::size_t column = rotation == 1 ? y : BaseHeight - 1 - y;
      std::memcpy(ScanLine(row) + 3 * column, &turned[3 * x], 3);
    }
    ReportRow(std::uint8_t(y * 100 / BaseHeight));
  }
}

}  // namespace lumox
