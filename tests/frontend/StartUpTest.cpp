#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <csignal>
#include <unistd.h>
#include <filesystem>
#include <functional>
#include <tuple>

#include "archive/IniTable.h"
#include "archive/SQLQuery.h"
#include "frontend/FormMain.h"
#include "installation/Scans.h"
#include "tests/archive/TestDatabase.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/FailingWrites.h"
#include "tests/support/FindWidget.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

using test::Find;
using test::MountSmallFileSystem;
using test::WhyNoSmallFileSystem;

const QString UpdateQuestion = "Lumox will now update the database\r\nfrom version 0.0 to version 1.4.";
const QString AllSettings = "select SECTION || '/' || NAME || '=' || CONTENT as R from SETTINGS order by 1";

// A copy of the sample installation with the program in its folder lumox/, which holds only the
// database template.
class StartUp : public ::testing::Test {
 protected:
  StartUp() {
    test::UseBuildLockFolder();
    std::filesystem::copy(LUMOX_EXAMPLE_INSTALLATION, ZindoDir().toStdString(),
                          std::filesystem::copy_options::recursive);
    MakeAppDir(AppDir());
  }

  QString ZindoDir() const { return Temp.File("zindo"); }
  QString AppDir() const { return Temp.File("zindo/lumox"); }
  void MakeAppDir(const QString& appDir) const {
    QDir().mkpath(appDir);
    QFile::copy(test::BuiltTemplate(), appDir + "/" + TemplateFileName);
    QFile::setPermissions(appDir + "/" + TemplateFileName, QFile::ReadOwner | QFile::WriteOwner);
  }
  // A main window started in `appDir`; `update` agrees to the database update and closes the updater.
  std::unique_ptr<TFormMain> Start(bool update = false, const QString& appDir = {},
                                   std::unique_ptr<test::TScriptedOpenDialog> picker = {}) {
    auto form = std::make_unique<TFormMain>(picker ? std::move(picker)
                                                   : std::make_unique<test::TScriptedOpenDialog>());
    if (update) Messages.Answer(TMsgAnswer::Ok);
    test::WithNextModal(
        [](QWidget* updater) {  // Done is offered once the update has run
          auto* done = updater->findChild<QPushButton*>("BtnOK");
          ASSERT_TRUE(QTest::qWaitFor([&] { return done->isEnabled(); }));
          done->click();
        },
        [&] { form->StartUp(appDir.isEmpty() ? AppDir() : appDir); });
    return form;
  }
  static void Close(std::unique_ptr<TFormMain>& form) {
    form->close();
    form.reset();
  }
  // Shows the form and lets posted close requests run; true when it is still open.
  static bool StaysOpen(TFormMain& form) {
    form.show();
    QApplication::processEvents();
    return form.isVisible();
  }
  // Column R of the rows `sql` selects from the database in `appDir`.
  QStringList Stored(const QString& sql, const QString& appDir = {}) const {
    TSQLConnection connection((appDir.isEmpty() ? AppDir() : appDir) + "/" + DatabaseFileName);
    TSQLQuery query(connection, sql);
    query.Exec();
    QStringList rows;
    while (query.Next()) rows << query.String("R");
    return rows;
  }
  QString Setting(const QString& key) const {
    return Stored("select coalesce(max(CONTENT), '<none>') as R from SETTINGS where NAME = '" + key + "'")[0];
  }
  bool Lists(const TFormMain& form, const char* combo, const QString& name) const {
    return Find<QComboBox>(form, combo)->findText(name, Qt::MatchStartsWith) >= 0;
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Temp;
};

// A new user's first run: the program makes its database, updates it, finds the simulator one
// folder up, imports the sample's laps on request, shows every page (leaving screenshots, each
// with its whole texts, in a real window system) and stores its settings when it closes.
TEST_F(StartUp, TheRealWindowOfAFirstStartShowsEveryPageAndStoresItsSettingsAtShutDown) {
  auto form = Start(true);
  EXPECT_EQ(Messages.Texts(), QStringList{UpdateQuestion});
  EXPECT_EQ(form->State().FZindoDir, ZindoDir());
  EXPECT_TRUE(Lists(*form, "comboDefaultCar", "Pico Hatch R") &&
              Lists(*form, "comboDefaultTrack", "Kestrel Ring"));
  EXPECT_TRUE(StaysOpen(*form));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  auto *pages = Find<QTabWidget>(*form, "PageControl1"), *pcRace = Find<QTabWidget>(*form, "pcRace");
  const auto screenshot = [&](const QString& name) {
    QTest::qWait(50);
    if (test::HasRealWindows()) test::SaveScreenshot(form.get(), "main-window-" + name);
  };
  pages->setCurrentWidget(Find(*form, "TabImprove"));
  screenshot("no-laps-yet");
  pages->setCurrentIndex(0);
  Messages.Answer(TMsgAnswer::Yes);
  Find<QPushButton>(*form, "BtnOneTimeImport")->click();
  form->RaceSetup().SelectByFolder(Find<QComboBox>(*form, "comboDefaultTrack"), "kestrel_ring");
  for (int page = 0; page < pages->count(); ++page) {
    pages->setCurrentIndex(page);
    for (int inner = 0; inner < (page == 0 ? pcRace->count() : 1); ++inner) {
      pcRace->setCurrentIndex(inner);
      screenshot((page == 0 ? pcRace->currentWidget() : pages->currentWidget())->objectName());
    }
  }
  if (test::HasRealWindows()) {
    EXPECT_LE(qAbs(form->frameGeometry().center().x() - form->screen()->availableGeometry().center().x()),
              20);
  }
  Find<QCheckBox>(*form, "chkPrvPreferLoading")->setChecked(true);
  Find<QLineEdit>(*form, "medImpPercent")->setText("12x");
  Find<QComboBox>(*form, "comboFillLapNo")->setCurrentIndex(2);
  Close(form);
  const QStringList stored = Stored("select NAME || '=' || CONTENT as R from SETTINGS");
  for (const QString& row : QStringList{
           "VERSION=1.4.0.0", "PREVIEW_PREFER_LOADING=Y", "SHOW_ONLY_AVAILABLE=N",
           "ZINDO_EXE=" + ZindoDir() + "/zindo.exe", "CARS_MD5=" + CarFoldersMD5(ZindoDir()),
           "TRACKS_MD5=" + TrackFoldersMD5(ZindoDir()), "FILL_BESTLAPS_LAPNO=2", "IMP_IGNORE_PERCENT=150"})
    EXPECT_TRUE(stored.contains(row)) << row.toStdString() << "\n" << stored.join("\n").toStdString();
  EXPECT_EQ(Messages.Shown().size(), 2u);  // the update and the import question
}

TEST_F(StartUp, TheListsComeFromTheCacheUntilTheirFoldersChangeAndAStoredSimulatorThatIsGoneIsReplaced) {
  auto form = Start(true);
  Close(form);
  for (const char* file : {"data/cars/pico_hatch/car.ini", "data/tracks/kestrel_ring/track.ini"})
    Temp.Write("zindo/" + QString(file),
               test::ReadBytes(ZindoDir() + "/" + file).replace("name=", "name=New "));
  form = Start();  // up to date: no question
  EXPECT_TRUE(Lists(*form, "comboDefaultCar", "Pico Hatch R") &&
              Lists(*form, "comboDefaultTrack", "Kestrel Ring"));
  form.reset();
  // A new car folder: the cars are scanned, the tracks still come from the cache.
  std::filesystem::copy((ZindoDir() + "/data/cars/default").toStdString(),
                        (ZindoDir() + "/data/cars/zz_new").toStdString(),
                        std::filesystem::copy_options::recursive);
  {
    TSQLConnection connection(AppDir() + "/" + DatabaseFileName);
    TIniTable(connection, "SETTINGS").WriteString("PROGRAM", "ZINDO_EXE", "/nowhere/zindo.exe");
  }
  form = Start();
  EXPECT_TRUE(Lists(*form, "comboDefaultCar", "New Pico Hatch R") &&
              Lists(*form, "comboDefaultTrack", "Kestrel Ring"));
  Close(form);
  EXPECT_EQ(Setting("CARS_MD5"), CarFoldersMD5(ZindoDir()));
  EXPECT_EQ(Setting("ZINDO_EXE"), ZindoDir() + "/zindo.exe");
  EXPECT_EQ(Messages.Texts(), QStringList{UpdateQuestion});
}

TEST_F(StartUp, WithoutSimulatorAndPickerCancelledItClosesAndStoresNothing) {
  const QString appDir = Temp.File("elsewhere/lumox");
  MakeAppDir(appDir);
  auto picker = std::make_unique<test::TScriptedOpenDialog>();
  picker->Pick(QString());
  auto form = Start(false, appDir, std::move(picker));
  EXPECT_TRUE(
      Messages.Texts().at(0).startsWith("Lumox could not autodetect the location of your Zindo executable."));
  EXPECT_FALSE(form->State().FInitialized || StaysOpen(*form));
  form.reset();
  EXPECT_EQ(Stored("select count(*) as R from SETTINGS", appDir), QStringList("0"));
}

// A refused or failed update leaves the database as it was when the question came: the
// simulator's path, found before it, is all that start-up stores; nothing is stored on the way
// out, and the update is offered again.
TEST_F(StartUp, ARefusedOrFailedUpdateClosesTheWindowStoresNothingOnTheWayOutAndIsOfferedAgain) {
  const QStringList found{"PROGRAM/ZINDO_EXE=" + ZindoDir() + "/zindo.exe"};
  for (int start = 1; start <= 2; ++start) {
    Messages.Answer(TMsgAnswer::Cancel);
    auto form = Start();
    EXPECT_FALSE(form->State().FInitialized || StaysOpen(*form));
    form.reset();
    EXPECT_EQ(Stored(AllSettings), found);
  }
  EXPECT_EQ(Messages.Texts(), QStringList(2, UpdateQuestion)) << "no error from the old tables";
  {
    // A table of that name without the indexed column: the last step fails.
    TSQLConnection connection(AppDir() + "/" + DatabaseFileName);
    TSQLQuery(connection, "CREATE TABLE TRACKS (OTHER INTEGER)").Exec();
  }
  auto form = Start(true);
  EXPECT_FALSE(form->State().FInitialized || StaysOpen(*form));
  form.reset();
  ASSERT_EQ(Messages.Shown().size(), 4u);
  EXPECT_EQ(Messages.Shown()[3].Kind, TMsgKind::Error);
  EXPECT_EQ(Stored(AllSettings), found);
}

// Another program's database under the archive's name is told, naming the file and what makes
// it no Lumox archive, and left as it was; the program closes.
TEST_F(StartUp, ADatabaseThatIsNoLumoxArchiveIsReportedLeftUntouchedAndTheProgramCloses) {
  const struct {
    const char* What;
    QStringList Sql;
    const char* Why;
  } databases[] = {
      {"invoices only",
       {"DROP TABLE SETTINGS", "DROP TABLE LAPTIMEPOOL", "CREATE TABLE INVOICES (NR INTEGER)",
        "INSERT INTO INVOICES VALUES (1)"},
       "it has neither of its tables SETTINGS and LAPTIMEPOOL"},
      {"a settings table of its own",
       {"DROP TABLE LAPTIMEPOOL", "INSERT INTO SETTINGS VALUES ('APP', 'THEME', 'dark')"},
       "it has no table LAPTIMEPOOL"},
      {"settings of another shape",
       {"DROP TABLE SETTINGS", "CREATE TABLE SETTINGS (SECTION VARCHAR(10), NAME VARCHAR(10), CONTENT VARCHAR(10), "
        "SCOPE INTEGER)", "INSERT INTO SETTINGS VALUES ('APP', 'THEME', 'dark', 1)"},
       "its table SETTINGS has the columns SECTION, NAME, CONTENT, SCOPE instead of SECTION, NAME and CONTENT"},
  };
  const QString database = AppDir() + "/" + DatabaseFileName;
  const auto contents = [&] {
    TSQLConnection connection(database);
    TSQLQuery query(connection, "select trim(RDB$RELATION_NAME) as R from RDB$RELATIONS where RDB$SYSTEM_FLAG = 0 "
                                "order by 1");
    query.Exec();
    QStringList rows;
    while (query.Next()) {
      const QString table = query.String("R");
      TSQLQuery count(connection, "select count(*) as R from " + table);
      count.Exec();
      count.Next();
      rows << table + " " + count.String("R");
    }
    return rows;
  };
  for (const auto& d : databases) {
    QFile::remove(database);
    ASSERT_TRUE(QFile::copy(test::BuiltTemplate(), database));
    QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner);
    {
      TSQLConnection connection(database);
      for (const QString& sql : d.Sql) TSQLQuery(connection, sql).Exec();
    }
    const QStringList before = contents();
    const qsizetype earlier = Messages.Texts().size();
    auto form = Start();
    EXPECT_FALSE(form->State().FInitialized || StaysOpen(*form)) << d.What;
    form.reset();
    EXPECT_EQ(contents(), before) << d.What;
    const QStringList texts = Messages.Texts().mid(earlier);
    ASSERT_EQ(texts.size(), 1) << d.What;
    EXPECT_EQ(texts[0], QStringLiteral("The database \"%1\" is not a Lumox archive: %2.\r\n"
                                                  "Lumox leaves it untouched and closes now.\r\n"
                                                  "Please move it away, or put your Lumox archive in its place.")
                                       .arg(database, d.Why));
  }
}

