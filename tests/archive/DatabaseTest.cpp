// The database file and its template, statements, the settings table and the CARS/TRACKS
// connectors, each on a fresh copy of the built template.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <functional>
#include <vector>

#include "archive/DBExpressConnector.h"
#include "archive/IniTable.h"
#include "installation/Cars.h"
#include "platform/Errors.h"
#include "tests/archive/TestDatabase.h"
#include "tests/support/ErrorOf.h"

namespace lumox {
namespace {

using test::ErrorOf;
using test::ExpectOpenFailsNaming;

class Database : public ::testing::Test {
 protected:
  test::TTestDatabase Db;
  TSQLConnection& C = Db.Connection();
};

TEST_F(Database, TheTemplateIsAnEmptyDialectOneUtf8DatabaseOwnedByZindo) {
  EXPECT_EQ(
      Db.Rows(
          "select MON$SQL_DIALECT || trim(MON$OWNER) || MON$FORCED_WRITES || trim(RDB$CHARACTER_SET_NAME) "
          "|| (select count(*) from SETTINGS) || (select count(*) from LAPTIMEPOOL) as R "
          "from MON$DATABASE, RDB$DATABASE"),
      QStringList{"1ZINDO1UTF800"});
}

TEST(DatabaseFile, TheTemplateIsCopiedWritableOnlyWhenNoDatabaseExistsAFailedCopyNamesBothAndALinkIsRefused) {
  test::TTempFolder folder, broken;
  const QString database = folder.File(DatabaseFileName), templ = folder.File(TemplateFileName);
  PrepareDatabaseFile(folder.Path());
  EXPECT_FALSE(QFile::exists(database)) << "without a template nothing is made";
  QFile::copy(test::BuiltTemplate(), templ);
  QFile::setPermissions(templ, QFile::ReadOwner | QFile::ReadGroup);
  // The members of the folder's group share the archive (root can hand the folder to another).
  const gid_t group = geteuid() == 0 ? 65534 : getegid();
  ASSERT_EQ(::chown(QFile::encodeName(folder.Path()).constData(), uid_t(-1), group), 0);
  EXPECT_EQ(PrepareDatabaseFile(folder.Path()), database);
  EXPECT_EQ(test::ReadBytes(database), test::ReadBytes(test::BuiltTemplate()));
  EXPECT_EQ(QFile::permissions(database), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                              QFile::WriteUser | QFile::ReadGroup | QFile::WriteGroup);
  EXPECT_EQ(QFileInfo(database).groupId(), group);
  folder.Write(DatabaseFileName, "kept");
  PrepareDatabaseFile(folder.Path());
  EXPECT_EQ(test::ReadBytes(database), "kept");

  broken.MakeDir(TemplateFileName);  // a folder where the template should be
  const QString message = ErrorOf<EInOutError>([&] { PrepareDatabaseFile(broken.Path()); });
  EXPECT_TRUE(message.contains(broken.File(TemplateFileName)) &&
              message.contains(broken.File(DatabaseFileName)));
  EXPECT_FALSE(QFile::exists(broken.File(DatabaseFileName)));
  // The engine would write through a link, to another folder's database or, dangling, make one.
  for (const QString& elsewhere : {database, folder.File("made.gdb")}) {
    test::TTempFolder linked;
    test::MakeLink(elsewhere, linked.File(DatabaseFileName));
    QFile::copy(test::BuiltTemplate(), linked.File(TemplateFileName));
    EXPECT_TRUE(ErrorOf<EInOutError>([&] { PrepareDatabaseFile(linked.Path()); }).contains("symbolic link"));
  }
  EXPECT_EQ(test::ReadBytes(database), "kept");
  EXPECT_FALSE(QFile::exists(folder.File("made.gdb")));
}

// A program folder shared with a group is closed to its members, and the installer makes the
// archive there: a member who finds none is told which file is missing and what to do.
TEST(DatabaseFile, AMissingArchiveInAFolderTheUserMayNotWriteIsExplainedAndNothingIsMade) {
  test::TTempFolder folder;
  QFile::copy(test::BuiltTemplate(), folder.File(TemplateFileName));
  QFile::setPermissions(folder.File(TemplateFileName),
                        QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                        QFile::ReadOther | QFile::ExeOther;
  ASSERT_TRUE(QFile::setPermissions(folder.Path(), readOnly));
  QString message;
  {
    const test::TAsOrdinaryUser user({});
    message = ErrorOf<EInOutError>([&] { PrepareDatabaseFile(folder.Path()); });
  }
  QFile::setPermissions(folder.Path(), readOnly | QFile::WriteOwner);
  EXPECT_EQ(message,
            QStringLiteral("Lumox found no archive \"%1\" and may not make one: this user may not create "
                           "files in \"%2\".\r\nPlease ask whoever installed Lumox to make the archive "
                           "there (the README's commands for sharing Lumox do), or install Lumox in a "
                           "folder of your own.")
                .arg(folder.File(DatabaseFileName), folder.Path()));
  EXPECT_FALSE(QFile::exists(folder.File(DatabaseFileName)));
}

TEST_F(Database, EveryStatementCommitsOnItsOwnAndErrorsReachTheCallerWithTheEngineMessage) {
  EXPECT_TRUE(ErrorOf<EDatabaseError>([&] { Db.Execute("select * from NO_SUCH_TABLE"); }).contains("NO_SUCH_TABLE"));
  Db.Execute("create table T (N integer not null)");
  EXPECT_TRUE(ErrorOf<EDatabaseError>([&] { Db.Execute("insert into T values (null)"); }).contains("\"T\".\"N\""));
  Db.Execute("insert into T values (1)");
  Db.Execute("insert into T values (2)");
  TSQLQuery(C, "insert into SETTINGS values ('S', 'K', :C)").Bind("C", QString()).Exec();
  Db.Reconnect();
  EXPECT_EQ(Db.Rows("select count(*) as R from SETTINGS where CONTENT = ''"), QStringList{"1"})
      << "no null text";
  // An error while fetching must not pass for the end of the rows.
  EXPECT_TRUE(
      ErrorOf<EDatabaseError>([&] { Db.Rows("select 10 / (N - 2) as R from T order by N"); }).contains("divide by zero"));
}

TEST(DatabaseFile, AnUnreadableFileGivesAnErrorNamingIt) {
  test::TTestDatabase db;
  QFile::setPermissions(db.File(), QFileDevice::Permissions());
  // Root reads every file: nobody tries, in a fresh process with a lock folder of its own.
  test::GiveToNobody(db.Folder().Path());
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      [&] {
        test::BecomeNobody();
        {
          const TEngineLockFolder lockFolder;
          ExpectOpenFailsNaming(db.File());
        }
        std::_Exit(::testing::Test::HasFailure());
      }(),
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Database, MissingOrForeignFilesGiveAnErrorNamingTheFileAndTheCause) {
  const test::TTempFolder& folder = Db.Folder();
  ExpectOpenFailsNaming(folder.File("missing.gdb"), "the file does not exist");
  for (const QByteArray& bytes : {QByteArray("not a database\n"), QByteArray(8192, '\0'), QByteArray()})
    ExpectOpenFailsNaming(folder.Write(QStringLiteral("bad%1.gdb").arg(bytes.size()), bytes),
                          "not a database");
}

// Lock folders whose entries others could make or replace: each is refused, naming the folder
// and what is wrong, before the engine touches anything in it.
TEST_F(Database, AnEngineLockFolderOthersMayWriteInIsRefusedNamingItAndWhy) {
  const QByteArray lockFolder = qgetenv("FIREBIRD_LOCK");
  const test::TTempFolder& temp = Db.Folder();
  struct Case {
    QString Folder;
    const char* Why;
  };
  std::vector<Case> cases{{temp.File("link"), "symbolic link"},
                          {temp.MakeDir("group"), "other users may write in it"},
                          {temp.MakeDir("sticky"), "other users may write in it"}};
  test::MakeLink(QFile::decodeName(lockFolder), cases[0].Folder);
  ::chmod(QFile::encodeName(cases[1].Folder).constData(), 02770);
  ::chmod(QFile::encodeName(cases[2].Folder).constData(), 01777);
  if (geteuid() == 0) {
    cases.push_back({temp.MakeDir("another user's"), "belongs to the user nobody"});
    test::GiveToNobody(cases.back().Folder);
  }
  for (const Case& c : cases) {
    qputenv("FIREBIRD_LOCK", QFile::encodeName(c.Folder));
    const QString message = ErrorOf<EDatabaseError>([&] { C.Database(); });
    EXPECT_TRUE(message.contains(c.Folder) && message.contains(c.Why)) << message.toStdString();
  }
  qputenv("FIREBIRD_LOCK", lockFolder);
  EXPECT_NO_THROW(C.Database());
}

// The name of the engine's lock table for `database`: its device and inode as stored in memory.
QString LockTableName(const QString& database) {
  struct stat status {};
  EXPECT_EQ(stat(QFile::encodeName(database).constData(), &status), 0);
  const quint64 device = status.st_dev, inode = status.st_ino;
  return "fb_lock_" + QByteArray(reinterpret_cast<const char*>(&device), 8).toHex() +
         QByteArray(reinterpret_cast<const char*>(&inode), 8).toHex();
}

// What one member of the archive's group can plant where the engine might keep its lock files:
// links to another member's private file under the names of the engine's files, a dangling link,
// hard links and FIFOs, in the lock folder an older Lumox shares beside the archive and in the
// runtime and temporary folders the program is pointed at. Another member (nobody, when the
// tests run as root) then opens the archive as the program does: it works, and the planted
// entries lead nowhere.
TEST(DatabaseFile, NothingPlantedWhereTheEngineMightKeepItsFilesLeadsItToWriteOutside) {
  test::TTestDatabase db;
  const test::TTempFolder& temp = db.Folder();
  const QString canary = temp.Write("notes.txt", "my notes\n"), dangling = temp.File("made-through-a-link");
  QFile::setPermissions(canary, QFile::ReadOwner | QFile::WriteOwner);
  const QString lockTable = LockTableName(db.File());
  const QStringList engineNames{"fb_init", "fb12_trace", lockTable};
  const auto plant = [&](const QString& folder, const std::function<void(const QString&)>& entry) {
    QDir().mkpath(folder);
    ::chmod(QFile::encodeName(folder).constData(), 02770);
    for (const QString& name : engineNames) entry(folder + "/" + name);
  };
  plant(db.File() + ".lock", [&](const QString& entry) { test::MakeLink(canary, entry); });
  test::MakeLink(dangling, db.File() + ".lock/fb12_monitor_" + lockTable.mid(8));
  plant(temp.File("runtime"), [&](const QString& entry) {
    ASSERT_EQ(::link(QFile::encodeName(canary).constData(), QFile::encodeName(entry).constData()), 0);
  });
  plant(temp.File("tmp"), [&](const QString& entry) { test::MakeFifo(entry); });
  test::GiveToNobody(temp.Path());
  const QMap<QString, QByteArray> before = test::Snapshot(temp.Path());
  const QFile::Permissions canaryMode = QFile::permissions(canary);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      [&] {
        test::BecomeNobody();
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(temp.File("runtime")));
        qputenv("TMPDIR", QFile::encodeName(temp.File("tmp")));
        {
          const TEngineLockFolder lockFolder;
          EXPECT_FALSE(lockFolder.Path().startsWith(temp.Path())) << lockFolder.Path().toStdString();
          TSQLConnection connection(db.File());
          EXPECT_NO_THROW(connection.Database());
        }
        std::_Exit(::testing::Test::HasFailure());
      }(),
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(test::Snapshot(temp.Path()), before);
  EXPECT_EQ(QFile::permissions(canary), canaryMode);
  EXPECT_FALSE(QFileInfo::exists(dangling));
}

// The program's lock folder is its own: made afresh in the user's runtime folder when that is
// private, mode 700, and removed with what the engine left in it, and with the links of the
// engine's settings to the system's files, which stay as they were.
TEST(DatabaseFile, TheEngineLockFolderIsAFreshPrivateOneThatGoesWithTheProgram) {
  test::TTestDatabase db;
  const QString runtime = db.Folder().MakeDir("runtime"), system = db.Folder().MakeDir("system");
  ::chmod(QFile::encodeName(runtime).constData(), 0700);
  ASSERT_EQ(MakeEngineRoot(system, SystemEngineRoot(), "ServerMode = Classic\n"), "");
  const QMap<QString, QByteArray> systemFiles = test::Snapshot(system);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      [&] {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        qputenv("FIREBIRD", QFile::encodeName(system));
        {
          const TEngineLockFolder lockFolder;
          EXPECT_EQ(QFileInfo(lockFolder.Path()).absolutePath(), runtime);
          EXPECT_EQ(qgetenv("FIREBIRD_LOCK"), QFile::encodeName(lockFolder.Path()));
          EXPECT_EQ(qgetenv("FIREBIRD"), QFile::encodeName(lockFolder.Path()));
          EXPECT_EQ(QFile::permissions(lockFolder.Path()) & 0x0077, 0);
          TSQLConnection connection(db.File());
          EXPECT_NO_THROW(connection.Database());
          EXPECT_FALSE(QDir(lockFolder.Path()).isEmpty());
          connection.Database().close();
          ShutDownDatabaseEngine();
        }
        EXPECT_TRUE(QDir(runtime).isEmpty());
        EXPECT_EQ(test::Snapshot(system), systemFiles);
        std::_Exit(::testing::Test::HasFailure());
      }(),
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Database, SettingsAreTextsYAndNOrStrictDecimalIntegersWithDefaultsForTheRest) {
  TIniTable settings(C, "SETTINGS");
  const QString path = QString::fromUtf8(" C:\\Zindo\\zindo.exe – Ärger 🚗 ");
  settings.WriteString("PROGRAM", "ZINDO_EXE", "old");
  settings.WriteString("PROGRAM", "ZINDO_EXE", path);
  EXPECT_EQ(settings.ReadString("PROGRAM", "ZINDO_EXE", "d"), path);
  EXPECT_EQ(settings.ReadString("AI", "ZINDO_EXE", "d") + settings.ReadString("PROGRAM", "zindo_exe", "d"),
            "dd");
  settings.WriteBool("AI", "SHOW", true);
  settings.WriteBool("AI", "HIDE", false);
  settings.WriteInteger("AI", "MODE", -42);
  EXPECT_EQ(Db.Rows("select NAME || '=' || CONTENT as R from SETTINGS order by SECTION, NAME"),
            QStringList({"HIDE=N", "MODE=-42", "SHOW=Y", "ZINDO_EXE=" + path}));
  EXPECT_TRUE(settings.ReadBool("AI", "SHOW", false) && !settings.ReadBool("AI", "HIDE", true));
  // What a stored text reads as: integer (default 7), boolean (default true).
  const auto stored = [&](const char* content) {
    settings.WriteString("PROGRAM", "KEY", content);
    return std::pair(settings.ReadInteger("PROGRAM", "KEY", 7), settings.ReadBool("PROGRAM", "KEY", true));
  };
  EXPECT_EQ(stored("+3"), std::pair(3, false));
  EXPECT_EQ(stored("-2147483648"), std::pair(-2147483647 - 1, false));
  for (const char* bad : {"15x", "", "-", " 5", "5 ", "2147483648", "1e3", "0x10", "y", "Yes"})
    EXPECT_EQ(stored(bad), std::pair(7, false)) << bad;
  EXPECT_THROW(TIniTable(C, "NO_SETTINGS").ReadString("A", "B", ""), EDatabaseError);
}

TEST_F(Database, CacheRowsAreCutToTheirColumnsInCharactersAndAnEmptyTableHasNone) {
  Db.CreateCacheTables();
  TTRACKSConnector tracks;
  TCARSConnector& cars = CARSConnector();
  tracks.SetSQLConnection(&C, false);
  cars.SetSQLConnection(&C, true);
  QString name, year, folder, id;
  EXPECT_FALSE(cars.GetCar(0, name, year, folder, id));
  EXPECT_EQ(std::pair(cars.GetMaxIdx(), tracks.GetMaxIdx()), std::pair(0, 0));
  const QString car = QString::fromUtf8("🚗");  // one character, two UTF-16 units
  cars.InsertCar(4, QString(120, 'n'), QString(49, 'y') + car + "tail", QString(51, 'f'), QString(50, 'i'));
  tracks.InsertTrack(1, QString::fromUtf8("Nürburg"), QString(100, 'f') + "g", QString(99, 'i') + car);
  ASSERT_TRUE(cars.GetCar(4, name, year, folder, id));
  EXPECT_EQ(QStringList({name, year, folder, id}),
            QStringList({QString(100, 'n'), QString(49, 'y') + car, QString(50, 'f'), QString(50, 'i')}));
  ASSERT_TRUE(tracks.GetTrack(1, name, folder, id));
  EXPECT_EQ(QStringList({name, folder, id}),
            QStringList({"Nürburg", QString(100, 'f'), QString(99, 'i') + car}));
  EXPECT_FALSE(tracks.GetTrack(2, name, folder, id));
  EXPECT_EQ(name + folder + id, "");
  EXPECT_EQ(cars.ReadCars().size() + tracks.ReadTracks().size(), 2u);
  cars.DeleteAll();
  EXPECT_EQ(std::pair(cars.GetMaxIdx(), tracks.GetMaxIdx()), std::pair(0, 1)) << "only CARS was emptied";
  EXPECT_FALSE(FitsColumn(QString(50, 'f') + car, CarFolderWidth));
  EXPECT_EQ(CutToColumn("ab" + car + "c", 3), "ab" + car);
  Db.Execute("DROP TABLE CARS");
  EXPECT_THROW(cars.InsertCar(0, "a", "b", "c", "d"), EDatabaseError);
}

// What differs is written and what is left over removed; a position stored twice is written anew.
TEST_F(Database, WritingRowsLeavesExactlyThoseRowsCutToTheirColumns) {
  Db.CreateCacheTables();
  TCARSConnector cars;
  cars.SetSQLConnection(&C, false);
  for (const int index : {0, 1, 2, 2, 7}) cars.InsertCar(index, QString::number(index), "", "f", "");
  cars.WriteCars({{0, {"0", "", "f", ""}},
                  {1, {"new", "1999", "n", "x"}},
                  {2, {"2", "", "f", ""}},
                  {3, {QString(101, 'n'), "", "l", ""}}});
  QStringList read;
  for (const TCacheRow& row : cars.ReadCars()) read << QString::number(row.Index) + ":" + row.Texts.join("|");
  EXPECT_EQ(read, QStringList({"0:0||f|", "1:new|1999|n|x", "2:2||f|", "3:" + QString(100, 'n') + "||l|"}));
}

// A list read from the cache is not written again; a rewrite that fails on the way leaves the
// cache and its fingerprint as they were.
TEST_F(Database, TheCacheIsRewrittenWholeWithItsFingerprintOrNotAtAll) {
  Db.CreateCacheTables();
  TCARSConnector cars;
  cars.SetSQLConnection(&C, false);
  test::TTempFolder zindo;
  zindo.Write("data/cars/a/car.ini", "car\r\n{\r\n  name=A\r\n}\r\n");
  TIniTable settings(C, "SETTINGS"), broken(C, "NO_SUCH_TABLE");
  const auto fingerprint = [&] { return settings.ReadString("SPEEDUP", "CARS_MD5", {}); };
  StoreCache(settings, "SPEEDUP", "CARS_MD5", TCars::CreateFromFolders(zindo.Path(), nullptr), cars);
  const QString stored = fingerprint();
  EXPECT_EQ(stored, CarFoldersMD5(zindo.Path()));
  zindo.Write("data/cars/b/car.ini", "car\r\n{\r\n  name=B\r\n}\r\n");
  EXPECT_THROW(
      StoreCache(broken, "SPEEDUP", "CARS_MD5", TCars::CreateFromFolders(zindo.Path(), nullptr), cars),
      EDatabaseError);
  EXPECT_NO_THROW(StoreCache(broken, "SPEEDUP", "CARS_MD5", TCars::CreateFromDB(cars, zindo.Path()), cars));
  EXPECT_EQ(TCars::CreateFromDB(cars, zindo.Path()).GetFolders(), QStringList({"a"}));
  EXPECT_EQ(fingerprint(), stored);
}

TEST_F(Database, AConnectorBindsOnceUnlessForcedAndAConnectionThatIsGoneCountsAsNone) {
  TCARSConnector cars;
  EXPECT_EQ(ErrorOf<ELumox>([&] { cars.GetMaxIdx(); }),
            "TDBExpressConnector.GetSQLConnection: SQLConnection not initialized.");
  cars.SetSQLConnection(&C, false);
  TSQLConnection other("other.gdb");
  cars.SetSQLConnection(&other, false);
  EXPECT_EQ(&cars.GetSQLConnection(), &C);
  auto gone = std::make_unique<TSQLConnection>("gone.gdb");
  cars.SetSQLConnection(gone.get(), true);
  gone.reset();
  EXPECT_THROW(cars.GetSQLConnection(), ELumox);
  cars.SetSQLConnection(&C, false);
  EXPECT_EQ(&cars.GetSQLConnection(), &C);
}

}  // namespace
}  // namespace lumox
