#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <tuple>

#include "archive/IniTable.h"
#include "archive/SQLQuery.h"
#include "frontend/FormMain.h"
#include "installation/Scans.h"
#include "tests/archive/TestDatabase.h"
#include "tests/support/FindWidget.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

using test::Find;

const QString UpdateQuestion =
    QStringLiteral("Lumox will now update the database\r\nfrom version 0.0 to version 1.3.");

// Closes the schema updater once it has run.
void CloseUpdater(QWidget* modal) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(modal));
  modal->findChild<QPushButton*>(QStringLiteral("BtnOK"))->click();
}

// A copy of the sample installation with the program installed in its folder lumox/, holding
// only the database template.
class StartUp : public ::testing::Test {
 protected:
  StartUp() {
    test::UseBuildLockFolder();
    std::filesystem::copy(LUMOX_EXAMPLE_INSTALLATION, ZindoDir().toStdString(),
                          std::filesystem::copy_options::recursive);
    Temp.MakeDir(QStringLiteral("zindo/lumox"));
    EXPECT_TRUE(QFile::copy(test::BuiltTemplate(), AppDir() + "/" + TemplateFileName));
    QFile::setPermissions(AppDir() + "/" + TemplateFileName,
                          QFile::permissions(test::BuiltTemplate()) | QFile::WriteOwner);
  }

  QString ZindoDir() const { return Temp.File(QStringLiteral("zindo")); }
  QString AppDir() const { return Temp.File(QStringLiteral("zindo/lumox")); }
  QString DatabaseFile() const { return AppDir() + "/" + DatabaseFileName; }

  // A main window started over the copy; `update` answers the database update question.
  std::unique_ptr<TFormMain> Start(const QString& appDir, bool update = false,
                                   std::unique_ptr<test::TScriptedOpenDialog> picker =
                                       std::make_unique<test::TScriptedOpenDialog>()) {
    auto form = std::make_unique<TFormMain>(std::move(picker));
    if (!update) {
      form->StartUp(appDir);
      return form;
    }
    Messages.Answer(TMsgAnswer::Ok);
    test::WithNextModal(CloseUpdater, [&] { form->StartUp(appDir); });
    return form;
  }
  std::unique_ptr<TFormMain> Start(bool update = false) { return Start(AppDir(), update); }
  // Shows the form and lets posted close requests run; true when it is still open.
  static bool StaysOpen(TFormMain& form) {
    form.show();
    QApplication::processEvents();
    return form.isVisible();
  }
  static void Close(std::unique_ptr<TFormMain>& form) {
    form->close();
    form.reset();
  }