TEST_F(StartUp, AnUnreadableDatabaseIsReportedOnceTheWindowStaysAndNothingIsStored) {
  const QByteArray garbage(4096, 'x');
  Temp.Write(QStringLiteral("zindo/lumox/") + DatabaseFileName, garbage);
  auto form = Start();
  EXPECT_FALSE(form->State().FInitialized);
  EXPECT_TRUE(StaysOpen(*form));
  Close(form);
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_EQ(test::ReadBytes(AppDir() + "/" + DatabaseFileName), garbage);
}

// A window whose start-up ended early, on an archive another program holds or one that is no
// database, never read the options nor reached the archive: saving the options, starting the
// simulator and importing laps are refused, naming what ended start-up rather than the options'
// file or the program's insides, and nothing is written.
TEST_F(StartUp, AWindowWhoseStartUpEndedEarlyRefusesToSaveStartOrImportNamingWhy) {
  auto form = Start(true);
  Close(form);
  const QString database = AppDir() + "/" + DatabaseFileName;
  const QByteArray options = test::ReadBytes(ZindoDir() + "/zindo.ini");
  test::TOtherProgramAttached other(database);
  ASSERT_TRUE(other.IsAttached());
  const std::pair<const char*, std::function<void()>> ends[] = {
      {"another program is using the archive", [] {}},
      {"the file is not a database",
       [&] {
         other.Detach();
         Temp.Write(QStringLiteral("zindo/lumox/") + DatabaseFileName, QByteArray(4096, 'x'));
       }},
  };
  for (const auto& [cause, makeItSo] : ends) {
    SCOPED_TRACE(cause);
    makeItSo();
    const qsizetype earlier = Messages.Texts().size();
    form = Start();
    ASSERT_TRUE(StaysOpen(*form));
    Find<QAction>(*form, "ActSaveOptions")->trigger();
    Find<QAction>(*form, "ActStartZindo")->trigger();
    Find<QPushButton>(*form, "BtnOneTimeImport")->click();
    Close(form);
    const QStringList texts = Messages.Texts().mid(earlier);
    ASSERT_EQ(texts.size(), 4);
    EXPECT_TRUE(texts[0].contains(database) && texts[0].contains(cause)) << texts[0].toStdString();
    for (const auto& [refusal, text] : {std::pair{"The options have not been saved", texts[1]},
                                        std::pair{"Zindo has not been started", texts[2]},
                                        std::pair{"No lap times have been imported", texts[3]}}) {
      EXPECT_TRUE(text.startsWith(refusal) && text.contains("did not complete its start-up") &&
                  text.contains(database) && text.contains(cause) && !text.contains("zindo.ini"))
          << text.toStdString();
    }
  }
  EXPECT_EQ(test::ReadBytes(ZindoDir() + "/zindo.ini"), options);
}

