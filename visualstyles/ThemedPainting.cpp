#include "visualstyles/ThemedPainting.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "visualstyles/ControlClasses.h"
#include "visualstyles/SystemColours.h"
#include "visualstyles/ThemeManager.h"
#include "visualstyles/ThemeServices.h"

namespace lumox {
namespace {

constexpr int GroupBoxCaptionIndent = 8;
// The room between a list item's check box and its text.
constexpr int ListTextIndent = 2;
constexpr TColor Black = 0;

std::string Utf8(const QString& text) { return text.toStdString(); }

void SendUiStateChange(TThemeManager& manager, QWidget* form, TUiStateFlag flag) {
  TMessage change{.Msg = message::ChangeUiState, .WParam = UiStateParam(UiStateClear, flag)};
  manager.Perform(form, change);
}

// The explicit images a glyph has, in the order a button uses them; the first it always has.
int GlyphImageCount(const QIcon& icon) {
  if (icon.isNull()) return 0;
  int count = 1;
  for (QIcon::Mode mode : {QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
    if (icon.availableSizes(mode).isEmpty()) break;
    ++count;
  }
  return count;
}

QIcon::Mode GlyphImage(const TButtonFace& face, TButtonState state) {
  const bool pressed = face.SpeedButton ? face.Down : state == TButtonState::Pressed;
  if (state == TButtonState::Disabled && face.GlyphImages >= 2) return QIcon::Disabled;
  if (pressed && face.GlyphImages >= 3) return QIcon::Active;
  if (face.SpeedButton && face.Exclusive && face.GlyphImages >= 4) return QIcon::Selected;
  return QIcon::Normal;
}

TStyleDetails ButtonDetails(const TButtonFace& face, TButtonState state) {
  const int offset = int(state) - int(TButtonState::Normal);
  if (face.SpeedButton && face.Flat)
    return DetailsOf(TToolBarStyleItem(int(TToolBarStyleItem::Button) + offset));
  return DetailsOf(TButtonStyleItem(int(TButtonStyleItem::PushButtonNormal) + offset));
}

// Rings of one pixel, from the outside in: top and left in `topLeft`, right and bottom in
// `bottomRight`; `rect` ends up inside them.
void PaintFrame3D(TDC& dc, TRect& rect, TColor topLeft, TColor bottomRight, int width) {
  for (int ring = 0; ring < width; ++ring) {
    dc.FillRect({rect.Left, rect.Top, rect.Right - 1, rect.Top + 1}, TBrush{topLeft});
    dc.FillRect({rect.Left, rect.Top + 1, rect.Left + 1, rect.Bottom - 1}, TBrush{topLeft});
    dc.FillRect({rect.Right - 1, rect.Top, rect.Right, rect.Bottom}, TBrush{bottomRight});
    dc.FillRect({rect.Left, rect.Bottom - 1, rect.Right - 1, rect.Bottom}, TBrush{bottomRight});
    InflateRect(rect, -1, -1);
  }
}

void PaintBevel(TDC& dc, TRect& rect, TBevel bevel, int width) {
  if (bevel == TBevel::None) return;
  const TColor light = SystemColour(TSystemColour::ButtonHighlight),
               dark = SystemColour(TSystemColour::ButtonShadow);
  PaintFrame3D(dc, rect, bevel == TBevel::Raised ? light : dark, bevel == TBevel::Raised ? dark : light,
               width);
}

TBevel BevelOf(QFrame::Shadow shadow) {
  return shadow == QFrame::Raised   ? TBevel::Raised
         : shadow == QFrame::Sunken ? TBevel::Lowered
                                    : TBevel::None;
}

TColor BackgroundColour(const QWidget* control) {
  return ColourOf(control->palette().color(control->backgroundRole()));
}

}  // namespace

void EraseFromParent(TThemeManager& manager, QWidget* control, TDC& dc) {
  QWidget* parent = ParentControl(control);
  if (!parent) return;
  const TPoint origin = dc.WindowOrigin();
  dc.SetWindowOrigin({origin.X + control->x(), origin.Y + control->y()});
  TMessage erase{
      .Msg = message::EraseBackground, .WParam = HandleOf(dc), .LParam = std::intptr_t(HandleOf(dc))};
  manager.Perform(parent, erase);
  dc.SetWindowOrigin(origin);
}

void PaintParentBackground(TThemeManager& manager, QWidget* control, TDC& dc, const TStyleDetails* details,
                           bool onlyIfTransparent) {
  const QWidget* parent = ParentControl(control);
  if (parent && IsDoubleBuffered(parent))
    EraseFromParent(manager, control, dc);
  else
    ThemeServices().PaintParentArea(control, HandleOf(dc), details, onlyIfTransparent);
}

void RevealCues(TThemeManager& manager, QWidget* control, int keyCode) {
  QWidget* form = control->window();
  if (!IsForm(form)) return;
  if (keyCode == key::Tab || (keyCode >= key::Left && keyCode <= key::Down)) {
    SendUiStateChange(manager, form, UiHideFocus);
  } else if (keyCode == key::Alt) {
    SendUiStateChange(manager, form, UiHideAccelerators);
    for (QLabel* label : form->findChildren<QLabel*>())
      if (label->window() == form) label->update();
  }
}

void PaintCheckBox(TDC& dc, const TRect& rect, Qt::CheckState state, bool enabled) {
  const int width = CheckBoxWidth(), height = CheckBoxHeight();
  const int left = rect.Left + (rect.Right - rect.Left - width) / 2;
  const int top = rect.Top + (rect.Bottom - rect.Top - height) / 2;
  const TButtonStyleItem normal = state == Qt::Checked            ? TButtonStyleItem::CheckBoxCheckedNormal
                                  : state == Qt::PartiallyChecked ? TButtonStyleItem::CheckBoxMixedNormal
                                                                  : TButtonStyleItem::CheckBoxUncheckedNormal;
  // Each check state has its normal, hot, pressed and disabled look, in that order.
  const TButtonStyleItem item = enabled ? normal : TButtonStyleItem(int(normal) + 3);
  ThemeServices().PaintElement(HandleOf(dc), DetailsOf(item), {left, top, left + width, top + height});
}

void PaintCheckListItem(const QListWidget* list, const TDrawItem& item) {
  const QListWidgetItem* entry = list->item(item.Item);
  if (!entry) return;
  TDC& dc = ContextOf(item.DC);
  const bool rightToLeft = list->layoutDirection() == Qt::RightToLeft;
  TRect check = item.Rect, text = item.Rect;
  if (rightToLeft)
    check.Left = text.Right = check.Right - CheckBoxWidth();
  else
    check.Right = text.Left = check.Left + CheckBoxWidth();
  PaintCheckBox(dc, check, entry->checkState(), list->isEnabled() && (entry->flags() & Qt::ItemIsEnabled));

  const bool selected = item.State & TDrawItem::Selected;
  dc.FillRect(text, TBrush{selected ? SystemColour(TSystemColour::Highlight)
                                    : ColourOf(list->palette().color(QPalette::Base))});
  dc.SelectFont(FontSpecOf(list->font()));
  dc.SetTextColor(selected ? SystemColour(TSystemColour::HighlightText)
                           : ColourOf(list->palette().color(QPalette::Text)));
  dc.SetBackgroundMode(TBackgroundMode::Transparent);
  TRect line = text;
  if (rightToLeft)
    line.Right -= ListTextIndent;
  else
    line.Left += ListTextIndent;
  dc.DrawText(Utf8(entry->text()), line, tfSingleLine | tfMiddle | (rightToLeft ? tfRight : tfLeft));
  if (item.State & TDrawItem::Focused) PaintFocusRect(dc, text, dc.TextColor());
}

TButtonFace ButtonFaceOf(const QWidget* control) {
  const auto* button = qobject_cast<const QAbstractButton*>(control);
  TButtonFace face;
  face.Caption = button->text();
  face.Font = FontSpecOf(button->font());
  face.FontColour = ColourOf(button->palette().color(QPalette::ButtonText));
  face.Glyph = button->icon();
  face.GlyphImages = GlyphImageCount(button->icon());
  face.GlyphSize = button->iconSize();
  face.Placement.RightToLeft = button->layoutDirection() == Qt::RightToLeft;
  if (const auto* tool = qobject_cast<const QToolButton*>(button)) {
    face.SpeedButton = true;
    face.Flat = tool->autoRaise();
    face.Down = tool->isDown();
    face.Exclusive = tool->isChecked();
    if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly) face.Caption.clear();
    if (tool->toolButtonStyle() == Qt::ToolButtonTextOnly) face.Glyph = {};
    if (tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon)
      face.Placement.Layout = TButtonLayout::GlyphTop;
  }
  return face;
}

void PaintThemedButton(const TButtonFace& face, TButtonState state, bool focused, const TRect& rect,
                       TDC& dc) {
  TThemeServices& services = ThemeServices();
  const TStyleDetails details = ButtonDetails(face, state);
  services.PaintElement(HandleOf(dc), details, rect);
  const TRect content = services.ElementContentRect(HandleOf(dc), details, rect);

  dc.SelectFont(face.Font);
  const std::string caption = Utf8(face.Caption);
  const TSize captionSize = caption.empty() ? TSize{} : dc.TextExtent(caption);
  const QSize glyphSize = face.Glyph.isNull() ? QSize() : face.Glyph.actualSize(face.GlyphSize);
  const TGlyphAndCaption layout =
      LayoutGlyphAndCaption(content, {glyphSize.width(), glyphSize.height()}, captionSize, face.Placement);

  dc.SetTextColor(state == TButtonState::Disabled ? SystemColour(TSystemColour::GrayText) : face.FontColour);
  dc.SetBackgroundMode(TBackgroundMode::Transparent);
  TRect captionRect = layout.Caption;
  if (!caption.empty()) dc.DrawText(caption, captionRect, tfCentre | tfMiddle | tfSingleLine);
  if (!glyphSize.isEmpty())
    PaintImageMasked(dc, face.Glyph.pixmap(glyphSize, GlyphImage(face, state)).toImage(),
                     {layout.Glyph.Left, layout.Glyph.Top});
  if (focused) PaintFocusRect(dc, content, Black);
}

void PaintOwnerDrawnButton(const QPushButton* button, const TDrawItem& item) {
  const bool hot = UnderMouseCursor(button);
  const TButtonState state = !button->isEnabled()                        ? TButtonState::Disabled
                             : item.State & TDrawItem::Selected          ? TButtonState::Pressed
                             : hot                                       ? TButtonState::Hot
                             : button->isDefault() || button->hasFocus() ? TButtonState::Defaulted
                                                                         : TButtonState::Normal;
  PaintThemedButton(ButtonFaceOf(button), state, item.State & TDrawItem::Focused, item.Rect,
                    ContextOf(item.DC));
}

void PaintThemedGroupBox(const QGroupBox* groupBox, TDC& dc) {
  TThemeServices& services = ThemeServices();
  const TRect client = ClientRect(groupBox);
  const bool rightToLeft = groupBox->layoutDirection() == Qt::RightToLeft;
  dc.SelectFont(FontSpecOf(groupBox->font()));
  const QString title = groupBox->title();
  const TSize size = title.isEmpty() ? TSize{} : dc.TextExtent(Utf8(title));
  const int captionLeft =
      rightToLeft ? client.Right - GroupBoxCaptionIndent - size.Width : client.Left + GroupBoxCaptionIndent;
  const TRect caption{captionLeft, client.Top, captionLeft + size.Width, client.Top + size.Height};
  const TStyleDetails details = DetailsOf(groupBox->isEnabled() ? TButtonStyleItem::GroupBoxNormal
                                                                : TButtonStyleItem::GroupBoxDisabled);

  const int saved = dc.Save();
  dc.ExcludeClipRect(caption);
  services.PaintElement(HandleOf(dc), details,
                        {client.Left, client.Top + size.Height / 2, client.Right, client.Bottom});
  dc.Restore(saved);
  services.PaintText(HandleOf(dc), details, title.toStdU16String(), caption,
                     tfSingleLine | (rightToLeft ? tfRight : tfLeft), 0);
}

TPanelLook PanelLookOf(const QFrame* panel) {
  const bool framed = panel->frameShape() != QFrame::NoFrame;
  // A window-system panel is two bevels deep.
  const bool twoBevels = panel->frameShape() == QFrame::WinPanel;
  TPanelLook look;
  look.Outer = framed ? BevelOf(panel->frameShadow()) : TBevel::None;
  look.Inner = twoBevels ? BevelOf(panel->frameShadow()) : TBevel::None;
  look.BevelWidth = twoBevels ? 1 : std::max(1, panel->lineWidth());
  look.BorderWidth = panel->midLineWidth();
  look.Colour = BackgroundColour(panel);
  look.ParentColour = !panel->testAttribute(Qt::WA_SetPalette);
  if (const QWidget* parent = ParentControl(panel)) look.ParentBrushColour = BackgroundColour(parent);
  return look;
}

void PaintThemedPanel(TThemeManager& manager, QWidget* panel, const TPanelLook& look, TDC& dc) {
  TRect rect = ClientRect(panel);
  PaintBevel(dc, rect, look.Outer, look.BevelWidth);
  PaintFrame3D(dc, rect, look.Colour, look.Colour, look.BorderWidth);
  PaintBevel(dc, rect, look.Inner, look.BevelWidth);
  if (!look.ParentColour || look.Colour != look.ParentBrushColour) {
    dc.FillRect(rect, TBrush{look.Colour});
  } else {
    const TStyleDetails groupBox = DetailsOf(TButtonStyleItem::GroupBoxNormal);
    const int saved = dc.Save();
    dc.IntersectClipRect(rect);  // the bevels stay
    PaintParentBackground(manager, panel, dc, &groupBox);
    dc.Restore(saved);
  }
}

void PaintImageMasked(TDC& dc, const QImage& image, TPoint at) {
  const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
  const TBlockInfo info{.Width = pixels.width(), .Height = -pixels.height()};
  const auto* bits = reinterpret_cast<const std::uint32_t*>(pixels.constBits());
  for (int y = 0; y < pixels.height(); ++y) {
    const std::uint32_t* row = bits + std::size_t(y) * std::size_t(pixels.width());
    for (int x = 0; x < pixels.width();) {
      const auto opaque = [&](int i) { return qAlpha(row[i]) >= 128; };
      if (!opaque(x)) {
        ++x;
        continue;
      }
      int end = x;
      while (end < pixels.width() && opaque(end)) ++end;
      dc.StretchBlock({at.X + x, at.Y + y, at.X + end, at.Y + y + 1}, info, bits, {x, y, end, y + 1});
      x = end;
    }
  }
}

void PaintFocusRect(TDC& dc, const TRect& rect, TColor colour) {
  const TBrush brush{colour};
  for (int x = rect.Left; x < rect.Right; x += 2) {
    dc.FillRect({x, rect.Top, x + 1, rect.Top + 1}, brush);
    dc.FillRect({x, rect.Bottom - 1, x + 1, rect.Bottom}, brush);
  }
  for (int y = rect.Top; y < rect.Bottom; y += 2) {
    dc.FillRect({rect.Left, y, rect.Left + 1, y + 1}, brush);
    dc.FillRect({rect.Right - 1, y, rect.Right, y + 1}, brush);
  }
}

TFontSpec FontSpecOf(const QFont& font) {
  return {.Family = font.family().toStdString(),
          .PointSize = std::max(0, font.pointSize()),
          .Style = std::uint8_t((font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) |
                                (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0))};
}

TRect ClientRect(const QWidget* control) { return {0, 0, control->width(), control->height()}; }

bool UnderMouseCursor(const QWidget* control) { return QApplication::widgetAt(QCursor::pos()) == control; }

}  // namespace lumox