  // Every stored setting as "SECTION/NAME=CONTENT".
  QStringList StoredSettings() const {
    TSQLConnection connection(DatabaseFile());
    TSQLQuery query(connection, "select SECTION, NAME, CONTENT from SETTINGS order by SECTION, NAME");
    query.Exec();
    QStringList rows;
    while (query.Next())
      rows << query.String("SECTION") + "/" + query.String("NAME") + "=" + query.String("CONTENT");
    return rows;
  }
  QString Setting(const QString& section, const QString& key) const {
    TSQLConnection connection(DatabaseFile());
    return TIniTable(connection, QStringLiteral("SETTINGS")).ReadString(section, key, QStringLiteral("<none>"));
  }
  void Rename(const QString& iniFile, const QByteArray& from, const QByteArray& to) const {
    QFile file(ZindoDir() + "/" + iniFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll().replace(from, to);
    file.close();
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
  }
  static bool Lists(const TFormMain& form, const char* combo, const QString& name) {
    return Find<QComboBox>(form, combo)->findText(name, Qt::MatchStartsWith) >= 0;
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Temp;
};

TEST_F(StartUp, FirstStartMakesTheDatabaseUpdatesItFindsTheSimulatorAndStoresAtShutDown) {
  auto form = Start(true);
  EXPECT_EQ(Messages.Texts(), QStringList{UpdateQuestion});
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(Messages.Shown()[0].Buttons, TMsgButtons::OkCancel);
  EXPECT_TRUE(QFile::exists(DatabaseFile()));
  EXPECT_TRUE(form->State().FInitialized);
  EXPECT_EQ(form->State().FZindoDir, ZindoDir());
  EXPECT_TRUE(Lists(*form, "comboDefaultCar", "Pico Hatch R"));
  EXPECT_TRUE(Lists(*form, "comboDefaultTrack", "Kestrel Ring"));
  EXPECT_GT(Find<QComboBox>(*form, "comboController")->count(), 0);
  EXPECT_EQ(Find<QLineEdit>(*form, "medImpPercent")->text(), "150");
  EXPECT_TRUE(StaysOpen(*form));

  Find<QCheckBox>(*form, "chkPrvPreferLoading")->setChecked(true);
  Find<QCheckBox>(*form, "cbBackupBestlaps")->setChecked(true);
  Find<QCheckBox>(*form, "cbImpIgnore")->setChecked(true);
  Find<QLineEdit>(*form, "medImpPercent")->setText(QStringLiteral("12x"));
  Find<QComboBox>(*form, "comboFillLapNo")->setCurrentIndex(2);
  Close(form);

  const QStringList stored = StoredSettings();
  for (const QString& row : QStringList{
           "AI/SHOW_ONLY_AVAILABLE=N", "DATABASE/VERSION=1.3.1.0", "PROGRAM/PREVIEW_PREFER_LOADING=Y",
        "PROGRAM/ZINDO_EXE=" + ZindoDir() + "/zindo.exe", "SPEEDUP/CARS_MD5=" + CarFoldersMD5(ZindoDir()),
        "SPEEDUP/TRACKS_MD5=" + TrackFoldersMD5(ZindoDir()), QString("ZINDOSTART/BACKUP_BESTLAPS=Y"),
        QString("ZINDOSTART/FILL_BESTLAPS_LAPNO=2"), QString("ZINDOSTART/IMP_IGNORE=Y"),
        QString("ZINDOSTART/IMP_IGNORE_PERCENT=150")})
    EXPECT_TRUE(stored.contains(row)) << row.toStdString() << "\n" << stored.join("\n").toStdString();
  EXPECT_EQ(Messages.Texts(), QStringList{UpdateQuestion});
}

TEST_F(StartUp, ReadsTheListsFromTheCacheUntilTheirFoldersChange) {
  auto form = Start(true);
  Find<QLineEdit>(*form, "medImpPercent")->setText(QStringLiteral("120"));
  Close(form);
  Rename("data/cars/pico_hatch/car.ini", "Pico Hatch R", "Pico Hatch Sport");
  Rename("data/tracks/kestrel_ring/track.ini", "Kestrel Ring", "Kestrel Grand Ring");

  form = Start();  // up to date: no question
  EXPECT_TRUE(form->State().FInitialized);
  EXPECT_TRUE(Lists(*form, "comboDefaultCar", "Pico Hatch R"));
  EXPECT_TRUE(Lists(*form, "comboDefaultTrack", "Kestrel Ring"));
  EXPECT_EQ(Find<QLineEdit>(*form, "medImpPercent")->text(), "120");
  Close(form);

  // A new car folder: the cars are scanned, the tracks still come from the cache.
  std::filesystem::copy((ZindoDir() + "/data/cars/default").toStdString(),
                        (ZindoDir() + "/data/cars/zz_new").toStdString(), std::filesystem::copy_options::recursive);
  form = Start();
  EXPECT_TRUE(Lists(*form, "comboDefaultCar", "Pico Hatch Sport"));
  EXPECT_TRUE(Lists(*form, "comboDefaultTrack", "Kestrel Ring"));
  Close(form);
  EXPECT_EQ(Setting("SPEEDUP", "CARS_MD5"), CarFoldersMD5(ZindoDir()));
  EXPECT_EQ(Messages.Texts(), QStringList{UpdateQuestion});
}

TEST_F(StartUp, WithoutSimulatorAndPickerCancelledClosesAndStoresNothing) {
  const QString appDir = Temp.MakeDir(QStringLiteral("elsewhere/lumox"));
  QFile::copy(test::BuiltTemplate(), appDir + "/" + TemplateFileName);
  QFile::setPermissions(appDir + "/" + TemplateFileName,
                        QFile::permissions(test::BuiltTemplate()) | QFile::WriteOwner);
  auto picker = std::make_unique<test::TScriptedOpenDialog>();
  picker->Pick(QString());
  auto form = Start(appDir, false, std::move(picker));
  EXPECT_EQ(Messages.Texts(), QStringList{QStringLiteral(
                                  "Lumox could not autodetect the location of your Zindo executable.\r\n"
                                  "Please use the following dialog to select it manually.")});
  EXPECT_FALSE(form->State().FInitialized);
  EXPECT_FALSE(StaysOpen(*form));
  form.reset();
  TSQLConnection connection(appDir + "/" + DatabaseFileName);
  TSQLQuery query(connection, "select count(*) as N from SETTINGS");
  query.Exec();
  ASSERT_TRUE(query.Next());
  EXPECT_EQ(query.Integer("N"), 0);
}

TEST_F(StartUp, AStoredSimulatorPathThatIsGoneIsReplacedSilently) {
  auto form = Start(true);
  Close(form);
  {
    TSQLConnection connection(DatabaseFile());
    TIniTable(connection, QStringLiteral("SETTINGS"))
        .WriteString(QStringLiteral("PROGRAM"), QStringLiteral("ZINDO_EXE"), QStringLiteral("/nowhere/zindo.exe"));
  }
  form = Start();
  EXPECT_EQ(form->State().FZindoExe, ZindoDir() + "/zindo.exe");
  EXPECT_EQ(Messages.Texts(), QStringList{UpdateQuestion});
  form.reset();
  EXPECT_EQ(Setting("PROGRAM", "ZINDO_EXE"), ZindoDir() + "/zindo.exe");
}

TEST_F(StartUp, RefusedUpdateClosesAfterStartUpAndIsOfferedAgain) {
  Messages.Answer(TMsgAnswer::Cancel);
  auto form = Start();
  EXPECT_TRUE(form->State().FInitialized);
  EXPECT_FALSE(StaysOpen(*form));
  form.reset();
  EXPECT_EQ(Messages.Texts(), QStringList{UpdateQuestion});  // no error from the old tables
  EXPECT_EQ(Setting("DATABASE", "VERSION"), "<none>");
  EXPECT_EQ(Setting("SPEEDUP", "CARS_MD5"), "<none>");
  EXPECT_EQ(Setting("PROGRAM", "PREVIEW_PREFER_LOADING"), "N");

  Messages.Answer(TMsgAnswer::Cancel);
  form = Start();
  EXPECT_EQ(Messages.Texts(), (QStringList{UpdateQuestion, UpdateQuestion}));
}

TEST_F(StartUp, AnUnreadableDatabaseIsReportedAndNothingIsStored) {
  const QByteArray garbage(4096, 'x');
  Temp.Write(QStringLiteral("zindo/lumox/") + DatabaseFileName, garbage);
  auto form = Start();
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_FALSE(form->State().FInitialized);
  EXPECT_TRUE(StaysOpen(*form));
  Close(form);
  EXPECT_EQ(Messages.Shown().size(), 1u);
  QFile file(DatabaseFile());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), garbage);
}

