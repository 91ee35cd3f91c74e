#pragma once
// What the screen's fonts show, as a program with a screen judges them (it needs a running
// QGuiApplication).
class QFont;

namespace lumox {

// Whether `font` draws narrow and wide characters equally wide, so that columns of text line
// up. What it draws decides, not what the font database says: some monospaced fonts do not
// declare themselves so.
bool ShowsFixedPitch(const QFont& font);

}  // namespace lumox
