#pragma once
#include <QString>
#include <QStringList>

namespace lumox {

class TStagedCopies;
class TZindoIni;

// What the variant selector of the race set-up shows; the front end puts it into its
// combo box without firing change handlers.
struct TComboContent {
  QStringList Items;
  int ItemIndex = -1;  // -1: nothing selected
  bool Enabled = false;
};

// The variants of one car folder. They live in <car>/lumox_variants/<variant>/, each
// recognised by its variant.ini (variant.name is the display name); the other files of
// a variant replace the car's own when it is applied. lumox_variants/variant.ini records
// the current variant at current.folder.
class TLumoxVariant {
 public:
  // Replaces the content with the variants of `carFolder` in the installation `zindoDir`,
  // below which every file of the car is written. Creates the record of the current variant
  // when it is missing; throws EInOutError when that fails or is refused, with the variants
  // listed all the same.
  void LoadFromCarFolder(const QString& zindoDir, const QString& carFolder);
  bool HasVariants() const { return !Folders.isEmpty(); }
  TComboContent ComboContent() const;
  // The preview picture of the variant at `index`, else the car's own, else empty.
  QString GetPreviewFileName(int index) const;
  // Copies the files of the variant at `index` into the car folder and records it as current;
  // nothing happens for an index out of range. Returns why the variant cannot be applied when
  // that shows before any file of the car changes, which then all stay as they were, as does the
  // record: the record of the current variant could not be created, read completely or written;
  // the variant's folder is gone; a file of it cannot be copied into the car (a link in the car
  // folder, a variant file linked to one outside the installation, a car folder that takes no
  // new file, a full disk). Throws EInOutError when the car's files changed but not all of them
  // took their places, or the variant could not be recorded afterwards; the record then names
  // no variant, so that it never names one the car does not hold.
  [[nodiscard]] QString Apply(int index);

  const QString& GetCarFolder() const { return CarFolder; }
  const QString& GetCurrentFolder() const { return CurrentFolder; }
  const QStringList& GetNames() const { return Names; }
  const QStringList& GetFolders() const { return Folders; }

 private:
  void Clear();
  // Creates the record of the current variant where there is none; keeps why it could not.
  void CreateMissingRecord();
  QString ReadCurrentFolder() const;
  QString RecordFile() const;
  void ScanVariants();
  QString VariantsFolder() const;
  bool IsValid(int index) const { return index >= 0 && index < Folders.size(); }
  QString Prepare(const QString& source, TZindoIni& record, TStagedCopies& copies);
  void Commit(int index, TZindoIni& record, TStagedCopies& copies);
  void Record(TZindoIni& record, const QString& folder);

  QString ZindoDir;
  QString CarFolder;
  QString CurrentFolder;
  QString RecordError;  // why the missing record could not be created
  QStringList Names;    // display names
  QStringList Folders;  // folder names, parallel to Names
};

}  // namespace lumox
