#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>

#include "archive/LapTimePool.h"
#include "archive/SQLQuery.h"
#include "frontend/FormMain.h"
#include "installation/IniTree.h"
#include "tests/archive/TestDatabase.h"
#include "tests/frontend/FormStartUp.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/FindWidget.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

using namespace std::chrono_literals;

// The laps of a best-laps file, filled slots only, as "car/id time date".
QStringList FileLaps(const QString& file) {
  const TZindoIni ini(file);
  QStringList laps;
  for (int slot = 0; slot < BestLapSlots; ++slot) {
    const auto value = [&](const char* key) {
      return ini.ReadString(QStringLiteral("results.best%1.%2").arg(slot).arg(QLatin1String(key)), {});
    };
    if (value("laptime").toInt() > 0)
      laps << QStringLiteral("%1/%2 %3 %4")
                  .arg(value("car"), value("car_id"), value("laptime"), value("date"));
  }
  return laps;
}

// The main window over a copy of the sample installation and a fresh archive, with the
// stand-in simulator racing at once.
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

  template <class W>
  W* Widget(const char* name) {
    return test::Find<W>(Form, name);
  }
  QAction* StartAction() { return Widget<QAction>("ActStartZindo"); }
  QString BestLaps(const QString& track) const {
    return Zindo.File("data/tracks/" + track + "/bestlaps.ini");
  }
  void ReplaceSimulator(const QByteArray& script) const {
    const QString exe = Zindo.Write("zindo.exe", "#!/bin/sh\n" + script + "\n");
    QFile::setPermissions(exe, QFile::permissions(exe) | QFile::ExeOwner);
  }
  // The archived laps of the track folder, deleted ones included, as FileLaps gives them.
  QStringList ArchivedLaps(const QString& track) {
    TSQLQuery query(Db.Connection(),
                    "select * from LAPTIMEPOOL where TRACK_PATH = :PATH order by LAP_TIME, LAP_DATE");
    query.Bind("PATH", "data\\tracks\\" + track);
    query.Exec();
    QStringList laps;
    while (query.Next())
      laps << QStringLiteral("%1/%2 %3 %4")
                  .arg(query.String("CAR_NAME"), query.String("CAR_ID"))
                  .arg(query.Integer("LAP_TIME"))
                  .arg(query.Integer("LAP_DATE"));
    return laps;
  }
  int ArchivedCount() {
    TSQLQuery query(Db.Connection(), "select count(*) as N from LAPTIMEPOOL");
    query.Exec();
    query.Next();
    return query.Integer("N");
  }

  test::TScriptedMessages Messages;
  test::TTestDatabase Db;
  test::TTempFolder Zindo;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
  TLapTimeOptions Options{0, 0, true};
};

TEST_F(Launch, TheRecordedLapIsArchivedOnceAndNotAddedAgainByTheNextLaunch) {
  const QByteArray kestrel = test::ReadBytes(BestLaps("kestrel_ring"));
  StartAction()->trigger();
  const QStringList first = FileLaps(BestLaps("harbour_loop"));
  ASSERT_EQ(first.size(), 1);
  EXPECT_TRUE(first[0].startsWith("Veltra GT4/VLT-GT4 "));
  EXPECT_EQ(ArchivedLaps("harbour_loop"), first);
  EXPECT_EQ(ArchivedLaps("kestrel_ring").size(), 5);

  StartAction()->trigger();
  QStringList both = FileLaps(BestLaps("harbour_loop"));
  both.sort();
  QStringList archived = ArchivedLaps("harbour_loop");
  archived.sort();
  EXPECT_EQ(archived, both);
  EXPECT_TRUE(archived.contains(first[0]));
  EXPECT_EQ(ArchivedCount(), 5 + both.size());
  // "do not change": the other tracks keep their files as they were.
  EXPECT_EQ(test::ReadBytes(BestLaps("kestrel_ring")), kestrel);
  EXPECT_FALSE(QFile::exists(BestLaps("dunmore_park")));
  EXPECT_TRUE(Messages.Shown().empty());
  EXPECT_TRUE(StartAction()->isEnabled());
}

TEST_F(Launch, EmptyingLeavesOnlyTheNewLapAndCreatesNoFile) {
  Options = {1, 0, false};
  StartAction()->trigger();
  EXPECT_TRUE(FileLaps(BestLaps("kestrel_ring")).isEmpty());
  EXPECT_EQ(FileLaps(BestLaps("harbour_loop")).size(), 1);
  EXPECT_FALSE(QFile::exists(BestLaps("dunmore_park")));
  // Without the retrieval option nothing is archived.
  EXPECT_EQ(ArchivedCount(), 0);
}

TEST_F(Launch, FillingWritesTheFastestArchivedLapOfEachCarBeforeTheRace) {
  Messages.Answer(TMsgAnswer::Yes);
  Widget<QPushButton>("BtnOneTimeImport")->click();
  ASSERT_EQ(ArchivedCount(), 5);

  Options = {2, 1, false};
  StartAction()->trigger();
  EXPECT_EQ(FileLaps(BestLaps("kestrel_ring")), QStringList({"Askari F3 Junior/ASK-F3J 126512 1792318745",
                                                             "Veltra GT4/VLT-GT4 133870 1793104212"}));
  EXPECT_TRUE(FileLaps(BestLaps("dunmore_park")).isEmpty());
  EXPECT_EQ(FileLaps(BestLaps("harbour_loop")).size(), 1);
  EXPECT_EQ(Messages.Texts(), QStringList({"Do you really want to import all lap times?"}));
}

