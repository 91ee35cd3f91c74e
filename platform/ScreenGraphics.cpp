#include "platform/ScreenGraphics.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <functional>

namespace lumox {
namespace {

// How far from the surface's corner the coordinates handed to Qt may reach. Qt lays text out in
// fixed point with six bits of fraction in 32 bits, so spans up to twice this stay exact; it is
// far beyond any surface, and far enough for any text to fit when a measure is not limited in
// one direction.
constexpr int QtReach = 1 << 23;

QColor ToQColor(TColor c) { return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }

int ToQtReach(std::int32_t coordinate) { return std::clamp(coordinate, -QtReach, QtReach); }

// `r` as Qt takes it (its last column and row inside), its sides brought within Qt's reach; a
// reversed rectangle stays reversed.
QRect ToQRect(const TRect& r) {
  return {QPoint(ToQtReach(r.Left), ToQtReach(r.Top)),
          QPoint(ToQtReach(r.Right) - 1, ToQtReach(r.Bottom) - 1)};
}

TRect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QFont ToQFont(const TFontSpec& spec) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  if (!spec.Family.empty()) font.setFamily(QString::fromStdString(spec.Family));
  if (spec.PointSize > 0) font.setPointSize(spec.PointSize);
  font.setBold(spec.Style & fsBold);
  font.setItalic(spec.Style & fsItalic);
  font.setUnderline(spec.Style & fsUnderline);
  font.setStrikeOut(spec.Style & fsStrikeOut);
  return font;
}

int QtTextFlags(std::uint32_t format) {
  int flags = format & tfCentre ? Qt::AlignHCenter : format & tfRight ? Qt::AlignRight : Qt::AlignLeft;
  if (format & tfSingleLine) {
    flags |= Qt::TextSingleLine | (format & tfMiddle   ? Qt::AlignVCenter
                                   : format & tfBottom ? Qt::AlignBottom
                                                       : Qt::AlignTop);
  } else {
    flags |= Qt::AlignTop;
  }
  if (format & tfWordBreak) flags |= Qt::TextWordWrap;
  if (format & tfExpandTabs) flags |= Qt::TextExpandTabs;
  if (format & tfNoClip) flags |= Qt::TextDontClip;
  return flags;
}

// Text of the contexts of a program with a screen, painted with a painter on the context's
// device set up as the context stands.
template <class Base>
class TScreenText : public Base {
 public:
  TSize TextExtent(std::string_view text) override {
    const QFontMetrics metrics = Metrics();
    return {metrics.horizontalAdvance(ToQString(text)), metrics.height()};
  }

  void TextOut(int x, int y, std::string_view text) override {
    const TSize size = TextExtent(text);
    const TRect corner = this->ToDevice({x, y, x, y});
    const TRect cell{corner.Left, corner.Top, ClampToInt32(std::int64_t(corner.Left) + size.Width),
                     ClampToInt32(std::int64_t(corner.Top) + size.Height)};
    const QRect area = ToQRect(cell);
    PaintText(cell, [&](QPainter& painter) {
      if (this->BackgroundMode() == TBackgroundMode::Opaque)
        painter.fillRect(area, ToQColor(this->BackgroundColor()));
      painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                       ToQString(text));
    });
  }

  int DrawText(std::string_view text, TRect& rect, std::uint32_t format) override {
    const QString string = ToQString(text);
    const int flags = QtTextFlags(format);
    const QFontMetrics metrics = Metrics();
    if (format & tfMeasure) {
      const int width = format & tfWordBreak
                            ? int(std::clamp<std::int64_t>(std::int64_t(rect.Right) - rect.Left, 1, QtReach))
                            : QtReach;
      const int measureFlags = (flags & ~Qt::AlignHorizontal_Mask & ~Qt::AlignVertical_Mask) | Qt::AlignLeft;
      const QRect box = metrics.boundingRect(QRect(0, 0, width, QtReach), measureFlags, string);
      rect = {rect.Left, rect.Top, ClampToInt32(std::int64_t(rect.Left) + box.width()),
              ClampToInt32(std::int64_t(rect.Top) + box.height())};
      return box.height();
    }
    const QRect area = ToQRect(this->ToDevice(rect));
    const QRect box = metrics.boundingRect(area, flags, string);
    const QRect painted = format & tfNoClip ? box : box & area;
    PaintText(FromQRect(painted), [&](QPainter& painter) {
      if (this->BackgroundMode() == TBackgroundMode::Opaque)
        painter.fillRect(painted, ToQColor(this->BackgroundColor()));
      painter.drawText(area, flags, string);
    });
    return box.height();
  }

 protected:
  // What the context paints on; nullptr while it has nothing.
  virtual QPaintDevice* Device() = 0;

  // Runs `paint` on a painter set up as the context stands; `box` (device coordinates) holds what
  // it paints.
  virtual void PaintText(const TRect& box, const std::function<void(QPainter&)>& paint) {
    (void)box;
    QPainter painter;
    if (Begin(painter)) paint(painter);
  }

  // A painter on Device() in device coordinates, clipped to what the context may draw on, with its
  // font and text colour. The callers move their coordinates by the origin themselves, in 64 bits,
  // and hand Qt only coordinates within its reach.
  bool Begin(QPainter& painter) {
    QPaintDevice* device = Device();
    if (device == nullptr || !painter.begin(device)) return false;
    QRegion clip;
    for (const TRect& part : this->DrawableParts(this->Bounds())) clip += ToQRect(part);
    painter.setClipRegion(clip);
    painter.setFont(ToQFont(this->Font()));
    painter.setPen(ToQColor(this->TextColor()));
    return true;
  }

