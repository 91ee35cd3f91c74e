#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <functional>
#include <unistd.h>

#include "archive/LapTimePool.h"
#include "frontend/BestLapsExchange.h"
#include "frontend/FormMain.h"
#include "frontend/MessageBoxes.h"
#include "installation/IniTree.h"
#include "platform/EventGuard.h"
#include "platform/TerminationSignals.h"
#include "tests/archive/TestDatabase.h"
#include "tests/frontend/FormStartUp.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/FindWidget.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using namespace std::chrono_literals;

const char* const Car = "data/cars/veltra_gt4/";
const char* const Record = "data/cars/veltra_gt4/lumox_variants/variant.ini";
const char* const Sprint = "data/cars/veltra_gt4/lumox_variants/sprint/";

// The main window over a copy of the sample installation and a fresh archive, with the stand-in
// simulator racing at once.
class Launch : public ::testing::Test {
 protected:
  Launch() {
    std::filesystem::copy(LUMOX_EXAMPLE_INSTALLATION, Zindo.Path().toStdString(),
                          std::filesystem::copy_options::recursive);
    qputenv("ZINDO_RACE_SECONDS", "0");
    Db.CreateLapTimeSchema();
    LapTimePoolConnector().SetSQLConnection(&Db.Connection());
    test::StartUp(Form, Zindo.File("zindo.exe"));
    Form.LoadOptions();
    Form.Launcher().PollInterval = 10ms;
    Form.LapTimeOptions = [this] { return Options; };
    Form.show();
  }
  ~Launch() override { LapTimePoolConnector().SetSQLConnection(nullptr); }

  void Start() { test::Find<QAction>(Form, "ActStartZindo")->trigger(); }
  QString BestLaps(const QString& track) const {
    return Zindo.File("data/tracks/" + track + "/bestlaps.ini");
  }
  // The laps of a best-laps file, filled slots only, as "car/id time date".
  static QStringList FileLaps(const QString& file) {
    const TZindoIni ini(file);
    QStringList laps;
    for (int slot = 0; slot < BestLapSlots; ++slot) {
      const auto value = [&](const char* key) {
        return ini.ReadString(QStringLiteral("results.best%1.%2").arg(slot).arg(key), {});
      };
      if (value("laptime").toInt() > 0)
        laps << value("car") + "/" + value("car_id") + " " + value("laptime") + " " + value("date");
    }
    return laps;
  }
  // The archived laps on `track`, deleted ones included, as FileLaps gives them.
  QStringList ArchivedLaps(const QString& track) {
    return Db.Rows(
        "select CAR_NAME || '/' || CAR_ID || ' ' || LAP_TIME || ' ' || LAP_DATE as R from LAPTIMEPOOL "
        "where TRACK_PATH = 'data\\tracks\\" +
        track + "' order by LAP_TIME, LAP_DATE");
  }
  int ArchivedCount() { return Db.Rows("select count(*) as R from LAPTIMEPOOL")[0].toInt(); }
  void ReplaceSimulator(const QByteArray& script) const {
    const QString exe = Zindo.Write("zindo.exe", "#!/bin/sh\n" + script + "\n");
    QFile::setPermissions(exe, QFile::permissions(exe) | QFile::ExeOwner);
  }
  // The stand-in says when it races (the file "racing") and records its lap once the file
  // "finish" is there.
  void RaceUntilFinished() const {
    QFile::copy(Zindo.File("zindo.exe"), Zindo.File("race.sh"));
    ReplaceSimulator(
        "cd \"$(dirname \"$0\")\"\ntouch racing\nwhile [ ! -e finish ]; do sleep 0.01; done\n"
        "exec sh ./race.sh");
  }
  bool Racing() const { return QFile::exists(Zindo.File("racing")); }
  // Chooses the car veltra_gt4 as the user does.
  void ChooseTheCar() {
    ASSERT_TRUE(
        Form.RaceSetup().SelectByFolder(test::Find<QComboBox>(Form, "comboDefaultCar"), "veltra_gt4"));
    RunGuarded([this] { Form.RaceSetup().comboDefaultCarChange(); });
  }
  void Finish() const { Zindo.Write("finish", ""); }

