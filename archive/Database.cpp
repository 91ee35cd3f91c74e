#include "archive/Database.h"

#include <fcntl.h>
#include <ibase.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "installation/WriteGuard.h"
#include "platform/Errors.h"
#include "platform/FileDescriptor.h"

namespace lumox {

namespace {

// The engine ignores the password of an embedded attachment; the user name decides the rights.
constexpr const char* UserName = "ZINDO";
constexpr const char* Password = "qempt";

// Every member of the group of the program's folder may use the archive: the database file made
// here takes that group and opens to it, and to no one else.
void ShareWithFolderGroup(int made, const QString& folder) {
  struct stat parent {};
  if (stat(QFile::encodeName(folder).constData(), &parent) == 0 &&
      fchown(made, static_cast<uid_t>(-1), parent.st_gid) != 0) {
    // Not a member of that group: the file keeps the user's own.
  }
  fchmod(made, S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP);
}

QString NextConnectionName() {
  static std::atomic<int> counter{0};
  return QStringLiteral("lumox-%1").arg(++counter);
}

// The engine maps its lock and monitoring files into memory, a megabyte each to begin with. On a
// full disk the first touch of a page that finds no room kills the process with SIGBUS, before
// any message; so an open makes sure of room for them first, twice over.
constexpr qint64 EngineRoom = 4 << 20;

QString OwnerName(uid_t uid) {
  const passwd* user = getpwuid(uid);
  return user != nullptr ? QString::fromLocal8Bit(user->pw_name) : QString::number(uid);
}

// Why others could steer what is made in `folder`, or empty when only this user may write there:
// it is a folder (no link to one) of this user's that nobody else may write to.
QString WhyNotPrivate(const QByteArray& folder) {
  struct stat status {};
  if (lstat(folder.constData(), &status) != 0) return QString::fromLocal8Bit(strerror(errno));
  if (S_ISLNK(status.st_mode)) return QStringLiteral("it is a symbolic link");
  if (!S_ISDIR(status.st_mode)) return QStringLiteral("it is no folder");
  if (status.st_uid != geteuid()) return QStringLiteral("it belongs to the user %1").arg(OwnerName(status.st_uid));
  if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) return QStringLiteral("other users may write in it");
  return {};
}

// A folder where nobody else can rename or replace what this user makes: one of this user's or
// root's that others may not write to, or whose sticky bit keeps their hands off other entries.
bool IsSafeParent(const QByteArray& folder) {
  struct stat status {};
  return lstat(folder.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
         (status.st_uid == 0 || status.st_uid == geteuid()) &&
         ((status.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (status.st_mode & S_ISVTX) != 0);
}

// The user's runtime folder when it is private to the user, else the temporary folder when no
// one else can tamper with what is made there, else /tmp.
QByteArray PlaceForLockFolder() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (runtime.startsWith('/') && WhyNotPrivate(runtime).isEmpty()) return runtime;
  const QByteArray temporary = QFile::encodeName(QDir::tempPath());
  return IsSafeParent(temporary) ? temporary : QByteArrayLiteral("/tmp");
}

// The engine's lock folder may be reached only by this user, and has room for the engine's files.
void CheckEngineFolder() {
  const QByteArray folder = qgetenv("FIREBIRD_LOCK");
  if (folder.isEmpty()) return;
  const QString name = QDir::toNativeSeparators(QFile::decodeName(folder));
  if (const QString why = WhyNotPrivate(folder); !why.isEmpty())
    throw EDatabaseError(
        QStringLiteral("Lumox does not let the database engine keep its lock files in \"%1\": %2. "
                       "The engine would write wherever links put there lead.")
            .arg(name, why));
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

// The engine's texts (English, from its message file) for the failures a user can do something
// about, each with its cause in words; the first match wins.
struct TEngineCause {
  const char* Text;
  const char* Cause;
};
constexpr TEngineCause EngineCauses[] = {
    {"No space left on device", "the disk is full"},
    {"string right truncation", "a text is longer than the archive holds"},
    {"numeric overflow", "a number is larger than the archive holds"},
    {"Database already opened with engine instance", "another program is using the archive"},
    {"lock time-out", "another program is using the archive"},
    {"lock conflict", "another program is using the archive"},
    {"deadlock", "another program is using the archive"},
    {"Permission denied", "Lumox is not allowed to read or write the file"},
    {"no permission", "Lumox is not allowed to read or write the file"},
    {"read-only", "the file may only be read"},
    {"not a valid database", "the file is not a database"},
    {"File size is less than expected", "the file is not a database"},
    {"unsupported on-disk structure", "the file is not a database of the engine Lumox uses"},
    {"Table unknown", "a table Lumox needs is missing"},
    {"Column unknown", "a column Lumox needs is missing"},
    {"No such file or directory", "the file does not exist"},
    {"I/O error", "the file could not be read or written"},
};

// Asked before every shut-down of the engine; a non-zero answer refuses it.
int RefuseShutDownOnSignals(const int reason, const int, void*) {
  return reason == fb_shutrsn_signal ? 1 : 0;
}

}  // namespace

EDatabaseError::EDatabaseError(const QString& cause, const QString& details)
    : ELumox(details.isEmpty() ? cause : cause + QStringLiteral("\r\n\r\nDetails: ") + details),
      FCause(cause),
      FDetails(details) {}

QString EngineFailureCause(const QSqlError& error) {
  const QString text = error.databaseText() + QLatin1Char(' ') + error.driverText();
  for (const TEngineCause& known : EngineCauses)
    if (text.contains(QLatin1String(known.Text), Qt::CaseInsensitive)) return QLatin1String(known.Cause);
  return QStringLiteral("the database engine reported an error");
}

QString CauseOf(const std::exception& e) {
  const auto* database = dynamic_cast<const EDatabaseError*>(&e);
  return database != nullptr ? database->Cause() : QString::fromUtf8(e.what());
}

EDatabaseError ArchiveFailure(const QString& file, const QSqlError& error, const QString& what) {
  return EDatabaseError(QStringLiteral("Lumox could not use its archive \"%1\": %2.")
                            .arg(QDir::toNativeSeparators(file), EngineFailureCause(error)),
                        what + QStringLiteral(": ") + error.text());
}

QString PrepareDatabaseFile(const QString& appDir) {
  const QDir dir(appDir);
  const QString database = dir.absoluteFilePath(DatabaseFileName);
  const QString templ = dir.absoluteFilePath(TemplateFileName);
  // The engine writes through whatever lies under the name, dangling links included.
  if (QFileInfo(database).isSymLink() || QFileInfo::exists(database)) {
    CheckWritable(appDir, database);
  } else if (QFileInfo::exists(templ)) {
    // A program folder shared with a group is closed to its members: the installer makes the
    // archive there, and a member who finds none can only be told so.
    if (faccessat(AT_FDCWD, QFile::encodeName(appDir).constData(), W_OK | X_OK, AT_EACCESS) != 0)
      throw EInOutError(
          QStringLiteral(
              "Lumox found no archive \"%1\" and may not make one: this user may not create files in "
              "\"%2\".\r\nPlease ask whoever installed Lumox to make the archive there (the "
              "README's commands for sharing Lumox do), or install Lumox in a folder of your own.")
              .arg(QDir::toNativeSeparators(database), QDir::toNativeSeparators(appDir)));
    // Without replacing: a racing start must not overwrite the database the other one made.
    CopyFileWithin(appDir, templ, database, TExisting::Keep);
    const TFileDescriptor made(
        open(QFile::encodeName(database).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (made.IsOpen()) ShareWithFolderGroup(made.Get(), appDir);
  }
  return database;
}

TEngineLockFolder::TEngineLockFolder() {
  const QByteArray place = PlaceForLockFolder();
  QByteArray folder = place + "/lumox-XXXXXX";
  // Made with a fresh name and mode 700 in one step, so no one can have put anything in it.
  if (mkdtemp(folder.data()) == nullptr)
    throw EDatabaseError(QStringLiteral("Lumox could not make a folder for the database engine's lock files in "
                                        "\"%1\": %2.")
                             .arg(QFile::decodeName(place), QString::fromLocal8Bit(strerror(errno))));
  Folder = QFile::decodeName(folder);
  qputenv("FIREBIRD_LOCK", folder);
  if (!qEnvironmentVariableIsSet("FIREBIRD_TMP"))
    qputenv("FIREBIRD_TMP", QFile::encodeName(QDir::tempPath()));
}

// No one else can write in the folder, so its entries may be removed by name.
TEngineLockFolder::~TEngineLockFolder() {
  QDir folder(Folder);
  for (const QString& entry : folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    folder.remove(entry);
  folder.rmdir(Folder);
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
    throw EDatabaseError(QStringLiteral("Could not open the database \"%1\": %2.")
                             .arg(QDir::toNativeSeparators(DatabaseFile), EngineFailureCause(db.lastError())),
                         db.lastError().text());
  return db;
}

TTransaction::TTransaction(TSQLConnection& connection) : Database(connection.Database()) {
  if (!Database.transaction())
    throw ArchiveFailure(Database.databaseName(), Database.lastError(), QStringLiteral("starting a transaction"));
}

TTransaction::~TTransaction() {
  if (Open) Database.rollback();
}

void TTransaction::Commit() {
  if (!Database.commit())
    throw ArchiveFailure(Database.databaseName(), Database.lastError(), QStringLiteral("committing a transaction"));
  Open = false;
}

void ShutDownDatabaseEngine() { fb_shutdown(0, fb_shutrsn_app_stopped); }

}  // namespace lumox
