#pragma once
// The car and track previews of "Car and track": which picture file a view shows, how it is
// fitted, and showing it.
#include <QString>

#include "bitmap/Image32.h"

namespace lumox {

class TImage32View;

struct TPreviewChoice {
  QString File;
  TScaleMode Mode = TScaleMode::smStretch;
  bool operator==(const TPreviewChoice&) const = default;
};

// The program's own picture for a car or track without one.
QString NoPreviewFile(const QString& appDir);

// A track's loading screen (loading.jpg, .tga, .bmp) stretched, or its preview (preview.tga,
// .jpg, .bmp) fitted inside keeping its aspect: the preview unless the loading screen is
// preferred, whichever exists when only one does, else the placeholder stretched. The first
// existing file of each list counts.
TPreviewChoice ChooseTrackPreview(const QString& trackDir, bool preferLoading, const QString& appDir);

// Loads `choice` into the view and repaints it at once. A picture that cannot be loaded
// (missing, unknown, damaged, too large) leaves the view empty and is reported in an error
// box; the caller goes on either way.
void ShowPreview(TImage32View& view, const TPreviewChoice& choice);
void ClearPreview(TImage32View& view);

}  // namespace lumox
