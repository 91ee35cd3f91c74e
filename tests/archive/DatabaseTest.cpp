// The database file and its template, statements, the settings table and the CARS/TRACKS
// connectors, each on a fresh copy of the built template.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdlib>

#include "archive/DBExpressConnector.h"
#include "archive/IniTable.h"
#include "installation/Cars.h"
#include "platform/Errors.h"
#include "tests/archive/TestDatabase.h"

namespace lumox {
namespace {

// The message of the error of type E that `action` throws, or "" when it throws none.
template <class E = EDatabaseError, class F>
QString ErrorOf(F action) {
  try {
    action();
  } catch (const E& e) {
    return MessageOf(e);
  }
  return {};
}

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

TEST_F(Database, EveryStatementCommitsOnItsOwnAndErrorsReachTheCallerWithTheEngineMessage) {
  EXPECT_TRUE(ErrorOf([&] { Db.Execute("select * from NO_SUCH_TABLE"); }).contains("NO_SUCH_TABLE"));
  Db.Execute("create table T (N integer not null)");
  EXPECT_TRUE(ErrorOf([&] { Db.Execute("insert into T values (null)"); }).contains("\"T\".\"N\""));
  Db.Execute("insert into T values (1)");
  Db.Execute("insert into T values (2)");
  TSQLQuery(C, "insert into SETTINGS values ('S', 'K', :C)").Bind("C", QString()).Exec();
  Db.Reconnect();
  EXPECT_EQ(Db.Rows("select count(*) as R from SETTINGS where CONTENT = ''"), QStringList{"1"})
      << "no null text";
  // An error while fetching must not pass for the end of the rows.
  EXPECT_TRUE(
      ErrorOf([&] { Db.Rows("select 10 / (N - 2) as R from T order by N"); }).contains("divide by zero"));
}

// Opening `file` fails with a message naming it, and leaves the file as it was.
void ExpectOpenFailsNaming(const QString& file) {
  const QByteArray before = test::ReadBytes(file);
  const bool existed = QFile::exists(file);
  const QString message = ErrorOf([&] { TSQLConnection(file).Database(); });
  EXPECT_TRUE(message.contains(file)) << message.toStdString();
  EXPECT_EQ(QFile::exists(file), existed);
  EXPECT_EQ(test::ReadBytes(file), before);
}

TEST(DatabaseFile, AnUnreadableFileGivesAnErrorNamingIt) {
  test::TTestDatabase db;
  QFile::setPermissions(db.File(), QFileDevice::Permissions());
  // Root reads every file: nobody tries, in a fresh process with a lock folder it may use.
  test::GiveToNobody(db.Folder().Path());
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((test::BecomeNobody(), UseLockFolderBeside(db.File()), ExpectOpenFailsNaming(db.File()),
               std::_Exit(::testing::Test::HasFailure())),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(Database, MissingForeignOrBusyFilesGiveAnErrorNamingTheFile) {
  const test::TTempFolder& folder = Db.Folder();
  ExpectOpenFailsNaming(folder.File("missing.gdb"));
  for (const QByteArray& bytes : {QByteArray("not a database\n"), QByteArray(8192, '\0'), QByteArray()})
    ExpectOpenFailsNaming(folder.Write(QStringLiteral("bad%1.gdb").arg(bytes.size()), bytes));
  // Another program holds the file through the lock folder beside it, as the program would; a
  // second one, in a fresh process that finds that folder the same way, must be refused.
  QProcess isql;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("FIREBIRD_LOCK", Db.File() + ".lock");
  isql.setProcessEnvironment(environment);
  isql.start(test::IsqlTool(), {"-q", "-user", "ZINDO", Db.File()});
  isql.write("select 'ATTACHED' from RDB$DATABASE;\n");
  QByteArray output;
  while (!output.contains("ATTACHED") && isql.waitForReadyRead(10000)) output += isql.readAllStandardOutput();
  ASSERT_TRUE(output.contains("ATTACHED"));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((UseLockFolderBeside(Db.File()), ExpectOpenFailsNaming(Db.File()),
               std::_Exit(::testing::Test::HasFailure())),
              ::testing::ExitedWithCode(0), "");
  isql.closeWriteChannel();
  EXPECT_TRUE(isql.waitForFinished(10000));
}

TEST_F(Database, AnEngineLockFolderReachedThroughALinkIsRefusedNamingIt) {
  const QByteArray lockFolder = qgetenv("FIREBIRD_LOCK");
  const QString link = Db.Folder().File("lock");
  test::MakeLink(QFile::decodeName(lockFolder), link);
  qputenv("FIREBIRD_LOCK", QFile::encodeName(link));
  const QString message = ErrorOf([&] { C.Database(); });
  qputenv("FIREBIRD_LOCK", lockFolder);
  EXPECT_TRUE(message.contains(link) && message.contains("symbolic link")) << message.toStdString();
  EXPECT_NO_THROW(C.Database());
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
