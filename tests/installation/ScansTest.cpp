#include "installation/IniTree.h"
#include "installation/Scans.h"
#include "platform/Errors.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace lumox {
namespace {

// A small installation with the oddities real ones have: hidden folders, folders without
// their ini file, a "default" car template, names differing only in case.
class Scans : public ::testing::Test {
 protected:
  Scans() {
    for (const char* car : {"mini", "Alpha", "beta", "Default", "default", ".hidden"}) {
      Zindo.Write(QStringLiteral("data/cars/%1/car.ini").arg(QLatin1String(car)), "car\r\n{\r\n}\r\n");
    }
    Zindo.Write("data/cars/f1/CAR.INI", "");
    Zindo.MakeDir("data/cars/broken");
    Zindo.MakeDir("data/cars/zeta/car.ini");
    Zindo.Write("data/cars/readme.txt", "");

    for (const char* track : {"oval", "OVAL", "Monza", ".cache"}) {
      Zindo.Write(QStringLiteral("data/tracks/%1/track.ini").arg(QLatin1String(track)), "");
    }
    Zindo.MakeDir("data/tracks/nodata");
    Zindo.Write("data/tracks/oval/AI/f1.ini", "");
    Zindo.Write("data/tracks/oval/AI/Mini.INI", "");
    Zindo.Write("data/tracks/oval/AI/readme.txt", "");
    Zindo.Write("data/tracks/oval/AI/.old.ini", "");
    Zindo.MakeDir("data/tracks/oval/AI/kart.ini");
  }

  QString Track(const char* folder) const { return Zindo.File(QStringLiteral("data/tracks/") + folder); }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
};

TEST_F(Scans, CarsAreVisibleFoldersWithCarIniExceptTheTemplate) {
  EXPECT_EQ(ListCarFolders(Zindo.Path()), QStringList({"Alpha", "beta", "Default", "f1", "mini"}));
  EXPECT_EQ(CarFoldersMD5(Zindo.Path()), "92ef36f38641598093b28d3fd7c83264");
}

TEST_F(Scans, TracksAreVisibleFoldersWithTrackIni) {
  EXPECT_EQ(ListTrackFolders(Zindo.Path()), QStringList({"Monza", "OVAL", "oval"}));
  EXPECT_EQ(ListTrackPaths(Zindo.Path()), QStringList({Track("Monza"), Track("OVAL"), Track("oval")}));
  EXPECT_EQ(TrackFoldersMD5(Zindo.Path()), "c6cd87b77cadbd56a08fe846a9507b18");
}

TEST_F(Scans, AFolderWhoseNameIsNoUtf8CannotBeOpenedAndIsReportedOnce) {
  const std::filesystem::path bad = QFile::encodeName(Track("")).toStdString() + "R\xe9gion";
  std::filesystem::create_directory(bad);
  std::ofstream(bad / "track.ini").put('\n');
  EXPECT_EQ(ListTrackFolders(Zindo.Path()), QStringList({"Monza", "OVAL", "oval"}));
  EXPECT_EQ(TrackFoldersMD5(Zindo.Path()), "c6cd87b77cadbd56a08fe846a9507b18");
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_TRUE(Messages.Shown()[0].Text.startsWith("The folder \"" + Track("R\u00e9gion") + "\" is left out"));
}

TEST_F(Scans, AnEmptyInstallationHasNoFoldersAndTheFingerprintOfNothing) {
  test::TTempFolder empty;
  EXPECT_EQ(ListCarFolders(empty.Path()), QStringList());
  EXPECT_EQ(ListTrackFolders(empty.Path()), QStringList());
  EXPECT_EQ(ListControllerFiles(empty.Path()), QStringList());
  EXPECT_EQ(CarFoldersMD5(empty.Path()), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(TrackFoldersMD5(empty.Path()), FolderListMD5({}));
}

TEST_F(Scans, ControllerSetsAreIniFilesAsFullPaths) {
  Zindo.Write("data/ctrlsets/pad.ini", "");
  Zindo.Write("data/ctrlsets/Wheel.INI", "");
  Zindo.Write("data/ctrlsets/notes.txt", "");
  Zindo.Write("data/ctrlsets/.backup.ini", "");
  Zindo.MakeDir("data/ctrlsets/old.ini");
  EXPECT_EQ(ListControllerFiles(Zindo.Path()),
            QStringList({Zindo.File("data/ctrlsets/pad.ini"), Zindo.File("data/ctrlsets/Wheel.INI")}));
}

TEST_F(Scans, AILinesAreTheIniFilesOfTheAiFolderInAnyCase) {
  EXPECT_EQ(ListTrackAIFiles(Track("oval")), QStringList({"f1.ini", "Mini.INI"}));
  EXPECT_EQ(ListTrackAIFiles(Track("Monza")), QStringList());
}

TEST_F(Scans, AnExecutableNeedsZindoIniBesideIt) {
  const QString exe = Zindo.Write("zindo.exe", "MZ");
  EXPECT_FALSE(IsZindoExecutable(exe));
  Zindo.Write("ZINDO.INI", "");
  EXPECT_TRUE(IsZindoExecutable(exe));
  EXPECT_FALSE(IsZindoExecutable(Zindo.File("other.exe")));
  EXPECT_FALSE(IsZindoExecutable(Zindo.MakeDir("folder.exe")));
}

TEST_F(Scans, TheBlankBestLapsFileIsWhatTheIniWriterWritesForIt) {
  const QString path = Track("oval") + "/bestlaps.ini";
  CreateEmptyBestLaps(path);
  const QByteArray bytes = test::ReadBytes(path);
  EXPECT_TRUE(bytes.startsWith("results\r\n{\r\n  best0\r\n  {\r\n    laptime=0\r\n    date=0\r\n"
                               "    car=\r\n    car_id=\r\n    flags=0\r\n  }\r\n  best1\r\n"));
  EXPECT_TRUE(bytes.endsWith("  best9\r\n  {\r\n    laptime=0\r\n    date=0\r\n"
                             "    car=\r\n    car_id=\r\n    flags=0\r\n  }\r\n}\r\n"));
  EXPECT_EQ(bytes.count("\r\n"), 83);
  EXPECT_EQ(bytes.count('\n'), 83);

  TZindoIni ini(path);
  EXPECT_EQ(QByteArray::fromStdString(ini.ToBytes()), bytes);
  ini.WriteString("results.best9.car_id", "F1 [2024]");
  EXPECT_TRUE(QByteArray::fromStdString(ini.ToBytes()).contains("  best9\r\n  {\r\n    laptime=0\r\n    date=0\r\n"
                                                                 "    car=\r\n    car_id=F1 [2024]\r\n"));
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(Scans, AnExistingBestLapsFileIsNeverTouched) {
  const QByteArray odd("not { an = ini\0", 15);
  const QString exact = Zindo.Write("data/tracks/oval/bestlaps.ini", odd);
  const QString other = Zindo.Write("data/tracks/Monza/BestLaps.INI", "");
  CreateEmptyBestLaps(exact);
  CreateEmptyBestLaps(Track("Monza") + "/bestlaps.ini");
  EXPECT_EQ(test::ReadBytes(exact), odd);
  EXPECT_EQ(test::ReadBytes(other), "");
  EXPECT_FALSE(QFile::exists(Track("Monza") + "/bestlaps.ini"));
}

TEST_F(Scans, ABestLapsFileThatCannotBeWrittenIsAnError) {
  EXPECT_THROW(CreateEmptyBestLaps(Track("gone") + "/bestlaps.ini"), EInOutError);
}

}  // namespace
}  // namespace lumox
