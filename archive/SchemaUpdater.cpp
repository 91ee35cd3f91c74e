#include "archive/SchemaUpdater.h"

#include "archive/IniTable.h"
#include "archive/SQLQuery.h"
#include "archive/Schema.h"
#include "installation/Strings.h"

#include <utility>
#include <vector>

namespace lumox {

struct TSchemaUpdater::TStep {
  const char* Version;
  const char* Action;
  void (TSchemaUpdater::*Perform)();
};

const TSchemaUpdater::TStep TSchemaUpdater::Steps[] = {
    {"0.7.0.0", "  Trimming track paths ...", &TSchemaUpdater::TrimTrackPaths},
    {"0.9.0.0", "  Creating auto-merge table ...", &TSchemaUpdater::CreateAutoMergeTable},
    {"1.2.0.0", "  Creating tables CARS and TRACKS ...", &TSchemaUpdater::CreateCarsAndTracksTables},
    {"1.4.0.0", "  Creating tables LAPCARS and LAPTRACKS and the origins of laps ...",
     &TSchemaUpdater::CreateLapListTables},
};

namespace {

const QString FullVersion;  // the empty template: all four parts
const QString Rule = QStringLiteral("---------------------------------------");

}  // namespace

TSchemaUpdater::TSchemaUpdater(TSQLConnection& connection, const TVersion& newVersion, const TVersion& dbVersion)
    : FSQLConnection(connection), FNewVersion(newVersion), FDBVersion(dbVersion) {}

void TSchemaUpdater::Run(const TUpdateLog& log) {
  log(Rule + QStringLiteral("\r\nLumox Database Updater\r\n") + Rule);
  log(QStringLiteral(" Current DB version: ") + FDBVersion.Format(FullVersion));
  log(QStringLiteral("Updating to version: ") + FNewVersion.Format(FullVersion) + QStringLiteral("\r\n"));
  for (const TStep& step : Steps) {
    if (!FDBVersion.IsOlderThanText(QLatin1StringView(step.Version), 4)) continue;
    log(QStringLiteral("Performing update to %1:").arg(QLatin1StringView(step.Version)));
    log(QLatin1StringView(step.Action));
    (this->*step.Perform)();
    log(QStringLiteral("  Done.\r\n"));
  }
  // Databases made before the lap-time lookups were indexed get the indexes here.
  RunSchemaStatements(FSQLConnection, LapTimePoolIndexes);
  log(QStringLiteral("Update complete. Writing new version number ..."));
  TIniTable(FSQLConnection, QStringLiteral("SETTINGS"))
      .WriteString(QStringLiteral("DATABASE"), QStringLiteral("VERSION"), FNewVersion.Format(FullVersion));
  log(QStringLiteral("Click \"Done\" to exit."));
}

void TSchemaUpdater::TrimTrackPaths() {
  RemoveLeadingBackslashes();
  RemoveTrailingBackslashes();
}

void TSchemaUpdater::RemoveLeadingBackslashes() {
  TrimEachTrackPath([](const QString& path) { return path.startsWith(QLatin1Char('\\')) ? path.mid(1) : path; });
}

void TSchemaUpdater::RemoveTrailingBackslashes() { TrimEachTrackPath(StripTrailingBackslash); }

// Old databases may hold two laps with one identifier, so a row is found by its old path too.
void TSchemaUpdater::TrimEachTrackPath(const std::function<QString(const QString&)>& trimmed) {
  std::vector<std::pair<int, QString>> laps;
  {
    TSQLQuery select(FSQLConnection, QStringLiteral("select LTP_ID, TRACK_PATH from LAPTIMEPOOL"));
    select.Exec();
    while (select.Next())
      laps.emplace_back(select.Integer(QStringLiteral("LTP_ID")), select.String(QStringLiteral("TRACK_PATH")));
  }
  for (const auto& [id, path] : laps) {
    const QString newPath = trimmed(path);
    if (path.isEmpty() || newPath == path) continue;
    TSQLQuery(FSQLConnection, QStringLiteral("update LAPTIMEPOOL set TRACK_PATH=:TRACK_PATH where LTP_ID=:LTP_ID "
                                             "and TRACK_PATH=:OLD_TRACK_PATH"))
        .Bind(QStringLiteral("TRACK_PATH"), newPath)
        .Bind(QStringLiteral("LTP_ID"), id)
        .Bind(QStringLiteral("OLD_TRACK_PATH"), path)
        .Exec();
  }
}

void TSchemaUpdater::CreateAutoMergeTable() { RunSchemaStatements(FSQLConnection, AutoMergeTable); }

void TSchemaUpdater::CreateCarsAndTracksTables() { RunSchemaStatements(FSQLConnection, CarsAndTracksTables); }

void TSchemaUpdater::CreateLapListTables() { CompleteLapSchema(FSQLConnection); }

}  // namespace lumox
