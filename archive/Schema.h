#pragma once
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
// The cars and the tracks of the archived laps, kept in step with the laps so that the archive's
// lists need not be found among all laps (schema version 1.4.0.0).
extern const std::span<const TSchemaStatement> LapListTables;
// Indexes that let the lap-time lookups and the import avoid scanning the whole pool.
extern const std::span<const TSchemaStatement> LapTimePoolIndexes;

// Runs the statements in order, each committed on its own, skipping any whose object exists,
// so that a schema update that failed half-way can be run again.
void RunSchemaStatements(TSQLConnection& connection, std::span<const TSchemaStatement> statements);

}  // namespace lumox
