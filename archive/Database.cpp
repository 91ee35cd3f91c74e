#include "archive/Database.h"

#include <fcntl.h>
#include <firebird/Interface.h>
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
#include <cstdlib>
#include <cstring>
#include <memory>

#include "installation/WriteGuard.h"
#include "platform/ChildProcess.h"
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

// The engine takes each database file for this process alone: the other server modes share a file
// through lock files, and those are private to each process here. It also opens databases only
// itself: refused, the client would go on to ask a server on this machine, which any user can
// stand in for by listening on its port.
constexpr const char* ExclusiveEngineSettings = "ServerMode = Super\nProviders = Engine12\n";

QString SystemText(int error) { return QString::fromLocal8Bit(strerror(error)); }

QString OwnerName(uid_t uid) {
  const passwd* user = getpwuid(uid);
  return user != nullptr ? QString::fromLocal8Bit(user->pw_name) : QString::number(uid);
}

// Why others could steer what is made in `folder`, or empty when only this user may write there:
// it is a folder (no link to one) of this user's that nobody else may write to.
QString WhyNotPrivate(const QByteArray& folder) {
  struct stat status {};
  if (lstat(folder.constData(), &status) != 0) return SystemText(errno);
  if (S_ISLNK(status.st_mode)) return QStringLiteral("it is a symbolic link");
  if (!S_ISDIR(status.st_mode)) return QStringLiteral("it is no folder");
  if (status.st_uid != geteuid()) return QStringLiteral("it belongs to the user %1").arg(OwnerName(status.st_uid));
  if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) return QStringLiteral("other users may write in it");
  return {};
}

// Why someone else could rename or replace what is made in `folder` (a path without links), or
// empty when no one can: every folder from the root down is root's or this user's, and others may
// write in one only when its sticky bit keeps their hands off the entries of other users.
QString WhyOthersCouldReplace(const QByteArray& folder) {
  QByteArrayList steps{"/"};
  for (qsizetype end = folder.indexOf('/', 1); end > 0; end = folder.indexOf('/', end + 1))
    steps << folder.left(end);
  if (folder != "/") steps << folder;
  for (const QByteArray& step : steps) {
    const QString name =
        step == folder ? QStringLiteral("it")
                       : QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(QFile::decodeName(step)));
    struct stat status {};
    if (lstat(step.constData(), &status) != 0) return QStringLiteral("%1: %2").arg(name, SystemText(errno));
    if (!S_ISDIR(status.st_mode)) return QStringLiteral("%1 is no folder").arg(name);
    if (status.st_uid != 0 && status.st_uid != geteuid())
      return QStringLiteral("%1 belongs to the user %2").arg(name, OwnerName(status.st_uid));
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (status.st_mode & S_ISVTX) == 0)
      return QStringLiteral("other users may write in %1").arg(name);
  }
  return {};
}

// The room this user has on the disk of `folder`, or -1 when it cannot be told.
qint64 FreeRoom(const QByteArray& folder) {
  struct statvfs disk {};
  return statvfs(folder.constData(), &disk) == 0 ? qint64(disk.f_bavail) * qint64(disk.f_frsize) : -1;
}

