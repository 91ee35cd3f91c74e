#include "installation/Cars.h"

#include "installation/FileSystem.h"
#include "installation/IniTree.h"

namespace lumox {

QString CarNameAndID(const QString& name, const QString& id) {
  const QString trimmedName = TrimControls(name);
  const QString trimmedID = TrimControls(id);
  return (trimmedName.isEmpty() ? QStringLiteral("<no car name>") : trimmedName) + QStringLiteral(" [") +
         (trimmedID.isEmpty() ? QStringLiteral("<no ID>") : trimmedID) + QStringLiteral("]");
}

TCar::TCar(int index, const QString& zindoDir, const QString& folder, const QString& name,
           const QString& year, const QString& id)
    : Index(index),
      Name(name),
      Year(year),
      Folder(folder),
      Path(JoinPath(CarsFolder(zindoDir), folder)),
      ID(id),
      ZindoDir(zindoDir) {}

std::unique_ptr<TCar> TCar::CreateFromFolder(int index, const QString& zindoDir, const QString& folder) {
  const TZindoIni ini(ZindoFilePath(JoinPath(CarsFolder(zindoDir), folder), QStringLiteral("car.ini")));
  return std::make_unique<TCar>(
      index, zindoDir, folder,
      ini.ReadString(QStringLiteral("car.name"), QStringLiteral("Unnamed Car in Folder \"%1\"").arg(folder)),
      ini.ReadString(QStringLiteral("car.year"), {}), ini.ReadString(QStringLiteral("car.id"), {}));
}

std::unique_ptr<TCar> TCar::CreateFromRow(const TCacheRow& row, int index, const QString& zindoDir) {
  const QStringList& t = row.Texts;
  return std::make_unique<TCar>(index, zindoDir, t.value(2), t.value(0), t.value(1), t.value(3));
}

QString TCar::DisplayName() const {
  return Year.isEmpty() ? Name : Name + QStringLiteral(" (") + Year + QStringLiteral(")");
}

TCacheRow TCar::CacheRow() const { return {Index, {Name, Year, Folder, ID}}; }

bool TCar::FitsCache() const {
  return FitsColumn(Name, CarNameWidth) && FitsColumn(Year, CarYearWidth) &&
         FitsColumn(Folder, CarFolderWidth) && FitsColumn(ID, CarIDWidth);
}

int TCarRefs::Add(TCar& car) {
  Items.push_back(&car);
  return Count() - 1;
}

void TCarRefs::Delete(int index) { Items.erase(Items.begin() + CheckedIndex(index)); }

}  // namespace lumox
