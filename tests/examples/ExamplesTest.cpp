// The sample installation loads cleanly, and its stand-in simulator records laps as the real one.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <filesystem>

#include "bitmap/Bitmap32.h"
#include "imageformats/FileFormatList.h"
#include "installation/IniTree.h"
#include "installation/Scans.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

// A copy of the sample installation, so the stand-in simulator can change it.
class ExampleInstallation : public ::testing::Test {
 protected:
  ExampleInstallation() {
    std::filesystem::copy(LUMOX_EXAMPLE_INSTALLATION, Root.Path().toStdString(),
                          std::filesystem::copy_options::recursive);
  }

  QString BestLaps(const QString& track) const { return Root.File("data/tracks/" + track + "/bestlaps.ini"); }
  // Sets existing keys of zindo.ini the way the launcher does, then runs the stand-in from another folder.
  int RunZindo(const QList<std::pair<QString, QString>>& values = {}) const {
    TZindoIni ini(Root.File("zindo.ini"));
    for (const auto& [path, value] : values) ini.WriteString(path, value);
    ini.SaveToFile(Root.Path(), ini.GetFileName());
    QProcess zindo;
    zindo.setWorkingDirectory(QDir::tempPath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZINDO_RACE_SECONDS", "0");
    zindo.setProcessEnvironment(environment);
    zindo.start(Root.File("zindo.exe"), {});
    EXPECT_TRUE(zindo.waitForFinished(30000));
    return zindo.exitCode();
  }
  // The lap times of a best-laps file's ten slots, each with its car when it has one.
  static QStringList Laps(const QString& file) {
    const TZindoIni ini(file);
    EXPECT_TRUE(ini.IsLoadComplete());
    QStringList laps;
    for (int i = 0; i <= 9; ++i) {
      const QString slot = QStringLiteral("results.best%1.").arg(i), car = ini.ReadString(slot + "car", "?");
      laps << ini.ReadString(slot + "laptime", "?") + (car.isEmpty() ? "" : " " + car);
    }
    return laps;
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Root;
};

TEST_F(ExampleInstallation, EveryIniFileLoadsCompletelyInTheSimulatorsLayout) {
  int files = 0;
  for (QDirIterator it(Root.Path(), {"*.ini"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();
       ++files) {
    const QString path = it.next();
    EXPECT_EQ(TZindoIni(path).ToBytes(), test::ReadBytes(path).toStdString()) << path.toStdString();
  }
  EXPECT_GE(files, 20);
  EXPECT_TRUE(Messages.Texts().isEmpty()) << Messages.Texts().join("\n").toStdString();
  CreateEmptyBestLaps(Root.Path(), Root.File("blank.ini"));
  EXPECT_EQ(test::ReadBytes(BestLaps("harbour_loop")), test::ReadBytes(Root.File("blank.ini")));
}

TEST_F(ExampleInstallation, TheStandInPutsTheDefaultCarsLapAmongTheTenFastestOfTheChosenTrack) {
  const QByteArray logBefore = test::ReadBytes(Root.File("QLOG.TXT"));
  const QStringList kestrel = Laps(BestLaps("kestrel_ring"));
  EXPECT_EQ(RunZindo({{"race.track", "kestrel_ring"}}), 0);
  QStringList after = Laps(BestLaps("kestrel_ring"));
  const QStringList added = QStringList(after).filter("Veltra GT4");
  ASSERT_EQ(added.size(), QStringList(kestrel).filter("Veltra GT4").size() + 1);
  std::vector<int> times;
  for (const QString& lap : after) times.push_back(lap.section(' ', 0, 0).toInt());
  EXPECT_TRUE(std::is_sorted(times.begin(), times.begin() + 6));
  EXPECT_EQ(after.count("0"), kestrel.count("0") - 1);
  const QByteArray session = test::ReadBytes(Root.File("QLOG.TXT")).mid(logBefore.size());
  EXPECT_TRUE(session.contains(" --- application start ---\r\n") &&
              session.contains(" (NOTE) New best lap "));

  EXPECT_EQ(RunZindo({{"race.track", "dunmore_park"}}), 0);  // a missing file starts from the blank one
  EXPECT_EQ(Laps(BestLaps("dunmore_park")).mid(1), QStringList(9, "0"));
  EXPECT_EQ(TZindoIni(BestLaps("dunmore_park")).ToBytes(),
            test::ReadBytes(BestLaps("dunmore_park")).toStdString());

  const QByteArray dunmore = test::ReadBytes(BestLaps("dunmore_park"));
  EXPECT_EQ(RunZindo({{"race.car", "no_such_car"}}), 1);
  EXPECT_EQ(test::ReadBytes(BestLaps("dunmore_park")), dunmore);
  EXPECT_TRUE(test::ReadBytes(Root.File("QLOG.TXT"))
                  .contains("(ERR) Car file not found: data\\cars\\no_such_car\\car.ini"));
}

// Each car, variant (which holds car files) and track folder has pictures the program reads.
TEST(SamplePictures, EveryCarVariantAndTrackHasAPictureTheProgramReads) {
  StartUpImageFormats();
  QDirIterator it(LUMOX_EXAMPLE_INSTALLATION "/data", {"car.ini", "track.ini"}, QDir::Files,
                  QDirIterator::Subdirectories);
  int folders = 0;
  while (it.hasNext()) {
    const QDir folder = QFileInfo(it.next()).dir();
    if (folder.dirName() == "default") continue;  // the template, not a car
    const QFileInfoList pictures = folder.entryInfoList({"preview.*", "loading.*"}, QDir::Files);
    EXPECT_FALSE(pictures.isEmpty()) << folder.path().toStdString();
    for (const QFileInfo& picture : pictures) {
      TBitmap32 bitmap;
      EXPECT_NO_THROW(bitmap.LoadFromFile(QFile::encodeName(picture.filePath()).toStdString()))
          << picture.filePath().toStdString();
    }
    ++folders;
  }
  EXPECT_EQ(folders, 9);
  ShutDownImageFormats();
}

}  // namespace
}  // namespace lumox