  test::TScriptedMessages Messages;
  test::TTestDatabase Db;
  test::TTempFolder Zindo;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
  TLapTimeOptions Options{0, 0, true};
};

TEST_F(Launch, TheRecordedLapIsArchivedOnceAndTheNextLaunchDoesNotAddItAgain) {
  const QByteArray kestrel = test::ReadBytes(BestLaps("kestrel_ring"));
  Start();
  const QStringList first = FileLaps(BestLaps("harbour_loop"));
  ASSERT_EQ(first.size(), 1);
  EXPECT_TRUE(first[0].startsWith("Veltra GT4/VLT-GT4 "));
  EXPECT_EQ(ArchivedLaps("harbour_loop"), first);
  Start();
  QStringList both = FileLaps(BestLaps("harbour_loop")), archived = ArchivedLaps("harbour_loop");
  both.sort();
  archived.sort();
  EXPECT_EQ(archived, both);
  EXPECT_EQ(ArchivedCount(), 5 + both.size());  // the sample's laps on another track came in too
  EXPECT_EQ(test::ReadBytes(BestLaps("kestrel_ring")), kestrel)
      << "\"do not change\" leaves the other tracks alone";
  EXPECT_FALSE(QFile::exists(BestLaps("dunmore_park")));
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(Launch, TheChosenBestLapsModeIsAppliedBeforeTheRaceAndTheOneTimeImportAsksFirst) {
  Options = {1, 0, false};
  Start();
  EXPECT_TRUE(FileLaps(BestLaps("kestrel_ring")).isEmpty());
  EXPECT_EQ(FileLaps(BestLaps("harbour_loop")).size(), 1);
  EXPECT_EQ(ArchivedCount(), 0) << "without the retrieval option nothing is archived";
  for (const TMsgAnswer answer : {TMsgAnswer::No, TMsgAnswer::Yes}) {
    Messages.Answer(answer);
    test::Find<QPushButton>(Form, "BtnOneTimeImport")->click();
  }
  EXPECT_EQ(Messages.Texts(), QStringList(2, "Do you really want to import all lap times?"));
  EXPECT_EQ(ArchivedCount(), 1);
}

// A variant whose file could not take its place (one no one may replace: only root can make
// one) left the car changed or its record naming no variant: that stops the launch.
TEST_F(Launch, OptionsThatWereNotSavedOrAVariantThatFailedWhileItWasAppliedStopTheLaunch) {
  ChooseTheCar();
  const QString sprint = Zindo.File("data/cars/veltra_gt4/lumox_variants/sprint");
  test::Find<QComboBox>(Form, "comboDefaultCarVariant")
      ->setCurrentIndex(Form.State().FVariants.GetFolders().indexOf("sprint"));
  Start();
  const QString carIni = Zindo.File("data/cars/veltra_gt4/car.ini");
  EXPECT_EQ(test::ReadBytes(carIni), test::ReadBytes(sprint + "/car.ini"));
  const QByteArray qlog = test::ReadBytes(Zindo.File("QLOG.TXT"));
  Form.Launcher().SaveOptions = [] { return false; };
  Start();
  EXPECT_EQ(test::ReadBytes(Zindo.File("QLOG.TXT")), qlog) << "the simulator did not run again";
  EXPECT_TRUE(test::Find<QAction>(Form, "ActStartZindo")->isEnabled());

  Form.Launcher().SaveOptions = [] { return true; };
  test::Find<QComboBox>(Form, "comboDefaultCarVariant")
      ->setCurrentIndex(Form.State().FVariants.GetFolders().indexOf("endurance"));
  if (!test::SetImmutable(carIni, true))
    GTEST_SKIP() << "this user or file system cannot make a file immutable";
  Start();
  test::SetImmutable(carIni, false);
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_TRUE(Messages.Texts()[0].contains("could not be applied completely"))
      << Messages.Texts()[0].toStdString();
  EXPECT_EQ(test::ReadBytes(Zindo.File("QLOG.TXT")), qlog) << "the simulator did not run again";
  EXPECT_EQ(test::ReadBytes(Zindo.File(Record)), "current\r\n{\r\n  folder=\r\n}\r\n");
}

// A variant that cannot be applied, as an ordinary user meets it: the car stays as it was, the
// user is told why, and the car races as it is.
TEST_F(Launch, AVariantThatCannotBeAppliedLeavesTheCarAsItWasAndTheRaceRuns) {
  const struct {
    const char* What;
    std::function<void()> Make;
    const char* Why;
  } cases[] = {
      {"a record that is read-only",
       [&] { QFile::setPermissions(Zindo.File(Record), QFile::ReadOwner | QFile::ReadOther); },
       "the record of the current variant cannot be written:\r\nLumox did not write"},
      {"a car folder that takes no new file",
       [&] { QFile::setPermissions(Zindo.File(Car), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther); },
       "these of its files cannot be copied into the car:\r\nCould not copy"},
      {"a variant folder that is gone", [&] { QDir(Zindo.File(Sprint)).removeRecursively(); }, "its folder"},
  };
  Options = {0, 0, false};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    ChooseTheCar();
    test::Find<QComboBox>(Form, "comboDefaultCarVariant")
        ->setCurrentIndex(Form.State().FVariants.GetFolders().indexOf("sprint"));
    c.Make();
    const QMap<QString, QByteArray> car = test::Snapshot(Zindo.File(Car));
    const QStringList laps = FileLaps(BestLaps("harbour_loop"));
    const std::size_t shown = Messages.Shown().size();
    {
      const test::TAsOrdinaryUser user({Zindo.Path()});
      Start();
    }
    ASSERT_EQ(Messages.Shown().size(), shown + 1);
    EXPECT_EQ(Messages.Shown()[shown].Kind, TMsgKind::Warning);
    const QString text = Messages.Shown()[shown].Text;
    EXPECT_TRUE(text.startsWith("The car variant \"Sprint (qualifying engine map)\" cannot be applied, as " +
                                QString(c.Why)) &&
                text.endsWith("\r\n\r\nZindo starts with the car as it is."))
        << text.toStdString();
    EXPECT_EQ(test::Snapshot(Zindo.File(Car)), car);
    EXPECT_EQ(FileLaps(BestLaps("harbour_loop")).size(), laps.size() + 1) << "the race ran";
    QFile::setPermissions(Zindo.File(Car), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(Zindo.File(Record), QFile::ReadOwner | QFile::WriteOwner);
  }
}

TEST_F(Launch, ASimulatorThatCannotStartIsReportedAndOneThatFailsEndsTheWaitAndTheLapsAreImportedBoth) {
  QFile::remove(Zindo.File("zindo.exe"));
  Zindo.Write("zindo.exe", "not a program");
  Start();
  EXPECT_EQ(Messages.Texts(), QStringList({"Error starting Exe!"}));
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Plain);
  EXPECT_EQ(ArchivedCount(), 5);
  ReplaceSimulator("exit 7");
  Db.Execute("delete from LAPTIMEPOOL");
  Start();
  EXPECT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(ArchivedCount(), 5);
}

