#pragma once
#include "platform/Exception.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>

namespace lumox {

// A statement, connection or fetch failed; the message holds the engine's own text.
class EDatabaseError : public ELumox {
 public:
  using ELumox::ELumox;
};

inline constexpr const char* DatabaseFileName = "lumox.gdb";
inline constexpr const char* TemplateFileName = "lumox.gdb.empty";

// Makes sure `appDir` holds the database: when only the template is there it is copied to
// lumox.gdb; an existing lumox.gdb is never touched. Returns the full path of lumox.gdb.
// Throws EInOutError naming both files when the copy fails, and naming the database when it is
// no regular file of `appDir` (a link, for one), which the engine would write through.
QString PrepareDatabaseFile(const QString& appDir);

// Points the embedded engine at the lock folder beside `databaseFile` ("<file>.lock") and its
// temporary files at the user's temporary folder; call before the first connection opens.
// Every user and process of one file shares that folder: it takes the group of the file's
// folder and passes it on to the lock files, so a run as root leaves them usable to the others.
void UseLockFolderBeside(const QString& databaseFile);

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

  // The open connection; opens it when needed. Throws EDatabaseError naming the file, or the
  // engine's lock folder when that is a link or its disk is full.
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