TEST_F(Launch, TheOneTimeImportAsksFirst) {
  Messages.Answer(TMsgAnswer::No);
  Widget<QPushButton>("BtnOneTimeImport")->click();
  EXPECT_EQ(ArchivedCount(), 0);
}

TEST_F(Launch, TheChosenVariantIsInPlaceBeforeTheRaceAndAFailedOneStopsTheLaunch) {
  TRaceSetupPage& setup = Form.RaceSetup();
  ASSERT_TRUE(setup.SelectByFolder(Widget<QComboBox>("comboDefaultCar"), "veltra_gt4"));
  setup.comboDefaultCarChange();
  const QString variants = Zindo.File("data/cars/veltra_gt4/lumox_variants/");
  Widget<QComboBox>("comboDefaultCarVariant")
      ->setCurrentIndex(Form.State().FVariants.GetFolders().indexOf("sprint"));
  StartAction()->trigger();
  EXPECT_EQ(test::ReadBytes(Zindo.File("data/cars/veltra_gt4/car.ini")),
            test::ReadBytes(variants + "sprint/car.ini"));
  EXPECT_EQ(ArchivedCount(), 6);

  const QByteArray qlog = test::ReadBytes(Zindo.File("QLOG.TXT"));
  QDir(variants + "sprint").removeRecursively();
  StartAction()->trigger();
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_EQ(test::ReadBytes(Zindo.File("QLOG.TXT")), qlog);
  EXPECT_TRUE(StartAction()->isEnabled());
}

TEST_F(Launch, OptionsThatWereNotSavedStopTheLaunch) {
  int saves = 0;
  Form.Launcher().SaveOptions = [&] { return ++saves > 1; };
  const QByteArray qlog = test::ReadBytes(Zindo.File("QLOG.TXT"));
  StartAction()->trigger();
  EXPECT_EQ(test::ReadBytes(Zindo.File("QLOG.TXT")), qlog);
  EXPECT_EQ(ArchivedCount(), 0);
  StartAction()->trigger();
  EXPECT_EQ(saves, 2);
  EXPECT_EQ(ArchivedCount(), 6);
}

TEST_F(Launch, ASimulatorThatCannotStartIsReportedAndTheLapsAreStillImported) {
  QFile::remove(Zindo.File("zindo.exe"));
  Zindo.Write("zindo.exe", "not a program");
  StartAction()->trigger();
  EXPECT_EQ(Messages.Texts(), QStringList({"Error starting Exe!"}));
  EXPECT_EQ(ArchivedCount(), 5);
}

TEST_F(Launch, ASimulatorThatFailsStillEndsTheWaitAndTheImportRuns) {
  ReplaceSimulator("exit 7");
  StartAction()->trigger();
  EXPECT_TRUE(Messages.Shown().empty());
  EXPECT_EQ(ArchivedCount(), 5);
}

TEST_F(Launch, ClosingTheWindowDuringTheRaceEndsTheWaitImportsAndLeavesTheSimulatorRunning) {
  ReplaceSimulator("echo $$ > sim.pid\nexec sleep 30");
  bool disabledWhileWaiting = false;
  QTimer::singleShot(0, [&] { StartAction()->trigger(); });
  QTimer::singleShot(300ms, [&] {
    disabledWhileWaiting =
        !StartAction()->isEnabled() && !Widget<QPushButton>("BtnOneTimeImport")->isEnabled();
    // A second request while waiting starts nothing.
    StartAction()->trigger();
    Form.close();
  });
  QApplication::exec();

  EXPECT_TRUE(disabledWhileWaiting);
  EXPECT_EQ(ArchivedCount(), 5);
  const pid_t simulator = test::ReadBytes(Zindo.File("sim.pid")).trimmed().toInt();
  ASSERT_GT(simulator, 0);
  EXPECT_EQ(::kill(simulator, 0), 0);
  ::kill(simulator, SIGTERM);
}

TEST_F(Launch, TheTelemetryAnalyzerStartsWithoutWaitingOnlyWhenItExists) {
  TFrontEndState& state = Form.State();
  for (const QString& path : {QString(), Zindo.Path(), Zindo.File("missing.exe")}) {
    state.FTeleAnalyzerExe = path;
    Widget<QAction>("ActStartTeleAnalyzer")->trigger();
  }
  EXPECT_EQ(
      Messages.Texts(),
      QStringList(3, "Could not find the telemetry analyzer.\r\nPlease select one on the \"Settings\" tab."));

  state.FTeleAnalyzerExe =
      Zindo.Write("tools/analyzer", "#!/bin/sh\necho $$ > analyzer.pid\nexec sleep 30\n");
  QFile::setPermissions(state.FTeleAnalyzerExe, QFile::permissions(state.FTeleAnalyzerExe) | QFile::ExeOwner);
  Widget<QAction>("ActStartTeleAnalyzer")->trigger();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return test::ReadBytes(Zindo.File("tools/analyzer.pid")).endsWith('\n'); }));
  const pid_t analyzer = test::ReadBytes(Zindo.File("tools/analyzer.pid")).trimmed().toInt();
  EXPECT_EQ(::kill(analyzer, 0), 0);
  ::kill(analyzer, SIGTERM);
  EXPECT_EQ(Messages.Shown().size(), 3u);
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

TEST_F(Launch, HelpOpensTheHelpFileOfTheProgramFolderQuietly) {
  TFileOpener desktop;
  Form.State().FAppDir = Zindo.Path();
  Widget<QPushButton>("BtnHelp")->click();
  EXPECT_EQ(desktop.Opened, QList<QUrl>({QUrl::fromLocalFile(Zindo.File("lumox.chm"))}));
  EXPECT_TRUE(Messages.Shown().empty());
}

}  // namespace
}  // namespace lumox

#include "LauncherTest.moc"
