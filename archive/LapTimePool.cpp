#include "archive/LapTimePool.h"

#include "archive/LapRows.h"
#include "archive/SQLQuery.h"
#include "installation/Strings.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace lumox {

namespace {

// The only kind of merge rule there is.
constexpr int CarMerge = 2;

const QString NoIdentifierLeft = QStringLiteral("the archive has given out every lap identifier there is");

const QString InsertLapStatement = QStringLiteral(
    "insert into LAPTIMEPOOL(LTP_ID, TRACK_NAME, TRACK_PATH, CAR_NAME, CAR_ID, LAP_TIME, LAP_DATE)"
    " values (:LTP_ID, :TRACK_NAME, :TRACK_PATH, :CAR_NAME, :CAR_ID, :LAP_TIME, :LAP_DATE)");

// A lap stored under the car as read or under the car the merge rules move it to, or first
// archived with these values, whatever merges moved it to since. A lap archived before the
// archive kept origins and merged since is found through the rules only.
const QString ArchivedStatement = QStringLiteral(
    "select count(*) as ANZAHL from RDB$DATABASE where exists (select 1 from LAPTIMEPOOL where"
    " TRACK_NAME=:TRACK_NAME and TRACK_PATH=:TRACK_PATH and ((CAR_NAME=:CAR_NAME and CAR_ID=:CAR_ID) or"
    " (CAR_NAME=:MERGED_NAME and CAR_ID=:MERGED_ID)) and LAP_TIME=:LAP_TIME and LAP_DATE=:LAP_DATE)"
    " or exists (select 1 from LAPORIGINS where LAP_DATE=:LAP_DATE and LAP_TIME=:LAP_TIME and"
    " TRACK_NAME=:TRACK_NAME and TRACK_PATH=:TRACK_PATH and CAR_NAME=:CAR_NAME and CAR_ID=:CAR_ID)");

// The engine compares texts as if padded with blanks.
bool SameText(const QString& a, const QString& b) {
  qsizetype aEnd = a.size();
  qsizetype bEnd = b.size();
  while (aEnd > 0 && a[aEnd - 1] == QLatin1Char(' ')) --aEnd;
  while (bEnd > 0 && b[bEnd - 1] == QLatin1Char(' ')) --bEnd;
  return QStringView(a).first(aEnd) == QStringView(b).first(bEnd);
}

void BindLap(TSQLQuery& query, const QString& trackName, const QString& trackPath, const QString& carName,
             const QString& carID, int lapDate, int lapTime) {
  query.Bind(QStringLiteral("TRACK_NAME"), trackName)
      .Bind(QStringLiteral("TRACK_PATH"), TLapTimePoolConnector::NormalizeTrackPath(trackPath))
      .Bind(QStringLiteral("CAR_NAME"), carName)
      .Bind(QStringLiteral("CAR_ID"), carID)
      .Bind(QStringLiteral("LAP_TIME"), lapTime)
      .Bind(QStringLiteral("LAP_DATE"), lapDate);
}

void BindCar(TSQLQuery& query, const QString& carName, const QString& carID) {
  query.Bind(QStringLiteral("CAR_NAME"), carName).Bind(QStringLiteral("CAR_ID"), carID);
}

void BindTrack(TSQLQuery& query, const QString& trackName, const QString& trackPath) {
  query.Bind(QStringLiteral("TRACK_NAME"), trackName)
      .Bind(QStringLiteral("TRACK_PATH"), TLapTimePoolConnector::NormalizeTrackPath(trackPath));
}

void AppendInteger(const TSQLQuery& query, const char* column, QStringList* list) {
  if (list != nullptr) list->append(QString::number(query.Integer(QString::fromLatin1(column))));
}

void AppendTrimmed(const TSQLQuery& query, const char* column, QStringList& list) {
  list.append(TrimControls(query.String(QString::fromLatin1(column))));
}

// A list of the archive: its table and the two lap columns it lists.
struct TLapList {
  const char* Table;
  const char* Name;
  const char* Key;
};
constexpr TLapList CarList{"LAPCARS", "CAR_NAME", "CAR_ID"};
constexpr TLapList TrackList{"LAPTRACKS", "TRACK_NAME", "TRACK_PATH"};

// `sql` with %1 replaced by the list's table, %2 and %3 by its columns.
QString ForList(const TLapList& list, const char* sql) {
  return QString::fromLatin1(sql)
      .replace(QLatin1String("%1"), QLatin1String(list.Table))
      .replace(QLatin1String("%2"), QLatin1String(list.Name))
      .replace(QLatin1String("%3"), QLatin1String(list.Key));
}

// The lists hold every pair that a lap had at some time (the triggers of LAPTIMEPOOL add them
// whoever writes); a pair whose laps are all gone or deleted is left out here. A pair may stand
// twice when two transactions listed it at once.
void ReadListedPairs(TSQLConnection& connection, const TLapList& list, QStringList& names,
                     QStringList& keys) {
  TSQLQuery query(connection,
                  ForList(list,
                          "select distinct E.%2, E.%3 from %1 E where exists (select 1 from LAPTIMEPOOL L where"
                          " L.%2 is not distinct from E.%2 and L.%3 is not distinct from E.%3 and"
                          " L.LTP_ID + 0 >= 0) order by E.%2, E.%3"));
  query.Exec();
  while (query.Next()) {
    AppendTrimmed(query, list.Name, names);
    AppendTrimmed(query, list.Key, keys);
  }
}

// Gives every lap of the pair (`nameFrom`, `keyFrom`) the new pair, deleted laps included.
void MovePair(TSQLConnection& connection, const TLapList& list, const QString& nameFrom,
              const QString& keyFrom, const QString& nameTo, const QString& keyTo) {
  TSQLQuery(
      connection,
      ForList(list,
              "update LAPTIMEPOOL set %2 = :NAME_TO, %3 = :KEY_TO where %2 = :NAME_FROM and %3 = :KEY_FROM"))
      .Bind(QStringLiteral("NAME_TO"), nameTo)
      .Bind(QStringLiteral("KEY_TO"), keyTo)
      .Bind(QStringLiteral("NAME_FROM"), nameFrom)
      .Bind(QStringLiteral("KEY_FROM"), keyFrom)
      .Exec();
}

// How many characters each text column of the lap-time pool holds, by column name.
QHash<QString, int> TextWidths(TSQLConnection& connection) {
  TSQLQuery query(connection, QStringLiteral(
      "select trim(F.RDB$FIELD_NAME) as COLUMN_NAME, T.RDB$CHARACTER_LENGTH as WIDTH from RDB$RELATION_FIELDS F"
      " join RDB$FIELDS T on T.RDB$FIELD_NAME = F.RDB$FIELD_SOURCE where F.RDB$RELATION_NAME = 'LAPTIMEPOOL'"
      " and T.RDB$CHARACTER_LENGTH is not null"));
  query.Exec();
  QHash<QString, int> widths;
  while (query.Next()) widths.insert(query.String(QStringLiteral("COLUMN_NAME")), query.Integer(QStringLiteral("WIDTH")));
  return widths;
}

// A lap with a text longer than its column is refused in words, before the engine refuses it in
// its own. The engine counts characters and ignores trailing blanks.
void CheckTextWidths(const TLapRecord& lap, const QHash<QString, int>& widths) {
  const struct {
    const char* Column;
    const char* Words;
    const QString& Text;
  } texts[] = {{"TRACK_NAME", "track name", lap.TrackName},
               {"TRACK_PATH", "track path", lap.TrackPath},
               {"CAR_NAME", "car name", lap.CarName},
               {"CAR_ID", "car identifier", lap.CarID}};
  for (const auto& text : texts) {
    const int width = widths.value(QLatin1String(text.Column), -1);
    QStringView value(text.Text);
    while (value.endsWith(QLatin1Char(' '))) value.chop(1);
    const qsizetype length = value.toUcs4().size();
    if (width >= 0 && length > width)
      throw EDatabaseError(QStringLiteral("the %1 has %2 characters, more than the %3 the archive holds")
                               .arg(QLatin1String(text.Words))
                               .arg(length)
                               .arg(width));
  }
}

// The visible laps matching `condition`, with the columns of the other side when given.
QString LapsStatement(const char* otherColumns, const char* condition) {
  return QStringLiteral("select LTP_ID, %1LAP_TIME, LAP_DATE from LAPTIMEPOOL where %2 and LTP_ID >= 0")
      .arg(otherColumns ? QString::fromLatin1(otherColumns) + QStringLiteral(", ") : QString(),
           QString::fromLatin1(condition));
}

}  // namespace

