#include "frontend/LapGrid.h"

#include "archive/LapTimePool.h"
#include "frontend/FrontEndState.h"
#include "installation/LapTimes.h"

namespace lumox {
namespace {

constexpr int kSpecialItems = 2;

bool IsEntry(int item) { return item >= kSpecialItems; }

// Trimmed, ASCII letters in upper case; other letters stay as they are.
QString Comparable(const QString& text) {
  QString result = text.trimmed();
  for (QChar& c : result)
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
  return result;
}

QString OrPlaceholder(const QString& text, const char* placeholder) {
  return text.isEmpty() ? QString::fromLatin1(placeholder) : text;
}

QString At(const QStringList& list, int item) { return list.value(item - kSpecialItems); }

// The selections of one car or one track: the caption after its name and the query.
using TOneSidedQuery = void (TLapTimePoolConnector::*)(const QString&, const QString&, QStringList*, QStringList&,
                                                       QStringList&, QStringList&, QStringList&);
struct TOneSidedView {
  const char* CaptionEnd;
  TOneSidedQuery Query;
  bool OfCar;
};
constexpr TOneSidedView OneSidedViews[] = {
    {" (fastest lap for each car)", &TLapTimePoolConnector::GetBestLapsForTrack, false},
    {" (all lap times)", &TLapTimePoolConnector::GetLapTimesForTrack, false},
    {" (fastest lap for each track)", &TLapTimePoolConnector::GetBestLapsForCar, true},
    {" (all lap times)", &TLapTimePoolConnector::GetLapTimesForCar, true},
};

// The grid lists tracks, with their paths, rather than cars.
bool ListsTracks(TGridMode mode) { return mode == gmCarBestPerTrack || mode == gmCarAllLaps; }

}  // namespace

TGridMode GridModeOf(int carItem, int trackItem) {
  if (carItem < 0 || trackItem < 0) return gmInvalid;
  if (IsEntry(carItem)) {
    if (IsEntry(trackItem)) return gmCarOnTrack;
    return trackItem == 0 ? gmCarBestPerTrack : gmCarAllLaps;
  }
  if (!IsEntry(trackItem)) return gmInvalid;
  return carItem == 0 ? gmTrackBestPerCar : gmTrackAllLaps;
}

QString LastPathComponent(const QString& path) {
  const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char(':')));
  return path.mid(cut + 1);
}

void ReadArchiveLists(TLapTimePoolConnector& pool, TFrontEndState& state) {
  for (QStringList* list : {&state.FLTCarNames, &state.FLTCarIDs, &state.FLTTrackNames, &state.FLTTrackPaths})
    list->clear();
  pool.GetCars(state.FLTCarNames, state.FLTCarIDs);
  pool.GetTracks(state.FLTTrackNames, state.FLTTrackPaths);
}

QStringList ArchiveCarTexts(const TFrontEndState& state) {
  QStringList texts;
  for (qsizetype k = 0; k < state.FLTCarNames.size(); ++k)
    texts << CarNameAndID(state.FLTCarNames[k], state.FLTCarIDs.value(k));
  return texts;
}

QStringList ArchiveTrackTexts(const TFrontEndState& state) {
  QStringList texts;
  for (qsizetype k = 0; k < state.FLTTrackNames.size(); ++k)
    texts << TrackNameAndPath(state.FLTTrackNames[k], LastPathComponent(state.FLTTrackPaths.value(k)));
  return texts;
}

void SetCurrentCar(TLapTimePoolConnector& pool, TFrontEndState& state, QString name, QString id) {
  pool.LookupCarAutoMerge(name, id);
  state.FCurrentCarName = name;
  state.FCurrentCarID = id;
}

int ArchiveCarItem(const TFrontEndState& state, const QString& name, const QString& id) {
  for (qsizetype k = 0; k < state.FLTCarNames.size(); ++k)
    if (state.FLTCarNames[k] == name && state.FLTCarIDs.value(k) == id) return static_cast<int>(k) + kSpecialItems;
  return -1;
}

TLapPlace ReadLapPlace(TLapTimePoolConnector& pool, int ltpID) {
  TLapPlace place;
  pool.GetLapTimeInfo(ltpID, place.CarName, place.CarID, place.TrackName, place.TrackPath);
  for (QString* text : {&place.CarName, &place.CarID, &place.TrackName, &place.TrackPath}) *text = text->trimmed();
  place.TrackPath = LastPathComponent(place.TrackPath);
  return place;
}

