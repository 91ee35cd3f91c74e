#include "archive/Database.h"

#include <fcntl.h>
#include <ibase.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <atomic>

#include "installation/WriteGuard.h"
#include "platform/Errors.h"
#include "platform/FileDescriptor.h"

namespace lumox {

namespace {

// The engine ignores the password of an embedded attachment; the user name decides the rights.
constexpr const char* UserName = "ZINDO";
constexpr const char* Password = "qempt";

// Every member of the group of the program's folder may use the archive: the database file and
// the lock folder made here take that group and open to it, and to no one else.
void ShareWithFolderGroup(int made, const QString& folder, mode_t mode) {
  struct stat parent {};
  if (stat(QFile::encodeName(folder).constData(), &parent) == 0 &&
      fchown(made, static_cast<uid_t>(-1), parent.st_gid) != 0) {
    // Not a member of that group: the file keeps the user's own.
  }
  fchmod(made, mode);
}

QString NextConnectionName() {
  static std::atomic<int> counter{0};
  return QStringLiteral("lumox-%1").arg(++counter);
}

// The engine maps its lock and monitoring files into memory, a megabyte each to begin with. On a
// full disk the first touch of a page that finds no room kills the process with SIGBUS, before
// any message; so an open makes sure of room for them first, twice over.
constexpr qint64 EngineRoom = 4 << 20;

// The engine's lock folder is the program's own: it is never reached through a link, and it has
// room for the engine's files. A folder the engine cannot use at all is left to its own error.
void CheckEngineFolder() {
  const QByteArray folder = qgetenv("FIREBIRD_LOCK");
  if (folder.isEmpty()) return;
  const QString name = QDir::toNativeSeparators(QFile::decodeName(folder));
  struct stat status {};
  if (lstat(folder.constData(), &status) == 0 && S_ISLNK(status.st_mode))
    throw EDatabaseError(
        QStringLiteral("The database engine's lock folder \"%1\" is a symbolic link. Lumox keeps "
                       "the engine's files in a folder of its own: please remove the link.")
            .arg(name));
  struct statvfs disk {};
  if (statvfs(folder.constData(), &disk) != 0) return;
  const qint64 room = qint64(disk.f_bavail) * qint64(disk.f_frsize);
  if (room < EngineRoom)
    throw EDatabaseError(
        QStringLiteral("The disk is full: the database engine needs %1 KB for its lock files in "
                       "\"%2\", and %3 KB are free.\nPlease make room on that disk and start Lumox "
                       "again.")
            .arg(EngineRoom / 1024)
            .arg(name)
            .arg(room / 1024));
}

// Asked before every shut-down of the engine; a non-zero answer refuses it.
int RefuseShutDownOnSignals(const int reason, const int, void*) {
  return reason == fb_shutrsn_signal ? 1 : 0;
}

}  // namespace

QString PrepareDatabaseFile(const QString& appDir) {
  const QDir dir(appDir);
  const QString database = dir.absoluteFilePath(DatabaseFileName);
  const QString templ = dir.absoluteFilePath(TemplateFileName);
  // The engine writes through whatever lies under the name, dangling links included.
  if (QFileInfo(database).isSymLink() || QFileInfo::exists(database)) {
    CheckWritable(appDir, database);
  } else if (QFileInfo::exists(templ)) {
    // Without replacing: a racing start must not overwrite the database the other one made.
    CopyFileWithin(appDir, templ, database, TExisting::Keep);
    const TFileDescriptor made(
        open(QFile::encodeName(database).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (made.IsOpen()) ShareWithFolderGroup(made.Get(), appDir, S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP);
  }
  return database;
}

void UseLockFolderBeside(const QString& databaseFile) {
  const QByteArray folder = QFile::encodeName(databaseFile + QStringLiteral(".lock"));
  // Made here, not by the engine, which would keep it to its own user. A failure is left to
  // the engine, whose error names the folder. The new folder is changed through its descriptor,
  // so a link put in its place meanwhile is not followed.
  const TFileDescriptor made(mkdir(folder.constData(), 0770) == 0
                                 ? open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                                 : -1);
  if (made.IsOpen())
    ShareWithFolderGroup(made.Get(), QFileInfo(databaseFile).absolutePath(), S_ISGID | S_IRWXU | S_IRWXG);
  qputenv("FIREBIRD_LOCK", folder);
  if (!qEnvironmentVariableIsSet("FIREBIRD_TMP"))
    qputenv("FIREBIRD_TMP", QFile::encodeName(QDir::tempPath()));
}

void LeaveTerminationSignalsToTheProgram() {
  ISC_STATUS_ARRAY status;  // it fails only when out of memory
  fb_shutdown_callback(status, RefuseShutDownOnSignals, fb_shut_confirmation, nullptr);
}

TSQLConnection::TSQLConnection(const QString& databaseFile)
    : DatabaseFile(databaseFile), ConnectionName(NextConnectionName()) {}

TSQLConnection::~TSQLConnection() {
  if (QSqlDatabase::contains(ConnectionName)) {
    QSqlDatabase::database(ConnectionName, false).close();
    QSqlDatabase::removeDatabase(ConnectionName);
  }
}

QSqlDatabase TSQLConnection::Database() {
  if (!QSqlDatabase::contains(ConnectionName)) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), ConnectionName);
    if (!db.isValid()) throw EDatabaseError(QStringLiteral("The database driver QIBASE is not available."));
    db.setDatabaseName(DatabaseFile);
    db.setUserName(UserName);
    db.setPassword(Password);
  }
  QSqlDatabase db = QSqlDatabase::database(ConnectionName, false);
  if (db.isOpen()) return db;
  CheckEngineFolder();
  if (!db.open())
    throw EDatabaseError(QStringLiteral("Could not open the database \"%1\":\n%2")
                             .arg(QDir::toNativeSeparators(DatabaseFile), db.lastError().text()));
  return db;
}

TTransaction::TTransaction(TSQLConnection& connection) : Database(connection.Database()) {
  if (!Database.transaction())
    throw EDatabaseError(
        QStringLiteral("Could not start a transaction:\n%1").arg(Database.lastError().text()));
}

TTransaction::~TTransaction() {
  if (Open) Database.rollback();
}

void TTransaction::Commit() {
  if (!Database.commit())
    throw EDatabaseError(
        QStringLiteral("Could not commit a transaction:\n%1").arg(Database.lastError().text()));
  Open = false;
}

void ShutDownDatabaseEngine() { fb_shutdown(0, fb_shutrsn_app_stopped); }

}  // namespace lumox