void TLapTimePoolConnector::SetSQLConnection(TSQLConnection* connection) { FSQLConnection = connection; }

TSQLConnection& TLapTimePoolConnector::GetSQLConnection() const {
  if (FSQLConnection.isNull()) throw ELumox("TLapTimePoolConnector: SQLConnection not initialized.");
  return *FSQLConnection;
}

TSQLQuery TLapTimePoolConnector::CreateQuery(const QString& sql) const { return TSQLQuery(GetSQLConnection(), sql); }

QString TLapTimePoolConnector::NormalizeTrackPath(const QString& path) {
  const QString stripped = StripTrailingBackslash(path);
  return stripped.size() > 1 && stripped.startsWith(QLatin1Char('\\')) ? stripped.mid(1) : stripped;
}

int TLapTimePoolConnector::GetNextLTPID() {
  // Each end read on its own lets the engine take it from an index instead of a full scan.
  TSQLQuery query = CreateQuery(QStringLiteral(
      "select (select Max(LTP_ID) from LAPTIMEPOOL) as MAX_ID, (select Min(LTP_ID) from LAPTIMEPOOL) as MIN_ID"
      " from RDB$DATABASE"));
  query.Exec();
  if (!query.Next()) return 1;
  const qint64 largest = std::max<qint64>(query.Integer(QStringLiteral("MAX_ID")),
                                          -qint64{query.Integer(QStringLiteral("MIN_ID"))});
  if (largest >= std::numeric_limits<int>::max()) throw EDatabaseError(NoIdentifierLeft);
  return static_cast<int>(largest + 1);
}