TEST_F(Launch, WhileTheRaceRunsNothingStartsOrSavesAndQuittingWithoutArchivingLeavesTheSimulatorRunning) {
  ReplaceSimulator("echo $$ > sim.pid\nexec sleep 30");
  bool disabledWhileWaiting = false;
  bool logSavingOff = false;
  QTimer::singleShot(0, [&] { Start(); });
  QTimer::singleShot(300ms, [&] {
    disabledWhileWaiting = !test::Find<QAction>(Form, "ActStartZindo")->isEnabled() &&
                           !test::Find<QPushButton>(Form, "BtnOneTimeImport")->isEnabled() &&
                           !test::Find<QAction>(Form, "ActSaveOptions")->isEnabled() &&
                           !test::Find<QPushButton>(Form, "BtnSaveOptions")->isEnabled();
    test::WithNextModal(
        [&](QWidget* viewer) {
          logSavingOff = !test::Find<QPushButton>(*viewer, "BtnSaveAndExit")->isEnabled() &&
                         !test::Find<QAction>(*viewer, "ActSaveAndExit")->isEnabled();
          test::Find<QPushButton>(*viewer, "BtnQuit")->click();
        },
        [&] { test::Find<QAction>(Form, "ActViewQLOG")->trigger(); });
    Start();  // a second request while waiting starts nothing
    Messages.Answer(TMsgAnswer::Yes);
    Form.close();
  });
  QApplication::exec();
  EXPECT_TRUE(disabledWhileWaiting);
  EXPECT_TRUE(logSavingOff);
  EXPECT_EQ(Messages.Shown().at(0).Kind, TMsgKind::Confirmation);
  EXPECT_EQ(ArchivedCount(), 0) << "quit without archiving";
  const pid_t simulator = test::ReadBytes(Zindo.File("sim.pid")).trimmed().toInt();
  ASSERT_GT(simulator, 0);
  EXPECT_EQ(::kill(simulator, 0), 0);
  ::kill(simulator, SIGTERM);
}

