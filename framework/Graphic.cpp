#include "framework/Graphic.h"

#include "framework/Exceptions.h"

namespace lumox {

void TGraphic::SaveToStream(TStream&) {
  throw EInvalidGraphic("Cannot save a " + std::string(ClassType().Name) + ".");
}

void TGraphic::LoadFromFile(const std::string& path) {
  TFileStream stream(path, TFileMode::Read);
  LoadFromStream(stream);
}

void TGraphic::Assign(const TGraphic& source) { source.AssignTo(*this); }

void TGraphic::AssignTo(TGraphic& dest) const {
  throw EConvertError("Cannot assign a " + std::string(ClassType().Name) + " to a " +
                      std::string(dest.ClassType().Name) + ".");
}

void TGraphic::Progress(TProgressStage stage, std::uint8_t percent, bool redrawNow, const TRect& rect,
                        const std::string& message) {
  if (OnProgress) OnProgress(*this, stage, percent, redrawNow, rect, message);
}

void TMetafile::LoadFromStream(TStream&) {
  throw EInvalidGraphic("Cannot load image. Windows metafiles are not shown as pictures.");
}

const TGraphicClass& TMetafile::Class() {
  static const TGraphicClass info{"TMetafile", &CreateGraphic<TMetafile>};
  return info;
}

}  // namespace lumox
