#include "tests/archive/TestDatabase.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "archive/SQLQuery.h"
#include "archive/Schema.h"

// The embedded engine's threads can still be ending when the leak checker stops the process's
// threads at exit, and the checker then crashes on their half-torn-down thread data. Programs
// that run the engine are therefore checked for memory errors and undefined behaviour only.
extern "C" const char* __lsan_default_options() { return "detect_leaks=0"; }

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

QStringList TTestDatabase::Rows(const QString& sql) {
  TSQLQuery query(*Conn, sql);
  query.Exec();
  QStringList rows;
  while (query.Next()) rows << query.String(QStringLiteral("R"));
  return rows;
}

void TTestDatabase::CreateCacheTables() { RunSchemaStatements(*Conn, CarsAndTracksTables); }

void TTestDatabase::CreateLapTimeSchema() {
  RunSchemaStatements(*Conn, AutoMergeTable);
  CompleteLapSchema(*Conn);
  RunSchemaStatements(*Conn, LapTimePoolIndexes);
}

}  // namespace lumox::test
