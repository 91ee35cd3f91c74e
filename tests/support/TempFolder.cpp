#include "tests/support/TempFolder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "platform/FileDescriptor.h"

namespace lumox::test {

TTempFolder::TTempFolder() { EXPECT_TRUE(Dir.isValid()); }

QString TTempFolder::File(const QString& relative) const { return Dir.filePath(relative); }

QString TTempFolder::Write(const QString& relative, const QByteArray& bytes) const {
  const QString path = File(relative);
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  EXPECT_EQ(file.write(bytes), bytes.size());
  return path;
}

QString TTempFolder::MakeDir(const QString& relative) const {
  const QString path = File(relative);
  EXPECT_TRUE(QDir().mkpath(path));
  return path;
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void MakeLink(const QString& target, const QString& link) {
  EXPECT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0)
      << link.toStdString();
}

void MakeFifo(const QString& fifo) { EXPECT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0); }

bool SetImmutable(const QString& path, bool immutable) {
  const TFileDescriptor file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
  int flags = 0;
  if (!file.IsOpen() || ::ioctl(file.Get(), FS_IOC_GETFLAGS, &flags) != 0) return false;
  flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  return ::ioctl(file.Get(), FS_IOC_SETFLAGS, &flags) == 0;
}

QMap<QString, QByteArray> Snapshot(const QString& folder) {
  QMap<QString, QByteArray> entries;
  for (QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
       it.hasNext();) {
    const QFileInfo entry(it.next());
    // A FIFO is not read, which would wait for a writer.
    entries[entry.filePath()] = entry.isSymLink() ? "-> " + QFile::encodeName(entry.symLinkTarget())
                                : entry.isFile()  ? ReadBytes(entry.filePath())
                                                  : QByteArray("(no file)");
  }
  return entries;
}

}  // namespace lumox::test
