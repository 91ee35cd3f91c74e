#include "tests/archive/TestDatabase.h"

#include "archive/SQLQuery.h"
#include "archive/Schema.h"

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

void TTestDatabase::CreateCacheTables() { RunSchemaStatements(*Conn, CarsAndTracksTables); }

void TTestDatabase::CreateLapTimeSchema() {
  RunSchemaStatements(*Conn, AutoMergeTable);
  RunSchemaStatements(*Conn, LapTimePoolIndexes);
}

}  // namespace lumox::test
