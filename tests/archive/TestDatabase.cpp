#include "tests/archive/TestDatabase.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include "archive/SQLQuery.h"
#include "archive/Schema.h"
#include "tests/support/ErrorOf.h"

// The embedded engine's threads can still be ending when the leak checker stops the process's
// threads at exit, and the checker then crashes on their half-torn-down thread data. Programs
// that run the engine are therefore checked for memory errors and undefined behaviour only.
extern "C" const char* __lsan_default_options() { return "detect_leaks=0"; }

namespace lumox::test {

QString BuiltTemplate() { return QStringLiteral(LUMOX_DB_TEMPLATE); }

QString IsqlTool() { return QStringLiteral(LUMOX_ISQL); }

std::string Validate(const QString& database) {
  QProcess gfix;
  gfix.setProcessChannelMode(QProcess::MergedChannels);
  gfix.start(QStringLiteral(LUMOX_GFIX), {"-v", "-full", "-user", "ZINDO", database});
  gfix.waitForFinished(60000);
  const std::string output = gfix.readAll().toStdString();
  return gfix.exitStatus() == QProcess::NormalExit && gfix.exitCode() == 0 ? output
                                                                           : "gfix failed\n" + output;
}

void ExpectOpenFailsNaming(const QString& file, const QString& cause) {
  const QByteArray before = ReadBytes(file);
  const bool existed = QFile::exists(file);
  const QString message = ErrorOf<EDatabaseError>([&] { TSQLConnection(file).Database(); });
  EXPECT_TRUE(message.contains(file) && message.contains(cause)) << message.toStdString();
  EXPECT_EQ(QFile::exists(file), existed);
  EXPECT_EQ(ReadBytes(file), before);
}

void StartOtherEngine(QProcess& isql, const QString& root, const QString& database, const QByteArray& sql) {
  QDir().mkpath(database + ".lock");
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("FIREBIRD", root);
  environment.insert("FIREBIRD_LOCK", database + ".lock");
  isql.setProcessEnvironment(environment);
  isql.setProcessChannelMode(QProcess::MergedChannels);
  isql.start(IsqlTool(), {"-q", "-user", "ZINDO", database});
  EXPECT_TRUE(isql.waitForStarted(10000));
  isql.write(sql);
}

QByteArray ReadUntil(QProcess& isql, const QByteArray& text) {
  QByteArray said;
  while ((text.isEmpty() || !said.contains(text)) && isql.waitForReadyRead(10000)) said += isql.readAll();
  return said + isql.readAll();
}

void UseBuildLockFolder() {
  if (qEnvironmentVariableIsSet("FIREBIRD_LOCK")) return;
  QDir().mkpath(QStringLiteral(LUMOX_FIREBIRD_LOCK));
  qputenv("FIREBIRD_LOCK", LUMOX_FIREBIRD_LOCK);
}

TOtherProgramAttached::TOtherProgramAttached(const QString& database) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("FIREBIRD_LOCK"), database + QStringLiteral(".lock"));
  Isql.setProcessEnvironment(environment);
  Isql.start(IsqlTool(), {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("ZINDO"), database});
  Isql.write("select 'ATTACHED' from RDB$DATABASE;\n");
  QByteArray output;
  while (!output.contains("ATTACHED") && Isql.waitForReadyRead(10000)) output += Isql.readAllStandardOutput();
  Attached = output.contains("ATTACHED");
}

void TOtherProgramAttached::Detach() {
  Attached = false;
  if (Isql.state() == QProcess::NotRunning) return;
  Isql.closeWriteChannel();
  EXPECT_TRUE(Isql.waitForFinished(10000));
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
