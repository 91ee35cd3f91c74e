#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace lumox::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TTempFolder {
 public:
  TTempFolder();
  QString Path() const { return Dir.path(); }
  // Full path of `relative` inside the folder.
  QString File(const QString& relative) const;
  // Writes `bytes` to `relative`, making the folders on the way; returns the full path.
  QString Write(const QString& relative, const QByteArray& bytes) const;
  // Makes the folder `relative` (and its parents); returns the full path.
  QString MakeDir(const QString& relative) const;

 private:
  QTemporaryDir Dir;
};

QByteArray ReadBytes(const QString& path);

}  // namespace lumox::test