TDrillDown DrillDownFrom(TGridMode mode, std::uint8_t lastMode) {
  constexpr TComboTarget lap{TComboTarget::OfLap};
  const auto item = [](int index) { return TComboTarget{TComboTarget::Item, index}; };
  if (mode < gmCarOnTrack) return {lap, lap};
  if (mode != gmCarOnTrack) return {};
  switch (lastMode) {
    case gmTrackBestPerCar: return {item(0), lap};
    case gmTrackAllLaps: return {item(1), lap};
    case gmCarBestPerTrack: return {lap, item(0)};
    case gmCarAllLaps: return {lap, item(1)};
    default: return {};
  }
}

std::vector<int> LapIDsOfRows(const std::vector<int>& rows, const QStringList& rowIDs) {
  std::vector<int> ids;
  for (int row : rows) {
    bool isNumber = false;
    const int id = rowIDs.value(row).toInt(&isNumber);
    if (isNumber && id > 0) ids.push_back(id);
  }
  return ids;
}

void TLapGrid::Clear() {
  for (QStringList* list : {&Names, &Keys, &Times, &Dates}) list->clear();
}

void TLapGrid::Fill(TLapTimePoolConnector& pool, TFrontEndState& state, int carItem, int trackItem) {
  FMode = GridModeOf(carItem, trackItem);
  Clear();
  state.FLTRowIDs.clear();
  CurrentName = Comparable(state.FCurrentCarName);
  CurrentID = Comparable(state.FCurrentCarID);
  if (FMode == gmInvalid) {
    FCaption = QStringLiteral("Invalid Selection. Please select at least one car or track.");
    return;
  }
  const QString carName = At(state.FLTCarNames, carItem), carID = At(state.FLTCarIDs, carItem);
  const QString trackName = At(state.FLTTrackNames, trackItem), trackPath = At(state.FLTTrackPaths, trackItem);
  QStringList* const ids = &state.FLTRowIDs;
  SetColumns();
  if (FMode == gmCarOnTrack) {
    FCaption = carName + QStringLiteral(" on ") + trackName + QStringLiteral(" (all laps)");
    pool.GetLapTimesForCarAndTrack(carName, carID, trackName, trackPath, ids, Times, Dates, false);
    return;
  }
  const TOneSidedView& view = OneSidedViews[FMode];
  const QString& name = view.OfCar ? carName : trackName;
  FCaption = name + QString::fromLatin1(view.CaptionEnd);
  (pool.*view.Query)(name, view.OfCar ? carID : trackPath, ids, Names, Keys, Times, Dates);
}

void TLapGrid::SetColumns() {
  FColumns = {{QStringLiteral("#"), 30, true}, {QStringLiteral("Lap time"), 70, true}};
  if (FMode == gmCarOnTrack) {
    FColumns.push_back({QStringLiteral("Date and Time"), 100, false});
    return;
  }
  const bool tracks = ListsTracks(FMode);
  FColumns.push_back({tracks ? QStringLiteral("Track") : QStringLiteral("Car"), 230, false});
  FColumns.push_back({tracks ? QStringLiteral("Track path") : QStringLiteral("Car ID"), 120, false});
  FColumns.push_back({QStringLiteral("Date and Time"), 120, false});
}

QString TLapGrid::Cell(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= static_cast<int>(FColumns.size())) return {};
  if (column == 0) return QString::number(row + 1);
  if (column == 1) return FormatLapTime(Times[row].toInt());
  if (column + 1 == static_cast<int>(FColumns.size())) return FormatUnixTime(Dates[row].toInt());
  if (column == 2) return OrPlaceholder(Names[row], "<no name>");
  return ListsTracks(FMode) ? OrPlaceholder(LastPathComponent(Keys[row]), "<no path>") : OrPlaceholder(Keys[row], "<no ID>");
}

bool TLapGrid::IsBold(int row) const {
  return FColumns.size() >= 4 && Comparable(Cell(row, 2)) == CurrentName && Comparable(Cell(row, 3)) == CurrentID;
}

}  // namespace lumox
