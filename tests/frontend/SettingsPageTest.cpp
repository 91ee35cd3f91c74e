#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "frontend/FormMain.h"
#include "frontend/OpenDialog.h"
#include "frontend/SettingsPage.h"
#include "tests/archive/TestDatabase.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

const QString NotZindoWarning =
    "The selected executable does not appear to be a valid Zindo.exe.\nContinue anyway?";

// The main window over a settings table, with an installation in "zindo" and an executable
// without zindo.ini in "other".
class SettingsPage : public ::testing::Test {
 protected:
  SettingsPage() {
    for (const char* file : {"zindo/zindo.exe", "zindo/zindo.ini", "other/zindo.exe"}) Files.Write(file, "");
    auto dialog = std::make_unique<test::TScriptedOpenDialog>();
    Dialog = dialog.get();
    Form = std::make_unique<TFormMain>(std::move(dialog));
    State().FSettings = std::make_unique<TIniTable>(Db.Connection(), "SETTINGS");
    State().FAppDir = Files.Path();
    State().SetZindoExe(ValidExe);
    Form->show();
  }

  TFrontEndState& State() { return Form->State(); }
  QWidget* Page() { return Form->findChild<QTabWidget*>("PageControl1")->currentWidget(); }
  QLineEdit* Edit(const char* name) { return Form->findChild<QLineEdit*>(name); }
  void Click(const char* button) { Form->findChild<QPushButton*>(button)->click(); }
  // Moves to `page` as the user does, by clicking its tab.
  void ClickTab(const char* page) {
    auto* pages = Form->findChild<QTabWidget*>("PageControl1");
    const int index = pages->indexOf(Form->findChild<QWidget*>(page));
    QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(index).center());
  }
  QString Stored(const char* key) { return State().FSettings->ReadString("PROGRAM", key, "<none>"); }

  test::TTestDatabase Db;
  test::TTempFolder Files;
  const QString ValidExe = Files.File("zindo/zindo.exe"), InvalidExe = Files.File("other/zindo.exe");
  test::TScriptedMessages Messages;
  test::TScriptedOpenDialog* Dialog;
  std::unique_ptr<TFormMain> Form;
};

TEST_F(SettingsPage, LeavingStoresBothPathsAndAnInvalidExecutableOnlyWhenTheUserInsists) {
  ClickTab("TabGrid");
  ClickTab("TabSettings");
  EXPECT_EQ(Edit("EditSettingsZindoPath")->text(), ValidExe);
  EXPECT_EQ(Stored("ZINDO_EXE"), "<none>") << "other pages check nothing";
  QTest::keyClicks(Edit("EditSettingsTelePath"), "/nowhere/tele.exe");  // the analyzer is not checked
  ClickTab("TabAbout");
  EXPECT_EQ(QStringList({Stored("ZINDO_EXE"), Stored("TELEMETRY_ANALYZER_EXE")}),
            QStringList({ValidExe, "/nowhere/tele.exe"}));

  ClickTab("TabSettings");
  Edit("EditSettingsZindoPath")->setText(InvalidExe);
  Messages.Answer(TMsgAnswer::No);
  ClickTab("TabGrid");
  EXPECT_EQ(Page()->objectName(), "TabSettings") << "refused: the window switches back";
  EXPECT_EQ(Edit("EditSettingsZindoPath")->text(), InvalidExe);
  EXPECT_EQ(State().FZindoExe, ValidExe);
  Messages.Answer(TMsgAnswer::Yes);
  ClickTab("TabGrid");
  EXPECT_EQ(Messages.Texts(), QStringList(2, NotZindoWarning));
  EXPECT_EQ(Messages.Shown()[0].Buttons, TMsgButtons::YesNo);
  EXPECT_EQ(Page()->objectName(), "TabGrid");
  EXPECT_EQ(State().FZindoDir, Files.File("other"));
  EXPECT_EQ(Stored("ZINDO_EXE"), InvalidExe);
}

