#include "archive/Schema.h"

#include "archive/SQLQuery.h"

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

}  // namespace

const std::span<const TSchemaStatement> AutoMergeTable{AutoMergeStatements};
const std::span<const TSchemaStatement> CarsAndTracksTables{CarsAndTracksStatements};
const std::span<const TSchemaStatement> LapListTables{LapListStatements};
const std::span<const TSchemaStatement> LapTimePoolIndexes{LapTimePoolStatements};

void RunSchemaStatements(TSQLConnection& connection, std::span<const TSchemaStatement> statements) {
  for (const TSchemaStatement& statement : statements)
    if (!Exists(connection, statement)) TSQLQuery(connection, QString::fromLatin1(statement.Sql)).Exec();
}

}  // namespace lumox
