#pragma once
// Pictures made for the sample installation: cars seen from the side, track maps, loading
// screens and the program's placeholder, drawn at any size and saved in the formats the
// previews read.
#include <QColor>
#include <QImage>
#include <QString>

namespace lumox::samples {

enum class TBody { Formula, Saloon, Hatch, GT };

struct TCarLook {
  TBody Body;
  QColor Livery;
  QColor Stripe;
};

// On a transparent background with a soft shadow when `transparent`, else in a studio.
QImage CarPicture(const TCarLook& look, QSize size, bool transparent);
// A circuit seen from above; `layout` picks one of three shapes.
QImage TrackMap(int layout, QSize size);
// The view from the grid under a sky of `layout`'s time of day.
QImage LoadingScreen(int layout, QSize size);
// A crossed-out picture frame.
QImage NoPreviewPicture(QSize size);

enum class TFileKind { TargaRaw, TargaRunLength, Bmp, Jpeg, Png };
// Targa files keep the picture's alpha when it has one; the others are opaque. Throws
// ELumox when the file cannot be written.
void SavePicture(const QImage& picture, const QString& path, TFileKind kind);

}  // namespace lumox::samples