void TLapTimePoolConnector::AddLapTime(const QString& trackName, const QString& trackPath, const QString& carName,
                                       const QString& carID, int lapDate, int lapTime) {
  const int ltpID = GetNextLTPID();
  TSQLQuery query = CreateQuery(InsertLapStatement);
  query.Bind(QStringLiteral("LTP_ID"), ltpID);
  BindLap(query, trackName, trackPath, carName, carID, lapDate, lapTime);
  query.Exec();
}

bool TLapTimePoolConnector::LapTimeExists(const QString& trackName, const QString& trackPath,
                                          const QString& carName, const QString& carID, int lapDate,
                                          int lapTime) {
  TSQLQuery query = CreateQuery(QStringLiteral(
      "select count(*) as ANZAHL from LAPTIMEPOOL where TRACK_NAME=:TRACK_NAME and TRACK_PATH=:TRACK_PATH"
      "   and CAR_NAME=:CAR_NAME and CAR_ID=:CAR_ID   and LAP_TIME=:LAP_TIME and LAP_DATE=:LAP_DATE"));
  BindLap(query, trackName, trackPath, carName, carID, lapDate, lapTime);
  query.Exec();
  return query.Next() && query.Integer(QStringLiteral("ANZAHL")) != 0;
}

bool TLapTimePoolConnector::LapTimeArchived(const TCarAutoMerges& rules, const QString& trackName,
                                            const QString& trackPath, const QString& carName, const QString& carID,
                                            int lapDate, int lapTime) {
  TSQLQuery query = CreateQuery(ArchivedStatement);
  return Archived(query, rules, {trackName, trackPath, carName, carID, lapDate, lapTime});
}

bool TLapTimePoolConnector::Archived(TSQLQuery& query, const TCarAutoMerges& rules, const TLapRecord& lap) {
  QString mergedName = lap.CarName;
  QString mergedID = lap.CarID;
  rules.Follow(mergedName, mergedID);
  BindLap(query, lap.TrackName, lap.TrackPath, lap.CarName, lap.CarID, lap.LapDate, lap.LapTime);
  query.Bind(QStringLiteral("MERGED_NAME"), mergedName).Bind(QStringLiteral("MERGED_ID"), mergedID).Exec();
  return query.Next() && query.Integer(QStringLiteral("ANZAHL")) != 0;
}

void TLapTimePoolConnector::ImportLaps(const std::vector<TLapRecord>& laps, const TLapRefused& refused) {
  TTransaction transaction(GetSQLConnection());
  AddMissingLaps(laps, refused);
  ApplyCarAutoMerges();
  transaction.Commit();
}

