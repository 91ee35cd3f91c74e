#include "bitmap/Bitmap32.h"
#include "imageformats/FileFormatList.h"
#include "installation/IniTree.h"
#include "installation/Scans.h"
#include "installation/Variants.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <vector>

namespace lumox {
namespace {

// A copy of the sample installation, so the stand-in simulator can change it.
class ExampleInstallation : public ::testing::Test {
 protected:
  ExampleInstallation() {
    std::filesystem::copy(LUMOX_EXAMPLE_INSTALLATION, Root.Path().toStdString(),
                          std::filesystem::copy_options::recursive);
  }

  QString File(const QString& relative) const { return Root.File(relative); }
  QString BestLaps(const QString& track) const { return File("data/tracks/" + track + "/bestlaps.ini"); }

  // Changes existing keys of an ini file the way the launcher does.
  void Write(const QString& relative, const QList<std::pair<QString, QString>>& values) const {
    TZindoIni ini(File(relative));
    for (const auto& [path, value] : values) {
      ASSERT_TRUE(ini.ValueExists(path)) << path.toStdString();
      ini.WriteString(path, value);
    }
    ini.SaveToFile(File(relative));
  }

  // Runs the stand-in simulator from another folder; returns what it printed.
  QString RunZindo(int expectedExitCode = 0) const {
    QProcess zindo;
    zindo.setWorkingDirectory(QDir::tempPath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZINDO_RACE_SECONDS", "0");
    zindo.setProcessEnvironment(environment);
    zindo.start(File("zindo.exe"), {});
    EXPECT_TRUE(zindo.waitForFinished(30000)) << zindo.errorString().toStdString();
    EXPECT_EQ(zindo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(zindo.exitCode(), expectedExitCode) << zindo.readAllStandardError().toStdString();
    return QString::fromLatin1(zindo.readAllStandardOutput());
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Root;
};

struct TLap {
  QString LapTime;
  QString Date;
  QString Car;
  QString CarID;
  bool operator==(const TLap&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TLap& lap) {
  return out << lap.LapTime.toStdString() << " " << lap.Date.toStdString() << " " << lap.Car.toStdString() << " ["
             << lap.CarID.toStdString() << "]";
}

const TLap kEmpty{"0", "0", "", ""};

// The ten slots of a best-laps file, as the launcher reads them.
std::vector<TLap> ReadLaps(const QString& fileName) {
  const TZindoIni ini(fileName);
  EXPECT_TRUE(ini.IsLoadComplete());
  std::vector<TLap> laps;
  for (int i = 0; i <= 9; ++i) {
    const QString slot = QStringLiteral("results.best%1.").arg(i);
    laps.push_back({ini.ReadString(slot + "laptime", "?"), ini.ReadString(slot + "date", "?"),
                    ini.ReadString(slot + "car", "?"), ini.ReadString(slot + "car_id", "?")});
  }
  return laps;
}

// Fills all ten slots, slot i with the lap time `first` + i.
void FillLaps(const QString& fileName, int first) {
  TZindoIni ini(fileName);
  for (int i = 0; i <= 9; ++i) {
    const QString slot = QStringLiteral("results.best%1.").arg(i);
    ini.WriteString(slot + "laptime", QString::number(first + i));
    ini.WriteString(slot + "date", QString::number(1790000000 + i));
    ini.WriteString(slot + "car", QStringLiteral("Car %1").arg(i));
    ini.WriteString(slot + "car_id", QStringLiteral("ID%1").arg(i));
  }
  ini.SaveToFile(fileName);
}

bool IsVeltraLap(const TLap& lap) {
  return lap.Car == "Veltra GT4" && lap.CarID == "VLT-GT4" && lap.LapTime.toInt() > 0 &&
         lap.Date.toLongLong() > 1700000000;
}

TEST_F(ExampleInstallation, EveryIniFileLoadsCompletelyInTheSimulatorsLayout) {
  int files = 0;
  QDirIterator it(Root.Path(), {"*.ini"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const TZindoIni ini(path);
    EXPECT_TRUE(ini.IsLoadComplete()) << path.toStdString();
    EXPECT_EQ(ini.ToBytes(), test::ReadBytes(path).toStdString()) << path.toStdString();
    ++files;
  }
  EXPECT_GE(files, 20);
  EXPECT_TRUE(Messages.Texts().isEmpty()) << Messages.Texts().join("\n").toStdString();

  const QString blank = File("blank.ini");
  CreateEmptyBestLaps(blank);
  EXPECT_EQ(test::ReadBytes(BestLaps("harbour_loop")), test::ReadBytes(blank));
}

TEST_F(ExampleInstallation, ScansFindTheCarsTracksControlSetsAndVariants) {
  EXPECT_TRUE(IsZindoExecutable(File("zindo.exe")));
  EXPECT_EQ(ListCarFolders(Root.Path()), QStringList({"askari_f3", "morrow_saloon", "pico_hatch", "veltra_gt4"}));
  EXPECT_EQ(ListTrackFolders(Root.Path()), QStringList({"dunmore_park", "harbour_loop", "kestrel_ring"}));
  EXPECT_EQ(ListTrackAIFiles(File("data/tracks/harbour_loop")), QStringList({"pico_hatch.ini", "veltra_gt4.ini"}));
  EXPECT_EQ(ListTrackAIFiles(File("data/tracks/kestrel_ring")),
            QStringList({"askari_f3.ini", "morrow_saloon.ini", "veltra_gt4.ini"}));

  QStringList controlSets;
  for (const QString& path : ListControllerFiles(Root.Path())) {
    controlSets.append(TZindoIni(path).ReadString("misc.displayname", ""));
  }
  EXPECT_EQ(controlSets, QStringList({"Keyboard (arrow keys)", "Steering wheel with pedals"}));

  TLumoxVariant variants;
  variants.LoadFromCarFolder(File("data/cars/veltra_gt4"));
  EXPECT_EQ(variants.GetFolders(), QStringList({"endurance", "sprint"}));
  EXPECT_EQ(variants.ComboContent().ItemIndex, 0);
  EXPECT_EQ(test::ReadBytes(File("data/cars/veltra_gt4/car.ini")),
            test::ReadBytes(File("data/cars/veltra_gt4/lumox_variants/endurance/car.ini")));
}

TEST_F(ExampleInstallation, ZindoIniHoldsEveryOptionKeyAndChoosesExistingItems) {
  const TZindoIni ini(File("zindo.ini"));
  for (const char* key :
       {"gadgets.menu", "gadgets.intro", "graphics.hide_cursor", "race.car", "dev.car", "race.track", "ini.track",
        "ini.controls", "race.ai.random_scenario", "race.ai_car", "race.ai_cars", "race.ai_car_multiple",
        "stats.default_info", "stats.fps", "race.laps", "renderer.stencil_shadows", "renderer.stencil_shadows.simple",
        "fx.sun.time_of_day", "fx.sun.auto_time_of_day", "envmap.live_track", "envmap.enable", "fx.visibility",
        "fx.fog", "resolution.fullscreen", "resolution.bits", "resolution.width", "resolution.height",
        "shadow.project_shadows", "mirrors.texture.enable", "mirrors.simple.enable", "mirrors.texture.wid",
        "mirrors.texture.hgt", "mirrors.texture.fov", "mirrors.simple.wid", "mirrors.simple.hgt", "textures.max_wid",
        "textures.max_hgt", "textures.quality", "gfx.show_spline_tris", "gfx.show_ai_lines", "gfx.show_car_bbox",
        "gfx.show_car_points", "dbg_stats.show_tire_forces", "log.enable", "log.period", "log.filename",
        "log.groups.suspension", "log.groups.slip_angle", "log.groups.slip_ratio", "log.groups.tire_forces",
        "log.groups.steering", "log.groups.controls", "log.groups.orientation", "log.groups.velocity",
        "log.groups.angular_velocity", "log.groups.acceleration", "log.groups.engine", "log.groups.position",
        "ai.lookahead_factor", "ai.lookahead_offset", "ai.steering_frequency", "ai.throttle_frequency",
        "ai.line_adjust", "ai.line_adjust_distance"}) {
    EXPECT_TRUE(ini.ValueExists(key)) << key;
  }
  const QStringList cars = ListCarFolders(Root.Path());
  EXPECT_TRUE(cars.contains(ini.ReadString("race.car", "")));
  EXPECT_TRUE(cars.contains(ini.ReadString("race.ai_car", "")));
  for (const QString& car : ini.ReadString("race.ai_car_multiple", "").split(' ')) EXPECT_TRUE(cars.contains(car));
  EXPECT_TRUE(ListTrackFolders(Root.Path()).contains(ini.ReadString("race.track", "")));
  EXPECT_TRUE(QFileInfo::exists(File("data/ctrlsets/" + ini.ReadString("ini.controls", ""))));
}

TEST_F(ExampleInstallation, TwoRunsRecordTheDefaultCarsLapsFastestFirst) {
  const QString log = File("QLOG.TXT");
  const qint64 logSize = QFileInfo(log).size();
  EXPECT_TRUE(RunZindo().contains("Veltra GT4 [VLT-GT4] on Port Seravin Harbour Loop"));
  std::vector<TLap> laps = ReadLaps(BestLaps("harbour_loop"));
  EXPECT_TRUE(IsVeltraLap(laps.at(0))) << laps.at(0);
  EXPECT_EQ(laps.at(1), kEmpty);
  const qint64 logSizeAfterOne = QFileInfo(log).size();
  EXPECT_GT(logSizeAfterOne, logSize);

  RunZindo();
  laps = ReadLaps(BestLaps("harbour_loop"));
  EXPECT_TRUE(IsVeltraLap(laps.at(0))) << laps.at(0);
  EXPECT_TRUE(IsVeltraLap(laps.at(1))) << laps.at(1);
  EXPECT_LE(laps.at(0).LapTime.toInt(), laps.at(1).LapTime.toInt());
  EXPECT_EQ(laps.at(2), kEmpty);
  const TZindoIni written(BestLaps("harbour_loop"));
  EXPECT_EQ(written.ToBytes(), test::ReadBytes(BestLaps("harbour_loop")).toStdString());

  const QByteArray session = test::ReadBytes(log).mid(logSizeAfterOne);
  EXPECT_TRUE(session.contains(" --- application start ---\r\n")) << session.toStdString();
  EXPECT_TRUE(session.contains(" (NOTE) New best lap ")) << session.toStdString();
  EXPECT_TRUE(session.endsWith("\r\n"));
}

TEST_F(ExampleInstallation, ANewLapIsPutAmongTheLapsOfTheChosenTrack) {
  Write("zindo.ini", {{"race.track", "kestrel_ring"}});
  const std::vector<TLap> before = ReadLaps(BestLaps("kestrel_ring"));
  RunZindo();
  const std::vector<TLap> after = ReadLaps(BestLaps("kestrel_ring"));

  std::vector<TLap> old = after;
  const auto added = std::find_if(old.begin(), old.end(), [&](const TLap& lap) {
    return IsVeltraLap(lap) && std::find(before.begin(), before.end(), lap) == before.end();
  });
  ASSERT_NE(added, old.end());
  old.erase(added);
  old.push_back(kEmpty);
  EXPECT_EQ(old, before);
  EXPECT_TRUE(std::is_sorted(after.begin(), after.begin() + 6, [](const TLap& a, const TLap& b) {
    return a.LapTime.toInt() < b.LapTime.toInt();
  }));
}

TEST_F(ExampleInstallation, AFullFileKeepsItsTenFastestLaps) {
  FillLaps(BestLaps("harbour_loop"), 1000);
  const QByteArray unbeatable = test::ReadBytes(BestLaps("harbour_loop"));
  EXPECT_TRUE(RunZindo().contains("slower than the best laps"));
  EXPECT_EQ(test::ReadBytes(BestLaps("harbour_loop")), unbeatable);

  FillLaps(BestLaps("harbour_loop"), 36000000);
  const std::vector<TLap> slow = ReadLaps(BestLaps("harbour_loop"));
  RunZindo();
  const std::vector<TLap> after = ReadLaps(BestLaps("harbour_loop"));
  EXPECT_TRUE(IsVeltraLap(after.at(0))) << after.at(0);
  EXPECT_EQ(std::vector<TLap>(after.begin() + 1, after.end()), std::vector<TLap>(slow.begin(), slow.end() - 1));
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

TEST_F(ExampleInstallation, AMissingBestLapsFileStartsFromTheBlankTemplate) {
  Write("zindo.ini", {{"race.track", "dunmore_park"}});
  RunZindo();
  const std::vector<TLap> laps = ReadLaps(BestLaps("dunmore_park"));
  EXPECT_TRUE(IsVeltraLap(laps.at(0))) << laps.at(0);
  EXPECT_EQ(std::vector<TLap>(laps.begin() + 1, laps.end()), std::vector<TLap>(9, kEmpty));
  EXPECT_EQ(TZindoIni(BestLaps("dunmore_park")).ToBytes(), test::ReadBytes(BestLaps("dunmore_park")).toStdString());
}

TEST_F(ExampleInstallation, AMissingCarIsLoggedAsAnErrorAndRecordsNothing) {
  Write("zindo.ini", {{"race.car", "no_such_car"}});
  const QByteArray bestLaps = test::ReadBytes(BestLaps("harbour_loop"));
  RunZindo(1);
  EXPECT_EQ(test::ReadBytes(BestLaps("harbour_loop")), bestLaps);
  EXPECT_TRUE(test::ReadBytes(File("QLOG.TXT")).contains("(ERR) Car file not found: data\\cars\\no_such_car\\car.ini"));
}

}  // namespace
}  // namespace lumox
