#include "examples/pictures/SamplePictures.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstring>
#include <vector>

#include "framework/Stream.h"
#include "imageformats/TargaGraphic.h"
#include "platform/Exception.h"

namespace lumox::samples {
namespace {

// Every picture is drawn on a canvas of this size, scaled to the size asked for.
constexpr QSizeF Canvas(400, 300);

struct TCanvas {
  QImage Image;
  QPainter Painter;
  TCanvas(QSize size, QColor background)
      : Image(size, background.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32) {
    Image.fill(background);
    Painter.begin(&Image);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.scale(size.width() / Canvas.width(), size.height() / Canvas.height());
    Painter.setPen(Qt::NoPen);
  }
};

QPolygonF Polygon(std::initializer_list<QPointF> points) { return QPolygonF(QList<QPointF>(points)); }

void FillGradient(QPainter& p, const QRectF& area, QColor top, QColor bottom) {
  QLinearGradient gradient(area.topLeft(), area.bottomLeft());
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  p.fillRect(area, gradient);
}

struct TBodyShape {
  QPolygonF Outline;
  QPolygonF Window;  // empty for an open car
  double WheelRadius;
};

TBodyShape ShapeOf(TBody body) {
  switch (body) {
    case TBody::Formula:
      return {Polygon({{15, 228},
                       {25, 212},
                       {150, 200},
                       {175, 172},
                       {245, 160},
                       {262, 178},
                       {335, 182},
                       {340, 150},
                       {388, 150},
                       {388, 166},
                       {362, 168},
                       {370, 222}}),
              {},
              31};
    case TBody::Saloon:
      return {
          Polygon(
              {{40, 226}, {40, 186}, {95, 180}, {140, 138}, {262, 138}, {302, 180}, {365, 186}, {365, 226}}),
          Polygon({{150, 148}, {252, 148}, {284, 180}, {120, 180}}), 32};
    case TBody::Hatch:
      return {Polygon({{45, 226}, {45, 182}, {110, 172}, {160, 128}, {300, 125}, {345, 176}, {355, 226}}),
              Polygon({{168, 138}, {292, 136}, {325, 174}, {132, 176}}), 34};
    case TBody::GT:
      return {Polygon({{25, 226},
                       {30, 196},
                       {120, 176},
                       {180, 140},
                       {270, 140},
                       {330, 168},
                       {345, 150},
                       {388, 150},
                       {385, 166},
                       {382, 226}}),
              Polygon({{188, 149}, {262, 149}, {306, 172}, {150, 176}}), 33};
  }
  return {};
}

void DrawWheel(QPainter& p, QPointF centre, double radius) {
  p.setBrush(QColor(28, 28, 30));
  p.drawEllipse(centre, radius, radius);
  p.setBrush(QColor(176, 180, 186));
  p.drawEllipse(centre, radius * 0.55, radius * 0.55);
  p.setBrush(QColor(70, 72, 76));
  p.drawEllipse(centre, radius * 0.18, radius * 0.18);
}

// A closed track as a smooth loop through `points`.
QPainterPath Loop(std::initializer_list<QPointF> points) {
  const std::vector<QPointF> p(points);
  QPainterPath path((p[0] + p[1]) / 2);
  for (std::size_t i = 1; i <= p.size(); ++i)
    path.quadTo(p[i % p.size()], (p[i % p.size()] + p[(i + 1) % p.size()]) / 2);
  return path;
}

QPainterPath Layout(int layout) {
  switch (layout % 3) {
    case 0:
      return Loop({{40, 60}, {360, 40}, {370, 250}, {250, 160}, {150, 270}, {30, 250}});
    case 1:
      return Loop({{60, 150}, {120, 40}, {300, 50}, {360, 150}, {300, 260}, {200, 180}, {110, 260}});
    default:
      return Loop({{50, 70}, {350, 70}, {375, 150}, {350, 230}, {50, 230}, {25, 150}});
  }
}

void Write(const QString& path, const std::vector<std::uint8_t>& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size()))
    throw ELumox("Cannot write " + path.toStdString());
}

}  // namespace

QImage CarPicture(const TCarLook& look, QSize size, bool transparent) {
  TCanvas c(size, transparent ? QColor(0, 0, 0, 0) : QColor(Qt::white));
  QPainter& p = c.Painter;
  if (!transparent) {
    FillGradient(p, {0, 0, 400, 240}, QColor(226, 232, 240), QColor(150, 162, 176));
    FillGradient(p, {0, 240, 400, 60}, QColor(96, 100, 108), QColor(60, 62, 66));
  }
  p.setBrush(QColor(0, 0, 0, transparent ? 110 : 70));
  p.drawEllipse(QPointF(200, 256), 180, 14);
  const TBodyShape shape = ShapeOf(look.Body);
  QPainterPath body;
  body.addPolygon(shape.Outline);
  body.closeSubpath();
  p.setBrush(look.Livery);
  p.drawPath(body);
  p.save();
  p.setClipPath(body);
  p.fillRect(QRectF(0, 196, 400, 12), look.Stripe);
  p.restore();
  if (shape.Window.isEmpty()) {
    p.setBrush(QColor(240, 200, 40));  // the driver's helmet
    p.drawEllipse(QPointF(210, 166), 15, 15);
  } else {
    p.setBrush(QColor(40, 52, 66));
    p.drawPolygon(shape.Window);
  }
  const double r = shape.WheelRadius;
  DrawWheel(p, {100, 256 - r}, r);
  DrawWheel(p, {305, 256 - r}, r);
  return c.Image;
}

