#include "installation/Variants.h"

#include "installation/FileSystem.h"
#include "installation/IniTree.h"
#include "installation/WriteGuard.h"
#include "platform/Errors.h"

#include <array>

namespace lumox {
namespace {

const QString kVariantIni = QStringLiteral("variant.ini");
const QString kCurrentFolderPath = QStringLiteral("current.folder");
constexpr std::array<const char*, 3> kPreviewNames = {"preview.tga", "preview.jpg", "preview.bmp"};

QString FirstPreview(const QString& folder) {
  for (const char* name : kPreviewNames) {
    const QString found = FindZindoFile(folder, QLatin1String(name));
    if (!found.isEmpty()) return found;
  }
  return {};
}

// Files of a variant folder that describe the variant rather than belong to the car.
bool IsVariantOwnFile(const QString& name) {
  const QByteArray lower = name.toUtf8().toLower();  // ASCII letters only
  for (const char* preview : kPreviewNames) {
    if (lower == preview) return true;
  }
  return lower == "variant.ini";
}

}  // namespace

void TLumoxVariant::Clear() {
  ZindoDir.clear();
  CarFolder.clear();
  CurrentFolder.clear();
  RecordError.clear();
  Names.clear();
  Folders.clear();
}

QString TLumoxVariant::VariantsFolder() const { return JoinPath(CarFolder, QStringLiteral("lumox_variants")); }

void TLumoxVariant::LoadFromCarFolder(const QString& zindoDir, const QString& carFolder) {
  Clear();
  ZindoDir = zindoDir;
  CarFolder = carFolder;
  if (!FolderExists(VariantsFolder())) return;
  // The variants are listed first: a record that cannot be made costs only the record.
  ScanVariants();
  CreateMissingRecord();
  CurrentFolder = ReadCurrentFolder();
}

void TLumoxVariant::CreateMissingRecord() {
  if (!FindZindoFile(VariantsFolder(), kVariantIni).isEmpty()) return;
  try {
    WriteWholeFile(ZindoDir, JoinPath(VariantsFolder(), kVariantIni), "current\r\n{\r\n  folder=\r\n}\r\n");
  } catch (const EInOutError& e) {
    RecordError = MessageOf(e);
    throw;
  }
}

QString TLumoxVariant::ReadCurrentFolder() const {
  return TZindoIni(ZindoFilePath(VariantsFolder(), kVariantIni)).ReadString(kCurrentFolderPath, {});
}

void TLumoxVariant::ScanVariants() {
  for (const QString& folder : ListFolders(VariantsFolder())) {
    const QString ini = FindZindoFile(JoinPath(VariantsFolder(), folder), kVariantIni);
    if (ini.isEmpty()) continue;
    Folders.append(folder);
    Names.append(TZindoIni(ini).ReadString(QStringLiteral("variant.name"), QStringLiteral("<no name>")));
  }
}

TComboContent TLumoxVariant::ComboContent() const {
  if (!HasVariants()) return {{QStringLiteral("no variants available ...")}, 0, false};
  TComboContent content{Names, -1, true};
  for (qsizetype i = 0; i < Folders.size() && content.ItemIndex < 0; ++i) {
    if (Folders[i].compare(CurrentFolder, Qt::CaseInsensitive) == 0) content.ItemIndex = int(i);
  }
  return content;
}

QString TLumoxVariant::GetPreviewFileName(int index) const {
  if (IsValid(index)) {
    const QString preview = FirstPreview(JoinPath(VariantsFolder(), Folders[index]));
    if (!preview.isEmpty()) return preview;
  }
  return FirstPreview(CarFolder);
}

QString TLumoxVariant::WhyNotApplicable(int index) const {
  if (!IsValid(index) || RecordError.isEmpty()) return {};
  return QStringLiteral(
             "The car variant \"%1\" cannot be applied, as the record of the current variant could "
             "not be created:\r\n%2")
      .arg(Names[index], RecordError);
}

void TLumoxVariant::Apply(int index) {
  if (!IsValid(index) || !RecordError.isEmpty()) return;
  const QString source = JoinPath(VariantsFolder(), Folders[index]);
  if (!FolderExists(source)) {
    throw EInOutError(QStringLiteral("The car variant \"%1\" was not applied: its folder \"%2\" is gone.")
                          .arg(Names[index], source));
  }
  QStringList failures;
  for (const QString& name : ListFiles(source, {}, THidden::Include)) {
    if (IsVariantOwnFile(name)) continue;
    try {
      // A file the car has under another case is replaced, not doubled.
      CopyFileWithin(ZindoDir, JoinPath(source, name), ZindoFilePath(CarFolder, name), TExisting::Replace);
    } catch (const EInOutError& e) {
      failures.append(MessageOf(e));
    }
  }
  if (!failures.isEmpty()) {
    throw EInOutError(QStringLiteral("The car variant \"%1\" was not applied completely; it is not recorded as "
                                     "the current one. These files could not be copied:\r\n%2")
                          .arg(Names[index], failures.join(QStringLiteral("\r\n"))));
  }
  CurrentFolder = Folders[index];
  TZindoIni record(ZindoFilePath(VariantsFolder(), kVariantIni));
  record.WriteString(kCurrentFolderPath, CurrentFolder);
  record.SaveChanges(ZindoDir);
}

}  // namespace lumox
