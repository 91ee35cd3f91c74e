#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>
#include <fstream>

#include "installation/FileSystem.h"
#include "installation/IniTree.h"
#include "installation/Scans.h"
#include "platform/Errors.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

// A small installation with the oddities real ones have: hidden folders, folders without their
// ini file or with it in capitals, a "default" car template, names differing only in case.
class Scans : public ::testing::Test {
 protected:
  Scans() {
    for (const char* car : {"mini", "Alpha", "beta", "Default", "default", ".hidden", "_x"})
      Zindo.Write(QStringLiteral("data/cars/%1/car.ini").arg(QLatin1String(car)), "car\r\n{\r\n}\r\n");
    Zindo.Write("data/cars/f1/CAR.INI", "");
    Zindo.MakeDir("data/cars/broken");
    Zindo.MakeDir("data/cars/zeta/car.ini");
    Zindo.Write("data/cars/readme.txt", "");
    for (const char* track : {"oval", "OVAL", "Monza", ".cache"})
      Zindo.Write(QStringLiteral("data/tracks/%1/track.ini").arg(QLatin1String(track)), "");
    for (const char* file : {"f1.ini", "Mini.INI", "readme.txt", ".old.ini"})
      Zindo.Write(QStringLiteral("data/tracks/oval/AI/") + file, "");
    for (const char* file : {"pad.ini", "Wheel.INI", "notes.txt", ".backup.ini"})
      Zindo.Write(QStringLiteral("data/ctrlsets/") + file, "");
    Zindo.MakeDir("data/tracks/oval/AI/kart.ini");
    Zindo.MakeDir("data/ctrlsets/old.ini");
  }

  QString Track(const char* folder) const { return Zindo.File(QStringLiteral("data/tracks/") + folder); }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
};

TEST_F(Scans, ListsAreVisibleFoldersAndFilesByNameIgnoringCaseThenBytewise) {
  EXPECT_EQ(ListCarFolders(Zindo.Path()), QStringList({"_x", "Alpha", "beta", "Default", "f1", "mini"}));
  EXPECT_EQ(CarFoldersMD5(Zindo.Path()), FolderListMD5({"_x", "Alpha", "beta", "Default", "f1", "mini"}));
  EXPECT_EQ(ListTrackFolders(Zindo.Path()), QStringList({"Monza", "OVAL", "oval"}));
  EXPECT_EQ(ListTrackPaths(Zindo.Path()), QStringList({Track("Monza"), Track("OVAL"), Track("oval")}));
  EXPECT_EQ(TrackFoldersMD5(Zindo.Path()), "c6cd87b77cadbd56a08fe846a9507b18");
  EXPECT_EQ(ListTrackAIFiles(Track("oval")), QStringList({"f1.ini", "Mini.INI"}));
  EXPECT_EQ(ListTrackAIFiles(Track("Monza")), QStringList());
  EXPECT_EQ(ListControllerFiles(Zindo.Path()),
            QStringList({Zindo.File("data/ctrlsets/pad.ini"), Zindo.File("data/ctrlsets/Wheel.INI")}));
  EXPECT_EQ(ListFiles(Track("oval/AI"), {}, THidden::Include),
            QStringList({".old.ini", "f1.ini", "Mini.INI", "readme.txt"}));

  // A folder whose name is no UTF-8 cannot be opened: it is reported once and left out.
  const std::filesystem::path bad = QFile::encodeName(Track("")).toStdString() + "R\xe9gion";
  std::filesystem::create_directory(bad);
  std::ofstream(bad / "track.ini").put('\n');
  EXPECT_EQ(TrackFoldersMD5(Zindo.Path()), "c6cd87b77cadbd56a08fe846a9507b18");
  EXPECT_EQ(Messages.Texts().size(), 1);
  EXPECT_TRUE(Messages.Texts()[0].startsWith("The folder \"" + Track("R\u00e9gion") + "\" is left out"));
  {
    const TFolderNameReports run;  // the program keeps one for its run
    for (int listing = 0; listing < 3; ++listing) ListTrackFolders(Zindo.Path());
  }
  EXPECT_EQ(Messages.Texts().size(), 2) << "once a run however often it is listed";

  test::TTempFolder empty;
  EXPECT_EQ(ListCarFolders(empty.Path()) + ListTrackFolders(empty.Path()) + ListControllerFiles(empty.Path()),
            QStringList());
  EXPECT_EQ(CarFoldersMD5(empty.Path()), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST_F(Scans, SimulatorFilesAreFoundByExactNameFirstThenIgnoringCase) {
  for (const char* file : {"exact/CAR.INI", "exact/car.ini", "mixed/Car.ini", "mixed/CAR.INI"})
    Zindo.Write(file, "");
  Zindo.MakeDir("folders/car.ini");
  Zindo.MakeDir("folders/AI");
  EXPECT_EQ(FindZindoFile(Zindo.File("exact"), "car.ini"), Zindo.File("exact/car.ini"));
  EXPECT_EQ(FindZindoFile(Zindo.File("mixed"), "car.ini"), Zindo.File("mixed/CAR.INI"));
  EXPECT_EQ(FindZindoFile(Zindo.File("folders"), "car.ini"), QString());
  EXPECT_EQ(FindZindoFolder(Zindo.File("folders"), "ai"), Zindo.File("folders/AI"));
  EXPECT_EQ(FindZindoFolder(Zindo.File("missing"), "ai"), QString());
  EXPECT_EQ(ZindoFilePath(Zindo.File("folders"), "track.ini"), Zindo.File("folders/track.ini"));

  const QString exe = Zindo.Write("zindo.exe", "MZ");
  EXPECT_FALSE(IsZindoExecutable(exe));
  Zindo.Write("ZINDO.INI", "");
  EXPECT_TRUE(IsZindoExecutable(exe));
  EXPECT_FALSE(IsZindoExecutable(Zindo.File("other.exe")));
  EXPECT_FALSE(IsZindoExecutable(Zindo.MakeDir("folder.exe")));
}

TEST_F(Scans, TheBlankBestLapsFileIsWhatTheIniWriterWritesAndAnExistingOneIsNeverTouched) {
  const QString path = Track("oval") + "/bestlaps.ini";
  CreateEmptyBestLaps(Zindo.Path(), path);
  const QByteArray slot =
      "  {\r\n    laptime=0\r\n    date=0\r\n    car=\r\n    car_id=\r\n    flags=0\r\n  }\r\n";
  QByteArray blank = "results\r\n{\r\n";
  for (int i = 0; i < 10; ++i) blank += "  best" + QByteArray::number(i) + "\r\n" + slot;
  EXPECT_EQ(test::ReadBytes(path), blank + "}\r\n");
  EXPECT_EQ(TZindoIni(path).ToBytes(), blank.toStdString() + "}\r\n");

  const QByteArray odd("not { an = ini\0", 15);
  Zindo.Write("data/tracks/oval/bestlaps.ini", odd);
  Zindo.Write("data/tracks/Monza/BestLaps.INI", "");
  CreateEmptyBestLaps(Zindo.Path(), path);
  CreateEmptyBestLaps(Zindo.Path(), Track("Monza") + "/bestlaps.ini");
  EXPECT_EQ(test::ReadBytes(path), odd);
  EXPECT_FALSE(QFile::exists(Track("Monza") + "/bestlaps.ini"));
  EXPECT_THROW(CreateEmptyBestLaps(Zindo.Path(), Track("gone") + "/bestlaps.ini"), EInOutError);
  EXPECT_TRUE(Messages.Shown().empty());
}

}  // namespace
}  // namespace lumox
