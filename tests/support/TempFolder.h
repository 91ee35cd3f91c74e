#pragma once
#include <QByteArray>
#include <QMap>
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

// Makes `link` a symbolic link that holds `target`, and `fifo` a FIFO.
void MakeLink(const QString& target, const QString& link);
void MakeFifo(const QString& fifo);
// Makes `path` a file no one may replace, change or remove, or takes that away again; false
// where the file system or the user cannot (only root may).
bool SetImmutable(const QString& path, bool immutable);

// Every entry below `folder`, each with its bytes, or where it leads for a link, to tell
// whether anything in it changed.
QMap<QString, QByteArray> Snapshot(const QString& folder);

}  // namespace lumox::test
