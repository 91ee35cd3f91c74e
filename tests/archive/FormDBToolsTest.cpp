#include "archive/FormDBTools.h"
#include "archive/LapTimePool.h"
#include "tests/archive/TestDatabase.h"
#include "tests/support/FindWidget.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace lumox {
namespace {

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

class FormDBTools : public ::testing::Test {
 protected:
  FormDBTools() {
    Db.CreateLapTimeSchema();
    LapTimePoolConnector().SetSQLConnection(&Db.Connection());
    AddLap("Ring", "data\\tracks\\ring", "Beta", "B2", 90000);
    AddLap("Oval", "data\\tracks\\oval", "Alpha", "A1", 61000);
    AddLap("Oval", "data\\tracks\\oval", "Beta", "B2", 62000);
    Dialog = std::make_unique<TFormDBTools>(nullptr);  // reads the archive as it is now
  }
  ~FormDBTools() override { LapTimePoolConnector().SetSQLConnection(nullptr); }

  static void AddLap(const QString& track, const QString& path, const QString& car, const QString& id, int time) {
    LapTimePoolConnector().AddLapTime(track, path, car, id, 1700000000, time);
  }
  // The archive's tracks or cars as "name|path" or "name|id".
  static QStringList Tracks() {
    QStringList names, paths;
    LapTimePoolConnector().GetTracks(names, paths);
    for (qsizetype i = 0; i < names.size(); ++i) names[i] += "|" + paths[i];
    return names;
  }
  static QStringList Cars() {
    QStringList names, ids;
    LapTimePoolConnector().GetCars(names, ids);
    for (qsizetype i = 0; i < names.size(); ++i) names[i] += "|" + ids[i];
    return names;
  }
  static int RuleCount() {
    QStringList ids, a, b, c, d;
    LapTimePoolConnector().GetCarAutoMerges(ids, a, b, c, d);
    return int(ids.size());
  }
  template <class W = QComboBox>
  W* Find(const char* name) {
    return test::Find<W>(*Dialog, name);
  }
  void Click(const char* button) { Find<QPushButton>(button)->click(); }

