#pragma once
#include "archive/Database.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/TempFolder.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

namespace lumox::test {

// The template the build made, and the isql tool it used.
QString BuiltTemplate();
QString IsqlTool();
// The summary of the engine's full validation of `database`, run as another process; empty when
// it found nothing.
std::string Validate(const QString& database);
// Opening `file` fails with a message naming it and `cause`, and leaves the file as it was.
void ExpectOpenFailsNaming(const QString& file, const QString& cause = {});
// Starts `isql` on `database` as another engine of this machine runs: with the settings of the
// engine root `root` and lock files of its own beside the archive, where older Lumox versions keep
// theirs. It runs `sql`, then waits for more until its input is closed.
void StartOtherEngine(QProcess& isql, const QString& root, const QString& database, const QByteArray& sql);
// What `isql` says until it says `text`, or until it ends when `text` is empty.
QByteArray ReadUntil(QProcess& isql, const QByteArray& text = {});
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
