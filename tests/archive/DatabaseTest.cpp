#include "archive/Database.h"
#include "archive/SQLQuery.h"
#include "platform/Errors.h"
#include "tests/archive/TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

#include <unistd.h>

namespace lumox {
namespace {

using test::ReadBytes;
using test::TTempFolder;
using test::TTestDatabase;

// All values of the first column, as text.
QStringList Column(TSQLConnection& connection, const QString& sql, const QString& column) {
  QStringList values;
  TSQLQuery query(connection, sql);
  query.Exec();
  while (query.Next()) values << query.String(column);
  return values;
}

// The message of the EDatabaseError that `action` throws, or "" when it throws none.
template <class F>
QString DatabaseErrorOf(F action) {
  try {
    action();
  } catch (const EDatabaseError& e) {
    return MessageOf(e);
  }
  return {};
}

TEST(DatabaseTemplate, IsAnEmptyDialectOneUtf8DatabaseOwnedByZindoWithSettingsAndLapTimes) {
  TTestDatabase db;
  TSQLConnection& c = db.Connection();
  EXPECT_EQ(Column(c, "select MON$SQL_DIALECT as D from MON$DATABASE", "D"), QStringList{"1"});
  EXPECT_EQ(Column(c, "select trim(MON$OWNER) as O from MON$DATABASE", "O"), QStringList{"ZINDO"});
  EXPECT_EQ(Column(c, "select MON$FORCED_WRITES as F from MON$DATABASE", "F"), QStringList{"1"});
  EXPECT_EQ(Column(c, "select trim(RDB$CHARACTER_SET_NAME) as C from RDB$DATABASE", "C"), QStringList{"UTF8"});
  EXPECT_EQ(Column(c,
                   "select trim(RDB$RELATION_NAME) as T from RDB$RELATIONS"
                   " where coalesce(RDB$SYSTEM_FLAG, 0) = 0 order by 1",
                   "T"),
            (QStringList{"LAPTIMEPOOL", "SETTINGS"}));
  EXPECT_EQ(Column(c, "select count(*) as N from SETTINGS", "N"), QStringList{"0"});
  EXPECT_EQ(Column(c, "select count(*) as N from LAPTIMEPOOL", "N"), QStringList{"0"});
}

TEST(DatabaseFile, TemplateIsCopiedOnlyWhenNoDatabaseExists) {
  TTempFolder folder;
  QFile::copy(test::BuiltTemplate(), folder.File(TemplateFileName));
  const QString database = folder.File(DatabaseFileName);

  EXPECT_EQ(PrepareDatabaseFile(folder.Path()), database);
  EXPECT_EQ(ReadBytes(database), ReadBytes(test::BuiltTemplate()));

  folder.Write(DatabaseFileName, "kept");
  EXPECT_EQ(PrepareDatabaseFile(folder.Path()), database);
  EXPECT_EQ(ReadBytes(database), "kept");
}

TEST(DatabaseFile, WithoutTemplateNothingIsCreated) {
  TTempFolder folder;
  EXPECT_EQ(PrepareDatabaseFile(folder.Path()), folder.File(DatabaseFileName));
  EXPECT_FALSE(QFile::exists(folder.File(DatabaseFileName)));
}

TEST(DatabaseFile, CopyOfAReadOnlyTemplateIsWritable) {
  TTempFolder folder;
  const QString templ = folder.File(TemplateFileName);
  QFile::copy(test::BuiltTemplate(), templ);
  QFile::setPermissions(templ, QFile::ReadOwner | QFile::ReadGroup);
  EXPECT_TRUE(QFile::permissions(PrepareDatabaseFile(folder.Path())) & QFile::WriteOwner);
}

TEST(DatabaseFile, FailedCopyNamesBothFilesAndLeavesNoDatabase) {
  TTempFolder folder;
  folder.MakeDir(TemplateFileName);  // a folder where the template should be
  try {
    PrepareDatabaseFile(folder.Path());
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_TRUE(MessageOf(e).contains(folder.File(TemplateFileName))) << e.what();
    EXPECT_TRUE(MessageOf(e).contains(folder.File(DatabaseFileName))) << e.what();
  }
  EXPECT_FALSE(QFile::exists(folder.File(DatabaseFileName)));
}

TEST(DatabaseConnection, StatementErrorsReachTheCallerWithTheEngineMessage) {
  TTestDatabase db;
  TSQLConnection& c = db.Connection();
  EXPECT_TRUE(DatabaseErrorOf([&] { TSQLQuery(c, "select * from NO_SUCH_TABLE"); }).contains("NO_SUCH_TABLE"));

  db.Execute("create table T (N integer not null)");
  EXPECT_TRUE(DatabaseErrorOf([&] { TSQLQuery(c, "insert into T values (null)").Exec(); }).contains("\"T\".\"N\""));

  // An error while fetching must not pass for the end of the rows.
  db.Execute("insert into T values (1)");
  db.Execute("insert into T values (2)");
  TSQLQuery query(c, "select 10 / (N - 2) as V from T order by N");
  query.Exec();
  ASSERT_TRUE(query.Next());
  EXPECT_EQ(query.Integer("V"), -10);
  EXPECT_TRUE(DatabaseErrorOf([&] { query.Next(); }).contains("divide by zero"));
}

TEST(DatabaseConnection, NullTextIsStoredAsEmptyText) {
  TTestDatabase db;
  TSQLQuery(db.Connection(), "insert into SETTINGS values (:SECTION, :NAME, :CONTENT)")
      .Bind("SECTION", "S")
      .Bind("NAME", "K")
      .Bind("CONTENT", QString())
      .Exec();
  EXPECT_EQ(Column(db.Connection(), "select count(*) as N from SETTINGS where CONTENT = ''", "N"), QStringList{"1"});
}

TEST(DatabaseConnection, EveryStatementIsCommittedOnItsOwn) {
  TTestDatabase db;
  TSQLQuery(db.Connection(), "insert into SETTINGS values ('S', 'K', 'V')").Exec();
  db.Reconnect();
  EXPECT_EQ(Column(db.Connection(), "select CONTENT from SETTINGS", "CONTENT"), QStringList{"V"});
}

// Opening `file` fails with a message naming it, and leaves the file as it was.
void ExpectOpenFailsNaming(const QString& file) {
  const QByteArray before = ReadBytes(file);
  const bool existed = QFile::exists(file);
  TSQLConnection connection(file);
  const QString message = DatabaseErrorOf([&] { connection.Database(); });
  EXPECT_TRUE(message.contains(file)) << message.toStdString();
  EXPECT_EQ(QFile::exists(file), existed);
  EXPECT_EQ(ReadBytes(file), before);
}

TEST(DatabaseConnection, MissingOrForeignFilesGiveAnErrorNamingTheFile) {
  test::UseBuildLockFolder();
  TTempFolder folder;
  ExpectOpenFailsNaming(folder.File("missing.gdb"));
  ExpectOpenFailsNaming(folder.Write("text.gdb", "this is not a database\n"));
  ExpectOpenFailsNaming(folder.Write("zero.gdb", QByteArray(8192, '\0')));
  ExpectOpenFailsNaming(folder.Write("empty.gdb", ""));
}

TEST(DatabaseConnection, UnreadableFileGivesAnErrorNamingTheFile) {
  TTestDatabase db;
  QFile::setPermissions(db.File(), QFileDevice::Permissions());
  // Root reads every file: nobody tries, in a fresh process with a lock folder it may use.
  test::GiveToNobody(db.Folder().Path());
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((test::BecomeNobody(), UseLockFolderBeside(db.File()), ExpectOpenFailsNaming(db.File()),
               std::_Exit(::testing::Test::HasFailure())),
              ::testing::ExitedWithCode(0), "");
}

TEST(DatabaseConnection, FileOpenedByAnotherProcessGivesAnErrorNamingTheFile) {
  TTestDatabase db;
  QProcess isql;
  isql.setProcessChannelMode(QProcess::MergedChannels);
  isql.start(test::IsqlTool(), {"-q", "-user", "ZINDO", db.File()});
  ASSERT_TRUE(isql.waitForStarted());
  isql.write("select 'ATTACHED' from RDB$DATABASE;\n");
  QByteArray output;
  while (!output.contains("ATTACHED")) {
    ASSERT_TRUE(isql.waitForReadyRead(10000)) << output.toStdString();
    output += isql.readAllStandardOutput();
  }

  ExpectOpenFailsNaming(db.File());

  isql.write("quit;\n");
  isql.closeWriteChannel();
  EXPECT_TRUE(isql.waitForFinished(10000));
}

}  // namespace
}  // namespace lumox
