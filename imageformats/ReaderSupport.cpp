#include "imageformats/ReaderSupport.h"

#include <algorithm>

#include "imageformats/FormatGraphic.h"

namespace lumox {

void CheckImageSize(std::int64_t width, std::int64_t height, std::string_view format) {
  if (width < 1 || height < 1) TFormatGraphic::RaiseGraphicError(TFormatText::SInvalidImageFormat, {format});
  TBitmap::CheckSize(width, height);
}

std::vector<std::uint8_t> ReadAvailable(TStream& stream, std::int64_t count) {
  std::vector<std::uint8_t> bytes(std::size_t(std::clamp<std::int64_t>(count, 0, stream.BytesLeft())));
  bytes.resize(std::size_t(stream.Read(bytes.data(), std::int64_t(bytes.size()))));
  return bytes;
}

}  // namespace lumox
