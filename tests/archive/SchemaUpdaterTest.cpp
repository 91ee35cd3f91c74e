// Databases made at each older schema, brought up to date by the updater and by its window.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <map>
#include <memory>

#include "archive/FormUpdater.h"
#include "archive/IniTable.h"
#include "archive/SQLQuery.h"
#include "archive/Schema.h"
#include "archive/SchemaUpdater.h"
#include "platform/ScreenFonts.h"
#include "tests/archive/TestDatabase.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

const TVersion Program("1.4.0.0");
const QStringList AllSteps{"0.7.0.0", "0.9.0.0", "1.2.0.0", "1.4.0.0"};

// The log of an update from `from` running `steps`, cut to its first `entries` when given.
QStringList UpdateLog(const QString& from, const QStringList& steps, qsizetype entries = -1) {
  static const std::map<QString, QString> actions = {
      {"0.7.0.0", "  Trimming track paths ..."},
      {"0.9.0.0", "  Creating auto-merge table ..."},
      {"1.2.0.0", "  Creating tables CARS and TRACKS ..."},
      {"1.4.0.0", "  Creating tables LAPCARS and LAPTRACKS and the origins of laps ..."}};
  QStringList log{
      "---------------------------------------\r\nLumox Database "
      "Updater\r\n---------------------------------------",
      " Current DB version: " + from, "Updating to version: 1.4.0.0\r\n"};
  for (const QString& step : steps)
    log << "Performing update to " + step + ":" << actions.at(step) << "  Done.\r\n";
  log << "Update complete. Writing new version number ..."
      << "Click \"Done\" to exit.";
  return log.mid(0, entries);
}

class SchemaUpdater : public ::testing::Test {
 protected:
  // Gives the template the tables of schema `version` and stores that version.
  void MakeSchemaOf(const QString& version) {
    const TVersion schema(version);
    if (!schema.IsOlderThanText("0.9.0.0", 4)) RunSchemaStatements(Db->Connection(), AutoMergeTable);
    if (!schema.IsOlderThanText("1.2.0.0", 4)) RunSchemaStatements(Db->Connection(), CarsAndTracksTables);
    if (!schema.IsOlderThanText("1.4.0.0", 4)) CompleteLapSchema(Db->Connection());
    TIniTable(Db->Connection(), "SETTINGS").WriteString("DATABASE", "VERSION", version);
  }
  // A lap row as an old program wrote it: only the identifier and the track path.
  void AddOldLap(int ltpID, const QString& trackPath) {
    Db->Execute(QStringLiteral("insert into LAPTIMEPOOL (LTP_ID, TRACK_PATH) values (%1, '%2')")
                    .arg(ltpID)
                    .arg(trackPath));
  }
  // Every lap's "id path", then the stored version, then which tables and indexes exist.
  QStringList Stored() {
    return Db->Rows("select LTP_ID || ' ' || TRACK_PATH as R from LAPTIMEPOOL order by LTP_ID, TRACK_PATH") +
           Db->Rows("select coalesce(max(CONTENT), 'no version') as R from SETTINGS where NAME = 'VERSION'") +
           Db->Rows(
               "select trim(RDB$RELATION_NAME) as R from RDB$RELATIONS where RDB$RELATION_NAME in "
               "('AUTOMERGES', 'CARS', 'TRACKS', 'LAPCARS', 'LAPTRACKS') union all select "
               "trim(RDB$INDEX_NAME) from RDB$INDICES where "
               "RDB$INDEX_NAME in "
               "('IDX_CARS_CAR_IDX', 'IDX_LAPTIMEPOOL_TRACK_NAME') order by 1");
  }
  QStringList Update(const QString& from) {
    QStringList log;
    TSchemaUpdater(Db->Connection(), Program, TVersion(from)).Run([&](const QString& entry) {
      log << entry;
    });
    return log;
  }

  std::unique_ptr<test::TTestDatabase> Db = std::make_unique<test::TTestDatabase>();
  const QStringList UpToDate{
      "1.4.0.0", "AUTOMERGES", "CARS",  "IDX_CARS_CAR_IDX", "IDX_LAPTIMEPOOL_TRACK_NAME",
      "LAPCARS", "LAPTRACKS",  "TRACKS"};
};

