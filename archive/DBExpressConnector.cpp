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

int TTRACKSConnector::GetMaxIdx() { return GetMaxValue(QStringLiteral("TRK_IDX")); }

void TTRACKSConnector::InsertTrack(int index, const QString& name, const QString& folder, const QString& id) {
  TSQLQuery query = CreateQuery(QStringLiteral("insert into ") + FTableName +
                                QStringLiteral(" (TRK_IDX, TRK_NAME, TRK_FOLDER, TRK_ID) values"
                                               " (:TRK_IDX, :TRK_NAME, :TRK_FOLDER, :TRK_ID)"));
  query.Bind(QStringLiteral("TRK_IDX"), index)
      .Bind(QStringLiteral("TRK_NAME"), CutToColumn(name, TrackNameWidth))
      .Bind(QStringLiteral("TRK_FOLDER"), CutToColumn(folder, TrackFolderWidth))
      .Bind(QStringLiteral("TRK_ID"), CutToColumn(id, TrackIDWidth))
      .Exec();
}

bool TTRACKSConnector::GetTrack(int index, QString& name, QString& folder, QString& id) {
  TSQLQuery query = CreateQuery(QStringLiteral("select TRK_NAME, TRK_FOLDER, TRK_ID from ") + FTableName +
                                QStringLiteral(" where TRK_IDX = :TRK_IDX"));
  query.Bind(QStringLiteral("TRK_IDX"), index).Exec();
  const bool found = query.Next();
  name = found ? query.String(QStringLiteral("TRK_NAME")) : QString();
  folder = found ? query.String(QStringLiteral("TRK_FOLDER")) : QString();
  id = found ? query.String(QStringLiteral("TRK_ID")) : QString();
  return found;
}

int TCARSConnector::GetMaxIdx() { return GetMaxValue(QStringLiteral("CAR_IDX")); }

void TCARSConnector::InsertCar(int index, const QString& name, const QString& year, const QString& folder,
                               const QString& id) {
  TSQLQuery query = CreateQuery(QStringLiteral("insert into ") + FTableName +
                                QStringLiteral(" (CAR_IDX, CAR_NAME, CAR_YEAR, CAR_FOLDER, CAR_ID) values"
                                               " (:CAR_IDX, :CAR_NAME, :CAR_YEAR, :CAR_FOLDER, :CAR_ID)"));
  query.Bind(QStringLiteral("CAR_IDX"), index)
      .Bind(QStringLiteral("CAR_NAME"), CutToColumn(name, CarNameWidth))
      .Bind(QStringLiteral("CAR_YEAR"), CutToColumn(year, CarYearWidth))
      .Bind(QStringLiteral("CAR_FOLDER"), CutToColumn(folder, CarFolderWidth))
      .Bind(QStringLiteral("CAR_ID"), CutToColumn(id, CarIDWidth))
      .Exec();
}

bool TCARSConnector::GetCar(int index, QString& name, QString& year, QString& folder, QString& id) {
  TSQLQuery query = CreateQuery(QStringLiteral("select CAR_NAME, CAR_YEAR, CAR_FOLDER, CAR_ID from ") + FTableName +
                                QStringLiteral(" where CAR_IDX = :CAR_IDX"));
  query.Bind(QStringLiteral("CAR_IDX"), index).Exec();
  const bool found = query.Next();
  name = found ? query.String(QStringLiteral("CAR_NAME")) : QString();
  year = found ? query.String(QStringLiteral("CAR_YEAR")) : QString();
  folder = found ? query.String(QStringLiteral("CAR_FOLDER")) : QString();
  id = found ? query.String(QStringLiteral("CAR_ID")) : QString();
  return found;
}

TTRACKSConnector& TRACKSConnector() {
  static TTRACKSConnector connector;
  return connector;
}

TCARSConnector& CARSConnector() {
  static TCARSConnector connector;
  return connector;
}

}  // namespace lumox
