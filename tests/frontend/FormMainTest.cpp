#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "frontend/FormMain.h"
#include "frontend/QLogViewer.h"
#include "tests/support/TempFolder.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/FindWidget.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

using test::Find;

struct TPageSeen {
  QString Name;
  QString Caption;
};

std::vector<TPageSeen> PagesOf(const QTabWidget& tabs) {
  std::vector<TPageSeen> pages;
  for (int i = 0; i < tabs.count(); ++i) pages.push_back({tabs.widget(i)->objectName(), tabs.tabText(i)});
  return pages;
}

bool operator==(const TPageSeen& a, const TPageSeen& b) { return a.Name == b.Name && a.Caption == b.Caption; }

class FormMain : public ::testing::Test {
 protected:
  FormMain() { Form.show(); }

  test::TScriptedMessages Messages;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
};

TEST_F(FormMain, ShowsItsPagesInOrderWithTheVersionInItsCaption) {
  EXPECT_EQ(Form.windowTitle(), "Lumox for Zindo - Version 1.3.1");
  EXPECT_EQ(Find<QLabel>(Form, "LblAboutVersion")->text(), "Version 1.3.1");

  const auto* pages = Find<QTabWidget>(Form, "PageControl1");
  EXPECT_EQ(PagesOf(*pages), (std::vector<TPageSeen>{{"TabSheet3", "Zindo"},
                                                     {"TabGrid", "Lap time archive"},
                                                     {"TabImprove", "Lap time graphs"},
                                                     {"TabSettings", "Settings"},
                                                     {"TabAbout", "About Lumox && Help"}}));
  EXPECT_EQ(pages->currentIndex(), 0);
  const auto* race = Find<QTabWidget>(Form, "pcRace");
  EXPECT_EQ(PagesOf(*race), (std::vector<TPageSeen>{{"TabCarAndTrack", "Car and track"},
                                                    {"TabRace", "Race"},
                                                    {"TabDisplayOptions", "Display options"},
                                                    {"TabMiscOptions", "Misc options"},
                                                    {"TabTelemetryLogging", "Telemetry logging"},
                                                    {"TabLumoxOptions", "Lap time handling (Lumox)"}}));

  EXPECT_EQ(Find<QPushButton>(Form, "BtnStartZindo")->text(), "Start &Zindo");
  EXPECT_TRUE(Find<QPushButton>(Form, "BtnStartZindo")->isDefault());
  EXPECT_EQ(Find<QPushButton>(Form, "BtnSaveOptions")->text(), "&Save options");
  EXPECT_EQ(Find<QPushButton>(Form, "BtnRescan")->text(), "Reload cars && tracks");
  EXPECT_EQ(Find<QPushButton>(Form, "BtnViewQLOG")->text(), "View &QLOG");
  EXPECT_EQ(Find<QPushButton>(Form, "BtnStartTeleAnalyzer")->text(), "&Telemetry Analyzer ...");
  EXPECT_EQ(Find<QPushButton>(Form, "BtnHelp")->text(), "Show Lumox help ...");
  EXPECT_EQ(Find<QGroupBox>(Form, "GrpAboutWarning")->title(), "A word of warning!");
  EXPECT_EQ(Find<QGroupBox>(Form, "GrpAboutWarning")->palette().color(QPalette::WindowText),
            QColor(128, 0, 0));
  EXPECT_EQ(Find<QLabel>(Form, "LblAboutName")->palette().color(QPalette::WindowText), QColor(0, 0, 128));
}

TEST_F(FormMain, KeepsTheWidthItsTextsNeedButMayGrowInHeight) {
  const QSize fitted = Form.size();
  EXPECT_EQ(fitted, QSize(596, 422).expandedTo(Form.minimumSizeHint()));
  Form.resize(fitted.width() + 300, 900);
  EXPECT_EQ(Form.size(), QSize(fitted.width(), 900));
  Form.resize(300, 100);
  EXPECT_EQ(Form.size(), fitted);
}

TEST_F(FormMain, KnowsTheProgramFolderAndVersionButIsNotInitialisedWithoutStartUp) {
  EXPECT_EQ(Form.State().FAppDir, QCoreApplication::applicationDirPath());
  EXPECT_EQ(Form.State().FVersion.Format(""), "1.3.1.0");
  EXPECT_FALSE(Form.State().FInitialized);
}

struct TActionSeen {
  const char* Name;
  const char* Button;
  const char* Text;
  const char* Hint;
  QKeySequence Shortcut;
};

const TActionSeen Actions[] = {
    {"ActStartZindo", "BtnStartZindo", "Start Zindo", "Save options to ini files and start Zindo",
     QKeySequence(Qt::CTRL | Qt::Key_R)},
    {"ActSaveOptions", "BtnSaveOptions", "Save options", "Save options to ini files",
     QKeySequence(Qt::CTRL | Qt::Key_S)},
    {"ActViewQLOG", "BtnViewQLOG", "View &QLOG", "View QLOG.TXT", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    {"ActStartTeleAnalyzer", "BtnStartTeleAnalyzer", "Start &Telemetry Analyzer ...",
     "Start external telemetry analyzer", QKeySequence(Qt::CTRL | Qt::Key_T)},
};

TEST_F(FormMain, EachActionRunsFromItsShortcutOnAnyPageAndFromItsButton) {
  Form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
  auto* pages = Find<QTabWidget>(Form, "PageControl1");
  for (const TActionSeen& seen : Actions) {
    SCOPED_TRACE(seen.Name);
    auto* action = Find<QAction>(Form, seen.Name);
    auto* button = Find<QPushButton>(Form, seen.Button);
    EXPECT_EQ(action->text(), seen.Text);
    EXPECT_EQ(action->toolTip(), seen.Hint);
    EXPECT_EQ(button->toolTip(), seen.Hint);
    EXPECT_EQ(action->shortcut(), seen.Shortcut);

    QSignalSpy triggered(action, &QAction::triggered);
    Form.ShowPage(pages->widget(4));
    QTest::keySequence(&Form, seen.Shortcut);
    Form.ShowPage(pages->widget(0));
    button->click();
    EXPECT_EQ(triggered.count(), 2);

    action->setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    action->setEnabled(true);
    EXPECT_TRUE(button->isEnabled());
  }
}

TEST_F(FormMain, ReturnOnTheZindoPageStartsZindo) {
  QSignalSpy started(Find<QAction>(Form, "ActStartZindo"), &QAction::triggered);
  QTest::keyClick(Find(Form, "TabCarAndTrack"), Qt::Key_Return);
  QTest::keyClick(Find(Form, "BtnRescan"), Qt::Key_Enter);
  EXPECT_EQ(started.count(), 2);
  QTest::keyClick(Find(Form, "TabAbout"), Qt::Key_Return);
  EXPECT_EQ(started.count(), 2);
}

TEST_F(FormMain, ViewQLOGOpensTheSimulatorsLogAndReportsAMissingOne) {
  test::TTempFolder zindo;
  Form.State().SetZindoExe(zindo.Write("zindo.exe", ""));
  Find<QAction>(Form, "ActViewQLOG")->trigger();
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Error);

  zindo.Write("QLOG.TXT", "line\r\n");
  bool viewerOpened = false;
  test::WithNextModal(
      [&](QWidget* modal) {
        viewerOpened = dynamic_cast<TFormViewQLOG*>(modal) != nullptr;
        modal->close();
      },
      [&] { Find<QAction>(Form, "ActViewQLOG")->trigger(); });
  EXPECT_TRUE(viewerOpened);
  EXPECT_EQ(Messages.Shown().size(), 1u);
}

}  // namespace
}  // namespace lumox
