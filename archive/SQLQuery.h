#pragma once
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>

namespace lumox {

class TSQLConnection;

// One statement: prepared on construction, parameters bound by ":NAME", run, read and freed
// when it goes out of scope (which also ends its transaction, so each statement commits on
// its own). Every failure throws EDatabaseError naming the database and the cause in words.
class TSQLQuery {
 public:
  TSQLQuery(TSQLConnection& connection, const QString& sql);
  TSQLQuery(const TSQLQuery&) = delete;
  TSQLQuery& operator=(const TSQLQuery&) = delete;

  // A null text is bound as the empty text: a NULL would never match "=" later.
  TSQLQuery& Bind(const QString& name, const QString& value);
  TSQLQuery& Bind(const QString& name, int value);
  void Exec();
  // Moves to the next row; false after the last one.
  bool Next();

  // Column of the current row by name; NULL reads as the empty text or 0.
  QString String(const QString& column) const;
  int Integer(const QString& column) const;

  // The position of a result column, for reading many rows by position.
  int Column(const QString& name) const;
  QString String(int column) const;
  int Integer(int column) const;
  bool IsNull(int column) const;

 private:
  [[noreturn]] void Fail(const QString& what) const;

  QSqlQuery Query;
  // The result's columns, looked up once per run rather than once per value.
  QSqlRecord Columns;
  QString Sql;
  QString File;
};

}  // namespace lumox
