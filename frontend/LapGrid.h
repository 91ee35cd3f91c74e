#pragma once
// The archive grid without its widgets: which of the five selections the two archive
// selectors make, its caption and columns, the texts of its rows, the rows in bold, and
// where a double click leads. Rows keep the query's columns and make their texts on demand,
// so a grid of many thousand laps fills as fast as the query runs.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace lumox {

class TLapTimePoolConnector;
struct TFrontEndState;

enum TGridMode : std::uint8_t {
  gmTrackBestPerCar = 0,
  gmTrackAllLaps = 1,
  gmCarBestPerTrack = 2,
  gmCarAllLaps = 3,
  gmCarOnTrack = 4,
  gmInvalid = 5
};

// The selections by the item indexes of the car and the track selector; the first two items
// of each are the special ones, an index below 0 means no selection.
TGridMode GridModeOf(int carItem, int trackItem);

// The text after the last backslash or colon; the whole path when it has neither.
QString LastPathComponent(const QString& path);

// Refills the archive's car and track lists of `state` from the visible laps.
void ReadArchiveLists(TLapTimePoolConnector& pool, TFrontEndState& state);
// The selector texts of the archive's cars and tracks, one per list entry.
QStringList ArchiveCarTexts(const TFrontEndState& state);
QStringList ArchiveTrackTexts(const TFrontEndState& state);
// FCurrentCarName/ID := the given car, moved by its first merge rule.
void SetCurrentCar(TLapTimePoolConnector& pool, TFrontEndState& state, QString name, QString id);
// The car selector's item of the archived car, matched exactly; -1 when there is none.
int ArchiveCarItem(const TFrontEndState& state, const QString& name, const QString& id);

struct TGridColumn {
  QString Caption;
  int Width;
  bool RightAligned;
};

// The car and track of a lap as a double click reads them: trimmed, the path cut to its
// last component.
struct TLapPlace {
  QString CarName, CarID, TrackName, TrackPath;
};
TLapPlace ReadLapPlace(TLapTimePoolConnector& pool, int ltpID);

// What a selector is set to by a double click: nothing, one of its special items, or the
// entry of the lap's car or track.
struct TComboTarget {
  enum TKind { Keep, Item, OfLap } Kind = Keep;
  int Index = -1;
};
struct TDrillDown {
  TComboTarget Car, Track;
};
// From a one-sided view to the car on the track; from there back to the view it came from.
TDrillDown DrillDownFrom(TGridMode mode, std::uint8_t lastMode);

// The identifiers of the selected rows that name a lap, in row order.
std::vector<int> LapIDsOfRows(const std::vector<int>& rows, const QStringList& rowIDs);

class TLapGrid {
 public:
  // Runs the query of the selection and keeps its rows; its identifiers go to FLTRowIDs.
  // An invalid selection leaves no rows but the columns as they were.
  void Fill(TLapTimePoolConnector& pool, TFrontEndState& state, int carItem, int trackItem);

  TGridMode Mode() const { return FMode; }
  const QString& Caption() const { return FCaption; }
  const std::vector<TGridColumn>& Columns() const { return FColumns; }
  int RowCount() const { return static_cast<int>(Times.size()); }
  QString Cell(int row, int column) const;
  // The row's car is the current one: its third and fourth cells, trimmed and with ASCII
  // letters in upper case, equal the current car's name and identifier treated alike.
  bool IsBold(int row) const;

 private:
  void Clear();
  void SetColumns();

  TGridMode FMode = gmInvalid;
  QString FCaption;
  std::vector<TGridColumn> FColumns;
  QString CurrentName, CurrentID;  // compared forms
  QStringList Names, Keys, Times, Dates;  // Names/Keys: the car or track column pair
};

}  // namespace lumox