// The built program, run by root and then by nobody (when the tests run as root) through one lock folder.
TEST_F(StartUp, ASignalEndsTheProgramAsClosingItsWindowDoesForRootAndThenOtherUsers) {
  auto form = Start(true);  // brings the database up to date
  Close(form);
  ASSERT_TRUE(QFile::copy(LUMOX_PROGRAM, AppDir() + "/lumox"));
  test::GiveToNobody(Temp.Path());
  qputenv("ASAN_OPTIONS", "detect_leaks=0");  // for the program, which runs the engine
  const std::tuple<int, bool, QString> runs[] = {{SIGTERM, false, "dunmore_park"},
                                                 {SIGINT, true, "harbour_loop"}};
  for (const auto& [signal, asNobody, removedTrack] : runs) {
    QDir(ZindoDir() + "/data/tracks/" + removedTrack).removeRecursively();  // a new fingerprint to store
    QProcess lumox;
    if (asNobody) lumox.setChildProcessModifier(test::BecomeNobody);
    lumox.start(AppDir() + "/lumox", {});
    // The engine fills the lock folder when the program opens its database; start-up ends soon after.
    while (QDir(DatabaseFile() + ".lock").isEmpty() && !lumox.waitForFinished(20)) continue;
    lumox.waitForFinished(1000);
    kill(static_cast<pid_t>(lumox.processId()), signal);
    ASSERT_TRUE(lumox.waitForFinished(10000));
    EXPECT_TRUE(lumox.exitStatus() == QProcess::NormalExit && lumox.exitCode() == 0);
    EXPECT_EQ(Setting("SPEEDUP", "TRACKS_MD5"), TrackFoldersMD5(ZindoDir()));
  }
}

class RealWindow : public StartUp {};

// A new user's first run: the program starts, imports the sample's laps and shows every page,
// each with its whole texts, the laps of the default car in bold.
TEST_F(RealWindow, TheProgramStartsOnTheSampleInstallationAndShowsEveryPage) {
  if (!test::HasRealWindows()) GTEST_SKIP() << "runs under xvfb";
  auto form = Start(true);
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  EXPECT_TRUE(form->State().FInitialized);
  auto* pages = Find<QTabWidget>(*form, "PageControl1");
  pages->setCurrentWidget(Find(*form, "TabImprove"));
  QTest::qWait(50);
  test::SaveScreenshot(form.get(), "main-window-no-laps-yet");
  pages->setCurrentIndex(0);
  Messages.Answer(TMsgAnswer::Yes);
  Find<QPushButton>(*form, "BtnOneTimeImport")->click();
  form->RaceSetup().SelectByFolder(Find<QComboBox>(*form, "comboDefaultTrack"), "kestrel_ring");
  auto* pcRace = Find<QTabWidget>(*form, "pcRace");
  for (int page = 0; page < pages->count(); ++page) {
    pages->setCurrentIndex(page);
    for (int inner = 0; inner < (page == 0 ? pcRace->count() : 1); ++inner) {
      pcRace->setCurrentIndex(inner);
      QTest::qWait(50);
      const QWidget* shown = page == 0 ? pcRace->currentWidget() : pages->currentWidget();
      test::SaveScreenshot(form.get(), "main-window-" + shown->objectName());
    }
  }
  const QRect available = form->screen()->availableGeometry();
  EXPECT_LE(qAbs(form->frameGeometry().center().x() - available.center().x()), 20);
  EXPECT_EQ(Messages.Shown().size(), 2u);  // the update and the import question
  Close(form);
  EXPECT_EQ(Setting("SPEEDUP", "TRACKS_MD5"), TrackFoldersMD5(ZindoDir()));
}

}  // namespace
}  // namespace lumox
