#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "archive/FormDBTools.h"
#include "archive/LapTimePool.h"
#include "tests/archive/TestDatabase.h"
#include "tests/support/FindWidget.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

// Two tracks and two cars in the archive, and the dialog over them.
class FormDBTools : public ::testing::Test {
 protected:
  FormDBTools() {
    Db.CreateLapTimeSchema();
    Pool().SetSQLConnection(&Db.Connection());
    Pool().AddLapTime("Ring", "data\\tracks\\ring", "Beta", "B2", 1700000000, 90000);
    Pool().AddLapTime("Oval", "data\\tracks\\oval", "Alpha", "A1", 1700000000, 61000);
    Pool().AddLapTime("Oval", "data\\tracks\\oval", "Beta", "B2", 1700000000, 62000);
    Dialog = std::make_unique<TFormDBTools>(nullptr);  // reads the archive as it is now
  }
  ~FormDBTools() override { Pool().SetSQLConnection(nullptr); }

  static TLapTimePoolConnector& Pool() { return LapTimePoolConnector(); }
  // The archive's tracks, cars and rules as "name|key" and "from->to".
  static QStringList Archive() {
    QStringList names, keys, ids, a, b, c, d;
    Pool().GetTracks(names, keys);
    Pool().GetCars(names, keys);
    for (qsizetype i = 0; i < names.size(); ++i) names[i] += "|" + keys[i];
    Pool().GetCarAutoMerges(ids, a, b, c, d);
    for (qsizetype i = 0; i < ids.size(); ++i) names << a[i] + "->" + c[i];
    return names;
  }
  QComboBox* Combo(const char* name) { return test::Find<QComboBox>(*Dialog, name); }
  void Click(const char* button) { test::Find<QPushButton>(*Dialog, button)->click(); }

  test::TTestDatabase Db;
  test::TScriptedMessages Messages;
  std::unique_ptr<TFormDBTools> Dialog;
};

// Also runs in a real window system, where it leaves a screenshot.
TEST_F(FormDBTools, TheRealWindowMergesTracksOnlyWhenTheUserAgrees) {
  if (test::HasRealWindows()) {
    Dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Dialog.get()));
    test::SaveScreenshot(Dialog.get(), "lap-time-database-tools");
  }
  for (const char* combo : {"comboTrackFrom", "comboTrackTo", "comboCarFrom", "comboCarTo"}) {
    EXPECT_EQ(Combo(combo)->currentIndex(), 0) << combo;
    EXPECT_EQ(Combo(combo)->count(), 2) << combo;
  }
  EXPECT_EQ(Items(Combo("comboTrackTo")), QStringList({"Oval [oval]", "Ring [ring]"}));
  EXPECT_EQ(Items(Combo("comboCarTo")), QStringList({"Alpha [A1]", "Beta [B2]"}));
  EXPECT_EQ(Combo("comboAutoMerges")->currentIndex(), -1);
  Click("BtnRemoveAM");  // no rule: nothing is asked
  EXPECT_TRUE(Messages.Shown().empty());

  Combo("comboTrackFrom")->setCurrentIndex(1);
  Messages.Answer(TMsgAnswer::No);
  Click("BtnTrackMerge");
  EXPECT_EQ(Archive().size(), 4);
  Messages.Answer(TMsgAnswer::Yes);
  Click("BtnTrackMerge");
  EXPECT_EQ(Archive(), QStringList({"Oval|data\\tracks\\oval", "Alpha|A1", "Beta|B2"}));
  const QString question =
      "Do you really want to convert all lap times for the track\r\nRing [ring]\r\nto lap times for the "
      "track\r\nOval [oval]?";
  EXPECT_EQ(Messages.Texts(), QStringList({question, question, "Done."}));
  EXPECT_EQ(Messages.Shown()[0].Buttons, TMsgButtons::YesNo);
  EXPECT_EQ(Messages.Shown()[2].Kind, TMsgKind::Information);
}

TEST_F(FormDBTools, ACarMergeKeptAsARuleAddsItOnceAndTheRuleCanBeRemoved) {
  Combo("comboCarFrom")->setCurrentIndex(1);
  test::Find<QCheckBox>(*Dialog, "cbAutoMerge")->click();
  for (int merge = 0; merge < 2; ++merge) {
    Messages.Answer(TMsgAnswer::Yes);
    Click("BtnCarMerge");
  }
  EXPECT_EQ(Messages.Texts().first(),
            "Do you really want to convert all lap times for the car\r\nBeta [B2]\r\nto lap times for the "
            "car\r\nAlpha [A1]?");
  EXPECT_EQ(Archive().mid(2), QStringList({"Alpha|A1", "Beta->Alpha"}));
  EXPECT_EQ(Items(Combo("comboAutoMerges")), QStringList({"Beta [B2] -> Alpha [A1]"}));
  EXPECT_EQ(Combo("comboAutoMerges")->currentIndex(), 0);

  for (const TMsgAnswer answer : {TMsgAnswer::No, TMsgAnswer::Yes}) {
    Messages.Answer(answer);
    Click("BtnRemoveAM");
  }
  EXPECT_EQ(Archive().mid(2), QStringList({"Alpha|A1"}));
  EXPECT_EQ(Combo("comboAutoMerges")->currentIndex(), -1);
  EXPECT_EQ(Messages.Texts().mid(4), QStringList({"Are you sure?", "Are you sure?"}));

  Combo("comboCarTo")->setCurrentIndex(0);
  test::Find<QCheckBox>(*Dialog, "cbAutoMerge")->click();
  Messages.Answer(TMsgAnswer::Yes);
  Click("BtnCarMerge");  // without the rule only the laps move
  EXPECT_EQ(Combo("comboAutoMerges")->count(), 0);
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

}  // namespace
}  // namespace lumox
