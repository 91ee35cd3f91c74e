#pragma once
#include "archive/Database.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/TempFolder.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

namespace lumox::test {

// The template the build made, and the isql tool it used.
QString BuiltTemplate();
QString IsqlTool();
// Points the embedded engine at this build tree's lock folder; call before the first attach.
// All test processes share it, so they see each other's locks.
void UseBuildLockFolder();

// Another program attached to `database`, with its lock files beside it as an older Lumox keeps
// them, so that no engine with another lock folder may open the file; it lets go with Detach or
// with the object.
class TOtherProgramAttached {
 public:
  explicit TOtherProgramAttached(const QString& database);
  ~TOtherProgramAttached() { Detach(); }
  bool IsAttached() const { return Attached; }
  void Detach();

 private:
  QProcess Isql;
  bool Attached = false;
};

// A copy of the built template in a fresh temporary folder, with an unopened connection to it.
class TTestDatabase {
 public:
  TTestDatabase();

  const TTempFolder& Folder() const { return Temp; }
  QString File() const { return Temp.File(DatabaseFileName); }
  TSQLConnection& Connection() { return *Conn; }
  // Closes the connection and makes a new one to the same file.
  void Reconnect();
  // Runs one statement that returns no rows.
  void Execute(const QString& sql);
  // The column R of every row `sql` selects.
  QStringList Rows(const QString& sql);
  // CARS and TRACKS as the schema updater makes them.
  void CreateCacheTables();
  // AUTOMERGES, the lap lists and the lap-time indexes as the schema updater makes them.
  void CreateLapTimeSchema();

 private:
  TTempFolder Temp;
  std::unique_ptr<TSQLConnection> Conn;
};

}  // namespace lumox::test
