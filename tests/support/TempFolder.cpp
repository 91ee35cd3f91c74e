#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

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

}  // namespace lumox::test