TEST_F(SettingsPage, ThePickerTakesOnlySimulatorsReopeningInTheSameFolderAndCancellingEmptiesThePath) {
  ClickTab("TabSettings");
  Edit("EditSettingsZindoPath")->setText(Files.File("other/typed.exe"));
  Dialog->Pick(InvalidExe);
  Messages.Answer(TMsgAnswer::Ok);
  Dialog->Pick(ValidExe);
  Click("BtnSettingsLocateZindo");
  EXPECT_EQ(Messages.Texts(),
            QStringList("This does not appear to be a valid Zindo executable.\nPlease select another "
                        "file or press Cancel to abort."));
  EXPECT_EQ(Messages.Shown()[0].Buttons, TMsgButtons::OkCancel);
  EXPECT_EQ(Dialog->Opened()[1].InitialDir, Files.File("other"));
  EXPECT_EQ(Dialog->Opened()[1].Filter, "Program files (*.exe);;All files (*)");
  EXPECT_EQ(Edit("EditSettingsZindoPath")->text(), ValidExe);

  Dialog->Pick("");
  Click("BtnSettingsLocateZindo");
  EXPECT_EQ(Dialog->Opened()[2].InitialDir, Files.File("zindo"));
  EXPECT_EQ(Edit("EditSettingsZindoPath")->text(), "");
  Messages.Answer(TMsgAnswer::No);
  ClickTab("TabAbout");
  EXPECT_EQ(Messages.Texts().last(), NotZindoWarning);

  Dialog->Pick(InvalidExe);  // the analyzer picker starts in the program folder and takes any file
  Click("BtnSettingsLocateTele");
  EXPECT_EQ(Dialog->Opened()[3].InitialDir, Files.Path());
  EXPECT_EQ(Edit("EditSettingsTelePath")->text(), InvalidExe);
  Dialog->Pick(Files.File("zindo/ZINDO.EXE"));  // start-up locates the simulator the same way
  Messages.Answer(TMsgAnswer::Ok);
  Dialog->Pick(ValidExe);
  EXPECT_EQ(Form->LocateZindoExe(Files.Path()), ValidExe);
}

// A simulator on Linux is often a file without extension.
TEST(OpenDialog, TheProgramPickerOffersWindowsProgramsFirstThenEveryFile) {
  QStringList filters;
  test::WithNextModal(
      [&](QWidget* modal) {
        auto* dialog = static_cast<QFileDialog*>(modal);
        filters = dialog->nameFilters() << dialog->selectedNameFilter();
        QMetaObject::invokeMethod(dialog, "reject");
      },
      [&] { EXPECT_EQ(TOpenDialog().Execute(QDir::tempPath(), ProgramFilesFilter), QString()); });
  EXPECT_EQ(filters, QStringList({"Program files (*.exe)", "All files (*)", "Program files (*.exe)"}));
}

TEST_F(SettingsPage, AFailedStoreKeepsTheUserOnThePageWhileCodeOrNoTableStoreNothing) {
  Form->ShowPage(Form->findChild<QWidget*>("TabSettings"));
  Edit("EditSettingsZindoPath")->setText(InvalidExe);
  Form->ShowPage(Form->findChild<QWidget*>("TabAbout"));  // a page changed by code runs no handler
  EXPECT_TRUE(Messages.Shown().empty());
  ClickTab("TabSettings");
  Edit("EditSettingsZindoPath")->setText(ValidExe);
  State().FSettings.reset();
  Db.Execute("DROP TABLE SETTINGS");
  State().FSettings = std::make_unique<TIniTable>(Db.Connection(), "SETTINGS");
  ClickTab("TabAbout");
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Page()->objectName(), "TabSettings");
  State().FSettings.reset();  // without a table the paths are still taken over
  Edit("EditSettingsZindoPath")->setText(InvalidExe);
  Messages.Answer(TMsgAnswer::Yes);
  ClickTab("TabAbout");
  EXPECT_EQ(State().FZindoExe, InvalidExe);
  ClickTab("TabSettings");
  Edit("EditSettingsZindoPath")->setText("");
  Form.reset();  // destroying the window on the page checks nothing
  EXPECT_EQ(Messages.Shown().size(), 2u);
}

}  // namespace
}  // namespace lumox
