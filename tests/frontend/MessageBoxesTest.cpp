// The program's reporter: when its boxes show, which of them, and where messages go when no
// box can show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <thread>

#include "frontend/Image32View.h"
#include "frontend/MessageBoxes.h"
#include "platform/Errors.h"

namespace lumox {
namespace {

// The reporter, installed, with a recorder in the place of the message box. While a box is
// "shown", `WhileShown` runs, as the events a real box's loop handles would.
class Reporter : public ::testing::Test {
 protected:
  QStringList Shown;
  std::function<void()> WhileShown = [] {};
  TMsgAnswer Answer = TMsgAnswer::Ok;
  TMessageBoxes Boxes{[this](TMsgKind, const QString& text, TMsgButtons) {
    Shown << text;
    WhileShown();
    return Answer;
  }};
  TUserMessagesScope Installed{Boxes};
};

TEST_F(Reporter, NoticesShowOnTheNextTurnOnceABurstAndBeforeTheQuestionAskedAfterThem) {
  ShowError("disk full");
  ShowWarning("careful");
  ShowError("disk full");
  EXPECT_TRUE(Shown.isEmpty()) << "no box inside the handler that reported";
  WhileShown = [] { ShowError("disk full"); };  // the same failure again while its box shows
  QApplication::processEvents();
  EXPECT_EQ(Shown, QStringList({"disk full", "careful"}));

  ShowPlainMessage("Error starting Exe!");
  Answer = TMsgAnswer::Yes;
  EXPECT_TRUE(Confirm("Do you really want to import all lap times?"));
  EXPECT_EQ(Shown.mid(2), QStringList({"Error starting Exe!", "Do you really want to import all lap times?"}));
  QApplication::processEvents();
  EXPECT_EQ(Shown.size(), 4) << "nothing is shown twice";
}

// The view's paint fails whenever it runs; the box, once shown, uncovers the view, which
// paints and fails again.
TEST_F(Reporter, AFailingPaintShowsOneBoxAfterThePaint) {
  TImage32View view;
  view.resize(40, 30);
  view.Image().PaintStages().Add().Stage = StageCustom;
  int paints = 0;
  view.Image().OnPaintStage = [&](auto&, auto&, int) {
    ++paints;
    throw EInOutError(std::string("no memory for the view's buffer"));
  };
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  view.repaint();
  EXPECT_GE(paints, 1);
  EXPECT_TRUE(Shown.isEmpty());
  WhileShown = [&] { view.repaint(); };
  QApplication::processEvents();
  EXPECT_EQ(Shown, QStringList("no memory for the view's buffer"));
  EXPECT_GE(paints, 2);
  TNoModalBoxes insidePaint;
  EXPECT_FALSE(Confirm("Quit?")) << "a question inside a paint gets the cautious answer";
  EXPECT_EQ(Shown.size(), 1);
}

// The last window closes and the application quits: what its closing reported still shows
// before the quit request is handled; what comes after goes to stderr, as every box would
// return at once.
TEST_F(Reporter, OnceTheLastWindowHasClosedMessagesGoToStderr) {
  QWidget window;
  window.show();
  QTimer::singleShot(0, [&] {
    ShowError("The car list was not stored.");
    window.close();
    Answer = TMsgAnswer::Yes;
    EXPECT_FALSE(Confirm("Do you really want to import all lap times?"));
    ShowError("These lap times could not be archived and were skipped");
  });
  testing::internal::CaptureStderr();
  QApplication::exec();
  QApplication::processEvents();
  EXPECT_EQ(Shown, QStringList("The car list was not stored."));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Confirmation: Do you really want to import all lap times?\n"
            "Error: These lap times could not be archived and were skipped\n");
}

TEST_F(Reporter, AfterASignalWhatWaitsAndWhatFollowsGoesToStderr) {
  ShowError("The car list was not stored.");
  testing::internal::CaptureStderr();
  Boxes.Quitting();
  ShowWarning("careful");
  QApplication::processEvents();
  EXPECT_TRUE(Shown.isEmpty());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: The car list was not stored.\nWarning: careful\n");
}

TEST_F(Reporter, AMessageFromAWorkerThreadShowsNoBox) {
  EXPECT_DEBUG_DEATH(std::thread([] { ShowError("from a worker"); }).join(), "worker thread");
  QApplication::processEvents();
  EXPECT_TRUE(Shown.isEmpty());
}

}  // namespace
}  // namespace lumox
