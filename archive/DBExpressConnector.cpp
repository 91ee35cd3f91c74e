#include "archive/DBExpressConnector.h"

#include <map>
#include <optional>

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

namespace {

QStringList ColumnNames(std::span<const TDBExpressConnector::TColumn> columns) {
  QStringList names;
  for (const auto& column : columns) names << QString::fromLatin1(column.Name);
  return names;
}

// Binds the position and every text, cut to its column.
void BindRow(TSQLQuery& query, const QString& indexColumn, int index,
             std::span<const TDBExpressConnector::TColumn> columns, const QStringList& texts) {
  query.Bind(indexColumn, index);
  for (std::size_t c = 0; c < columns.size(); ++c)
    query.Bind(QString::fromLatin1(columns[c].Name),
               CutToColumn(texts.value(qsizetype(c)), columns[c].Width));
}

}  // namespace

QString TDBExpressConnector::InsertStatement(const char* indexColumn,
                                             std::span<const TColumn> columns) const {
  const QStringList names = QStringList(QString::fromLatin1(indexColumn)) + ColumnNames(columns);
  return QStringLiteral("insert into %1 (%2) values (:%3)")
      .arg(FTableName, names.join(QStringLiteral(", ")), names.join(QStringLiteral(", :")));
}

void TDBExpressConnector::InsertRow(const char* indexColumn, int index, std::span<const TColumn> columns,
                                    std::initializer_list<QString> values) {
  TSQLQuery query = CreateQuery(InsertStatement(indexColumn, columns));
  BindRow(query, QString::fromLatin1(indexColumn), index, columns, QStringList(values));
  query.Exec();
}

void TDBExpressConnector::WriteRows(const char* indexColumn, std::span<const TColumn> columns,
                                    const std::vector<TCacheRow>& rows) {
  // What is stored, by position; a position stored twice is written anew.
  std::map<int, std::optional<QStringList>> stored;
  for (TCacheRow& row : ReadRows(indexColumn, columns)) {
    const auto [at, first] = stored.try_emplace(row.Index, std::move(row.Texts));
    if (!first) at->second.reset();
  }
  const QString index = QString::fromLatin1(indexColumn);
  QStringList assignments;
  for (const QString& name : ColumnNames(columns)) assignments << name + QStringLiteral(" = :") + name;
  TSQLQuery insert = CreateQuery(InsertStatement(indexColumn, columns));
  TSQLQuery update = CreateQuery(QStringLiteral("update %1 set %2 where %3 = :%3")
                                     .arg(FTableName, assignments.join(QStringLiteral(", ")), index));
  TSQLQuery remove = CreateQuery(QStringLiteral("delete from %1 where %2 = :%2").arg(FTableName, index));
  const auto removeAt = [&](int position) { remove.Bind(index, position).Exec(); };
  for (const TCacheRow& row : rows) {
    QStringList texts;
    for (std::size_t c = 0; c < columns.size(); ++c)
      texts << CutToColumn(row.Texts.value(qsizetype(c)), columns[c].Width);
    const auto at = stored.find(row.Index);
    TSQLQuery* write = &insert;
    if (at != stored.end()) {
      if (!at->second) removeAt(row.Index);  // stored twice: written anew
      write = !at->second ? &insert : *at->second == texts ? nullptr : &update;
      stored.erase(at);
    }
    if (write) {
      BindRow(*write, index, row.Index, columns, texts);
      write->Exec();
    }
  }
  for (const auto& [position, texts] : stored) removeAt(position);
}

bool TDBExpressConnector::ReadRow(const char* indexColumn, int index, std::span<const TColumn> columns,
                                  std::initializer_list<QString*> values) const {
  const QStringList names = ColumnNames(columns);
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
  const QStringList names = ColumnNames(columns);
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

void TTRACKSConnector::WriteTracks(const std::vector<TCacheRow>& rows) {
  WriteRows("TRK_IDX", Columns, rows);
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

void TCARSConnector::WriteCars(const std::vector<TCacheRow>& rows) { WriteRows("CAR_IDX", Columns, rows); }

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