// How Lumox ends while the stand-in races, with the lap retrieval on and "empty" chosen.
enum class TEnding { CloseAndWait, CloseAndQuit, Signal };

class LostLaps : public Launch, public ::testing::WithParamInterface<TEnding> {};

// Whatever ends Lumox during a race, the lap the stand-in records afterwards reaches the
// archive: at once, or, when Lumox had quit, before the next launch empties its file.
TEST_P(LostLaps, ALapRecordedAfterLumoxEndedMidRaceIsArchivedBeforeTheNextLaunchEmptiesItsFile) {
  Options = {1, 0, true};
  RaceUntilFinished();
  const TTerminationSignals terminationSignals([this] { Form.EndOnSignal(); });
  QTimer poll;
  poll.setInterval(5ms);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!Racing()) return;
    poll.stop();
    switch (GetParam()) {
      case TEnding::CloseAndWait:
        Messages.Answer(TMsgAnswer::No);
        Form.close();
        Finish();
        break;
      case TEnding::CloseAndQuit:
        Messages.Answer(TMsgAnswer::Yes);
        Form.close();
        break;
      case TEnding::Signal:
        ::kill(::getpid(), SIGTERM);
        break;
    }
  });
  poll.start();
  if (GetParam() == TEnding::CloseAndWait) {
    Start();
    EXPECT_TRUE(Form.isVisible());
    EXPECT_EQ(ArchivedLaps("harbour_loop"), FileLaps(BestLaps("harbour_loop"))) << "archived after the race";
    EXPECT_EQ(FileLaps(BestLaps("harbour_loop")).size(), 1);
    return;
  }
  QTimer::singleShot(0, [&] { Start(); });
  QApplication::exec();
  // The program ends here; this process goes on, and a quit request the signal's closing posted
  // would end the next wait at once.
  QCoreApplication::removePostedEvents(qApp, QEvent::Quit);
  EXPECT_EQ(Messages.Texts().size(), GetParam() == TEnding::Signal ? 0u : 1u) << "a signal asks nothing";
  EXPECT_TRUE(ArchivedLaps("harbour_loop").isEmpty());
  Finish();
  ASSERT_TRUE(QTest::qWaitFor([&] { return FileLaps(BestLaps("harbour_loop")).size() == 1; }));
  const QString recorded = FileLaps(BestLaps("harbour_loop"))[0];

  TFormMain again{std::make_unique<test::TScriptedOpenDialog>()};
  test::StartUp(again, Zindo.File("zindo.exe"));
  again.LoadOptions();
  again.Launcher().PollInterval = 10ms;
  again.LapTimeOptions = [this] { return Options; };
  test::Find<QAction>(again, "ActStartZindo")->trigger();
  const QStringList archived = ArchivedLaps("harbour_loop");
  EXPECT_TRUE(archived.contains(recorded));
  for (const QString& lap : FileLaps(BestLaps("harbour_loop")))  // the next race's lap came in after it
    EXPECT_TRUE(archived.contains(lap)) << lap.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Endings, LostLaps,
                         ::testing::Values(TEnding::CloseAndWait, TEnding::CloseAndQuit, TEnding::Signal));