  test::TTestDatabase Db;
  test::TScriptedMessages Messages;
  std::unique_ptr<TFormDBTools> Dialog;
};

TEST_F(FormDBTools, TheCombosOfferTheArchivesTracksAndCarsWithTheFirstSelected) {
  EXPECT_EQ(Dialog->windowTitle(), "Lap Time Database Tools");
  for (const char* combo : {"comboTrackFrom", "comboTrackTo"}) {
    EXPECT_EQ(Items(Find(combo)), QStringList({"Oval [oval]", "Ring [ring]"})) << combo;
    EXPECT_EQ(Find(combo)->currentIndex(), 0);
  }
  for (const char* combo : {"comboCarFrom", "comboCarTo"}) {
    EXPECT_EQ(Items(Find(combo)), QStringList({"Alpha [A1]", "Beta [B2]"})) << combo;
    EXPECT_EQ(Find(combo)->currentIndex(), 0);
  }
  EXPECT_EQ(Find("comboAutoMerges")->count(), 0);
  EXPECT_EQ(Find("comboAutoMerges")->currentIndex(), -1);
  EXPECT_FALSE(Find<QCheckBox>("cbAutoMerge")->isChecked());
  Click("BtnRemoveAM");  // no rule: nothing is asked
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(FormDBTools, ATrackMergeMovesEveryLapOnlyWhenTheUserAgrees) {
  Find("comboTrackFrom")->setCurrentIndex(1);
  Messages.Answer(TMsgAnswer::No);
  Click("BtnTrackMerge");
  EXPECT_EQ(Tracks(), QStringList({"Oval|data\\tracks\\oval", "Ring|data\\tracks\\ring"}));

  Messages.Answer(TMsgAnswer::Yes);
  Click("BtnTrackMerge");
  EXPECT_EQ(Tracks(), QStringList({"Oval|data\\tracks\\oval"}));
  const QString question =
      "Do you really want to convert all lap times for the track\r\nRing [ring]\r\nto lap times for the track\r\nOval [oval]?";
  EXPECT_EQ(Messages.Texts(), QStringList({question, question, "Done."}));
  EXPECT_EQ(Messages.Shown()[0].Buttons, TMsgButtons::YesNo);
  EXPECT_EQ(Messages.Shown()[2].Kind, TMsgKind::Information);

  // The merged-away track stays offered; merging it again moves nothing.
  EXPECT_EQ(Find("comboTrackFrom")->count(), 2);
  Messages.Answer(TMsgAnswer::Yes);
  Click("BtnTrackMerge");
  EXPECT_EQ(Tracks(), QStringList({"Oval|data\\tracks\\oval"}));
}

TEST_F(FormDBTools, ACarMergeKeptAsARuleAddsItOnceAndTheRuleCanBeRemoved) {
  Find("comboCarFrom")->setCurrentIndex(1);
  Find<QCheckBox>("cbAutoMerge")->click();
  for (int merge = 0; merge < 2; ++merge) {
    Messages.Answer(TMsgAnswer::Yes);
    Click("BtnCarMerge");
  }
  EXPECT_EQ(Messages.Texts().first(),
            "Do you really want to convert all lap times for the car\r\nBeta [B2]\r\nto lap times for the car\r\nAlpha [A1]?");
  EXPECT_EQ(Cars(), QStringList({"Alpha|A1"}));
  EXPECT_EQ(Items(Find("comboAutoMerges")), QStringList({"Beta [B2] -> Alpha [A1]"}));
  EXPECT_EQ(Find("comboAutoMerges")->currentIndex(), 0);
  EXPECT_EQ(RuleCount(), 1);

  Messages.Answer(TMsgAnswer::No);
  Click("BtnRemoveAM");
  EXPECT_EQ(RuleCount(), 1);
  Messages.Answer(TMsgAnswer::Yes);
  Click("BtnRemoveAM");
  EXPECT_EQ(RuleCount(), 0);
  EXPECT_EQ(Find("comboAutoMerges")->count(), 0);
  EXPECT_EQ(Find("comboAutoMerges")->currentIndex(), -1);
  EXPECT_EQ(Messages.Texts().mid(4), QStringList({"Are you sure?", "Are you sure?"}));
  Click("BtnRemoveAM");
  EXPECT_EQ(Messages.Shown().size(), 6u);
}

TEST_F(FormDBTools, ACarMergeWithoutTheRuleOnlyMovesTheLaps) {
  Find("comboCarTo")->setCurrentIndex(1);
  Messages.Answer(TMsgAnswer::Yes);
  Click("BtnCarMerge");
  EXPECT_EQ(Cars(), QStringList({"Beta|B2"}));
  EXPECT_EQ(RuleCount(), 0);
  EXPECT_EQ(Find("comboAutoMerges")->count(), 0);
  Click("BtnDone");
  EXPECT_EQ(Dialog->result(), QDialog::Accepted);
}

TEST(FormDBToolsOpening, AnArchiveThatCannotBeReadIsReportedAndNoDialogOpens) {
  test::TScriptedMessages messages;
  test::TTestDatabase db;  // the template has no rule table
  LapTimePoolConnector().SetSQLConnection(&db.Connection());
  ShowDBTools(nullptr);
  LapTimePoolConnector().SetSQLConnection(nullptr);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].Kind, TMsgKind::Error);
}

TEST(RealWindow, TheToolsDialogShowsTheArchive) {
  if (!test::HasRealWindows()) GTEST_SKIP() << "runs under xvfb";
  test::TTestDatabase db;
  db.CreateLapTimeSchema();
  LapTimePoolConnector().SetSQLConnection(&db.Connection());
  LapTimePoolConnector().AddLapTime("Oval", "data\\tracks\\oval", "Alpha", "A1", 1700000000, 61000);
  LapTimePoolConnector().AddLapTime("Ring", "data\\tracks\\ring", "Beta", "B2", 1700000000, 90000);
  LapTimePoolConnector().AddCarAutoMerge("Gamma", "G3", "Alpha", "A1");
  test::WithNextModal(
      [&](QWidget* modal) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(modal));
        modal->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
        test::SaveScreenshot(modal, "lap-time-database-tools");
        modal->findChild<QPushButton*>("BtnDone")->click();
      },
      [&] { ShowDBTools(nullptr); });
  LapTimePoolConnector().SetSQLConnection(nullptr);
}

}  // namespace
}  // namespace lumox