TEST_F(SchemaUpdater, TheTemplateGetsEveryStepItsLapPathsTrimmedOnceAndTheIndexes) {
  // Deleted laps too; an old program could give two laps one identifier: each keeps its own path.
  // clang-format off
  for (const auto& [id, path] : std::initializer_list<std::pair<int, const char*>>{
           {1, "\\data\\tracks\\a\\"}, {2, "\\\\data\\tracks\\b"}, {-3, "data\\tracks\\c\\"}, {4, ""}, {5, "\\"},
           {6, "\\data\\tracks\\d"}, {6, "data\\tracks\\e"}})
    AddOldLap(id, path);
  // clang-format on
  EXPECT_EQ(Update("0.0.0.0"), UpdateLog("0.0.0.0", AllSteps));
  EXPECT_EQ(Stored(), QStringList({"-3 data\\tracks\\c", "1 data\\tracks\\a", "2 \\data\\tracks\\b", "4 ",
                                   "5 ", "6 data\\tracks\\d", "6 data\\tracks\\e"}) +
                          UpToDate);
  // The lists hold the trimmed paths of the laps, deleted ones too, which their readers leave out.
  EXPECT_EQ(Db->Rows("select TRACK_PATH as R from LAPTRACKS order by 1"),
            QStringList({"", "\\data\\tracks\\b", "data\\tracks\\a", "data\\tracks\\c", "data\\tracks\\d",
                         "data\\tracks\\e"}));
  Db->Execute("insert into AUTOMERGES (MERGE_ID, MERGE_TYPE) values (1, 2)");
  EXPECT_THROW(Db->Execute("insert into AUTOMERGES (MERGE_ID, MERGE_TYPE) values (1, 2)"), EDatabaseError);

  Db->Execute("insert into CARS values (0, 'F3', '1990', 'f3', 'x1')");
  EXPECT_EQ(Update("0.0.0.0"), UpdateLog("0.0.0.0", AllSteps)) << "run twice, everything is in place";
  EXPECT_EQ(Stored()[1], "1 data\\tracks\\a");
  EXPECT_EQ(Db->Rows("select count(*) as R from CARS"), QStringList("1"));
}

TEST_F(SchemaUpdater, FromAnOlderSchemaOnlyTheLaterStepsRun) {
  // clang-format off
  for (const auto& [version, steps] : std::initializer_list<std::pair<const char*, QStringList>>{
           {"0.7.0.0", {"0.9.0.0", "1.2.0.0", "1.4.0.0"}}, {"0.8.5.3", {"0.9.0.0", "1.2.0.0", "1.4.0.0"}},
           {"0.9.0.0", {"1.2.0.0", "1.4.0.0"}}, {"1.3.1.0", {"1.4.0.0"}}, {"1.4.0.0", {}}}) {
    // clang-format on
    Db = std::make_unique<test::TTestDatabase>();
    MakeSchemaOf(version);
    AddOldLap(1, "\\data\\tracks\\a\\");  // trimmed only before 0.7.0.0
    EXPECT_EQ(Update(version), UpdateLog(version, steps));
    EXPECT_EQ(Stored(), QStringList("1 \\data\\tracks\\a\\") + UpToDate) << version;
  }
}

TEST_F(SchemaUpdater, AFailedStepKeepsTheVersionAndTheLogSoFarAndTheUpdateCanBeRunAgain) {
  AddOldLap(1, "\\data\\tracks\\a\\");
  // A rule table whose identifier may be empty cannot get its primary key.
  Db->Execute(
      "CREATE TABLE AUTOMERGES (MERGE_ID INTEGER, MERGE_TYPE INTEGER, NAME_FROM VARCHAR(255), "
      "IDPATH_FROM VARCHAR(255), NAME_TO VARCHAR(255), IDPATH_TO VARCHAR(255))");
  QStringList log;
  EXPECT_THROW(
      TSchemaUpdater(Db->Connection(), Program, TVersion("0.0.0.0")).Run([&](const QString& e) { log << e; }),
      EDatabaseError);
  EXPECT_EQ(log, UpdateLog("0.0.0.0", AllSteps, 8));
  EXPECT_EQ(Stored(), QStringList({"1 data\\tracks\\a", "no version", "AUTOMERGES"}));
  Db->Execute("DROP TABLE AUTOMERGES");
  EXPECT_EQ(Update("0.0.0.0"), UpdateLog("0.0.0.0", AllSteps));
  EXPECT_EQ(Stored(), QStringList("1 data\\tracks\\a") + UpToDate);
}

