// The main window's shell, the wait window, the message boxes and the guard around handlers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "frontend/FormMain.h"
#include "frontend/FormWait.h"
#include "frontend/MessageBoxes.h"
#include "frontend/QLogViewer.h"
#include "platform/Errors.h"
#include "platform/EventGuard.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/FindWidget.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using test::Find;

class FormMain : public ::testing::Test {
 protected:
  FormMain() { Form.show(); }

  test::TScriptedMessages Messages;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
};

TEST_F(FormMain, KeepsTheWidthItsTextsNeedButMayGrowInHeightAndIsNotInitialisedWithoutStartUp) {
  EXPECT_EQ(Form.windowTitle(), "Lumox for Zindo - Version 1.4.0");
  const QSize fitted = Form.size();
  EXPECT_EQ(fitted, QSize(596, 422).expandedTo(Form.minimumSizeHint()));
  Form.resize(fitted.width() + 300, 900);
  EXPECT_EQ(Form.size(), QSize(fitted.width(), 900));
  Form.resize(300, 100);
  EXPECT_EQ(Form.size(), fitted);
  EXPECT_EQ(Form.State().FAppDir, QCoreApplication::applicationDirPath());
  EXPECT_FALSE(Form.State().FInitialized);
}

TEST_F(FormMain, EachActionRunsFromItsShortcutOnAnyPageAndFromItsButtonAndReturnStartsZindo) {
  Form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
  auto* pages = Find<QTabWidget>(Form, "PageControl1");
  for (const auto& [name, button, key] : {std::tuple{"ActStartZindo", "BtnStartZindo", Qt::Key_R},
                                          {"ActSaveOptions", "BtnSaveOptions", Qt::Key_S},
                                          {"ActViewQLOG", "BtnViewQLOG", Qt::Key_Q},
                                          {"ActStartTeleAnalyzer", "BtnStartTeleAnalyzer", Qt::Key_T}}) {
    auto* action = Find<QAction>(Form, name);
    QSignalSpy triggered(action, &QAction::triggered);
    Form.ShowPage(pages->widget(4));
    QTest::keySequence(&Form, QKeySequence(Qt::CTRL | key));
    Form.ShowPage(pages->widget(0));
    Find<QPushButton>(Form, button)->click();
    action->setEnabled(false);
    EXPECT_FALSE(Find<QPushButton>(Form, button)->isEnabled()) << name;
    action->setEnabled(true);
    if (name == std::string("ActStartZindo")) {
      QTest::keyClick(Find(Form, "TabCarAndTrack"), Qt::Key_Return);
      QTest::keyClick(Find(Form, "TabAbout"), Qt::Key_Return);
    }
    EXPECT_EQ(triggered.count(), name == std::string("ActStartZindo") ? 3 : 2) << name;
  }
}

TEST_F(FormMain, ViewQLOGOpensTheSimulatorsLogAndReportsAMissingOne) {
  test::TTempFolder zindo;
  Form.State().SetZindoExe(zindo.Write("zindo.exe", ""));
  Find<QAction>(Form, "ActViewQLOG")->trigger();
  EXPECT_EQ(Messages.Shown().at(0).Kind, TMsgKind::Error);
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

// Counts the paint events of one widget.
class TPaintCounter final : public QObject {
 public:
  explicit TPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    Count += event->type() == QEvent::Paint;
    return false;
  }
  int Count = 0;
};

// Also runs in a real window system, where what the X server shows must be what was painted.
TEST(FormWait, TheRealWindowRepaintsAtOnceWithoutTheEventLoopAndItsBarStopsAtItsEnds) {
  TFormWait wait;
  auto* bar = wait.findChild<QProgressBar*>("ProgressBar1");
  wait.ShowNow();
  TPaintCounter paints(bar);
  bool otherEventRan = false;
  QTimer::singleShot(0, [&] { otherEventRan = true; });
  wait.Start("Scanning cars ...", 3);
  wait.StepBy(2);
  EXPECT_GE(paints.Count, 2);
  EXPECT_FALSE(otherEventRan);
  if (test::HasRealWindows()) {
    const QImage onScreen = QGuiApplication::primaryScreen()->grabWindow(wait.winId()).toImage();
    test::SaveScreenshot(&wait, "wait-window");
    EXPECT_EQ(onScreen.convertToFormat(QImage::Format_RGB32),
              wait.grab().toImage().convertToFormat(QImage::Format_RGB32));
  }
  wait.StepBy(5);
  EXPECT_EQ(bar->value(), 3);
  wait.SetMax(50);  // a new scan starts from the beginning
  wait.StepBy(-4);
  EXPECT_EQ(bar->value(), 0);
  wait.Start("Scanning controllers ...", 0);  // an empty bar, not Qt's busy indicator
  EXPECT_GT(bar->maximum(), bar->minimum());
  QTest::qWait(20);
  EXPECT_TRUE(otherEventRan);
}

TEST(MessageBoxes, EachKindHasItsIconTitleAndButtonsAndReturnsThePressedButton) {
  for (const auto& [kind, buttons, press, title, icon] :
       {std::tuple{TMsgKind::Error, TMsgButtons::Ok, QMessageBox::Ok, "Error", QMessageBox::Critical},
        {TMsgKind::Confirmation, TMsgButtons::YesNo, QMessageBox::No, "Confirm", QMessageBox::Question},
        {TMsgKind::Warning, TMsgButtons::OkCancel, QMessageBox::Cancel, "Warning", QMessageBox::Warning},
        {TMsgKind::Information, TMsgButtons::Ok, QMessageBox::Ok, "Information", QMessageBox::Information},
        {TMsgKind::Plain, TMsgButtons::Ok, QMessageBox::Ok, "Lumox", QMessageBox::NoIcon}}) {
    QString shown;
    TMsgAnswer answer{};
    test::WithNextModal(
        [&](QWidget* modal) {
          auto* box = qobject_cast<QMessageBox*>(modal);
          shown = box->windowTitle() + "|" + QString::number(box->icon()) + "|" + box->text();
          box->button(press)->click();
        },
        [&] {
          answer = TMessageBoxes::ShowMessageBox(kind, "Lumox will now update the database\r\n", buttons);
        });
    EXPECT_EQ(shown, QStringLiteral("%1|%2|Lumox will now update the database\r\n").arg(title).arg(icon));
    EXPECT_EQ(answer, press == QMessageBox::Ok   ? TMsgAnswer::Ok
                      : press == QMessageBox::No ? TMsgAnswer::No
                                                 : TMsgAnswer::Cancel);
  }
}

TEST(EventGuard, AnExceptionFromAHandlerBecomesAnErrorBoxAndTheNextClickStillWorks) {
  test::TScriptedMessages messages;
  QPushButton button;
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, Guarded([&](bool) {
    if (++clicks == 1) throw EInOutError(QStringLiteral("Could not write \"x.ini\""));
  }));
  button.click();
  button.click();
  RunGuarded([] { throw 42; });
  RunGuarded([] { throw std::runtime_error("disk full"); });
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(messages.Texts(),
            QStringList({"Could not write \"x.ini\"", "An unexpected error occurred.", "disk full"}));
  EXPECT_EQ(messages.Shown()[0].Kind, TMsgKind::Error);
}

}  // namespace
}  // namespace lumox
