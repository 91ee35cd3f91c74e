#pragma once
#include "archive/Database.h"
#include "archive/IniTable.h"
#include "archive/SQLQuery.h"
#include "installation/CacheTables.h"

#include <QPointer>
#include <QString>

#include <initializer_list>
#include <span>
#include <vector>

namespace lumox {

// Base of the table connectors: the connection to run on (not owned) and the table name.
class TDBExpressConnector {
 public:
  TDBExpressConnector() = default;
  virtual ~TDBExpressConnector() = default;
  TDBExpressConnector(const TDBExpressConnector&) = delete;
  TDBExpressConnector& operator=(const TDBExpressConnector&) = delete;

  // Binds `connection` when `force` is set or none is bound; a bound connection that has
  // been destroyed counts as none.
  void SetSQLConnection(TSQLConnection* connection, bool force);
  // Throws ELumox when no connection is bound.
  TSQLConnection& GetSQLConnection() const;
  TSQLQuery CreateQuery(const QString& sql) const;
  void DeleteAll();
  // Largest value of `column`; 0 for an empty table.
  int GetMaxValue(const QString& column) const;

  // A text column of a cache table and its width in characters.
  struct TColumn {
    const char* Name;
    int Width;
  };

 protected:
  explicit TDBExpressConnector(const QString& tableName) : FTableName(tableName) {}

  QString InsertStatement(const char* indexColumn, std::span<const TColumn> columns) const;
  // Inserts the row at `index` in `indexColumn`, each value cut to its column's width.
  void InsertRow(const char* indexColumn, int index, std::span<const TColumn> columns,
                 std::initializer_list<QString> values);
  // Makes the table hold exactly `rows`, texts cut to their columns. Only rows that differ from
  // what is stored are written, so rewriting a list that hardly changed writes hardly anything.
  void WriteRows(const char* indexColumn, std::span<const TColumn> columns,
                 const std::vector<TCacheRow>& rows);
  // Reads the first row at `index` into `values`, one per column; false, with every value
  // empty, when there is none.
  bool ReadRow(const char* indexColumn, int index, std::span<const TColumn> columns,
               std::initializer_list<QString*> values) const;
  // Every row in one statement, ordered by `indexColumn`.
  std::vector<TCacheRow> ReadRows(const char* indexColumn, std::span<const TColumn> columns) const;

  QPointer<TSQLConnection> FSQLConnection;
  QString FTableName;
};

// The TRACKS table: the cached track list.
class TTRACKSConnector final : public TDBExpressConnector, public ITracksTable {
 public:
  TTRACKSConnector() : TDBExpressConnector(QStringLiteral("TRACKS")) {}

  int GetMaxIdx();
  void InsertTrack(int index, const QString& name, const QString& folder, const QString& id);
  void WriteTracks(const std::vector<TCacheRow>& rows) override;
  std::vector<TCacheRow> ReadTracks() override;
  bool GetTrack(int index, QString& name, QString& folder, QString& id);

 private:
  static constexpr TColumn Columns[] = {
      {"TRK_NAME", TrackNameWidth}, {"TRK_FOLDER", TrackFolderWidth}, {"TRK_ID", TrackIDWidth}};
};

// The CARS table: the cached car list.
class TCARSConnector final : public TDBExpressConnector, public ICarsTable {
 public:
  TCARSConnector() : TDBExpressConnector(QStringLiteral("CARS")) {}

  int GetMaxIdx();
  void InsertCar(int index, const QString& name, const QString& year, const QString& folder,
                 const QString& id);
  void WriteCars(const std::vector<TCacheRow>& rows) override;
  std::vector<TCacheRow> ReadCars() override;
  bool GetCar(int index, QString& name, QString& year, QString& folder, QString& id);

 private:
  static constexpr TColumn Columns[] = {
      {"CAR_NAME", CarNameWidth}, {"CAR_YEAR", CarYearWidth}, {"CAR_FOLDER", CarFolderWidth}, {"CAR_ID", CarIDWidth}};
};

// Rewrites the cache `table` from `list` in one transaction that stores the fingerprint last,
// as the setting `section`/`key`: the list's fingerprint when every row was stored whole, else
// empty, so that the next start scans the folders again. A failure leaves the cache and its
// fingerprint as they were. A list read from the cache is in it already and is left alone.
template <class List, class Table>
void StoreCache(TIniTable& settings, const QString& section, const QString& key, const List& list,
                Table& table) {
  if (list.IsFromCache()) return;
  TTransaction transaction(table.GetSQLConnection());
  const bool whole = list.SaveToDB(table);
  settings.WriteString(section, key, whole ? list.FoldersMD5() : QString());
  transaction.Commit();
}

// The process-wide connectors, unbound until their first SetSQLConnection.
TTRACKSConnector& TRACKSConnector();
TCARSConnector& CARSConnector();

}  // namespace lumox
