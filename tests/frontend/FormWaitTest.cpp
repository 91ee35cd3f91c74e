#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "frontend/FormWait.h"
#include "tests/support/GuiTesting.h"

namespace lumox {
namespace {

// Counts the paint events of one widget.
class TPaintCounter final : public QObject {
 public:
  explicit TPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Count;
    return false;
  }
  int Count = 0;
};

class FormWait : public ::testing::Test {
 protected:
  QLabel* Label() { return Wait.findChild<QLabel*>("Label1"); }
  QProgressBar* Bar() { return Wait.findChild<QProgressBar*>("ProgressBar1"); }

  TFormWait Wait;
};

TEST_F(FormWait, LooksLikeAFixedDialogWithAnEmptyLabelAndBar) {
  EXPECT_EQ(Wait.windowTitle(), "Please be patient ...");
  EXPECT_EQ(Wait.size(), QSize(288, 45));
  EXPECT_FALSE(Wait.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(Label()->font().bold());
  EXPECT_EQ(Label()->text(), "");
  EXPECT_EQ(Bar()->size(), QSize(273, 16));
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_EQ(Bar()->maximum(), 100);
}

TEST_F(FormWait, FollowsTheScanProtocol) {
  Wait.Start("Scanning tracks ...", 3);
  EXPECT_EQ(Label()->text(), "Scanning tracks ...");
  EXPECT_EQ(Bar()->maximum(), 3);
  for (int step = 1; step <= 3; ++step) {
    Wait.StepBy(1);
    EXPECT_EQ(Bar()->value(), step);
  }
  Wait.StepBy(5);  // past the end stops there
  EXPECT_EQ(Bar()->value(), 3);

  Wait.SetMax(50);  // a new scan starts from the beginning
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_EQ(Bar()->maximum(), 50);
  Wait.StepBy(-4);
  EXPECT_EQ(Bar()->value(), 0);
  Wait.SetMessage("Scanning cars ...");
  EXPECT_EQ(Label()->text(), "Scanning cars ...");
  EXPECT_EQ(Bar()->maximum(), 50);
}

TEST_F(FormWait, AnEmptyScanShowsAnEmptyBarNotABusyOne) {
  Wait.Start("Scanning controllers ...", 0);
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_GT(Bar()->maximum(), Bar()->minimum());
}

TEST_F(FormWait, RepaintsAtOnceWithoutRunningTheEventLoop) {
  Wait.ShowNow();
  ASSERT_TRUE(Wait.isVisible());
  TPaintCounter labelPaints(Label());
  TPaintCounter barPaints(Bar());
  bool otherEventRan = false;
  QTimer::singleShot(0, [&] { otherEventRan = true; });

  Wait.Start("Scanning cars ...", 10);
  Wait.StepBy(1);
  EXPECT_GE(labelPaints.Count, 1);
  EXPECT_GE(barPaints.Count, 2);
  EXPECT_FALSE(otherEventRan);
  QTest::qWait(20);
  EXPECT_TRUE(otherEventRan);
}

TEST(RealWindow, TheWaitWindowReachesTheScreenWhileTheEventLoopWaits) {
  if (!test::HasRealWindows()) GTEST_SKIP() << "runs under xvfb";
  TFormWait wait;
  wait.ShowNow();
  wait.Start("Scanning tracks ...", 4);
  wait.StepBy(3);
  // What the X server shows now, with no event handled since the last step.
  const QImage onScreen = QGuiApplication::primaryScreen()->grabWindow(wait.winId()).toImage();
  test::SaveScreenshot(&wait, "wait-window");
  EXPECT_EQ(onScreen.convertToFormat(QImage::Format_RGB32),
            wait.grab().toImage().convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace lumox
