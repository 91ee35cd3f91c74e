#include "imageformats/FormatGraphic.h"

#include "framework/Exceptions.h"

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

void TFormatGraphic::StartStage(TFormatText caption) {
  Progress(TProgressStage::Starting, 0, false, ProgressRect, std::string(LoadFormatText(caption)));
}

void TFormatGraphic::EndStage() { Progress(TProgressStage::Ending, 0, false, ProgressRect, {}); }

void TFormatGraphic::ReportRow(std::uint8_t percent) {
  Progress(TProgressStage::Running, percent, true, ProgressRect, {});
  ++ProgressRect.Top;
  ++ProgressRect.Bottom;
}

bool PeekBuffer(TStream& stream, void* buffer, std::int64_t count) {
  const TStreamPositionGuard keep(stream);
  return stream.Read(buffer, count) == count;
}

}  // namespace lumox
