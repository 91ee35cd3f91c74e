#pragma once
#include "platform/Exception.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace lumox {

// A statement, connection or fetch failed. The message names the database or lap and the cause
// in words; the statement and the engine's own text follow on a line of details.
class EDatabaseError : public ELumox {
 public:
  explicit EDatabaseError(const QString& cause, const QString& details = {});
  // What went wrong, in words, without the details.
  const QString& Cause() const { return FCause; }
  const QString& Details() const { return FDetails; }

 private:
  QString FCause;
  QString FDetails;
};

// What an error of the engine says went wrong, in words ("the disk is full"); a general phrase
// when its text names no cause Lumox knows.
QString EngineFailureCause(const QSqlError& error);
// The cause of a failure in words: an EDatabaseError's without its details, else the message.
QString CauseOf(const std::exception& e);
// A failure of `what` (a statement, a commit) on the database `file`, worded for the user.
EDatabaseError ArchiveFailure(const QString& file, const QSqlError& error, const QString& what);

inline constexpr const char* DatabaseFileName = "lumox.gdb";
inline constexpr const char* TemplateFileName = "lumox.gdb.empty";

// Makes sure `appDir` holds the database: when only the template is there it is copied to
// lumox.gdb; an existing lumox.gdb is never touched. Returns the full path of lumox.gdb.
// Throws EInOutError naming both files when the copy fails, naming the database and `appDir`
// when this user may not make files there (the archive is then the installer's to make), and
// naming the database when it is no regular file of `appDir` (a link, for one), which the
// engine would write through.
QString PrepareDatabaseFile(const QString& appDir);

// The folder the embedded engine takes its settings (firebird.conf) from unless Lumox points it
// elsewhere: the one the variable FIREBIRD names, else the one the engine's client library uses by
// default. Empty when that folder does not exist.
QString SystemEngineRoot();

// Makes the folder `root` one the engine can take its settings from: its firebird.conf holds
// `settings` (lines of that file), which win, and then takes in the firebird.conf of `systemRoot`;
// links reach every other file of `systemRoot`. Returns why that failed, in words, or nothing.
QString MakeEngineRoot(const QString& root, const QString& systemRoot, const QByteArray& settings);

// The embedded engine keeps its lock files in a folder of its own, where it creates, maps,
// chmods and removes them by name, following links. The folder this makes is this process's
// own, made in the first place that serves of the user's runtime folder, the temporary folder
// and /tmp: a place serves when every folder on the way is root's or this user's and others may
// write in it only when it is sticky (so no one else can rename or replace what is made there),
// when it has room for the engine's files, and when this user may make a folder in it.
// The folder also holds the engine's settings, under which the engine takes each database file
// for this process alone, whatever server mode the system's settings name, and opens databases
// only itself, never through a server. So nothing needs the lock folder to be shared: while one engine has a
// database open, every other engine is refused whatever lock folder or mode it uses. The
// engine's temporary files go to the temporary folder. Programs this process starts get none of
// these settings.
class TEngineLockFolder {
 public:
  // Makes the folder and points the engine at it; call before anything uses the engine.
  // Throws EDatabaseError naming each place tried and why it did not serve.
  TEngineLockFolder();
  // Removes the folder and what the engine left in it; call once the engine has shut down.
  ~TEngineLockFolder();
  TEngineLockFolder(const TEngineLockFolder&) = delete;
  TEngineLockFolder& operator=(const TEngineLockFolder&) = delete;

  const QString& Path() const { return Folder; }

 private:
  QString Folder;
};

// Once loaded, the embedded engine catches SIGINT and SIGTERM and shuts itself down under the
// program's open connections. After this call it passes them on instead to the handlers that
// were installed before it loaded, so that they can end the program through its shut-down.
void LeaveTerminationSignalsToTheProgram();

// Stops the embedded database engine and its threads once every connection is closed, so
// that the process ends with the files flushed and nothing of the engine still running.
void ShutDownDatabaseEngine();

// The one connection to the embedded database file, opened by path on first use.
// A QObject so that the connectors can notice when it is gone.
class TSQLConnection : public QObject {
 public:
  explicit TSQLConnection(const QString& databaseFile);
  ~TSQLConnection() override;
  TSQLConnection(const TSQLConnection&) = delete;
  TSQLConnection& operator=(const TSQLConnection&) = delete;

  // The open connection; opens it when needed. Throws EDatabaseError naming the file and the
  // cause, or the engine's lock folder when others may write there or its disk is full, or the
  // engine's settings when they let other programs use the file at the same time.
  QSqlDatabase Database();
  const QString& GetDatabaseFile() const { return DatabaseFile; }

 private:
  QString DatabaseFile;
  QString ConnectionName;
};

// Runs every statement on one connection in a single transaction from construction until
// Commit; one not committed when the scope ends is rolled back. Only bulk writes use this, each
// of which can be redone as a whole after a failure; every other statement commits on its own.
// Inside the transaction a failing statement undoes only itself.
class TTransaction {
 public:
  // Throws EDatabaseError when the transaction cannot start.
  explicit TTransaction(TSQLConnection& connection);
  ~TTransaction();
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;

  // Throws EDatabaseError when the commit fails; the transaction is then rolled back.
  void Commit();

 private:
  QSqlDatabase Database;
  bool Open = true;
};

}  // namespace lumox
