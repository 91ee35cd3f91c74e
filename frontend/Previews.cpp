#include "frontend/Previews.h"

#include <QFile>
#include <exception>

#include "frontend/Image32View.h"
#include "installation/FileSystem.h"
#include "platform/EventGuard.h"
#include "platform/Exception.h"

namespace lumox {
namespace {

// The first of `names` in `folder`, by exact name first, else by a case-insensitive match.
QString FirstExisting(const QString& folder, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const QString found = FindZindoFile(folder, QLatin1String(name));
    if (!found.isEmpty()) return found;
  }
  return {};
}

}  // namespace

QString NoPreviewFile(const QString& appDir) {
  return JoinPath(appDir, QStringLiteral("lumox_no_preview.jpg"));
}

TPreviewChoice ChooseTrackPreview(const QString& trackDir, bool preferLoading, const QString& appDir) {
  const QString loading = FirstExisting(trackDir, {"loading.jpg", "loading.tga", "loading.bmp"});
  const QString preview = FirstExisting(trackDir, {"preview.tga", "preview.jpg", "preview.bmp"});
  if (!preview.isEmpty() && !(preferLoading && !loading.isEmpty())) return {preview, TScaleMode::smResize};
  if (!loading.isEmpty()) return {loading, TScaleMode::smStretch};
  return {NoPreviewFile(appDir), TScaleMode::smStretch};
}

void ShowPreview(TImage32View& view, const TPreviewChoice& choice) {
  TImage32& image = view.Image();
  std::exception_ptr error;
  try {
    image.Bitmap().LoadFromFile(QFile::encodeName(choice.File).toStdString());
  } catch (const ELumox&) {
    image.Bitmap().Delete();
    error = std::current_exception();
  }
  image.SetScaleMode(choice.Mode);
  view.repaint();
  if (error) ShowHandlerError(error);
}

void ClearPreview(TImage32View& view) {
  view.Image().Bitmap().Delete();
  view.repaint();
}

}  // namespace lumox
