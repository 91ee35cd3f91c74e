#include "imageformats/FormatGraphic.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/Exceptions.h"
#include "imageformats/RowVectors.h"

namespace lumox {

bool TFormatGraphic::CanLoad(TStream&) { return false; }

bool TFormatGraphic::ReadImageProperties(TStream&, std::uint32_t) {
  ImageProperties = TImageProperties();
  return false;
}

void TFormatGraphic::Assign(const TGraphic& source) {
  if (const auto* reader = dynamic_cast<const TFormatGraphic*>(&source))
    ImageProperties = reader->ImageProperties;
  TBitmap::Assign(source);
}

void TFormatGraphic::RaiseGraphicError(const std::string& message) { throw EInvalidGraphic(message); }

void TFormatGraphic::RaiseGraphicError(TFormatText format,
                                       std::initializer_list<std::string_view> arguments) {
  throw EInvalidGraphic(FormatText(format, arguments));
}

bool TFormatGraphic::BeginLoad(TStream& stream, std::uint32_t imageIndex) {
  ReleaseImage();
  Stream = &stream;
  BasePosition = stream.Position();
  return ReadImageProperties(stream, imageIndex);
}

void TFormatGraphic::StartStage(TFormatText caption) {
  Progress(TProgressStage::Starting, 0, false, ProgressRect, std::string(LoadFormatText(caption)));
}

void TFormatGraphic::EndStage() {
  if (ColorManager.StreamRows) rows::FenceStreamedWrites();
  Progress(TProgressStage::Ending, 0, false, ProgressRect, {});
}

void TFormatGraphic::ReportRow(std::uint8_t percent) {
  Progress(TProgressStage::Running, percent, true, ProgressRect, {});
  ++ProgressRect.Top;
  ++ProgressRect.Bottom;
}

void TFormatGraphic::RowDone(std::int64_t row) {
  const double height = Height();
  // Worked out only for a listener: this runs for every row.
  ReportRow(OnProgress && height > 0 ? std::uint8_t(std::nearbyint(double(row) * 100.0 / height)) : 0);
}

void TFormatGraphic::ApplyFileGamma(float gamma) {
  ColorManager.SetGamma(gamma, 2.2f);
  ColorManager.TargetOptions.Include(TConversionOption::optApplyGamma);
  ImageProperties.Options.Include(TImageOption::ioUseGamma);
}

void TFormatGraphic::SetSizeForRows(int width, int height) {
  // Several times what one core's caches hold: such a bitmap is gone from them before it is
  // read again anyway.
  constexpr std::size_t StreamedBytes = std::size_t(8) << 20;
  SetSizeForOverwrite(width, height);
  ColorManager.StreamRows = BytesPerScanLine() * std::size_t(Height()) >= StreamedBytes;
}

void TFormatGraphic::ClearRows(int first, int end) {
  for (int y = std::max(first, 0); y < std::min(end, Height()); ++y)
    std::memset(ScanLine(y), 0, BytesPerScanLine());
}

bool PeekBuffer(TStream& stream, void* buffer, std::int64_t count) {
  const TStreamPositionGuard keep(stream);
  return stream.Read(buffer, count) == count;
}

}  // namespace lumox