// The only settings a newer program's database may end with are those it had: a newer release
// of the same schema is used, a newer schema is left untouched and the program closes.
TEST_F(StartUp, ADatabaseOfANewerSchemaIsReportedLeftUntouchedAndTheProgramCloses) {
  auto form = Start(true);
  Close(form);
  const std::pair<const char*, bool> versions[] = {{"1.4.9.0", false}, {"1.5.0.0", true}, {"9.0.0.0", true}};
  for (const auto& [version, newer] : versions) {
    {
      TSQLConnection connection(AppDir() + "/" + DatabaseFileName);
      TIniTable settings(connection, "SETTINGS");
      settings.WriteString("DATABASE", "VERSION", version);
      settings.WriteString("PROGRAM", "ZINDO_EXE", "/nowhere/zindo.exe");  // to be replaced by a start
      settings.WriteString("SPEEDUP", "CARS_MD5", "");                     // to be stored by a close
    }
    const QStringList before = Stored(AllSettings);
    const qsizetype earlier = Messages.Texts().size();
    form = Start();
    EXPECT_EQ(StaysOpen(*form), !newer) << version;
    Close(form);
    EXPECT_EQ(Stored(AllSettings) == before, newer) << version;
    const QStringList texts = Messages.Texts().mid(earlier);
    EXPECT_EQ(texts.size(), qsizetype(newer)) << version;
    if (newer) {
      const QString text = texts.value(0);
      EXPECT_TRUE(
          text.contains(AppDir() + "/" + DatabaseFileName) && text.contains("newer") &&
          text.contains(QStringLiteral("Please use Lumox %1 or newer.").arg(QString(version).left(3))))
          << text.toStdString();
    }
  }
}

