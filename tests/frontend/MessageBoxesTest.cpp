#include "frontend/MessageBoxes.h"
#include "tests/support/GuiTesting.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace lumox {
namespace {

// Shows a box through TMessageBoxes, presses `press` in it and returns the answer and the box's look.
struct TSeen {
  TMsgAnswer Answer;
  QString Title;
  QString Text;
  QMessageBox::Icon Icon;
  QMessageBox::StandardButtons Buttons;
};

TSeen ShowAndPress(TMsgKind kind, TMsgButtons buttons, QMessageBox::StandardButton press) {
  TSeen seen{};
  test::WithNextModal(
      [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen.Title = box->windowTitle();
        seen.Text = box->text();
        seen.Icon = box->icon();
        seen.Buttons = box->standardButtons();
        box->button(press)->click();
      },
      [&] { seen.Answer = TMessageBoxes().Show(kind, "Lumox will now update the database\r\n", buttons); });
  return seen;
}

TEST(MessageBoxes, EachKindHasItsIconTitleAndButtonsAndReturnsThePressedButton) {
  const TSeen error = ShowAndPress(TMsgKind::Error, TMsgButtons::Ok, QMessageBox::Ok);
  EXPECT_EQ(error.Answer, TMsgAnswer::Ok);
  EXPECT_EQ(error.Title, "Error");
  EXPECT_EQ(error.Icon, QMessageBox::Critical);
  EXPECT_EQ(error.Text, "Lumox will now update the database\r\n");

  const TSeen question = ShowAndPress(TMsgKind::Confirmation, TMsgButtons::YesNo, QMessageBox::No);
  EXPECT_EQ(question.Answer, TMsgAnswer::No);
  EXPECT_EQ(question.Buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(question.Icon, QMessageBox::Question);

  const TSeen okCancel = ShowAndPress(TMsgKind::Warning, TMsgButtons::OkCancel, QMessageBox::Cancel);
  EXPECT_EQ(okCancel.Answer, TMsgAnswer::Cancel);
  EXPECT_EQ(okCancel.Title, "Warning");
}

TEST(RealWindow, AMessageBoxShowsInAWindowSystem) {
  if (!test::HasRealWindows()) GTEST_SKIP() << "runs under xvfb";
  test::WithNextModal(
      [](QWidget* modal) {
        test::SaveScreenshot(modal, "message-box");
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
      },
      [] { TMessageBoxes().Show(TMsgKind::Information, "Lumox runs in a real window.", TMsgButtons::Ok); });
}

}  // namespace
}  // namespace lumox