// The places for the lock folder, in the order they are tried. A runtime folder given relative
// counts as none.
QStringList PlacesForLockFolder() {
  QStringList places;
  if (const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR"); QDir::isAbsolutePath(runtime))
    places << QDir::cleanPath(runtime);
  for (const QString& place : {QDir::tempPath(), QStringLiteral("/tmp")})
    if (!places.contains(place)) places << place;
  return places;
}

// No one else can write in the folder, so its entries may be removed by name; a link goes, not
// what it leads to.
void RemoveFolder(const QString& path) {
  QDir folder(path);
  for (const QString& entry :
       folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    folder.remove(entry);
  folder.rmdir(path);
}

// Makes this process's lock folder in `place`, with the engine's settings in it when there is a
// `systemRoot` to take the rest of them from. Returns the folder, or nothing and why in `why`.
QByteArray MakeLockFolderIn(const QString& place, const QString& systemRoot, QString& why) {
  // Checked and used without links, so what was checked is what is used.
  const std::unique_ptr<char, decltype(&free)> resolved(
      realpath(QFile::encodeName(place).constData(), nullptr), &free);
  if (!resolved) {
    why = SystemText(errno);
    return {};
  }
  const QByteArray parent(resolved.get());
  if (why = WhyOthersCouldReplace(parent); !why.isEmpty()) return {};
  if (const qint64 room = FreeRoom(parent); room >= 0 && room < EngineRoom) {
    why = QStringLiteral("its disk has %1 KB free, and the database engine needs %2 KB")
              .arg(room / 1024)
              .arg(EngineRoom / 1024);
    return {};
  }
  QByteArray folder = (parent == "/" ? QByteArray() : parent) + "/lumox-XXXXXX";
  // Made with a fresh name and mode 700 in one step, so no one can have put anything in it.
  if (mkdtemp(folder.data()) == nullptr) {
    why = SystemText(errno);
    return {};
  }
  if (!systemRoot.isEmpty()) {
    if (why = MakeEngineRoot(QFile::decodeName(folder), systemRoot, ExclusiveEngineSettings);
        !why.isEmpty()) {
      RemoveFolder(QFile::decodeName(folder));
      return {};
    }
  }
  return folder;
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
  const qint64 room = FreeRoom(folder);
  if (room >= 0 && room < EngineRoom)
    throw EDatabaseError(
        QStringLiteral("The disk is full: the database engine needs %1 KB for its lock files in "
                       "\"%2\", and %3 KB are free.\nPlease make room on that disk and start Lumox "
                       "again.")
            .arg(EngineRoom / 1024)
            .arg(name)
            .arg(room / 1024));
}

// Whether the server mode `mode` takes each database file for one process alone; unset, it does.
bool IsExclusiveMode(const QString& mode) {
  return mode.isEmpty() || mode.compare(QLatin1String("Super"), Qt::CaseInsensitive) == 0 ||
         mode.compare(QLatin1String("ThreadedDedicated"), Qt::CaseInsensitive) == 0;
}

// Lock folders are private to each process, which is safe only while the engine takes the file
// for itself alone. The engine's settings are read once a process; those in force refuse `file`
// when they let the engine share it (they are the system's when something used the engine before
// Lumox could give it its own).
void CheckEngineMode(const QString& file) {
  Firebird::IConfigManager* manager = Firebird::fb_get_master_interface()->getConfigManager();
  Firebird::IFirebirdConf* settings = manager->getFirebirdConf();
  const char* value = settings->asString(settings->getKey("ServerMode"));
  const QString mode = QString::fromLocal8Bit(value).trimmed();
  settings->release();
  if (IsExclusiveMode(mode)) return;
  const QFileInfo conf(
      QDir(QFile::decodeName(manager->getRootDirectory())).filePath(QStringLiteral("firebird.conf")));
  const QString named = conf.canonicalFilePath().isEmpty() ? conf.filePath() : conf.canonicalFilePath();
  throw EDatabaseError(
      QStringLiteral("Lumox does not open the database \"%1\": the database engine's settings "
                     "\"%2\" say \"ServerMode = %3\", in which other programs can change the "
                     "file while Lumox has it open, and Lumox could not give the engine "
                     "settings of its own.")
          .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(named), mode));
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

QString SystemEngineRoot() {
  const QString named = qEnvironmentVariable("FIREBIRD");
  const QFileInfo root(named.isEmpty() ? QStringLiteral(LUMOX_FIREBIRD_ROOT) : named);
  return root.isDir() ? root.canonicalFilePath() : QString();
}

QString MakeEngineRoot(const QString& root, const QString& systemRoot, const QByteArray& settings) {
  const QDir system(systemRoot), made(root);
  const QStringList entries =
      system.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  // The engine looks up the names of its files, and those its settings give, against its root,
  // which this one stands in for; so the system's settings come in under a name of their own
  // there, which no path of theirs can mean. The engine reads the name of an include as it
  // stands, to the end of the line, and would expand some characters of a path.
  QString systemSettings = QStringLiteral("system-firebird.conf");
  while (entries.contains(systemSettings)) systemSettings.prepend(QLatin1Char('_'));
  QByteArray conf = settings;
  for (const QString& entry : entries) {
    const bool isSettings = entry == QLatin1String("firebird.conf");
    if (isSettings && !QFileInfo(system.filePath(entry)).isReadable()) continue;
    const QString link = made.filePath(isSettings ? systemSettings : entry);
    if (symlink(QFile::encodeName(system.filePath(entry)).constData(), QFile::encodeName(link).constData()) !=
        0)
      return QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(link), SystemText(errno));
    if (isSettings) conf += "include " + QFile::encodeName(systemSettings) + '\n';
  }
  QFile file(made.filePath(QStringLiteral("firebird.conf")));
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(conf) != conf.size() ||
      !file.flush())
    return QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
  return {};
}

TEngineLockFolder::TEngineLockFolder() {
  const QString systemRoot = SystemEngineRoot();
  QStringList refusals;
  for (const QString& place : PlacesForLockFolder()) {
    QString why;
    const QByteArray folder = MakeLockFolderIn(place, systemRoot, why);
    if (folder.isEmpty()) {
      refusals << QStringLiteral("\"%1\": %2.").arg(QDir::toNativeSeparators(place), why);
      continue;
    }
    Folder = QFile::decodeName(folder);
    SetForThisProcessOnly("FIREBIRD_LOCK", folder);
    // Without the system's root there are no settings to take the rest from: the engine keeps the
    // system's, and an open refuses them when they let it share the file.
    if (!systemRoot.isEmpty()) SetForThisProcessOnly("FIREBIRD", folder);
    if (!qEnvironmentVariableIsSet("FIREBIRD_TMP"))
      SetForThisProcessOnly("FIREBIRD_TMP", QFile::encodeName(QDir::tempPath()));
    return;
  }
  throw EDatabaseError(
      QStringLiteral(
          "Lumox could not make a folder for the database engine's lock files in any place it tries:\n") +
      refusals.join(QLatin1Char('\n')));
}

TEngineLockFolder::~TEngineLockFolder() { RemoveFolder(Folder); }

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
  CheckEngineMode(DatabaseFile);
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
