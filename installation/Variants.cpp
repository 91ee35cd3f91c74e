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

QString TLumoxVariant::RecordFile() const { return ZindoFilePath(VariantsFolder(), kVariantIni); }

QString TLumoxVariant::ReadCurrentFolder() const {
  return TZindoIni(RecordFile()).ReadString(kCurrentFolderPath, {});
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

QString TLumoxVariant::Apply(int index) {
  if (!IsValid(index)) return {};
  const auto notApplicable = [&](const QString& why) {
    return QStringLiteral("The car variant \"%1\" cannot be applied, as %2").arg(Names[index], why);
  };
  if (!RecordError.isEmpty())
    return notApplicable(QStringLiteral("the record of the current variant could not be created:\r\n") +
                         RecordError);
  const QString source = JoinPath(VariantsFolder(), Folders[index]);
  if (!FolderExists(source)) return notApplicable(QStringLiteral("its folder \"%1\" is gone.").arg(source));
  TZindoIni record(RecordFile());
  TStagedCopies copies(ZindoDir);
  const QString why = Prepare(source, record, copies);
  if (!why.isEmpty()) return notApplicable(why);
  Commit(index, record, copies);
  return {};
}

// Copies the variant's files beside the car's and makes the record name no variant, so that it
// never names one the car's files do not hold; nothing of the car changes yet. Returns what
// keeps the variant from being applied.
QString TLumoxVariant::Prepare(const QString& source, TZindoIni& record, TStagedCopies& copies) {
  const QString recordRefused = QStringLiteral("the record of the current variant cannot be written:\r\n");
  if (!record.IsLoadComplete())
    return recordRefused + QStringLiteral("\"%1\" could not be read completely (%2).")
                               .arg(record.GetFileName(), record.GetLoadError());
  try {
    CheckRewritable(ZindoDir, record.GetFileName());
  } catch (const EInOutError& e) {
    return recordRefused + MessageOf(e);
  }
  QStringList failures;
  for (const QString& name : ListFiles(source, {}, THidden::Include)) {
    if (IsVariantOwnFile(name)) continue;
    try {
      // A file the car has under another case is replaced, not doubled.
      copies.Stage(JoinPath(source, name), ZindoFilePath(CarFolder, name));
    } catch (const EInOutError& e) {
      failures.append(MessageOf(e));
    }
  }
  if (!failures.isEmpty())
    return QStringLiteral("these of its files cannot be copied into the car:\r\n") +
           failures.join(QStringLiteral("\r\n"));
  try {
    Record(record, {});
  } catch (const EInOutError& e) {
    return recordRefused + MessageOf(e);
  }
  return {};
}

// Puts the staged files in place and records the variant as current.
void TLumoxVariant::Commit(int index, TZindoIni& record, TStagedCopies& copies) {
  try {
    copies.Commit();
  } catch (const EInOutError& e) {
    const QString placed = copies.Placed().isEmpty()
                               ? QStringLiteral("none")
                               : QStringLiteral("\"%1\"").arg(copies.Placed().join("\", \""));
    throw EInOutError(
        QStringLiteral("The car variant \"%1\" could not be applied completely, and no variant is "
                       "recorded as the current one now:\r\n%2\r\nThe car's files replaced "
                       "already: %3.")
            .arg(Names[index], MessageOf(e), placed));
  }
  try {
    Record(record, Folders[index]);
  } catch (const EInOutError& e) {
    throw EInOutError(
        QStringLiteral("The car variant \"%1\" was applied, but it could not be recorded as the "
                       "current one; no variant is recorded now:\r\n%2")
            .arg(Names[index], MessageOf(e)));
  }
}

void TLumoxVariant::Record(TZindoIni& record, const QString& folder) {
  record.WriteString(kCurrentFolderPath, folder);
  record.SaveChanges(ZindoDir);
  CurrentFolder = folder;
}

}  // namespace lumox