TEST_F(Launch, ADamagedBestLapsFileIsReportedOnceALaunchAndLeftAsItIs) {
  const QByteArray cut = test::ReadBytes(BestLaps("kestrel_ring")).chopped(5);
  Zindo.Write("data/tracks/kestrel_ring/bestlaps.ini", cut);
  Options = {2, 4, true};
  Start();
  ASSERT_EQ(Messages.Texts().size(), 1);
  EXPECT_TRUE(Messages.Texts()[0].startsWith("Error opening \"" + BestLaps("kestrel_ring")));
  EXPECT_EQ(test::ReadBytes(BestLaps("kestrel_ring")), cut);
  Start();
  EXPECT_EQ(Messages.Texts().size(), 2) << "once again at the next launch";
}
// What a hostile installation meets: a launch (with the variant "sprint" of the car
// veltra_gt4 chosen), choosing that car, saving the options or the log, a rescan.
enum class TMeets {
  Launch,
  LaunchEmptying,
  LaunchFilling,
  ChoosingTheCar,
  SavingOptions,
  SavingTheLog,
  Rescan
};

// One layout made by a stranger's pack, what it meets and the part of the message the user
// gets; a layout Lumox may write gives none, and the variant is applied.
struct THostileInstallation {
  const char* Name;
  std::function<void(const test::TTempFolder& zindo, const test::TTempFolder& outside)> Make;
  TMeets Meets;
  const char* Message;
  const char* Kept = nullptr;  // a file of the installation that keeps its bytes
};

void PrintTo(const THostileInstallation& row, std::ostream* os) { *os << row.Name; }

// Moves the installation's `file` to `outside` and leaves a link to it in its place.
void MoveOut(const test::TTempFolder& zindo, const QString& file, const test::TTempFolder& outside,
             const QString& name) {
  ASSERT_TRUE(QDir().rename(zindo.File(file), outside.File(name)));
  test::MakeLink(outside.File(name), zindo.File(file));
}

class HostileInstallation : public Launch, public ::testing::WithParamInterface<THostileInstallation> {
 protected:
  HostileInstallation() {
    Outside.Write("victim.txt", "the user's own file");
    Outside.Write("id_rsa", "private key");
    Outside.MakeDir("autostart");
    Zindo.Write(QString(Sprint) + "physics.ini", "sprint physics");
    ChooseTheCar();
    test::Find<QComboBox>(Form, "comboDefaultCarVariant")
        ->setCurrentIndex(Form.State().FVariants.GetFolders().indexOf("sprint"));
  }
  void Meet(TMeets meets) {
    switch (meets) {
      case TMeets::Launch:
        return Start();
      case TMeets::LaunchEmptying:
        Options.FillMode = int(TFillMode::Empty);
        return Start();
      case TMeets::LaunchFilling:
        Options.FillMode = int(TFillMode::EmptyAndFill);
        return Start();
      case TMeets::ChoosingTheCar:
        return ChooseTheCar();
      case TMeets::SavingOptions:
        return test::Find<QAction>(Form, "ActSaveOptions")->trigger();
      case TMeets::Rescan:
        return test::Find<QPushButton>(Form, "BtnRescan")->click();
      case TMeets::SavingTheLog:
        return test::WithNextModal(
            [](QWidget* viewer) {
              test::Find<QPushButton>(*viewer, "BtnDeleteButLast")->click();
              test::Find<QPushButton>(*viewer, "BtnSaveAndExit")->click();
              viewer->close();
            },
            [this] { test::Find<QAction>(Form, "ActViewQLOG")->trigger(); });
    }
  }

  test::TTempFolder Outside;
};

TEST_P(HostileInstallation, MeetsAClearMessageAndNoFileOutsideChanges) {
  const THostileInstallation& row = GetParam();
  row.Make(Zindo, Outside);
  const QMap<QString, QByteArray> outside = test::Snapshot(Outside.Path());
  const QByteArray kept = row.Kept ? test::ReadBytes(Zindo.File(row.Kept)) : QByteArray();
  Meet(row.Meets);
  const QString shown = Messages.Texts().join("\n");
  if (*row.Message) {
    EXPECT_TRUE(shown.contains(row.Message)) << shown.toStdString();
  } else {
    EXPECT_EQ(shown, "");
    EXPECT_EQ(Form.State().FVariants.GetCurrentFolder(), "sprint");
  }
  if (row.Kept) {
    EXPECT_EQ(test::ReadBytes(Zindo.File(row.Kept)), kept);
  }
  EXPECT_EQ(test::Snapshot(Outside.Path()), outside);
}

