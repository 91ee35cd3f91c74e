#include "archive/SQLQuery.h"

#include "archive/Database.h"

#include <QDir>
#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>

#include <limits>

namespace lumox {

TSQLQuery::TSQLQuery(TSQLConnection& connection, const QString& sql)
    : Query(connection.Database()), Sql(sql), File(connection.GetDatabaseFile()) {
  Query.setForwardOnly(true);
  if (!Query.prepare(sql)) Fail(QStringLiteral("preparing"));
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
  if (!Query.exec()) Fail(QStringLiteral("running"));
  Columns = Query.record();
}

bool TSQLQuery::Next() {
  if (Query.next()) return true;
  // A failed fetch looks like the end of the rows; only the error tells them apart.
  if (Query.lastError().isValid()) Fail(QStringLiteral("fetching from"));
  return false;
}

QString TSQLQuery::String(const QString& column) const { return String(Column(column)); }

int TSQLQuery::Integer(const QString& column) const { return Integer(Column(column)); }

int TSQLQuery::Column(const QString& name) const {
  const int index = Columns.indexOf(name);
  if (index < 0) throw EDatabaseError(QStringLiteral("The statement has no column %1.").arg(name), Sql);
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
    throw EDatabaseError(QStringLiteral("The archive \"%1\" holds a value in its column %2 that is no 32-bit integer.")
                             .arg(QDir::toNativeSeparators(File), Columns.fieldName(column)),
                         Sql);
  return static_cast<int>(number);
}

bool TSQLQuery::IsNull(int column) const { return Query.isNull(column); }

void TSQLQuery::Fail(const QString& what) const {
  throw ArchiveFailure(File, Query.lastError(), QStringLiteral("%1 the statement %2").arg(what, Sql));
}

}  // namespace lumox
