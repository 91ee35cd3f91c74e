#pragma once
#include "installation/CacheTables.h"
#include "installation/FolderList.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace lumox {

// The car key text the lap-time archive matches on: name and identifier, each trimmed,
// as "name [id]", with "<no car name>" and "<no ID>" standing in for empty parts.
QString CarNameAndID(const QString& name, const QString& id);

// One car folder below data/cars.
class TCar {
 public:
  using TTable = ICarsTable;

  TCar(int index, const QString& zindoDir, const QString& folder, const QString& name, const QString& year,
       const QString& id);
  // Reads the folder's car.ini. When it cannot be read the user is told and the name
  // "Unnamed Car in Folder "<folder>"" with an empty year and identifier stand in.
  static std::unique_ptr<TCar> CreateFromFolder(int index, const QString& zindoDir, const QString& folder);
  // The cached `row`, placed at `index`; null when the table has no such row.
  static std::vector<TCacheRow> ReadRows(ICarsTable& table) { return table.ReadCars(); }
  static void WriteRows(ICarsTable& table, const std::vector<TCacheRow>& rows) { table.WriteCars(rows); }
  // The car of a cache row (texts name, year, folder, id), at position `index`.
  static std::unique_ptr<TCar> CreateFromRow(const TCacheRow& row, int index, const QString& zindoDir);

  static QStringList ListFolders(const QString& zindoDir) { return ListCarFolders(zindoDir); }
  static constexpr const char* ScanErrorIntro = "Error reading car information for";

  // "Name (Year)", or the name alone without a year.
  QString DisplayName() const;
  QString NameAndID() const { return CarNameAndID(Name, ID); }
  // The car's row in the cache table, at its index.
  TCacheRow CacheRow() const;
  // False when a text is too long for its column.
  bool FitsCache() const;

  int GetIndex() const { return Index; }
  // The list that holds the car places it.
  void SetIndex(int index) { Index = index; }
  const QString& GetName() const { return Name; }
  const QString& GetYear() const { return Year; }
  const QString& GetFolder() const { return Folder; }
  const QString& GetPath() const { return Path; }
  const QString& GetID() const { return ID; }
  const QString& GetZindoDir() const { return ZindoDir; }

 private:
  int Index;  // position in the list that made it, and the row in the cache table
  QString Name;
  QString Year;
  QString Folder;
  QString Path;
  QString ID;
  QString ZindoDir;
};

// All cars of the installation; owns them. Complete when made; only Clear changes it.
using TCars = TFolderList<TCar>;

// Cars picked from a TCars, such as the race's AI opponents. It does not own them, so it
// must not outlive their list.
class TCarRefs final : public TItemList<TCar, TCar*> {
 public:
  // Appends `car` and returns its position; the car's own index is left alone.
  int Add(TCar& car);
  // Throws std::out_of_range for a position outside the list.
  void Delete(int index);
  void Clear() { Items.clear(); }
};

}  // namespace lumox