// Writes `file` until its file system is full.
void FillUp(const QString& file) {
  QFile filler(file);
  ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
  for (qint64 block = 1 << 20; block > 0; block /= 2) {
    while (filler.write(QByteArray(block, 'x')) == block) continue;
  }
}

// The program in a small file system of its own that is full: with no database yet the
// template cannot be copied, with one the engine finds no room for its lock files; each is
// told, naming its folder, and start-up goes no further. Once there is room the database opens.
TEST_F(StartUp, AFullDiskIsReportedNamingTheFolderAndWithRoomAgainTheDatabaseOpens) {
  if (const QString reason = test::WhyNoSmallFileSystem(); !reason.isEmpty()) GTEST_SKIP() << reason.toStdString();
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, where the engine has not started yet
  const QString database = AppDir() + "/" + DatabaseFileName, filler = AppDir() + "/filler";
  const auto startOnAFullDisk = [&] {
    ASSERT_EQ(test::MountSmallFileSystem(AppDir(), 16 * 1024), "");
    // The user's runtime folder lies on that file system too.
    const QString runtime = AppDir() + "/runtime";
    ASSERT_TRUE(QDir().mkpath(runtime) && QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner |
                                                                              QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    const TEngineLockFolder lockFolder;
    MakeAppDir(AppDir());
    FillUp(filler);
    auto form = Start();
    EXPECT_FALSE(form->State().FInitialized || QFile::exists(database));
    QFile::remove(filler);
    ASSERT_TRUE(QFile::copy(test::BuiltTemplate(), database));
    FillUp(filler);
    form = Start();
    EXPECT_FALSE(form->State().FInitialized);
    QFile::remove(filler);
    form = Start(true);
    EXPECT_TRUE(form->State().FInitialized);
    const QStringList texts = Messages.Texts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(texts[0].contains(AppDir() + "/" + TemplateFileName) &&
                texts[0].contains("No space left on device"))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[1].contains("The disk is full") && texts[1].contains(lockFolder.Path()))
        << texts[1].toStdString();
    EXPECT_EQ(texts[2], UpdateQuestion);
  };
  EXPECT_EXIT((startOnAFullDisk(), std::_Exit(::testing::Test::HasFailure())), ::testing::ExitedWithCode(0),
              "");
}

