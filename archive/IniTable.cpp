#include "archive/IniTable.h"

#include "archive/SQLQuery.h"

namespace lumox {

namespace {

// Optional sign and decimal digits only, within 32 bits; anything else is no integer.
bool ParseInteger(const QString& text, int& value) {
  const qsizetype digitsFrom = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
  if (text.size() == digitsFrom) return false;
  for (qsizetype i = digitsFrom; i < text.size(); ++i)
    if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9')) return false;
  bool ok = false;
  value = text.toInt(&ok);
  return ok;
}

const QString Yes = QStringLiteral("Y");
const QString No = QStringLiteral("N");

}  // namespace

TIniTable::TIniTable(TSQLConnection& connection, const QString& tableName)
    : FSQLConnection(connection), FTableName(tableName) {}

QString TIniTable::ReadString(const QString& section, const QString& key, const QString& defaultValue) {
  TSQLQuery query(FSQLConnection,
                  QStringLiteral("select CONTENT from ") + FTableName + QStringLiteral(" where SECTION=:SECTION and NAME=:NAME"));
  query.Bind(QStringLiteral("SECTION"), section).Bind(QStringLiteral("NAME"), key).Exec();
  return query.Next() ? query.String(QStringLiteral("CONTENT")) : defaultValue;
}

int TIniTable::ReadInteger(const QString& section, const QString& key, int defaultValue) {
  int value = 0;
  return ParseInteger(ReadString(section, key, QStringLiteral("invalid")), value) ? value : defaultValue;
}

bool TIniTable::ReadBool(const QString& section, const QString& key, bool defaultValue) {
  return ReadString(section, key, defaultValue ? Yes : No) == Yes;
}

void TIniTable::WriteString(const QString& section, const QString& key, const QString& value) {
  int count = 0;
  {
    TSQLQuery query(FSQLConnection, QStringLiteral("select count(*) as ANZAHL from ") + FTableName +
                                        QStringLiteral(" where SECTION=:SECTION and NAME=:NAME"));
    query.Bind(QStringLiteral("SECTION"), section).Bind(QStringLiteral("NAME"), key).Exec();
    if (query.Next()) count = query.Integer(QStringLiteral("ANZAHL"));
  }
  const QString sql =
      count == 0 ? QStringLiteral("insert into ") + FTableName + QStringLiteral(" values (:SECTION, :NAME, :CONTENT)")
                 : QStringLiteral("update ") + FTableName +
                       QStringLiteral(" set CONTENT=:CONTENT where SECTION=:SECTION and NAME=:NAME");
  TSQLQuery write(FSQLConnection, sql);
  write.Bind(QStringLiteral("SECTION"), section).Bind(QStringLiteral("NAME"), key).Bind(QStringLiteral("CONTENT"), value);
  write.Exec();
}

void TIniTable::WriteInteger(const QString& section, const QString& key, int value) {
  WriteString(section, key, QString::number(value));
}

void TIniTable::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? Yes : No);
}

}  // namespace lumox