QImage TrackMap(int layout, QSize size) {
  TCanvas c(size, QColor(88, 150, 76));
  QPainter& p = c.Painter;
  p.setBrush(QColor(78, 136, 68));
  for (int x = 0; x < 400; x += 50) p.drawRect(QRectF(x, 0, 25, 300));
  const QPainterPath track = Layout(layout);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(214, 40, 40), 34, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(track);
  p.setPen(QPen(Qt::white, 34, Qt::DashLine, Qt::FlatCap, Qt::RoundJoin));
  p.drawPath(track);
  p.setPen(QPen(QColor(84, 86, 92), 26, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(track);
  const QPointF start = track.pointAtPercent(0.0);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 6; ++i) {
    p.setBrush(i % 2 ? Qt::black : Qt::white);
    p.drawRect(QRectF(start.x() - 4 + (i / 3) * 4, start.y() - 13 + (i % 3) * 8.7, 4, 8.7));
  }
  return c.Image;
}

QImage LoadingScreen(int layout, QSize size) {
  static const QColor skies[3][2] = {{QColor(70, 130, 210), QColor(190, 220, 245)},
                                     {QColor(90, 60, 120), QColor(250, 160, 80)},
                                     {QColor(120, 128, 140), QColor(200, 204, 210)}};
  const QColor* sky = skies[layout % 3];
  TCanvas c(size, Qt::black);
  QPainter& p = c.Painter;
  FillGradient(p, {0, 0, 400, 150}, sky[0], sky[1]);
  p.setBrush(QColor(255, 236, 150));
  p.drawEllipse(QPointF(300 - 60 * (layout % 3), 70 + 20 * (layout % 3)), 22, 22);
  p.setBrush(QColor(70, 120, 62));
  p.drawPolygon(Polygon({{0, 150}, {0, 120}, {90, 100}, {200, 125}, {310, 95}, {400, 118}, {400, 150}}));
  FillGradient(p, {0, 150, 400, 150}, QColor(96, 156, 80), QColor(60, 110, 50));
  p.setBrush(QColor(150, 150, 156));
  p.drawRect(QRectF(250, 96, 130, 54));
  for (int i = 0; i < 40; ++i) {
    p.setBrush(QColor::fromHsv((i * 47) % 360, 160, 230));
    p.drawRect(QRectF(256 + (i % 10) * 12, 102 + (i / 10) * 11, 6, 6));
  }
  p.setBrush(QColor(80, 82, 88));
  p.drawPolygon(Polygon({{60, 300}, {185, 150}, {215, 150}, {340, 300}}));
  p.setBrush(Qt::white);
  for (int i = 0; i < 5; ++i) {
    const double y = 160 + i * i * 6.0, half = 1 + i * 0.8;
    p.drawRect(QRectF(200 - half, y, 2 * half, 4 + i * 2));
  }
  return c.Image;
}

QImage NoPreviewPicture(QSize size) {
  TCanvas c(size, QColor(212, 212, 212));
  QPainter& p = c.Painter;
  p.setPen(QPen(QColor(128, 128, 128), 12));
  p.setBrush(QColor(236, 236, 236));
  p.drawRect(QRectF(105, 70, 190, 160));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(150, 150, 150));
  p.drawPolygon(Polygon({{120, 215}, {180, 130}, {220, 185}, {245, 160}, {280, 215}}));
  p.drawEllipse(QPointF(245, 110), 16, 16);
  p.setPen(QPen(QColor(190, 40, 40), 18, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(90, 245), QPointF(310, 55));
  return c.Image;
}

void SavePicture(const QImage& picture, const QString& path, TFileKind kind) {
  if (kind == TFileKind::Jpeg || kind == TFileKind::Png) {
    const QImage opaque = picture.convertToFormat(QImage::Format_RGB32);
    if (!opaque.save(path, kind == TFileKind::Jpeg ? "JPG" : "PNG", kind == TFileKind::Jpeg ? 90 : -1))
      throw ELumox("Cannot write " + path.toStdString());
    return;
  }
  // Bitmap rows are blue, green, red (and alpha), as QImage keeps these formats in memory.
  const bool alpha = picture.hasAlphaChannel() && kind != TFileKind::Bmp;
  const QImage rows = picture.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
  TTargaGraphic bitmap;
  bitmap.SetPixelFormat(alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  bitmap.SetSize(rows.width(), rows.height());
  for (int y = 0; y < rows.height(); ++y)
    std::memcpy(bitmap.ScanLine(y), rows.constScanLine(y), std::size_t(rows.width()) * (alpha ? 4 : 3));
  TMemoryStream file;
  if (kind == TFileKind::Bmp) {
    bitmap.TBitmap::SaveToStream(file);
  } else {
    bitmap.SaveToStream(file, kind == TFileKind::TargaRunLength);
  }
  Write(path, file.Bytes());
}

}  // namespace lumox::samples