// The built program, run by root and then by nobody (when the tests run as root), on a machine
// whose engine settings let processes share a file: it holds the archive for itself all the same.
TEST_F(StartUp, ASignalEndsTheProgramAsClosingItsWindowDoesForRootAndThenOtherUsers) {
  auto form = Start(true);  // brings the database up to date
  Close(form);
  ASSERT_TRUE(QFile::copy(LUMOX_PROGRAM, AppDir() + "/lumox"));
  const QString system = Temp.MakeDir("system");
  ASSERT_EQ(MakeEngineRoot(system, SystemEngineRoot(), "ServerMode = Classic\n"), "");
  test::GiveToNobody(Temp.Path());
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("LUMOX_SAY_READY", "1");
  environment.insert("FIREBIRD", system);
  // The program runs the engine, whose threads the leak checker cannot follow; whatever else a
  // sanitizer finds makes it fail, and its report is shown.
  const QString sanitizer = environment.value("ASAN_OPTIONS");
  environment.insert("ASAN_OPTIONS", (sanitizer.isEmpty() ? "" : sanitizer + ":") + "detect_leaks=0");
  const std::tuple<int, bool, QString> runs[] = {{SIGTERM, false, "dunmore_park"},
                                                 {SIGINT, true, "harbour_loop"}};
  for (const auto& [signal, asNobody, removedTrack] : runs) {
    QDir(ZindoDir() + "/data/tracks/" + removedTrack).removeRecursively();  // a new fingerprint to store
    QProcess lumox;
    lumox.setProcessEnvironment(environment);
    if (asNobody) lumox.setChildProcessModifier(test::BecomeNobody);
    lumox.start(AppDir() + "/lumox", {});
    QByteArray said;
    while (!said.contains("ready\n") && lumox.waitForReadyRead(30000)) said += lumox.readAllStandardOutput();
    ASSERT_TRUE(said.contains("ready\n")) << lumox.readAllStandardError().toStdString();
    QProcess other;
    test::StartOtherEngine(other, system, AppDir() + "/" + DatabaseFileName,
                           "select 'ATTACHED' from RDB$DATABASE;\n");
    other.closeWriteChannel();
    EXPECT_TRUE(test::ReadUntil(other).contains("Database already opened with engine instance"));
    kill(static_cast<pid_t>(lumox.processId()), signal);
    ASSERT_TRUE(lumox.waitForFinished(10000));
    EXPECT_TRUE(lumox.exitStatus() == QProcess::NormalExit && lumox.exitCode() == 0)
        << lumox.readAllStandardError().toStdString();
    EXPECT_EQ(Setting("TRACKS_MD5"), TrackFoldersMD5(ZindoDir()));
  }
}

}  // namespace
}  // namespace lumox
