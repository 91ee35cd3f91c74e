#include "archive/DBExpressConnector.h"

namespace lumox {

void TDBExpressConnector::SetSQLConnection(TSQLConnection* connection, bool force) {
  if (force || FSQLConnection.isNull()) FSQLConnection = connection;
}

TSQLConnection& TDBExpressConnector::GetSQLConnection() const {
  if (FSQLConnection.isNull())
    throw ELumox("TDBExpressConnector.GetSQLConnection: SQLConnection not initialized.");
  return *FSQLConnection;
}

TSQLQuery TDBExpressConnector::CreateQuery(const QString& sql) const { return TSQLQuery(GetSQLConnection(), sql); }

void TDBExpressConnector::DeleteAll() { CreateQuery(QStringLiteral("delete from ") + FTableName).Exec(); }

int TDBExpressConnector::GetMaxValue(const QString& column) const {
  TSQLQuery query = CreateQuery(QStringLiteral("select max(%1) as MAX_VALUE from %2").arg(column, FTableName));
  query.Exec();
  return query.Next() ? query.Integer(QStringLiteral("MAX_VALUE")) : 0;
}

void TDBExpressConnector::InsertRow(const char* indexColumn, int index, std::span<const TColumn> columns,
                                    std::initializer_list<QString> values) {
  QStringList names{QString::fromLatin1(indexColumn)};
  for (const TColumn& column : columns) names << QString::fromLatin1(column.Name);
  TSQLQuery query = CreateQuery(QStringLiteral("insert into %1 (%2) values (:%3)")
                                    .arg(FTableName, names.join(QStringLiteral(", ")), names.join(QStringLiteral(", :"))));
  query.Bind(names[0], index);
  auto value = values.begin();
  for (const TColumn& column : columns) query.Bind(QString::fromLatin1(column.Name), CutToColumn(*value++, column.Width));
  query.Exec();
}

bool TDBExpressConnector::ReadRow(const char* indexColumn, int index, std::span<const TColumn> columns,
                                  std::initializer_list<QString*> values) const {
  QStringList names;
  for (const TColumn& column : columns) names << QString::fromLatin1(column.Name);
  TSQLQuery query = CreateQuery(QStringLiteral("select %1 from %2 where %3 = :%3")
                                    .arg(names.join(QStringLiteral(", ")), FTableName, QString::fromLatin1(indexColumn)));
  query.Bind(QString::fromLatin1(indexColumn), index).Exec();
  const bool found = query.Next();
  auto name = names.cbegin();
  for (QString* value : values) *value = found ? query.String(*name++) : QString();
  return found;
}

std::vector<TCacheRow> TDBExpressConnector::ReadRows(const char* indexColumn,
                                                     std::span<const TColumn> columns) const {
  QStringList names;
  for (const TColumn& column : columns) names << QString::fromLatin1(column.Name);
  const QString index = QString::fromLatin1(indexColumn);
  TSQLQuery query = CreateQuery(QStringLiteral("select %1, %2 from %3 order by %1")
                                    .arg(index, names.join(QStringLiteral(", ")), FTableName));
  query.Exec();
  std::vector<TCacheRow> rows;
  while (query.Next()) {
    TCacheRow& row = rows.emplace_back(TCacheRow{query.Integer(index), {}});
    for (const QString& name : names) row.Texts << query.String(name);
  }
  return rows;
}

int TTRACKSConnector::GetMaxIdx() { return GetMaxValue(QStringLiteral("TRK_IDX")); }

void TTRACKSConnector::InsertTrack(int index, const QString& name, const QString& folder, const QString& id) {
  InsertRow("TRK_IDX", index, Columns, {name, folder, id});
}

bool TTRACKSConnector::GetTrack(int index, QString& name, QString& folder, QString& id) {
  return ReadRow("TRK_IDX", index, Columns, {&name, &folder, &id});
}

std::vector<TCacheRow> TTRACKSConnector::ReadTracks() { return ReadRows("TRK_IDX", Columns); }

int TCARSConnector::GetMaxIdx() { return GetMaxValue(QStringLiteral("CAR_IDX")); }

void TCARSConnector::InsertCar(int index, const QString& name, const QString& year, const QString& folder,
                               const QString& id) {
  InsertRow("CAR_IDX", index, Columns, {name, year, folder, id});
}

bool TCARSConnector::GetCar(int index, QString& name, QString& year, QString& folder, QString& id) {
  return ReadRow("CAR_IDX", index, Columns, {&name, &year, &folder, &id});
}

std::vector<TCacheRow> TCARSConnector::ReadCars() { return ReadRows("CAR_IDX", Columns); }

TTRACKSConnector& TRACKSConnector() {
  static TTRACKSConnector connector;
  return connector;
}

TCARSConnector& CARSConnector() {
  static TCARSConnector connector;
  return connector;
}

}  // namespace lumox