// The log entries as the window shows them: one line each, "\r\n" a line break.
QStringList Lines(const QStringList& entries) {
  return entries.join(QLatin1Char('\n')).replace("\r\n", "\n").split(QLatin1Char('\n'));
}

void Activate(QWidget& window) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// Done is offered once the update has run, whether it succeeded or not.
QPushButton* DoneWhenUpdated(QWidget* updater) {
  auto* done = updater->findChild<QPushButton*>("BtnOK");
  EXPECT_TRUE(QTest::qWaitFor([&] { return done->isEnabled(); }));
  return done;
}

// Stands for a window manager that never activates the window it watches.
class TNoActivation final : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::WindowActivate; }
};

// Also runs in a real window system, where it leaves a screenshot.
TEST_F(SchemaUpdater, TheRealWindowRunsTheUpdateOnceWhenShownEvenIfNeverActivatedAndOnlyDoneClosesIt) {
  AddOldLap(1, "\\data\\tracks\\a\\");
  TFormUpdater updater(Db->Connection(), Program, TVersion("0.0.0.0"));
  EXPECT_EQ(updater.windowTitle(), "Lumox Database Updater");
  EXPECT_FALSE(updater.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(updater.LogLines(), QStringList({""}));
  // The log's columns line up whichever fonts the machine has.
  EXPECT_TRUE(ShowsFixedPitch(updater.findChild<QPlainTextEdit*>("Memo1")->font()));
  EXPECT_FALSE(updater.findChild<QPushButton*>("BtnOK")->isEnabled());
  TNoActivation noActivation;
  updater.installEventFilter(&noActivation);
  updater.show();
  DoneWhenUpdated(&updater);
  updater.removeEventFilter(&noActivation);
  EXPECT_TRUE(updater.Succeeded());
  EXPECT_EQ(updater.LogLines(), Lines(UpdateLog("0.0.0.0", AllSteps)));
  if (test::HasRealWindows()) test::SaveScreenshot(&updater, "schema-updater");
  // Another window takes the focus and gives it back, the window is shown anew; the database
  // changes meanwhile.
  QWidget other;
  Activate(other);
  AddOldLap(2, "\\data\\tracks\\b");
  updater.hide();
  Activate(updater);
  EXPECT_EQ(Stored().mid(0, 2), QStringList({"1 data\\tracks\\a", "2 \\data\\tracks\\b"}));

  updater.close();
  QTest::keyClick(&updater, Qt::Key_Escape);
  EXPECT_TRUE(updater.isVisible());
  updater.findChild<QPushButton*>("BtnOK")->click();
  EXPECT_FALSE(updater.isVisible());
  EXPECT_EQ(updater.result(), QDialog::Accepted);
}

TEST_F(SchemaUpdater, TheWindowShowsAFailingStepAndKeepsTheLogOfWhatRan) {
  test::TScriptedMessages messages;
  MakeSchemaOf("0.9.0.0");
  Db->Execute("CREATE TABLE TRACKS (OTHER INTEGER)");  // a table of that name without the indexed column
  QStringList shown;
  bool updated = true;
  test::WithNextModal(
      [&](QWidget* modal) {
        QPushButton* done = DoneWhenUpdated(modal);
        shown = static_cast<TFormUpdater*>(modal)->LogLines();
        done->click();
      },
      [&] { updated = RunSchemaUpdater(Db->Connection(), Program, TVersion("0.9.0.0")); });
  EXPECT_FALSE(updated);
  EXPECT_EQ(shown, Lines(UpdateLog("0.9.0.0", {"1.2.0.0"}, 5)));
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Stored()[0], "0.9.0.0");
}

}  // namespace
}  // namespace lumox
