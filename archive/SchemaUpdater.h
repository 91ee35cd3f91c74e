#pragma once
#include "installation/Version.h"

#include <QString>

#include <functional>

namespace lumox {

class TSQLConnection;

// Receives the updater's log, one entry at a time; "\r\n" inside an entry starts a new line.
using TUpdateLog = std::function<void(const QString& entry)>;

// Brings a database made by an older program up to the current schema, step by step, logging
// each step. Every step skips what already exists, so an update that failed half-way can be
// run again. DATABASE/VERSION is written only after every step succeeded.
class TSchemaUpdater {
 public:
  TSchemaUpdater(TSQLConnection& connection, const TVersion& newVersion, const TVersion& dbVersion);

  // Throws at the first failing statement; what ran before it stays done and logged.
  void Run(const TUpdateLog& log);

 private:
  struct TStep;
  static const TStep Steps[];

  void RemoveLeadingBackslashes();
  void RemoveTrailingBackslashes();
  void TrimTrackPaths();
  void CreateAutoMergeTable();
  void CreateCarsAndTracksTables();
  void CreateLapListTables();
  // Gives every lap path that `trimmed` changes (an empty one stays as it is) its trimmed form.
  void TrimEachTrackPath(const std::function<QString(const QString&)>& trimmed);

  TSQLConnection& FSQLConnection;
  TVersion FNewVersion;
  TVersion FDBVersion;
};

}  // namespace lumox
