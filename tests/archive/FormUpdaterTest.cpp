#include "archive/FormUpdater.h"
#include "tests/archive/OldDatabases.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace lumox {
namespace {

// The log entries as the window shows them: one line each, "\r\n" a line break.
QStringList Lines(const QStringList& entries) {
  return entries.join(QLatin1Char('\n')).replace("\r\n", "\n").split(QLatin1Char('\n'));
}

void Activate(QWidget& window) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST(FormUpdater, TheUpdateRunsOnTheFirstActivationOnlyAndOnlyDoneClosesTheWindow) {
  test::TTestDatabase db;
  test::AddOldLap(db, 1, "\\data\\tracks\\a\\");
  TFormUpdater updater(db.Connection(), TVersion(test::ProgramVersion), TVersion("0.0.0.0"));
  EXPECT_EQ(updater.windowTitle(), "Lumox Database Updater");
  EXPECT_FALSE(updater.windowFlags() & Qt::WindowCloseButtonHint);
  auto* memo = updater.findChild<QPlainTextEdit*>("Memo1");
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->font().families().contains("Courier New"), QFontDatabase::families().contains("Courier New"));
  EXPECT_EQ(updater.LogLines(), QStringList({""}));

  Activate(updater);
  const QStringList log = Lines(test::UpdateLog("0.0.0.0", {"0.7.0.0", "0.9.0.0", "1.2.0.0"}));
  EXPECT_EQ(updater.LogLines(), log);
  EXPECT_EQ(log[log.size() - 3], "");  // "  Done.\r\n" leaves an empty line
  EXPECT_EQ(test::StoredVersion(db), "1.3.1.0");

  // Another window takes the focus and gives it back; the database changes meanwhile.
  QWidget other;
  Activate(other);
  test::AddOldLap(db, 2, "\\data\\tracks\\b");
  Activate(updater);
  EXPECT_EQ(updater.LogLines(), log);
  EXPECT_EQ(test::StoredTrackPaths(db), QStringList({"1 data\\tracks\\a", "2 \\data\\tracks\\b"}));

  updater.close();
  QTest::keyClick(&updater, Qt::Key_Escape);
  EXPECT_TRUE(updater.isVisible());
  auto* done = updater.findChild<QPushButton*>("BtnOK");
  EXPECT_EQ(done->text(), "Done");
  EXPECT_TRUE(done->isDefault());
  done->click();
  EXPECT_FALSE(updater.isVisible());
  EXPECT_EQ(updater.result(), QDialog::Accepted);
}

TEST(FormUpdater, AFailingStepIsShownAndTheLogKeepsWhatRan) {
  test::TScriptedMessages messages;
  test::TTestDatabase db;
  test::MakeSchemaOf(db, "0.9.0.0");
  db.Execute("CREATE TABLE TRACKS (OTHER INTEGER)");  // a table of that name without the indexed column
  QStringList shown;
  test::WithNextModal(
      [&](QWidget* modal) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(modal));
        shown = static_cast<TFormUpdater*>(modal)->LogLines();
        modal->findChild<QPushButton*>("BtnOK")->click();
      },
      [&] { RunSchemaUpdater(db.Connection(), TVersion(test::ProgramVersion), TVersion("0.9.0.0")); });
  EXPECT_EQ(shown, Lines(test::UpdateLog("0.9.0.0", {"1.2.0.0"}).mid(0, 5)));
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_EQ(test::StoredVersion(db), "0.9.0.0");
}

TEST(RealWindow, TheUpdaterShowsItsLog) {
  if (!test::HasRealWindows()) GTEST_SKIP() << "runs under xvfb";
  test::TTestDatabase db;
  test::AddOldLap(db, 1, "\\data\\tracks\\a\\");
  test::WithNextModal(
      [&](QWidget* modal) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(modal));
        modal->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
        EXPECT_EQ(static_cast<TFormUpdater*>(modal)->LogLines().last(), "Click \"Done\" to exit.");
        test::SaveScreenshot(modal, "schema-updater");
        QTest::keyClick(modal, Qt::Key_Return);
      },
      [&] { RunSchemaUpdater(db.Connection(), TVersion(test::ProgramVersion), TVersion("0.0.0.0")); });
  EXPECT_EQ(test::StoredVersion(db), "1.3.1.0");
}

}  // namespace
}  // namespace lumox
