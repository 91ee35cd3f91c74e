#pragma once
// The tables that cache the installation's car and track lists between runs. The archive
// implements them over the database; the installation model sees only these interfaces.
#include <QString>
#include <QStringList>

#include <vector>

namespace lumox {

// Column widths in characters. Longer texts are stored cut to these widths.
inline constexpr int CarNameWidth = 100;
inline constexpr int CarYearWidth = 50;
inline constexpr int CarFolderWidth = 50;
inline constexpr int CarIDWidth = 50;
inline constexpr int TrackNameWidth = 100;
inline constexpr int TrackFolderWidth = 100;
inline constexpr int TrackIDWidth = 100;

// Length in UTF-16 units of the first `width` characters of `text`. The database counts
// characters, so a surrogate pair is one character and is never split.
inline qsizetype ColumnCutLength(const QString& text, int width) {
  qsizetype units = 0;
  for (int chars = 0; chars < width && units < text.size(); ++chars) {
    const bool pair = text[units].isHighSurrogate() && units + 1 < text.size() &&
                      text[units + 1].isLowSurrogate();
    units += pair ? 2 : 1;
  }
  return units;
}

// `text` as a column of `width` characters stores it.
inline QString CutToColumn(const QString& text, int width) {
  return text.left(ColumnCutLength(text, width));
}

// False when storing `text` in a column of `width` characters would cut it.
inline bool FitsColumn(const QString& text, int width) {
  return ColumnCutLength(text, width) == text.size();
}

// One stored row: the item's position in its list and its texts in column order.
struct TCacheRow {
  int Index;
  QStringList Texts;
};

// Cached car list: one row per car, keyed by the car's position in the list.
class ICarsTable {
 public:
  virtual ~ICarsTable() = default;
  // Makes the table hold exactly `rows`, with the texts name, year, folder, id; texts longer
  // than their column are cut to its width.
  virtual void WriteCars(const std::vector<TCacheRow>& rows) = 0;
  // Every row, ordered by position, with the texts name, year, folder, id.
  virtual std::vector<TCacheRow> ReadCars() = 0;
};

// Cached track list: one row per track, keyed by the track's position in the list.
class ITracksTable {
 public:
  virtual ~ITracksTable() = default;
  // Makes the table hold exactly `rows`, with the texts name, folder, id; texts longer than
  // their column are cut to its width.
  virtual void WriteTracks(const std::vector<TCacheRow>& rows) = 0;
  // Every row, ordered by position, with the texts name, folder, id.
  virtual std::vector<TCacheRow> ReadTracks() = 0;
};

}  // namespace lumox
