#pragma once
// A small simulator installation for the race set-up tests: five cars (two of them named
// alike), three tracks with AI lines for some cars, and three control-set files.
#include <QString>

#include "tests/support/TempFolder.h"

namespace lumox::test {

class TSmallInstallation {
 public:
  TSmallInstallation();

  const QString& Dir() const { return ZindoDir; }
  QString File(const QString& relative) const { return Folder.File(relative); }
  QString Write(const QString& relative, const QByteArray& bytes) const {
    return Folder.Write(relative, bytes);
  }
  // Writes data/cars/<folder>/car.ini.
  void WriteCar(const QString& folder, const QByteArray& name, const QByteArray& year = {}) const;

 private:
  TTempFolder Folder;
  QString ZindoDir;
};

// A stand-in "notepad" first on PATH while it lives: a shell script with `body`, which gets
// the file to edit as $1.
class TStandInNotepad {
 public:
  explicit TStandInNotepad(const QByteArray& body);
  ~TStandInNotepad();
  TStandInNotepad(const TStandInNotepad&) = delete;
  TStandInNotepad& operator=(const TStandInNotepad&) = delete;

 private:
  TTempFolder Bin;
  QByteArray SavedPath;
};

}  // namespace lumox::test