INSTANTIATE_TEST_SUITE_P(
    Packs, HostileInstallation,
    ::testing::Values(
        THostileInstallation{"CarFileLinkedOutside",
                             [](auto& zindo, auto& out) {
                               test::MakeLink(out.File("victim.txt"),
                                              zindo.File(QString(Car) + "physics.ini"));
                             },
                             TMeets::Launch, "physics.ini\" is a symbolic link to", Record},
        THostileInstallation{"DanglingCarFileLink",
                             [](auto& zindo, auto& out) {
                               test::MakeLink(out.File("autostart/x.desktop"),
                                              zindo.File(QString(Car) + "physics.ini"));
                             },
                             TMeets::Launch, "physics.ini\" is a symbolic link to", Record},
        THostileInstallation{"VariantFileLinkedToAPrivateFile",
                             [](auto& zindo, auto& out) {
                               QFile::remove(zindo.File(QString(Sprint) + "car.ini"));
                               test::MakeLink(out.File("id_rsa"), zindo.File(QString(Sprint) + "car.ini"));
                             },
                             TMeets::Launch, "car.ini\" is a symbolic link to",
                             "data/cars/veltra_gt4/car.ini"},
        THostileInstallation{"DanglingVariantRecord",
                             [](auto& zindo, auto& out) {
                               QFile::remove(zindo.File(Record));
                               test::MakeLink(out.File(".bash_aliases"), zindo.File(Record));
                             },
                             TMeets::ChoosingTheCar, "variant.ini\": it is a symbolic link to"},
        THostileInstallation{"VariantRecordSwappedForALinkAfterItWasRead",
                             [](auto& zindo, auto& out) { MoveOut(zindo, Record, out, "aliases"); },
                             TMeets::Launch, "variant.ini\": it is a symbolic link to"},
        THostileInstallation{
            "CarFolderLinkedOutside",
            [](auto& zindo, auto& out) { MoveOut(zindo, "data/cars/veltra_gt4", out, "veltra"); },
            TMeets::Launch, "veltra_gt4\" is a symbolic link to"},
        THostileInstallation{"CarFolderLinkedInside",
                             [](auto& zindo, auto&) {
                               zindo.MakeDir("packs");
                               ASSERT_TRUE(QDir().rename(zindo.File("data/cars/veltra_gt4"),
                                                         zindo.File("packs/veltra")));
                               test::MakeLink("../../packs/veltra", zindo.File("data/cars/veltra_gt4"));
                             },
                             TMeets::Launch, ""},
        THostileInstallation{"BestLapsLinkedToABackup",
                             [](auto& zindo, auto& out) {
                               MoveOut(zindo, "data/tracks/kestrel_ring/bestlaps.ini", out, "backup.ini");
                             },
                             TMeets::LaunchEmptying, "bestlaps.ini\": it is a symbolic link to"},
        THostileInstallation{"DanglingBestLapsLink",
                             [](auto& zindo, auto& out) {
                               test::MakeLink(out.File("made.ini"),
                                              zindo.File("data/tracks/dunmore_park/bestlaps.ini"));
                             },
                             TMeets::LaunchFilling, "bestlaps.ini\": it is a symbolic link to"},
        THostileInstallation{
            "BestLapsFifo",
            [](auto& zindo, auto&) { test::MakeFifo(zindo.File("data/tracks/dunmore_park/bestlaps.ini")); },
            TMeets::LaunchFilling, "bestlaps.ini\": it is not a regular file"},
        THostileInstallation{"OptionsLinkedOutside",
                             [](auto& zindo, auto& out) {
                               out.Write("zindo.ini",
                                         test::ReadBytes(zindo.File("zindo.ini")).replace("fps=1", "fps=0"));
                               QFile::remove(zindo.File("zindo.ini"));
                               test::MakeLink(out.File("zindo.ini"), zindo.File("zindo.ini"));
                             },
                             TMeets::SavingOptions, "zindo.ini\": it is a symbolic link to"},
        THostileInstallation{"LogLinkedOutside",
                             [](auto& zindo, auto& out) { MoveOut(zindo, "QLOG.TXT", out, "log.txt"); },
                             TMeets::SavingTheLog, "QLOG.TXT\": it is a symbolic link to"},
        THostileInstallation{"LogFifo",
                             [](auto& zindo, auto&) {
                               QFile::remove(zindo.File("QLOG.TXT"));
                               test::MakeFifo(zindo.File("QLOG.TXT"));
                             },
                             TMeets::SavingTheLog, "QLOG.TXT\": It is not a regular file."},
        THostileInstallation{"HugeCarIni",
                             [](auto& zindo, auto&) {
                               ASSERT_TRUE(
                                   QFile::resize(zindo.File("data/cars/askari_f3/car.ini"), qint64(2) << 30));
                             },
                             TMeets::Rescan, "car.ini\":\r\nIt holds 2147483648 bytes"}),
    [](const auto& info) { return std::string(info.param.Name); });

