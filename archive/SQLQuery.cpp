#include "archive/SQLQuery.h"

#include "archive/Database.h"

#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>

#include <limits>

namespace lumox {

TSQLQuery::TSQLQuery(TSQLConnection& connection, const QString& sql)
    : Query(connection.Database()), Sql(sql) {
  Query.setForwardOnly(true);
  if (!Query.prepare(sql)) Fail(QStringLiteral("prepare"));
}

TSQLQuery& TSQLQuery::Bind(const QString& name, const QString& value) {
  Query.bindValue(QLatin1Char(':') + name, value.isNull() ? QString(QLatin1String("")) : value);
  return *this;
}

TSQLQuery& TSQLQuery::Bind(const QString& name, int value) {
  Query.bindValue(QLatin1Char(':') + name, value);
  return *this;
}

void TSQLQuery::Exec() {
  if (!Query.exec()) Fail(QStringLiteral("run"));
  Columns = Query.record();
}

bool TSQLQuery::Next() {
  if (Query.next()) return true;
  // A failed fetch looks like the end of the rows; only the error tells them apart.
  if (Query.lastError().isValid()) Fail(QStringLiteral("fetch from"));
  return false;
}

QString TSQLQuery::String(const QString& column) const { return String(Column(column)); }

int TSQLQuery::Integer(const QString& column) const { return Integer(Column(column)); }

int TSQLQuery::Column(const QString& name) const {
  const int index = Columns.indexOf(name);
  if (index < 0) throw EDatabaseError(QStringLiteral("The statement has no column %1:\n%2").arg(name, Sql));
  return index;
}

QString TSQLQuery::String(int column) const {
  const QString text = Query.value(column).toString();
  return text.isNull() ? QString(QLatin1String("")) : text;
}

int TSQLQuery::Integer(int column) const {
  const QVariant value = Query.value(column);
  if (value.isNull()) return 0;
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
    throw EDatabaseError(QStringLiteral("The column %1 does not hold a 32-bit integer in:\n%2")
                             .arg(Columns.fieldName(column), Sql));
  return static_cast<int>(number);
}

bool TSQLQuery::IsNull(int column) const { return Query.isNull(column); }

void TSQLQuery::Fail(const QString& what) const {
  throw EDatabaseError(QStringLiteral("Could not %1 the statement\n%2\n%3").arg(what, Sql, Query.lastError().text()));
}

}  // namespace lumox