// The statements are prepared once for all laps, and the identifiers counted on here: no other
// writer can add laps meanwhile, as the engine keeps the file to this process.
void TLapTimePoolConnector::AddMissingLaps(const std::vector<TLapRecord>& laps, const TLapRefused& refused) {
  const TCarAutoMerges rules(*this);
  const QHash<QString, int> widths = TextWidths(GetSQLConnection());
  qint64 next = GetNextLTPID();
  TSQLQuery archived = CreateQuery(ArchivedStatement);
  TSQLQuery insert = CreateQuery(InsertLapStatement);
  for (std::size_t i = 0; i < laps.size(); ++i) {
    const TLapRecord& lap = laps[i];
    try {
      CheckTextWidths(lap, widths);
      if (Archived(archived, rules, lap)) continue;
      if (next > std::numeric_limits<int>::max()) throw EDatabaseError(NoIdentifierLeft);
      insert.Bind(QStringLiteral("LTP_ID"), static_cast<int>(next));
      BindLap(insert, lap.TrackName, lap.TrackPath, lap.CarName, lap.CarID, lap.LapDate, lap.LapTime);
      insert.Exec();
      ++next;
    } catch (const EDatabaseError& e) {
      refused(i, e);
    }
  }
}

void TLapTimePoolConnector::DeleteLapTime(int ltpID) {
  if (ltpID < 1) return;
  TSQLQuery query = CreateQuery(QStringLiteral("update LAPTIMEPOOL set LTP_ID = :NEW_LTP_ID where LTP_ID = :OLD_LTP_ID"));
  query.Bind(QStringLiteral("NEW_LTP_ID"), -ltpID).Bind(QStringLiteral("OLD_LTP_ID"), ltpID).Exec();
}

void TLapTimePoolConnector::GetCars(QStringList& carNames, QStringList& carIDs) {
  ReadListedPairs(GetSQLConnection(), CarList, carNames, carIDs);
}

void TLapTimePoolConnector::GetTracks(QStringList& trackNames, QStringList& trackPaths) {
  ReadListedPairs(GetSQLConnection(), TrackList, trackNames, trackPaths);
}

void TLapTimePoolConnector::GetLapTimesForCarAndTrack(const QString& carName, const QString& carID,
                                                      const QString& trackName, const QString& trackPath,
                                                      QStringList* ltpIDs, QStringList& lapTimes,
                                                      QStringList& lapDates, bool orderByDate) {
  TSQLQuery query = CreateQuery(LapsStatement(
      nullptr,
      "TRACK_NAME=:TRACK_NAME and TRACK_PATH=:TRACK_PATH and CAR_NAME=:CAR_NAME and CAR_ID=:CAR_ID"));
  BindTrack(query, trackName, trackPath);
  BindCar(query, carName, carID);
  query.Exec();
  TLapRows laps = TLapRows::Read(query, nullptr, nullptr);
  laps.SortByTime(orderByDate);
  laps.AppendTo(ltpIDs, lapTimes, lapDates);
}

TLapRows TLapTimePoolConnector::LapsOfCar(const QString& carName, const QString& carID) {
  TSQLQuery query =
      CreateQuery(LapsStatement("TRACK_NAME, TRACK_PATH", "CAR_NAME=:CAR_NAME and CAR_ID=:CAR_ID"));
  BindCar(query, carName, carID);
  query.Exec();
  return TLapRows::Read(query, "TRACK_NAME", "TRACK_PATH");
}

TLapRows TLapTimePoolConnector::LapsOnTrack(const QString& trackName, const QString& trackPath) {
  TSQLQuery query =
      CreateQuery(LapsStatement("CAR_NAME, CAR_ID", "TRACK_NAME=:TRACK_NAME and TRACK_PATH=:TRACK_PATH"));
  BindTrack(query, trackName, trackPath);
  query.Exec();
  return TLapRows::Read(query, "CAR_NAME", "CAR_ID");
}

void TLapTimePoolConnector::GetBestLapsForCar(const QString& carName, const QString& carID, QStringList* ltpIDs,
                                              QStringList& trackNames, QStringList& trackPaths,
                                              QStringList& lapTimes, QStringList& lapDates) {
  TLapRows laps = LapsOfCar(carName, carID);
  laps.KeepBestOfEachPlace();
  laps.AppendTo(ltpIDs, trackNames, trackPaths, lapTimes, lapDates);
}