// The default car's variant record is a dangling link: its refusal is shown while the options
// load, and they load all the same, so that saving them and launching work.
TEST_F(Launch, ARefusedVariantRecordWhileTheOptionsLoadCostsOnlyThatRecord) {
  QFile::remove(Zindo.File(Record));
  test::MakeLink(Zindo.File("nowhere.ini"), Zindo.File(Record));
  Form.LoadOptions();
  ASSERT_EQ(Messages.Texts().size(), 1);
  EXPECT_TRUE(Messages.Texts()[0].contains("variant.ini\": it is a symbolic link to"))
      << Messages.Texts()[0].toStdString();
  ASSERT_TRUE(Form.RaceSetup().SelectByFolder(test::Find<QComboBox>(Form, "comboDefaultCar"), "pico_hatch"));
  test::Find<QAction>(Form, "ActSaveOptions")->trigger();
  EXPECT_EQ(Messages.Texts().last(), "The current options have been\nsaved to the Zindo.ini file.");
  Start();
  EXPECT_EQ(Messages.Texts().size(), 2);
  const QStringList raced = FileLaps(BestLaps("harbour_loop"));
  ASSERT_EQ(raced.size(), 1);
  EXPECT_TRUE(raced[0].startsWith("Pico")) << "the saved car raced";
}

// A track folder reached through a link is read, never written: a launch that empties its file
// (there is one) or fills it (there is none) leaves it as it is, names it, and the race runs.
TEST_F(Launch, ATrackFolderReachedThroughALinkIsLeftAsItIsAndNamedAndTheRaceRuns) {
  test::TTempFolder outside;
  Zindo.Write("data/tracks/dunmore_park/bestlaps.ini", test::ReadBytes(BestLaps("kestrel_ring")));
  MoveOut(Zindo, "data/tracks/dunmore_park", outside, "dunmore_park");
  for (const TFillMode mode : {TFillMode::Empty, TFillMode::EmptyAndFill}) {
    SCOPED_TRACE(int(mode));
    if (mode == TFillMode::EmptyAndFill) QFile::remove(outside.File("dunmore_park/bestlaps.ini"));
    const QMap<QString, QByteArray> before = test::Snapshot(outside.Path());
    const std::size_t shown = Messages.Shown().size();
    Options = {int(mode), 0, false};
    Start();
    ASSERT_EQ(Messages.Shown().size(), shown + 1);
    const QString text = Messages.Texts().last();
    EXPECT_TRUE(text.contains("dunmore_park/bestlaps.ini\": \"" + Zindo.File("data/tracks/dunmore_park") +
                              "\" is a symbolic link to"))
        << text.toStdString();
    EXPECT_EQ(test::Snapshot(outside.Path()), before);
    EXPECT_TRUE(FileLaps(BestLaps("kestrel_ring")).isEmpty());
    EXPECT_EQ(FileLaps(BestLaps("harbour_loop")).size(), 1) << "emptied, then raced";
  }
}

