#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "frontend/FormMain.h"
#include "tests/archive/TestDatabase.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

const QString NotZindoWarning =
    "The selected executable does not appear to be a valid Zindo.exe.\nContinue anyway?";
const QString PickAgainError =
    "This does not appear to be a valid Zindo executable.\nPlease select another file or press Cancel to "
    "abort.";

// The main window over a settings table, with an installation in "zindo" and an executable
// without zindo.ini in "other".
class SettingsPage : public ::testing::Test {
 protected:
  SettingsPage() {
    Files.Write("zindo/zindo.exe", "#!/bin/sh\n");
    Files.Write("zindo/zindo.ini", "race\n{\n}\n");
    Files.Write("other/zindo.exe", "#!/bin/sh\n");
    auto dialog = std::make_unique<test::TScriptedOpenDialog>();
    Dialog = dialog.get();
    Form = std::make_unique<TFormMain>(std::move(dialog));
    State().FSettings = std::make_unique<TIniTable>(Db.Connection(), "SETTINGS");
    State().FAppDir = Files.Path();
    Form->show();
  }

  TFrontEndState& State() { return Form->State(); }
  QTabWidget* Pages() { return Form->findChild<QTabWidget*>("PageControl1"); }
  QWidget* Page(const char* name) { return Form->findChild<QWidget*>(name); }
  QLineEdit* ZindoEdit() { return Form->findChild<QLineEdit*>("EditSettingsZindoPath"); }
  QLineEdit* TeleEdit() { return Form->findChild<QLineEdit*>("EditSettingsTelePath"); }
  void Click(const char* button) { Form->findChild<QPushButton*>(button)->click(); }
  // Moves to `page` as the user does, by clicking its tab.
  void ClickTab(const char* page) {
    QTabBar* bar = Pages()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(Pages()->indexOf(Page(page))).center());
  }
  QString Stored(const char* key) { return State().FSettings->ReadString("PROGRAM", key, "<none>"); }
  void UseInstallation() {
    State().SetZindoExe(ValidExe);
    State().FTeleAnalyzerExe = "/opt/tele/analyzer.exe";
  }

  test::TTestDatabase Db;
  test::TTempFolder Files;
  const QString ValidExe = Files.File("zindo/zindo.exe");
  const QString InvalidExe = Files.File("other/zindo.exe");
  test::TScriptedMessages Messages;
  test::TScriptedOpenDialog* Dialog;
  std::unique_ptr<TFormMain> Form;
};

TEST_F(SettingsPage, EnteringShowsThePathsInUseAndOtherPagesCheckNothing) {
  UseInstallation();
  ClickTab("TabGrid");
  ClickTab("TabAbout");
  ClickTab("TabSettings");
  EXPECT_EQ(ZindoEdit()->text(), ValidExe);
  EXPECT_EQ(TeleEdit()->text(), "/opt/tele/analyzer.exe");
  ClickTab("TabImprove");
  ClickTab("TabSheet3");
  EXPECT_TRUE(Messages.Shown().empty());
  EXPECT_EQ(Stored("ZINDO_EXE"), ValidExe);
}

TEST_F(SettingsPage, LeavingWithAValidExecutableStoresBothPathsWithoutAsking) {
  ClickTab("TabSettings");
  EXPECT_EQ(ZindoEdit()->text(), "");
  QTest::keyClicks(ZindoEdit(), ValidExe);
  QTest::keyClicks(TeleEdit(), "/nowhere/tele.exe");  // the analyzer is not checked
  ClickTab("TabAbout");

  EXPECT_TRUE(Messages.Shown().empty());
  EXPECT_EQ(Pages()->currentWidget(), Page("TabAbout"));
  EXPECT_EQ(State().FZindoExe, ValidExe);
  EXPECT_EQ(State().FZindoDir, Files.File("zindo"));
  EXPECT_EQ(State().FTeleAnalyzerExe, "/nowhere/tele.exe");
  EXPECT_EQ(Stored("ZINDO_EXE"), ValidExe);
  EXPECT_EQ(Stored("TELEMETRY_ANALYZER_EXE"), "/nowhere/tele.exe");
}

TEST_F(SettingsPage, AnInvalidExecutableIsKeptOnlyWhenTheUserInsists) {
  UseInstallation();
  ClickTab("TabSettings");
  ZindoEdit()->setText(InvalidExe);
  TeleEdit()->setText("");

  Messages.Answer(TMsgAnswer::No);
  ClickTab("TabGrid");
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(Messages.Shown()[0].Buttons, TMsgButtons::YesNo);
  EXPECT_EQ(Messages.Shown()[0].Text, NotZindoWarning);
  EXPECT_EQ(Pages()->currentWidget(), Page("TabSettings"));
  EXPECT_EQ(ZindoEdit()->text(), InvalidExe);  // still as edited
  EXPECT_EQ(State().FZindoExe, ValidExe);
  EXPECT_EQ(State().FTeleAnalyzerExe, "/opt/tele/analyzer.exe");
  EXPECT_EQ(Stored("ZINDO_EXE"), "<none>");

  Messages.Answer(TMsgAnswer::Yes);
  ClickTab("TabGrid");
  EXPECT_EQ(Messages.Texts(), QStringList({NotZindoWarning, NotZindoWarning}));
  EXPECT_EQ(Pages()->currentWidget(), Page("TabGrid"));
  EXPECT_EQ(State().FZindoExe, InvalidExe);
  EXPECT_EQ(State().FZindoDir, Files.File("other"));
  EXPECT_EQ(State().FTeleAnalyzerExe, "");
  EXPECT_EQ(Stored("ZINDO_EXE"), InvalidExe);
  EXPECT_EQ(Stored("TELEMETRY_ANALYZER_EXE"), "");
}

