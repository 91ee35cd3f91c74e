#pragma once
#include <QString>
#include <span>

namespace lumox {

class TSQLConnection;

// What a schema statement makes, so that it can be skipped when that already exists.
enum class TSchemaObject { Table, Constraint, Index, Grant };

// One DDL statement and the object it creates (a grant has no object and always runs).
struct TSchemaStatement {
  TSchemaObject Kind;
  const char* Name;
  const char* Sql;
};

// The auto-merge rules (schema version 0.9.0.0).
extern const std::span<const TSchemaStatement> AutoMergeTable;
// The cached car and track lists (schema version 1.2.0.0).
extern const std::span<const TSchemaStatement> CarsAndTracksTables;
// Indexes that let the lap-time lookups and the import avoid scanning the whole pool.
extern const std::span<const TSchemaStatement> LapTimePoolIndexes;

// Runs the statements in order, each committed on its own, skipping any whose object exists,
// so that a schema update that failed half-way can be run again.
void RunSchemaStatements(TSQLConnection& connection, std::span<const TSchemaStatement> statements);

// Why the database is not a Lumox archive, in words; empty when it is one. Every Lumox archive
// has the tables the template brings: SETTINGS of exactly the columns SECTION, NAME and CONTENT,
// in that order, and LAPTIMEPOOL with the lap's columns.
QString WhyNotALumoxArchive(TSQLConnection& connection);

// Makes what schema version 1.4 adds to the laps where it is missing, and fills it from the laps
// archived so far: the lists of the cars and tracks of the laps (LAPCARS, LAPTRACKS), so that
// the archive's lists need not be found among all laps, and each lap's values as first archived
// (LAPORIGINS), both kept by triggers. Brings what an earlier version made up to date: tables
// too narrow for LAPTIMEPOOL's values are widened and triggers replaced. Cheap when all is
// there; older programs sharing the archive keep working with it, and their writes keep the
// lists and origins too.
void CompleteLapSchema(TSQLConnection& connection);

}  // namespace lumox
