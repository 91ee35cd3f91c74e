#include "tests/archive/TestDatabase.h"

#include "archive/SQLQuery.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lumox::test {

QString BuiltTemplate() { return QStringLiteral(LUMOX_DB_TEMPLATE); }

QString IsqlTool() { return QStringLiteral(LUMOX_ISQL); }

void UseBuildLockFolder() {
  if (qEnvironmentVariableIsSet("FIREBIRD_LOCK")) return;
  QDir().mkpath(QStringLiteral(LUMOX_FIREBIRD_LOCK));
  qputenv("FIREBIRD_LOCK", LUMOX_FIREBIRD_LOCK);
}

TTestDatabase::TTestDatabase() {
  UseBuildLockFolder();
  EXPECT_TRUE(QFile::copy(BuiltTemplate(), File())) << BuiltTemplate().toStdString();
  QFile::setPermissions(File(), QFile::permissions(File()) | QFile::WriteOwner);
  Conn = std::make_unique<TSQLConnection>(File());
}

void TTestDatabase::Reconnect() {
  Conn.reset();
  Conn = std::make_unique<TSQLConnection>(File());
}

void TTestDatabase::Execute(const QString& sql) { TSQLQuery(*Conn, sql).Exec(); }

void TTestDatabase::CreateCacheTables() {
  Execute(
      "CREATE TABLE CARS (CAR_IDX INTEGER NOT NULL, CAR_NAME VARCHAR(100) NOT NULL, CAR_YEAR VARCHAR(50) NOT NULL,"
      " CAR_FOLDER VARCHAR(50) NOT NULL, CAR_ID VARCHAR(50) NOT NULL)");
  Execute("CREATE INDEX IDX_CARS_CAR_IDX ON CARS (CAR_IDX)");
  Execute(
      "CREATE TABLE TRACKS (TRK_IDX INTEGER NOT NULL, TRK_NAME VARCHAR(100) NOT NULL,"
      " TRK_FOLDER VARCHAR(100) NOT NULL, TRK_ID VARCHAR(100) NOT NULL)");
  Execute("CREATE INDEX IDX_TRACKS_TRK_IDX ON TRACKS (TRK_IDX)");
}

}  // namespace lumox::test
