#include "installation/FileSystem.h"
#include "platform/Errors.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lumox {
namespace {

class FileSystem : public ::testing::Test {
 protected:
  test::TTempFolder Folder;
};

TEST_F(FileSystem, FoldersAreListedByNameIgnoringCaseThenBytewiseWithoutHiddenOnes) {
  for (const char* name : {"b", "a", "A", "_x", ".hidden", "Z"}) Folder.MakeDir(QString::fromLatin1(name));
  Folder.Write("c", "file, not a folder");
  EXPECT_EQ(ListFolders(Folder.Path()), QStringList({"_x", "A", "a", "b", "Z"}));
  EXPECT_EQ(ListFolders(Folder.File("missing")), QStringList());
}

TEST_F(FileSystem, FilesAreRegularFilesFilteredBySuffixIgnoringCase) {
  Folder.Write("b.ini", "");
  Folder.Write("A.INI", "");
  Folder.Write("notes.txt", "");
  Folder.Write(".hidden.ini", "");
  Folder.MakeDir("folder.ini");
  EXPECT_EQ(ListFiles(Folder.Path(), ".ini"), QStringList({"A.INI", "b.ini"}));
  EXPECT_EQ(ListFiles(Folder.Path()), QStringList({"A.INI", "b.ini", "notes.txt"}));
  EXPECT_EQ(ListFiles(Folder.Path(), {}, THidden::Include), QStringList({".hidden.ini", "A.INI", "b.ini", "notes.txt"}));
}

TEST_F(FileSystem, SimulatorFilesAreFoundByExactNameFirstThenIgnoringCase) {
  Folder.Write("exact/CAR.INI", "");
  Folder.Write("exact/car.ini", "");
  EXPECT_EQ(FindZindoFile(Folder.File("exact"), "car.ini"), Folder.File("exact/car.ini"));

  Folder.Write("mixed/Car.ini", "");
  Folder.Write("mixed/CAR.INI", "");
  EXPECT_EQ(FindZindoFile(Folder.File("mixed"), "car.ini"), Folder.File("mixed/CAR.INI"));

  Folder.MakeDir("folders/car.ini");
  Folder.MakeDir("folders/AI");
  EXPECT_EQ(FindZindoFile(Folder.File("folders"), "car.ini"), QString());
  EXPECT_EQ(FindZindoFolder(Folder.File("folders"), "ai"), Folder.File("folders/AI"));
  EXPECT_EQ(FindZindoFolder(Folder.File("folders"), "car.ini"), Folder.File("folders/car.ini"));
  EXPECT_EQ(FindZindoFolder(Folder.File("missing"), "ai"), QString());

  EXPECT_EQ(ZindoFilePath(Folder.File("mixed"), "car.ini"), Folder.File("mixed/CAR.INI"));
  EXPECT_EQ(ZindoFilePath(Folder.File("folders"), "track.ini"), Folder.File("folders/track.ini"));
}

TEST_F(FileSystem, CopyReplacesTheTargetAndReportsFailure) {
  const QString source = Folder.Write("source.bin", QByteArray("new\0bytes", 9));
  const QString target = Folder.Write("target.bin", "old content that is longer");
  CopyFileOverwriting(source, target);
  EXPECT_EQ(test::ReadBytes(target), QByteArray("new\0bytes", 9));

  try {
    CopyFileOverwriting(Folder.File("missing.bin"), target);
    FAIL() << "copying a missing file succeeded";
  } catch (const EInOutError& e) {
    EXPECT_TRUE(MessageOf(e).contains("missing.bin"));
  }
  EXPECT_THROW(CopyFileOverwriting(source, Folder.MakeDir("a folder")), EInOutError);
  EXPECT_EQ(test::ReadBytes(target), QByteArray("new\0bytes", 9));
}

TEST_F(FileSystem, WholeFileWriteReplacesOrFailsWithTheName) {
  const QString path = Folder.Write("f.txt", "old");
  WriteWholeFile(path, "new");
  EXPECT_EQ(test::ReadBytes(path), "new");
  try {
    WriteWholeFile(Folder.File("no/such/f.txt"), "x");
    FAIL() << "writing into a missing folder succeeded";
  } catch (const EInOutError& e) {
    EXPECT_TRUE(MessageOf(e).contains(Folder.File("no/such/f.txt")));
  }
}

}  // namespace
}  // namespace lumox