TEST_F(SettingsPage, CancellingTheSimulatorPickerEmptiesThePathWhichThenNeedsConfirming) {
  UseInstallation();
  ClickTab("TabSettings");
  Dialog->Pick("");
  Click("BtnSettingsLocateZindo");
  ASSERT_EQ(Dialog->Opened().size(), 1u);
  EXPECT_EQ(Dialog->Opened()[0].InitialDir, Files.File("zindo"));
  EXPECT_EQ(Dialog->Opened()[0].Filter, "Program files (*.exe)");
  EXPECT_EQ(ZindoEdit()->text(), "");

  Messages.Answer(TMsgAnswer::No);
  ClickTab("TabAbout");
  EXPECT_EQ(Messages.Texts(), QStringList({NotZindoWarning}));
  EXPECT_EQ(Pages()->currentWidget(), Page("TabSettings"));
}

TEST_F(SettingsPage, AnExecutableWithoutZindoIniIsRefusedAndThePickerReopensInTheSameFolder) {
  ClickTab("TabSettings");
  ZindoEdit()->setText(Files.File("other/typed.exe"));
  Dialog->Pick(InvalidExe);
  Messages.Answer(TMsgAnswer::Ok);
  Dialog->Pick(ValidExe);
  Click("BtnSettingsLocateZindo");

  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Messages.Shown()[0].Buttons, TMsgButtons::OkCancel);
  EXPECT_EQ(Messages.Shown()[0].Text, PickAgainError);
  ASSERT_EQ(Dialog->Opened().size(), 2u);
  EXPECT_EQ(Dialog->Opened()[0].InitialDir, Files.File("other"));
  EXPECT_EQ(Dialog->Opened()[1].InitialDir, Files.File("other"));
  EXPECT_EQ(ZindoEdit()->text(), ValidExe);

  Dialog->Pick(InvalidExe);
  Messages.Answer(TMsgAnswer::Cancel);
  Click("BtnSettingsLocateZindo");
  EXPECT_EQ(ZindoEdit()->text(), "");
  EXPECT_EQ(Dialog->Opened()[2].InitialDir, Files.File("zindo"));
}

TEST_F(SettingsPage, StartUpLocatesTheSimulatorThroughTheSamePicker) {
  Dialog->Pick(Files.File("zindo/ZINDO.EXE"));  // no such file
  Messages.Answer(TMsgAnswer::Ok);
  Dialog->Pick(ValidExe);
  EXPECT_EQ(Form->LocateZindoExe(Files.Path()), ValidExe);
  EXPECT_EQ(Dialog->Opened()[1].InitialDir, Files.Path());
}

TEST_F(SettingsPage, TheAnalyzerPickerStartsInTheProgramFolderAndTakesAnyFile) {
  ClickTab("TabSettings");
  Dialog->Pick(InvalidExe);
  Click("BtnSettingsLocateTele");
  EXPECT_EQ(TeleEdit()->text(), InvalidExe);
  Dialog->Pick("");
  Click("BtnSettingsLocateTele");
  EXPECT_EQ(TeleEdit()->text(), "");
  ASSERT_EQ(Dialog->Opened().size(), 2u);
  EXPECT_EQ(Dialog->Opened()[0].InitialDir, Files.Path());
  EXPECT_EQ(Dialog->Opened()[0].Filter, "Program files (*.exe)");
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(SettingsPage, ChangingThePageInCodeRunsNoPageHandler) {
  UseInstallation();
  Form->ShowPage(Page("TabSettings"));
  EXPECT_EQ(ZindoEdit()->text(), "");
  ZindoEdit()->setText(InvalidExe);
  Form->ShowPage(Page("TabAbout"));
  EXPECT_TRUE(Messages.Shown().empty());
  EXPECT_EQ(State().FZindoExe, ValidExe);
  ClickTab("TabSheet3");
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(SettingsPage, DestroyingTheWindowOnThePageChecksNothing) {
  ClickTab("TabSettings");
  ZindoEdit()->setText(InvalidExe);
  Form.reset();
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(SettingsPage, AFailedStoreKeepsTheUserOnThePage) {
  ClickTab("TabSettings");
  ZindoEdit()->setText(ValidExe);
  State().FSettings.reset();
  Db.Execute("DROP TABLE SETTINGS");
  State().FSettings = std::make_unique<TIniTable>(Db.Connection(), "SETTINGS");
  ClickTab("TabAbout");
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Pages()->currentWidget(), Page("TabSettings"));
}

TEST_F(SettingsPage, WithoutASettingsTableThePathsAreStillTakenOver) {
  State().FSettings.reset();
  ClickTab("TabSettings");
  ZindoEdit()->setText(ValidExe);
  ClickTab("TabAbout");
  EXPECT_EQ(State().FZindoExe, ValidExe);
  EXPECT_TRUE(Messages.Shown().empty());
}

}  // namespace
}  // namespace lumox