 private:
  QFontMetrics Metrics() {
    const QFont font = ToQFont(this->Font());
    QPaintDevice* device = Device();
    return device ? QFontMetrics(font, device) : QFontMetrics(font);
  }
};

// A memory context whose text is painted by a painter on an image over the block itself.
class TScreenMemoryDC final : public TScreenText<TMemoryDC> {
 public:
  bool SelectBlock(const TPixelBlock& block) override {
    QImage view(reinterpret_cast<uchar*>(block.Bits), block.Width, block.Height, qsizetype(block.Stride * 4),
                QImage::Format_RGB32);
    if (view.isNull() || !TMemoryDC::SelectBlock(block)) return false;
    View = std::move(view);
    return true;
  }

 protected:
  QPaintDevice* Device() override { return View.isNull() ? nullptr : &View; }

  // The painter treats the fourth byte of each pixel as it pleases; afterwards every pixel whose
  // colour the text changed is made opaque and every other one is put back as it was.
  void PaintText(const TRect& box, const std::function<void(QPainter&)>& paint) override {
    // room for glyphs that overhang their cell
    const std::int64_t margin = std::max<std::int64_t>(std::int64_t(box.Bottom) - box.Top, 1);
    TRect area{ClampToInt32(box.Left - margin), ClampToInt32(box.Top - margin),
               ClampToInt32(box.Right + margin), ClampToInt32(box.Bottom + margin)};
    if (!IntersectRect(area, area, Bounds())) return;
    const TPixelBlock& block = SelectedBlock();
    const auto row = [&](int y) {
      return block.Bits + std::size_t(y) * block.Stride + std::size_t(area.Left);
    };
    const std::size_t width = std::size_t(area.Right - area.Left);
    std::vector<std::uint32_t> before;
    for (int y = area.Top; y < area.Bottom; ++y) before.insert(before.end(), row(y), row(y) + width);
    TScreenText::PaintText(box, paint);
    const std::uint32_t* old = before.data();
    for (int y = area.Top; y < area.Bottom; ++y) {
      std::uint32_t* now = row(y);
      for (std::size_t x = 0; x < width; ++x, ++old)
        now[x] = (now[x] ^ *old) & 0xFFFFFF ? now[x] | 0xFF000000 : *old;
    }
  }

 private:
  QImage View;
};

class TWindowDC final : public TScreenText<TDC> {
 public:
  explicit TWindowDC(QPaintDevice& window) : Window(window) {}

  TRect Bounds() const override { return {0, 0, Window.width(), Window.height()}; }

  // A window shows colours only: the copy is made opaque, and only where the window can show it.
  bool StretchBlock(const TRect& dest, const TBlockInfo& info, const void* bits,
                    const TRect& source) override {
    const TRect device = ToDevice(dest);
    if (!ReadableBlock(info, bits, source) || IsRectEmpty(device)) return false;
    const std::vector<TRect> parts = DrawableParts(device);
    if (parts.empty()) return true;
    QRegion clip;
    for (const TRect& part : parts) clip += ToQRect(part);
    const TRect box = FromQRect(clip.boundingRect());
    QImage image(box.Right - box.Left, box.Bottom - box.Top, QImage::Format_RGB32);
    if (image.isNull()) return false;
    StretchRows(device, info, bits, source, box, reinterpret_cast<std::uint32_t*>(image.bits()),
                std::size_t(image.bytesPerLine() / 4), 0xFF000000);
    QPainter painter;
    if (!painter.begin(&Window)) return true;
    painter.setClipRegion(clip);
    painter.drawImage(box.Left, box.Top, image);
    return true;
  }

 protected:
  QPaintDevice* Device() override { return &Window; }

  void FillDeviceRect(const TRect& rect, TColor colour) override {
    QPainter painter;
    if (!painter.begin(&Window)) return;
    for (const TRect& part : DrawableParts(rect)) painter.fillRect(ToQRect(part), ToQColor(colour));
  }

 private:
  QPaintDevice& Window;
};

class TScreenLayer final : public TDeviceContextLayer {
 public:
  std::unique_ptr<TMemoryDC> CreateMemoryDC() override { return std::make_unique<TScreenMemoryDC>(); }
};

class TSystemClipboard final : public TClipboard {
 public:
  void SetBlock(const TBlockInfo& info, const void* bits) override {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const std::int32_t height = info.Height < 0 ? -info.Height : info.Height;
    if (!ReadableBlock(info, bits, {0, 0, info.Width, height})) {
      clipboard->clear();
      return;
    }
    QImage image(info.Width, height, QImage::Format_RGB32);
    for (std::int32_t y = 0; y < height; ++y) {
      const std::uint32_t* from = BlockRow(info, bits, y);
      auto* to = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
      for (std::int32_t x = 0; x < info.Width; ++x) to[x] = from[x] | 0xFF000000;
    }
    clipboard->setImage(image);
  }

  TClipboardPicture Picture() const override {
    const QImage image = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return {};
    TClipboardPicture picture{image.width(), image.height(), {}};
    picture.Pixels.reserve(std::size_t(image.width()) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
      picture.Pixels.insert(picture.Pixels.end(), row, row + image.width());
    }
    return picture;
  }
};

}  // namespace

TDeviceContextLayer& ScreenDeviceContextLayer() {
  static TScreenLayer layer;
  return layer;
}

std::unique_ptr<TDC> CreateWindowDC(QPaintDevice& window) { return std::make_unique<TWindowDC>(window); }

TClipboard& ScreenClipboard() {
  static TSystemClipboard clipboard;
  return clipboard;
}

}  // namespace lumox
