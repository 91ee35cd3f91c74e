#pragma once
#include "tests/archive/TestDatabase.h"

#include <QString>
#include <QStringList>

namespace lumox::test {

// The program version the updater tests bring databases to.
inline constexpr const char* ProgramVersion = "1.3.1.0";

// Gives the template the tables of schema `version` ("0.0.0.0" leaves it as it is) and stores
// that version unless it is 0.0.0.0, which a first start finds as the missing setting.
void MakeSchemaOf(TTestDatabase& db, const QString& version);
// A lap row as an old program wrote it: only the identifier and the track path.
void AddOldLap(TTestDatabase& db, int ltpID, const QString& trackPath);
// Every row's track path by identifier, then by path, as "id path".
QStringList StoredTrackPaths(TTestDatabase& db);
// DATABASE/VERSION, or "none" when it is not stored.
QString StoredVersion(TTestDatabase& db);
bool TableExists(TTestDatabase& db, const QString& table);
bool IndexExists(TTestDatabase& db, const QString& index);

// The log of an update from `from` to ProgramVersion running the steps of `steps` (versions).
QStringList UpdateLog(const QString& from, const QStringList& steps);
// The log's first three entries, before any step.
QStringList UpdateLogHead(const QString& from);

}  // namespace lumox::test