void TLapTimePoolConnector::GetBestLapsForTrack(const QString& trackName, const QString& trackPath,
                                                QStringList* ltpIDs, QStringList& carNames, QStringList& carIDs,
                                                QStringList& lapTimes, QStringList& lapDates) {
  TLapRows laps = LapsOnTrack(trackName, trackPath);
  laps.KeepBestOfEachPlace();
  laps.AppendTo(ltpIDs, carNames, carIDs, lapTimes, lapDates);
}

void TLapTimePoolConnector::GetLapTimesForCar(const QString& carName, const QString& carID, QStringList* ltpIDs,
                                              QStringList& trackNames, QStringList& trackPaths,
                                              QStringList& lapTimes, QStringList& lapDates) {
  TLapRows laps = LapsOfCar(carName, carID);
  laps.SortByPlace();
  laps.AppendTo(ltpIDs, trackNames, trackPaths, lapTimes, lapDates);
}

void TLapTimePoolConnector::GetLapTimesForTrack(const QString& trackName, const QString& trackPath,
                                                QStringList* ltpIDs, QStringList& carNames, QStringList& carIDs,
                                                QStringList& lapTimes, QStringList& lapDates) {
  TLapRows laps = LapsOnTrack(trackName, trackPath);
  laps.SortByPlace();
  laps.AppendTo(ltpIDs, carNames, carIDs, lapTimes, lapDates);
}

void TLapTimePoolConnector::GetLapTimeInfo(int ltpID, QString& carName, QString& carID, QString& trackName,
                                           QString& trackPath) {
  TSQLQuery query = CreateQuery(
      QStringLiteral("select CAR_NAME, CAR_ID, TRACK_NAME, TRACK_PATH from LAPTIMEPOOL where LTP_ID = :LTP_ID"));
  query.Bind(QStringLiteral("LTP_ID"), ltpID).Exec();
  const bool found = query.Next();
  carName = found ? query.String(QStringLiteral("CAR_NAME")) : QString();
  carID = found ? query.String(QStringLiteral("CAR_ID")) : QString();
  trackName = found ? query.String(QStringLiteral("TRACK_NAME")) : QString();
  trackPath = found ? query.String(QStringLiteral("TRACK_PATH")) : QString();
}

void TLapTimePoolConnector::MergeTracks(const QString& nameFrom, const QString& pathFrom, const QString& nameTo,
                                        const QString& pathTo) {
  MovePair(GetSQLConnection(), TrackList, nameFrom, pathFrom, nameTo, pathTo);
}

void TLapTimePoolConnector::MergeCars(const QString& nameFrom, const QString& idFrom, const QString& nameTo,
                                      const QString& idTo) {
  MovePair(GetSQLConnection(), CarList, nameFrom, idFrom, nameTo, idTo);
}

void TLapTimePoolConnector::AddCarAutoMerge(const QString& nameFrom, const QString& idFrom, const QString& nameTo,
                                            const QString& idTo) {
  const auto bindRule = [&](TSQLQuery& query) {
    query.Bind(QStringLiteral("MERGE_TYPE"), CarMerge)
        .Bind(QStringLiteral("NAME_FROM"), nameFrom)
        .Bind(QStringLiteral("IDPATH_FROM"), idFrom)
        .Bind(QStringLiteral("NAME_TO"), nameTo)
        .Bind(QStringLiteral("IDPATH_TO"), idTo);
  };
  {
    TSQLQuery count = CreateQuery(QStringLiteral(
        "select count(*) as RULES from AUTOMERGES where MERGE_TYPE = :MERGE_TYPE"
        "   and NAME_FROM = :NAME_FROM and IDPATH_FROM = :IDPATH_FROM   and NAME_TO = :NAME_TO and IDPATH_TO = :IDPATH_TO"));
    bindRule(count);
    count.Exec();
    if (count.Next() && count.Integer(QStringLiteral("RULES")) >= 1) return;
  }
  const int mergeID = GetNextMergeID();
  TSQLQuery insert = CreateQuery(QStringLiteral(
      "insert into AUTOMERGES (MERGE_ID, MERGE_TYPE, NAME_FROM, IDPATH_FROM, NAME_TO, IDPATH_TO)"
      " values (:MERGE_ID, :MERGE_TYPE, :NAME_FROM, :IDPATH_FROM, :NAME_TO, :IDPATH_TO)"));
  insert.Bind(QStringLiteral("MERGE_ID"), mergeID);
  bindRule(insert);
  insert.Exec();
}

