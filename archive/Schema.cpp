#include "archive/Schema.h"

#include "archive/SQLQuery.h"

#include <QStringList>

#include <algorithm>

namespace lumox {

namespace {

using enum TSchemaObject;

constexpr TSchemaStatement AutoMergeStatements[] = {
    {Table, "AUTOMERGES",
     "CREATE TABLE AUTOMERGES (   MERGE_ID    INTEGER NOT NULL,   MERGE_TYPE  INTEGER,   NAME_FROM   VARCHAR(255),"
     "   IDPATH_FROM VARCHAR(255),   NAME_TO     VARCHAR(255),   IDPATH_TO   VARCHAR(255) )"},
    {Constraint, "PK_AUTOMERGES", "ALTER TABLE AUTOMERGES ADD CONSTRAINT PK_AUTOMERGES PRIMARY KEY (MERGE_ID)"},
    {Grant, "", "GRANT ALL ON AUTOMERGES TO ZINDO WITH GRANT OPTION"},
};

constexpr TSchemaStatement CarsAndTracksStatements[] = {
    {Table, "CARS",
     "CREATE TABLE CARS (   CAR_IDX         INTEGER NOT NULL,   CAR_NAME        VARCHAR(100) NOT NULL,"
     "   CAR_YEAR        VARCHAR(50) NOT NULL,   CAR_FOLDER      VARCHAR(50) NOT NULL,"
     "   CAR_ID          VARCHAR(50) NOT NULL )"},
    {Index, "IDX_CARS_CAR_IDX", "CREATE INDEX IDX_CARS_CAR_IDX ON CARS (CAR_IDX)"},
    {Table, "TRACKS",
     "CREATE TABLE TRACKS (   TRK_IDX     INTEGER NOT NULL,   TRK_NAME    VARCHAR(100) NOT NULL,"
     "   TRK_FOLDER  VARCHAR(100) NOT NULL,   TRK_ID      VARCHAR(100) NOT NULL )"},
    {Index, "IDX_TRACKS_TRK_IDX", "CREATE INDEX IDX_TRACKS_TRK_IDX ON TRACKS (TRK_IDX)"},
};

// The columns are those of LAPTIMEPOOL, whose widths the template sets.
constexpr TSchemaStatement LapListStatements[] = {
    {Table, "LAPCARS", "CREATE TABLE LAPCARS (CAR_NAME VARCHAR(255), CAR_ID VARCHAR(255))"},
    {Index, "IDX_LAPCARS_CAR_NAME", "CREATE INDEX IDX_LAPCARS_CAR_NAME ON LAPCARS (CAR_NAME)"},
    {Table, "LAPTRACKS", "CREATE TABLE LAPTRACKS (TRACK_NAME VARCHAR(255), TRACK_PATH VARCHAR(255))"},
    {Index, "IDX_LAPTRACKS_TRACK_NAME", "CREATE INDEX IDX_LAPTRACKS_TRACK_NAME ON LAPTRACKS (TRACK_NAME)"},
};

// Each lap's values as it was first archived, whatever merges did to it later, so that the import
// knows it again when it reads it from the simulator's files once more. A table of its own rather
// than columns of LAPTIMEPOOL, whose rows older programs may insert without naming columns.
// LAP_ID is the lap's identifier, positive whether the lap is deleted or not.
constexpr TSchemaStatement LapOriginStatements[] = {
    {Table, "LAPORIGINS",
     "CREATE TABLE LAPORIGINS (LAP_ID INTEGER, TRACK_NAME VARCHAR(255), TRACK_PATH VARCHAR(255),"
     " CAR_NAME VARCHAR(255), CAR_ID VARCHAR(255), LAP_TIME INTEGER, LAP_DATE INTEGER)"},
    {Index, "IDX_LAPORIGINS_LAP_DATE", "CREATE INDEX IDX_LAPORIGINS_LAP_DATE ON LAPORIGINS (LAP_DATE, LAP_TIME)"},
    {Index, "IDX_LAPORIGINS_LAP_ID", "CREATE INDEX IDX_LAPORIGINS_LAP_ID ON LAPORIGINS (LAP_ID)"},
};

// What the triggers do, once, for the laps archived before they existed.
constexpr const char* BackfillStatements[] = {
    "insert into LAPORIGINS (LAP_ID, TRACK_NAME, TRACK_PATH, CAR_NAME, CAR_ID, LAP_TIME, LAP_DATE)"
    " select abs(L.LTP_ID), L.TRACK_NAME, L.TRACK_PATH, L.CAR_NAME, L.CAR_ID, L.LAP_TIME, L.LAP_DATE"
    " from LAPTIMEPOOL L where not exists (select 1 from LAPORIGINS O where O.LAP_ID = abs(L.LTP_ID))",
    "insert into LAPCARS (CAR_NAME, CAR_ID) select distinct L.CAR_NAME, L.CAR_ID from LAPTIMEPOOL L where not exists"
    " (select 1 from LAPCARS E where E.CAR_NAME is not distinct from L.CAR_NAME and E.CAR_ID is not distinct from"
    " L.CAR_ID)",
    "insert into LAPTRACKS (TRACK_NAME, TRACK_PATH) select distinct L.TRACK_NAME, L.TRACK_PATH from LAPTIMEPOOL L"
    " where not exists (select 1 from LAPTRACKS E where E.TRACK_NAME is not distinct from L.TRACK_NAME and"
    " E.TRACK_PATH is not distinct from L.TRACK_PATH)",
};

// Triggers fire for every program that writes laps, older ones that know nothing of the lists
// and origins included. A pair is listed when a lap first has it; one whose laps are all gone
// stays listed, and readers leave it out. A lap's origin goes with its row.
constexpr TSchemaStatement LapTriggerStatements[] = {
    {Trigger, "LAPTIMEPOOL_ORIGINS",
     "CREATE TRIGGER LAPTIMEPOOL_ORIGINS FOR LAPTIMEPOOL ACTIVE AFTER INSERT OR DELETE POSITION 0 AS BEGIN"
     " IF (INSERTING) THEN"
     " INSERT INTO LAPORIGINS (LAP_ID, TRACK_NAME, TRACK_PATH, CAR_NAME, CAR_ID, LAP_TIME, LAP_DATE) VALUES"
     " (ABS(NEW.LTP_ID), NEW.TRACK_NAME, NEW.TRACK_PATH, NEW.CAR_NAME, NEW.CAR_ID, NEW.LAP_TIME, NEW.LAP_DATE);"
     " ELSE DELETE FROM LAPORIGINS O WHERE O.LAP_ID = ABS(OLD.LTP_ID) AND O.LAP_TIME IS NOT DISTINCT FROM"
     " OLD.LAP_TIME AND O.LAP_DATE IS NOT DISTINCT FROM OLD.LAP_DATE; END"},
    {Trigger, "LAPTIMEPOOL_LISTS",
     "CREATE TRIGGER LAPTIMEPOOL_LISTS FOR LAPTIMEPOOL ACTIVE AFTER INSERT OR UPDATE POSITION 1 AS BEGIN"
     " IF ((INSERTING OR NEW.CAR_NAME IS DISTINCT FROM OLD.CAR_NAME OR NEW.CAR_ID IS DISTINCT FROM OLD.CAR_ID)"
     " AND NOT EXISTS (SELECT 1 FROM LAPCARS E WHERE E.CAR_NAME IS NOT DISTINCT FROM NEW.CAR_NAME"
     " AND E.CAR_ID IS NOT DISTINCT FROM NEW.CAR_ID)) THEN"
     " INSERT INTO LAPCARS (CAR_NAME, CAR_ID) VALUES (NEW.CAR_NAME, NEW.CAR_ID);"
     " IF ((INSERTING OR NEW.TRACK_NAME IS DISTINCT FROM OLD.TRACK_NAME OR NEW.TRACK_PATH IS DISTINCT FROM"
     " OLD.TRACK_PATH) AND NOT EXISTS (SELECT 1 FROM LAPTRACKS E WHERE E.TRACK_NAME IS NOT DISTINCT FROM"
     " NEW.TRACK_NAME AND E.TRACK_PATH IS NOT DISTINCT FROM NEW.TRACK_PATH)) THEN"
     " INSERT INTO LAPTRACKS (TRACK_NAME, TRACK_PATH) VALUES (NEW.TRACK_NAME, NEW.TRACK_PATH); END"},
};

// Two UTF8 columns of 255 characters exceed the engine's key size, so each lookup is indexed
// on its name column alone; names are selective enough. The identifier is indexed both ways
// so that the next free identifier reads the maximum and the minimum from the index ends.
constexpr TSchemaStatement LapTimePoolStatements[] = {
    {Index, "IDX_LAPTIMEPOOL_CAR_NAME", "CREATE INDEX IDX_LAPTIMEPOOL_CAR_NAME ON LAPTIMEPOOL (CAR_NAME)"},
    {Index, "IDX_LAPTIMEPOOL_TRACK_NAME", "CREATE INDEX IDX_LAPTIMEPOOL_TRACK_NAME ON LAPTIMEPOOL (TRACK_NAME)"},
    {Index, "IDX_LAPTIMEPOOL_LTP_ID", "CREATE INDEX IDX_LAPTIMEPOOL_LTP_ID ON LAPTIMEPOOL (LTP_ID)"},
    {Index, "IDX_LAPTIMEPOOL_LTP_ID_DESC", "CREATE DESCENDING INDEX IDX_LAPTIMEPOOL_LTP_ID_DESC ON LAPTIMEPOOL (LTP_ID)"},
};

// The catalogue query that tells whether an object of `kind` exists; none for a grant.
const char* ExistenceQuery(TSchemaObject kind) {
  switch (kind) {
    case Table:
      return "select count(*) as FOUND from RDB$RELATIONS where RDB$RELATION_NAME = :NAME";
    case Constraint:
      return "select count(*) as FOUND from RDB$RELATION_CONSTRAINTS where RDB$CONSTRAINT_NAME = :NAME";
    case Index:
      return "select count(*) as FOUND from RDB$INDICES where RDB$INDEX_NAME = :NAME";
    case Trigger:
      return "select count(*) as FOUND from RDB$TRIGGERS where RDB$TRIGGER_NAME = :NAME";

    case Grant:
      break;
  }
  return nullptr;
}

bool Exists(TSQLConnection& connection, const TSchemaStatement& statement) {
  const char* sql = ExistenceQuery(statement.Kind);
  if (sql == nullptr) return false;
  TSQLQuery query(connection, QString::fromLatin1(sql));
  query.Bind(QStringLiteral("NAME"), QString::fromLatin1(statement.Name)).Exec();
  return query.Next() && query.Integer(QStringLiteral("FOUND")) > 0;
}

bool AllExist(TSQLConnection& connection, std::span<const TSchemaStatement> statements) {
  return std::ranges::all_of(statements, [&](const TSchemaStatement& s) { return Exists(connection, s); });
}

// The columns of `table` in their order; none when there is no such table.
QStringList ColumnsOf(TSQLConnection& connection, const char* table) {
  TSQLQuery query(connection, QStringLiteral("select trim(RDB$FIELD_NAME) as COLUMN_NAME from RDB$RELATION_FIELDS"
                                             " where RDB$RELATION_NAME = :TABLE_NAME order by RDB$FIELD_POSITION"));
  query.Bind(QStringLiteral("TABLE_NAME"), QString::fromLatin1(table)).Exec();
  QStringList columns;
  while (query.Next()) columns << query.String(QStringLiteral("COLUMN_NAME"));
  return columns;
}

}  // namespace

const std::span<const TSchemaStatement> AutoMergeTable{AutoMergeStatements};
const std::span<const TSchemaStatement> CarsAndTracksTables{CarsAndTracksStatements};
const std::span<const TSchemaStatement> LapTimePoolIndexes{LapTimePoolStatements};

void RunSchemaStatements(TSQLConnection& connection, std::span<const TSchemaStatement> statements) {
  for (const TSchemaStatement& statement : statements)
    if (!Exists(connection, statement)) TSQLQuery(connection, QString::fromLatin1(statement.Sql)).Exec();
}

QString WhyNotALumoxArchive(TSQLConnection& connection) {
  const QStringList settings = ColumnsOf(connection, "SETTINGS");
  const QStringList laps = ColumnsOf(connection, "LAPTIMEPOOL");
  if (settings.isEmpty() && laps.isEmpty()) return QStringLiteral("it has neither of its tables SETTINGS and LAPTIMEPOOL");
  if (settings.isEmpty()) return QStringLiteral("it has no table SETTINGS");
  if (laps.isEmpty()) return QStringLiteral("it has no table LAPTIMEPOOL");
  const QStringList settingColumns{QStringLiteral("SECTION"), QStringLiteral("NAME"), QStringLiteral("CONTENT")};
  if (settings != settingColumns)
    return QStringLiteral("its table SETTINGS has the columns %1 instead of SECTION, NAME and CONTENT")
        .arg(settings.join(QStringLiteral(", ")));
  for (const char* column : {"LTP_ID", "TRACK_NAME", "TRACK_PATH", "CAR_NAME", "CAR_ID", "LAP_TIME", "LAP_DATE"})
    if (!laps.contains(QLatin1String(column)))
      return QStringLiteral("its table LAPTIMEPOOL has no column %1").arg(QLatin1String(column));
  return {};
}

// The triggers come last, so once they exist everything before them does, and a start-up asks
// the catalogue only for them; until then a run that was cut short is taken up again.
void CompleteLapSchema(TSQLConnection& connection) {
  if (AllExist(connection, LapTriggerStatements)) return;
  RunSchemaStatements(connection, LapListStatements);
  RunSchemaStatements(connection, LapOriginStatements);
  for (const char* sql : BackfillStatements) TSQLQuery(connection, QString::fromLatin1(sql)).Exec();
  RunSchemaStatements(connection, LapTriggerStatements);
}

}  // namespace lumox
