#include "tests/archive/OldDatabases.h"

#include "archive/IniTable.h"
#include "archive/SQLQuery.h"
#include "archive/Schema.h"
#include "installation/Version.h"

#include <map>

namespace lumox::test {

void MakeSchemaOf(TTestDatabase& db, const QString& version) {
  const TVersion schema(version);
  if (!schema.IsOlderThanText("0.9.0.0", 4)) RunSchemaStatements(db.Connection(), AutoMergeTable);
  if (!schema.IsOlderThanText("1.2.0.0", 4)) RunSchemaStatements(db.Connection(), CarsAndTracksTables);
  if (version == "0.0.0.0") return;
  TIniTable(db.Connection(), "SETTINGS").WriteString("DATABASE", "VERSION", version);
}

void AddOldLap(TTestDatabase& db, int ltpID, const QString& trackPath) {
  TSQLQuery(db.Connection(), "insert into LAPTIMEPOOL (LTP_ID, TRACK_PATH) values (:LTP_ID, :TRACK_PATH)")
      .Bind("LTP_ID", ltpID)
      .Bind("TRACK_PATH", trackPath)
      .Exec();
}

QStringList StoredTrackPaths(TTestDatabase& db) {
  QStringList rows;
  TSQLQuery query(db.Connection(), "select LTP_ID, TRACK_PATH from LAPTIMEPOOL order by LTP_ID, TRACK_PATH");
  query.Exec();
  while (query.Next()) rows << QStringLiteral("%1 %2").arg(query.Integer("LTP_ID")).arg(query.String("TRACK_PATH"));
  return rows;
}

QString StoredVersion(TTestDatabase& db) {
  return TIniTable(db.Connection(), "SETTINGS").ReadString("DATABASE", "VERSION", "none");
}

namespace {

bool Found(TTestDatabase& db, const QString& sql, const QString& name) {
  TSQLQuery query(db.Connection(), sql);
  query.Bind("NAME", name).Exec();
  return query.Next() && query.Integer("FOUND") > 0;
}

}  // namespace

bool TableExists(TTestDatabase& db, const QString& table) {
  return Found(db, "select count(*) as FOUND from RDB$RELATIONS where RDB$RELATION_NAME = :NAME", table);
}

bool IndexExists(TTestDatabase& db, const QString& index) {
  return Found(db, "select count(*) as FOUND from RDB$INDICES where RDB$INDEX_NAME = :NAME", index);
}

QStringList UpdateLogHead(const QString& from) {
  return {"---------------------------------------\r\nLumox Database Updater\r\n---------------------------------------",
          " Current DB version: " + from, QStringLiteral("Updating to version: %1\r\n").arg(ProgramVersion)};
}

QStringList UpdateLog(const QString& from, const QStringList& steps) {
  static const std::map<QString, QString> actions = {{"0.7.0.0", "  Trimming track paths ..."},
                                                     {"0.9.0.0", "  Creating auto-merge table ..."},
                                                     {"1.2.0.0", "  Creating tables CARS and TRACKS ..."}};
  QStringList log = UpdateLogHead(from);
  for (const QString& step : steps)
    log << "Performing update to " + step + ":" << actions.at(step) << "  Done.\r\n";
  return log << "Update complete. Writing new version number ..." << "Click \"Done\" to exit.";
}

}  // namespace lumox::test
