#include "archive/Schema.h"

#include <QHash>
#include <QStringList>
#include <algorithm>

#include "archive/SQLQuery.h"

namespace lumox {

namespace {

using enum TSchemaObject;

constexpr TSchemaStatement AutoMergeStatements[] = {
    {Table, "AUTOMERGES",
     "CREATE TABLE AUTOMERGES (   MERGE_ID    INTEGER NOT NULL,   MERGE_TYPE  INTEGER,   NAME_FROM   "
     "VARCHAR(255),"
     "   IDPATH_FROM VARCHAR(255),   NAME_TO     VARCHAR(255),   IDPATH_TO   VARCHAR(255) )"},
    {Constraint, "PK_AUTOMERGES",
     "ALTER TABLE AUTOMERGES ADD CONSTRAINT PK_AUTOMERGES PRIMARY KEY (MERGE_ID)"},
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

// The tables the triggers of LAPTIMEPOOL keep beside it: the lists of the cars and tracks of the
// laps (LAPCARS, LAPTRACKS), so that the archive's lists need not be found among all laps, and
// each lap's values as it was first archived (LAPORIGINS), whatever merges did to it later, so
// that the import knows it again when it reads it from the simulator's files once more. The
// origins are a table of their own rather than columns of LAPTIMEPOOL, whose rows older programs
// may insert without naming columns.
//
// A trigger must never refuse a row that LAPTIMEPOOL takes, whoever writes it, so each column
// holds whatever its column of LAPTIMEPOOL may hold, in an archive from any template: a text as
// long as LAPTIMEPOOL's in its character set, and every number as a double, which holds every
// integer a database of this dialect has, and the magnitude of the smallest one too.
struct TSideColumn {
  const char* Name;
  const char* Source;  // the column of LAPTIMEPOOL whose values it takes
};

// LAP_ID is the lap's identifier, positive whether the lap is deleted or not.
constexpr TSideColumn LapCarColumns[] = {{"CAR_NAME", "CAR_NAME"}, {"CAR_ID", "CAR_ID"}};
constexpr TSideColumn LapTrackColumns[] = {{"TRACK_NAME", "TRACK_NAME"}, {"TRACK_PATH", "TRACK_PATH"}};
constexpr TSideColumn LapOriginColumns[] = {{"LAP_ID", "LTP_ID"},         {"TRACK_NAME", "TRACK_NAME"},
                                            {"TRACK_PATH", "TRACK_PATH"}, {"CAR_NAME", "CAR_NAME"},
                                            {"CAR_ID", "CAR_ID"},         {"LAP_TIME", "LAP_TIME"},
                                            {"LAP_DATE", "LAP_DATE"}};

struct TSideTable {
  const char* Name;
  std::span<const TSideColumn> Columns;
};
constexpr TSideTable SideTables[] = {
    {"LAPCARS", LapCarColumns}, {"LAPTRACKS", LapTrackColumns}, {"LAPORIGINS", LapOriginColumns}};

constexpr TSchemaStatement SideTableIndexes[] = {
    {Index, "IDX_LAPCARS_CAR_NAME", "CREATE INDEX IDX_LAPCARS_CAR_NAME ON LAPCARS (CAR_NAME)"},
    {Index, "IDX_LAPTRACKS_TRACK_NAME", "CREATE INDEX IDX_LAPTRACKS_TRACK_NAME ON LAPTRACKS (TRACK_NAME)"},
    {Index, "IDX_LAPORIGINS_LAP_DATE",
     "CREATE INDEX IDX_LAPORIGINS_LAP_DATE ON LAPORIGINS (LAP_DATE, LAP_TIME)"},
    {Index, "IDX_LAPORIGINS_LAP_ID", "CREATE INDEX IDX_LAPORIGINS_LAP_ID ON LAPORIGINS (LAP_ID)"},
};

// What the triggers do, once, for the laps archived before they existed.
constexpr const char* BackfillStatements[] = {
    "insert into LAPORIGINS (LAP_ID, TRACK_NAME, TRACK_PATH, CAR_NAME, CAR_ID, LAP_TIME, LAP_DATE)"
    " select abs(cast(L.LTP_ID as double precision)), L.TRACK_NAME, L.TRACK_PATH, L.CAR_NAME, L.CAR_ID,"
    " L.LAP_TIME, L.LAP_DATE from LAPTIMEPOOL L where not exists (select 1 from LAPORIGINS O where"
    " O.LAP_ID = abs(cast(L.LTP_ID as double precision)))",
    "insert into LAPCARS (CAR_NAME, CAR_ID) select distinct L.CAR_NAME, L.CAR_ID from LAPTIMEPOOL L where "
    "not exists"
    " (select 1 from LAPCARS E where E.CAR_NAME is not distinct from L.CAR_NAME and E.CAR_ID is not distinct "
    "from"
    " L.CAR_ID)",
    "insert into LAPTRACKS (TRACK_NAME, TRACK_PATH) select distinct L.TRACK_NAME, L.TRACK_PATH from "
    "LAPTIMEPOOL L"
    " where not exists (select 1 from LAPTRACKS E where E.TRACK_NAME is not distinct from L.TRACK_NAME and"
    " E.TRACK_PATH is not distinct from L.TRACK_PATH)",
};

// Triggers fire for every program that writes laps, older ones that know nothing of the lists
// and origins included. A pair is listed when a lap first has it; one whose laps are all gone
// stays listed, and readers leave it out. A lap's origin goes with its row. A trigger whose body
// differs from its statement here (one of an earlier version) is replaced.
struct TTrigger {
  const char* Name;
  const char* Sql;
};
constexpr TTrigger LapTriggers[] = {
    {"LAPTIMEPOOL_ORIGINS",
     "CREATE OR ALTER TRIGGER LAPTIMEPOOL_ORIGINS FOR LAPTIMEPOOL ACTIVE AFTER INSERT OR DELETE POSITION 0 "
     "AS BEGIN"
     " IF (INSERTING) THEN"
     " INSERT INTO LAPORIGINS (LAP_ID, TRACK_NAME, TRACK_PATH, CAR_NAME, CAR_ID, LAP_TIME, LAP_DATE) VALUES"
     " (ABS(CAST(NEW.LTP_ID AS DOUBLE PRECISION)), NEW.TRACK_NAME, NEW.TRACK_PATH, NEW.CAR_NAME, NEW.CAR_ID,"
     " NEW.LAP_TIME, NEW.LAP_DATE);"
     " ELSE DELETE FROM LAPORIGINS O WHERE O.LAP_ID = ABS(CAST(OLD.LTP_ID AS DOUBLE PRECISION)) AND "
     "O.LAP_TIME IS"
     " NOT DISTINCT FROM OLD.LAP_TIME AND O.LAP_DATE IS NOT DISTINCT FROM OLD.LAP_DATE; END"},
    {"LAPTIMEPOOL_LISTS",
     "CREATE OR ALTER TRIGGER LAPTIMEPOOL_LISTS FOR LAPTIMEPOOL ACTIVE AFTER INSERT OR UPDATE POSITION 1 AS "
     "BEGIN"
     " IF ((INSERTING OR NEW.CAR_NAME IS DISTINCT FROM OLD.CAR_NAME OR NEW.CAR_ID IS DISTINCT FROM "
     "OLD.CAR_ID)"
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
    {Index, "IDX_LAPTIMEPOOL_TRACK_NAME",
     "CREATE INDEX IDX_LAPTIMEPOOL_TRACK_NAME ON LAPTIMEPOOL (TRACK_NAME)"},
    {Index, "IDX_LAPTIMEPOOL_LTP_ID", "CREATE INDEX IDX_LAPTIMEPOOL_LTP_ID ON LAPTIMEPOOL (LTP_ID)"},
    {Index, "IDX_LAPTIMEPOOL_LTP_ID_DESC",
     "CREATE DESCENDING INDEX IDX_LAPTIMEPOOL_LTP_ID_DESC ON LAPTIMEPOOL (LTP_ID)"},
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

// The columns of `table` in their order; none when there is no such table.
QStringList ColumnsOf(TSQLConnection& connection, const char* table) {
  TSQLQuery query(connection,
                  QStringLiteral("select trim(RDB$FIELD_NAME) as COLUMN_NAME from RDB$RELATION_FIELDS"
                                 " where RDB$RELATION_NAME = :TABLE_NAME order by RDB$FIELD_POSITION"));
  query.Bind(QStringLiteral("TABLE_NAME"), QString::fromLatin1(table)).Exec();
  QStringList columns;
  while (query.Next()) columns << query.String(QStringLiteral("COLUMN_NAME"));
  return columns;
}

// A column's type as the catalogue gives it: RDB$FIELD_TYPE, and for a text its length in
// characters and its character set.
struct TColumnType {
  int Type = 0;
  int Length = 0;
  QString CharacterSet;
};
constexpr int CharType = 14;
constexpr int VarCharType = 37;
constexpr int DoubleType = 27;

// The types of the columns of LAPTIMEPOOL and of the tables beside it, by "TABLE.COLUMN".
using TColumnTypes = QHash<QString, TColumnType>;

QString ColumnKey(const char* table, const char* column) {
  return QLatin1String(table) + QLatin1Char('.') + QLatin1String(column);
}

TColumnTypes ReadColumnTypes(TSQLConnection& connection) {
  TSQLQuery query(
      connection,
      QStringLiteral("select trim(F.RDB$RELATION_NAME) || '.' || trim(F.RDB$FIELD_NAME) as COLUMN_KEY, "
                     "T.RDB$FIELD_TYPE as"
                     " FIELD_TYPE, T.RDB$CHARACTER_LENGTH as TEXT_LENGTH, trim(C.RDB$CHARACTER_SET_NAME) as "
                     "CHARACTER_SET"
                     " from RDB$RELATION_FIELDS F join RDB$FIELDS T on T.RDB$FIELD_NAME = F.RDB$FIELD_SOURCE"
                     " left join RDB$CHARACTER_SETS C on C.RDB$CHARACTER_SET_ID = T.RDB$CHARACTER_SET_ID"
                     " where F.RDB$RELATION_NAME in ('LAPTIMEPOOL', 'LAPCARS', 'LAPTRACKS', 'LAPORIGINS')"));
  query.Exec();
  TColumnTypes types;
  while (query.Next())
    types.insert(query.String(QStringLiteral("COLUMN_KEY")),
                 {query.Integer(QStringLiteral("FIELD_TYPE")), query.Integer(QStringLiteral("TEXT_LENGTH")),
                  query.String(QStringLiteral("CHARACTER_SET"))});
  return types;
}

// The type a column beside LAPTIMEPOOL needs to hold every value of `source`, LAPTIMEPOOL's.
TColumnType TypeToHold(const TColumnType& source) {
  if (source.Type == CharType || source.Type == VarCharType)
    return {VarCharType, source.Length, source.CharacterSet};
  return {DoubleType, 0, {}};
}

QString Sql(const TColumnType& type) {
  if (type.Type != VarCharType) return QStringLiteral("DOUBLE PRECISION");
  const QString text = QStringLiteral("VARCHAR(%1)").arg(type.Length);
  return type.CharacterSet.isEmpty() ? text : text + QStringLiteral(" CHARACTER SET ") + type.CharacterSet;
}

// Whether a column of type `actual` holds every value of one of type `needed`.
bool Holds(const TColumnType& actual, const TColumnType& needed) {
  return actual.Type == needed.Type && actual.Length >= needed.Length &&
         actual.CharacterSet == needed.CharacterSet;
}

TColumnType Needed(const TSideColumn& column, const TColumnTypes& types) {
  return TypeToHold(types.value(ColumnKey("LAPTIMEPOOL", column.Source)));
}

bool HoldsLaps(const TSideTable& table, const TColumnTypes& types) {
  return std::ranges::all_of(table.Columns, [&](const TSideColumn& column) {
    const auto actual = types.constFind(ColumnKey(table.Name, column.Name));
    return actual != types.cend() && Holds(*actual, Needed(column, types));
  });
}

// Makes the table where it is missing, and widens those of its columns that cannot hold every
// value of LAPTIMEPOOL's (in an archive whose LAPTIMEPOOL is wider than the template's, or one
// made by an earlier version).
void MakeToHoldLaps(TSQLConnection& connection, const TSideTable& table, const TColumnTypes& types) {
  const QString name = QLatin1String(table.Name);
  if (!types.contains(ColumnKey(table.Name, table.Columns.front().Name))) {
    QStringList columns;
    for (const TSideColumn& column : table.Columns)
      columns << QLatin1String(column.Name) + QLatin1Char(' ') + Sql(Needed(column, types));
    TSQLQuery(connection,
              QStringLiteral("CREATE TABLE %1 (%2)").arg(name, columns.join(QStringLiteral(", "))))
        .Exec();
    return;
  }
  for (const TSideColumn& column : table.Columns) {
    const TColumnType needed = Needed(column, types);
    if (!Holds(types.value(ColumnKey(table.Name, column.Name)), needed))
      TSQLQuery(connection, QStringLiteral("ALTER TABLE %1 ALTER %2 TYPE %3")
                                .arg(name, QLatin1String(column.Name), Sql(needed)))
          .Exec();
  }
}

// What the catalogue keeps of a trigger's statement: its body, from "AS" on.
QString BodyOf(const TTrigger& trigger) {
  const QString sql = QString::fromLatin1(trigger.Sql);
  return sql.mid(sql.indexOf(QLatin1String(" AS BEGIN")) + 1);
}

// The bodies of the lap triggers that exist, by name.
QHash<QString, QString> ReadTriggerBodies(TSQLConnection& connection) {
  TSQLQuery query(
      connection,
      QStringLiteral(
          "select trim(RDB$TRIGGER_NAME) as TRIGGER_NAME, cast(RDB$TRIGGER_SOURCE as varchar(8000)) as BODY"
          " from RDB$TRIGGERS where RDB$TRIGGER_NAME in ('LAPTIMEPOOL_ORIGINS', 'LAPTIMEPOOL_LISTS')"));
  query.Exec();
  QHash<QString, QString> bodies;
  while (query.Next())
    bodies.insert(query.String(QStringLiteral("TRIGGER_NAME")), query.String(QStringLiteral("BODY")));
  return bodies;
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
  if (settings.isEmpty() && laps.isEmpty())
    return QStringLiteral("it has neither of its tables SETTINGS and LAPTIMEPOOL");
  if (settings.isEmpty()) return QStringLiteral("it has no table SETTINGS");
  if (laps.isEmpty()) return QStringLiteral("it has no table LAPTIMEPOOL");
  const QStringList settingColumns{QStringLiteral("SECTION"), QStringLiteral("NAME"),
                                   QStringLiteral("CONTENT")};
  if (settings != settingColumns)
    return QStringLiteral("its table SETTINGS has the columns %1 instead of SECTION, NAME and CONTENT")
        .arg(settings.join(QStringLiteral(", ")));
  for (const char* column :
       {"LTP_ID", "TRACK_NAME", "TRACK_PATH", "CAR_NAME", "CAR_ID", "LAP_TIME", "LAP_DATE"})
    if (!laps.contains(QLatin1String(column)))
      return QStringLiteral("its table LAPTIMEPOOL has no column %1").arg(QLatin1String(column));
  return {};
}

// The triggers come last, so once they are current everything before them is in place, and a
// start-up reads only the catalogue; until then a run that was cut short is taken up again.
void CompleteLapSchema(TSQLConnection& connection) {
  const TColumnTypes columns = ReadColumnTypes(connection);
  const QHash<QString, QString> bodies = ReadTriggerBodies(connection);
  const auto isCurrent = [&](const TTrigger& trigger) {
    return bodies.value(trigger.Name) == BodyOf(trigger);
  };
  if (std::ranges::all_of(SideTables, [&](const TSideTable& t) { return HoldsLaps(t, columns); }) &&
      std::ranges::all_of(LapTriggers, isCurrent))
    return;
  for (const TSideTable& table : SideTables) MakeToHoldLaps(connection, table, columns);
  RunSchemaStatements(connection, SideTableIndexes);
  // Laps written while a trigger was missing are not in the tables yet; an earlier version's
  // trigger kept them, as far as it took the rows at all.
  if (std::ranges::any_of(LapTriggers, [&](const TTrigger& t) { return !bodies.contains(t.Name); }))
    for (const char* sql : BackfillStatements) TSQLQuery(connection, QString::fromLatin1(sql)).Exec();
  for (const TTrigger& trigger : LapTriggers)
    if (!isCurrent(trigger)) TSQLQuery(connection, QString::fromLatin1(trigger.Sql)).Exec();
}

}  // namespace lumox
