#pragma once
// The drawing the themed handlers share: background from the parent, focus and accelerator
// cues, buttons, check boxes, group boxes and panels. It paints through the process's theme
// services.
#include <QIcon>
#include <QString>

#include "platform/DeviceContext.h"
#include "visualstyles/ControlMessages.h"
#include "visualstyles/GlyphLayout.h"
#include "visualstyles/StyleDetails.h"

class QFrame;
class QGroupBox;
class QListWidget;
class QPushButton;
class QWidget;

namespace lumox {

class TThemeManager;

// Has the parent of `control` paint its background on `dc`, where `control` lies.
void EraseFromParent(TThemeManager& manager, QWidget* control, TDC& dc);
// The parent's background behind `control`: erased by a double-buffered parent itself, else
// painted by the theme (with `details` and `onlyIfTransparent` as PaintParentArea takes them).
void PaintParentBackground(TThemeManager& manager, QWidget* control, TDC& dc,
                           const TStyleDetails* details = nullptr, bool onlyIfTransparent = false);

// Tab and the arrow keys show the focus rectangles of the control's form, Alt its accelerators.
void RevealCues(TThemeManager& manager, QWidget* control, int keyCode);

// A check box of the system's size, centred in `rect`.
void PaintCheckBox(TDC& dc, const TRect& rect, Qt::CheckState state, bool enabled);
// One item of a check list box: its check box on the reading side, then its text.
void PaintCheckListItem(const QListWidget* list, const TDrawItem& item);

// The states of a push button, numbered as its details.
enum class TButtonState { Normal = 2, Hot, Pressed, Disabled, Defaulted };

// What a themed button shows: a bitmap button, or a speed button of a tool bar.
struct TButtonFace {
  QString Caption;
  TFontSpec Font;
  TColor FontColour = 0;
  // Its images in the order normal, disabled, pressed, exclusive; as many as it has.
  QIcon Glyph;
  int GlyphImages = 0;
  QSize GlyphSize;
  TGlyphPlacement Placement;
  bool SpeedButton = false;
  bool Flat = false;       // drawn as a tool-bar button
  bool Down = false;       // a speed button held down
  bool Exclusive = false;  // a speed button that stays down
};
TButtonFace ButtonFaceOf(const QWidget* button);

void PaintThemedButton(const TButtonFace& face, TButtonState state, bool focused, const TRect& rect, TDC& dc);
void PaintOwnerDrawnButton(const QPushButton* button, const TDrawItem& item);

// The frame with the caption cut out of it, then the caption.
void PaintThemedGroupBox(const QGroupBox* groupBox, TDC& dc);

enum class TBevel { None, Lowered, Raised };

// How a panel draws itself, as a plain frame shows it. A plain frame has no caption, so a panel
// has none either.
struct TPanelLook {
  TBevel Outer = TBevel::None;
  TBevel Inner = TBevel::None;
  int BevelWidth = 1;
  int BorderWidth = 0;
  TColor Colour = 0;
  // It takes its parent's colour, and that colour.
  bool ParentColour = true;
  TColor ParentBrushColour = 0;
};
TPanelLook PanelLookOf(const QFrame* panel);

void PaintThemedPanel(TThemeManager& manager, QWidget* panel, const TPanelLook& look, TDC& dc);

// Draws the pixels of `image` that are more opaque than not, its top left corner at `at`.
void PaintImageMasked(TDC& dc, const QImage& image, TPoint at);
// A dotted rectangle just inside `rect`.
void PaintFocusRect(TDC& dc, const TRect& rect, TColor colour);

TFontSpec FontSpecOf(const QFont& font);
// The control's own area, its top left corner at (0, 0).
TRect ClientRect(const QWidget* control);
// Whether the control under the mouse cursor is `control`.
bool UnderMouseCursor(const QWidget* control);

}  // namespace lumox