// What the launch has to say shows before the simulator starts, not on a turn of the event loop
// inside the wait: here the variant that cannot be recorded, as its car folder lies elsewhere,
// and the track whose laps could not all be archived first. The stand-in marks its start first.
TEST_F(Launch, WhatTheLaunchSaysShowsBeforeTheSimulatorStartsAndAVariantThatCannotBeRecordedIsNotApplied) {
  test::TTempFolder outside;
  MoveOut(Zindo, "data/cars/veltra_gt4", outside, "veltra");
  QFile::remove(outside.File("veltra/lumox_variants/variant.ini"));
  const QByteArray car = test::ReadBytes(outside.File("veltra/car.ini"));
  Zindo.Write("data/tracks/kestrel_ring/bestlaps.ini",  // a car name the archive refuses
              test::ReadBytes(BestLaps("kestrel_ring")).replace("Askari F3 Junior", QByteArray(300, 'x')));
  RaceUntilFinished();
  Finish();
  QStringList shown;
  bool shownWhileRacing = false;
  TMessageBoxes boxes([&](TMsgKind, const QString& text, TMsgButtons) {
    shown << text;
    // A box shown after the start would soon see the stand-in's mark.
    shownWhileRacing |= QTest::qWaitFor([&] { return Racing(); }, 300);
    return TMsgAnswer::Ok;
  });
  const TUserMessagesScope installed(boxes);
  ChooseTheCar();
  test::Find<QComboBox>(Form, "comboDefaultCarVariant")
      ->setCurrentIndex(Form.State().FVariants.GetFolders().indexOf("sprint"));
  Options = {int(TFillMode::Empty), 0, true};
  Start();
  EXPECT_FALSE(shownWhileRacing);
  ASSERT_EQ(shown.size(), 3) << shown.join("\n").toStdString();
  EXPECT_TRUE(
      shown[0].contains("variant.ini\": \"" + Zindo.File(QString(Car).chopped(1)) + "\" is a symbolic link"))
      << shown[0].toStdString();
  EXPECT_TRUE(
      shown[1].startsWith("The best laps of these tracks were not emptied, as they could not all be") &&
      shown[1].contains("[kestrel_ring]"))
      << shown[1].toStdString();
  EXPECT_TRUE(shown[2].startsWith("The car variant \"Sprint (qualifying engine map)\" cannot be applied") &&
              shown[2].contains(shown[0]) && shown[2].endsWith("Zindo starts with the car as it is."))
      << shown[2].toStdString();
  EXPECT_TRUE(Racing());
  EXPECT_EQ(test::ReadBytes(outside.File("veltra/car.ini")), car);
}

// Stands in for the desktop's handler of local files.
class TFileOpener final : public QObject {
  Q_OBJECT

 public:
  TFileOpener() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
  ~TFileOpener() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QList<QUrl> Opened;

 public Q_SLOTS:
  void Open(const QUrl& url) { Opened << url; }
};

TEST_F(Launch, TheAnalyzerStartsWithoutWaitingOnlyWhenItExistsAndHelpOpensTheHelpFileQuietly) {
  for (const QString& path : {QString(), Zindo.Path(), Zindo.File("missing.exe")}) {
    Form.State().FTeleAnalyzerExe = path;
    test::Find<QAction>(Form, "ActStartTeleAnalyzer")->trigger();
  }
  EXPECT_EQ(
      Messages.Texts(),
      QStringList(3, "Could not find the telemetry analyzer.\r\nPlease select one on the \"Settings\" tab."));
  const QString analyzer = Form.State().FTeleAnalyzerExe =
      Zindo.Write("tools/analyzer", "#!/bin/sh\necho $$ > analyzer.pid\nexec sleep 30\n");
  QFile::setPermissions(analyzer, QFile::permissions(analyzer) | QFile::ExeOwner);
  test::Find<QAction>(Form, "ActStartTeleAnalyzer")->trigger();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return test::ReadBytes(Zindo.File("tools/analyzer.pid")).endsWith('\n'); }));
  const pid_t pid = test::ReadBytes(Zindo.File("tools/analyzer.pid")).trimmed().toInt();
  EXPECT_EQ(::kill(pid, 0), 0);
  ::kill(pid, SIGTERM);

  TFileOpener desktop;
  Form.State().FAppDir = Zindo.Path();
  test::Find<QPushButton>(Form, "BtnHelp")->click();
  EXPECT_EQ(desktop.Opened, QList<QUrl>({QUrl::fromLocalFile(Zindo.File("lumox.chm"))}));
  EXPECT_EQ(Messages.Shown().size(), 3u);
}

}  // namespace
}  // namespace lumox

#include "LauncherTest.moc"