int TLapTimePoolConnector::GetNextMergeID() {
  TSQLQuery query = CreateQuery(QStringLiteral("select max(MERGE_ID) as MAX_ID from AUTOMERGES"));
  query.Exec();
  return query.Next() ? query.Integer(QStringLiteral("MAX_ID")) + 1 : 1;
}

void TLapTimePoolConnector::GetCarAutoMerges(QStringList& mergeIDs, QStringList& namesFrom, QStringList& idsFrom,
                                             QStringList& namesTo, QStringList& idsTo) {
  TSQLQuery query = CreateQuery(QStringLiteral(
      "select MERGE_ID, NAME_FROM, IDPATH_FROM, NAME_TO, IDPATH_TO from AUTOMERGES"
      " where MERGE_TYPE = :MERGE_TYPE order by MERGE_ID"));
  query.Bind(QStringLiteral("MERGE_TYPE"), CarMerge).Exec();
  while (query.Next()) {
    AppendInteger(query, "MERGE_ID", &mergeIDs);
    namesFrom.append(query.String(QStringLiteral("NAME_FROM")));
    idsFrom.append(query.String(QStringLiteral("IDPATH_FROM")));
    namesTo.append(query.String(QStringLiteral("NAME_TO")));
    idsTo.append(query.String(QStringLiteral("IDPATH_TO")));
  }
}

void TLapTimePoolConnector::DeleteAutoMerge(int mergeID) {
  CreateQuery(QStringLiteral("delete from AUTOMERGES where MERGE_ID = :MERGE_ID")).Bind(QStringLiteral("MERGE_ID"), mergeID).Exec();
}

void TLapTimePoolConnector::ApplyCarAutoMerges() {
  QStringList mergeIDs, namesFrom, idsFrom, namesTo, idsTo;
  GetCarAutoMerges(mergeIDs, namesFrom, idsFrom, namesTo, idsTo);
  for (qsizetype rule = 0; rule < mergeIDs.size(); ++rule)
    MovePair(GetSQLConnection(), CarList, namesFrom[rule], idsFrom[rule], namesTo[rule], idsTo[rule]);
}

void TLapTimePoolConnector::LookupCarAutoMerge(QString& carName, QString& carID) {
  TSQLQuery query = CreateQuery(QStringLiteral(
      "select NAME_TO, IDPATH_TO from AUTOMERGES where MERGE_TYPE = :MERGE_TYPE"
      "   and NAME_FROM = :NAME_FROM and IDPATH_FROM = :IDPATH_FROM order by MERGE_ID"));
  query.Bind(QStringLiteral("MERGE_TYPE"), CarMerge)
      .Bind(QStringLiteral("NAME_FROM"), carName)
      .Bind(QStringLiteral("IDPATH_FROM"), carID)
      .Exec();
  if (!query.Next()) return;
  carName = query.String(QStringLiteral("NAME_TO"));
  carID = query.String(QStringLiteral("IDPATH_TO"));
}

TCarAutoMerges::TCarAutoMerges(TLapTimePoolConnector& pool) {
  pool.GetCarAutoMerges(MergeIDs, NamesFrom, IDsFrom, NamesTo, IDsTo);
}

void TCarAutoMerges::Follow(QString& carName, QString& carID) const {
  for (qsizetype rule = 0; rule < MergeIDs.size(); ++rule) {
    if (!SameText(NamesFrom[rule], carName) || !SameText(IDsFrom[rule], carID)) continue;
    carName = NamesTo[rule];
    carID = IDsTo[rule];
  }
}

TLapTimePoolConnector& LapTimePoolConnector() {
  static TLapTimePoolConnector connector;
  return connector;
}

QString TrackNameAndPath(const QString& trackName, const QString& pathPart) {
  const QString name = TrimControls(trackName);
  const QString path = TrimControls(pathPart);
  return (name.isEmpty() ? QStringLiteral("<no track name>") : name) + QStringLiteral(" [") +
         (path.isEmpty() ? QStringLiteral("<no path>") : path) + QLatin1Char(']');
}

QString LastTrackPathComponent(const QString& trackPath) {
  const qsizetype separator = std::max(trackPath.lastIndexOf(QLatin1Char('\\')), trackPath.lastIndexOf(QLatin1Char(':')));
  return trackPath.mid(separator + 1);
}

}  // namespace lumox
