#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "frontend/FormMain.h"
#include "tests/frontend/FormStartUp.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/frontend/SmallInstallation.h"
#include "tests/support/FindWidget.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

using namespace std::chrono_literals;

QStringList ItemTexts(const QComboBox* combo) {
  QStringList texts;
  for (int i = 0; i < combo->count(); ++i) texts.append(combo->itemText(i));
  return texts;
}

QStringList ItemTexts(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts.append(list->item(i)->text());
  return texts;
}

void SelectRows(QListWidget* list, std::initializer_list<int> rows) {
  list->clearSelection();
  for (int row : rows) list->item(row)->setSelected(true);
}

// A view takes a double click as one after a click on the same item.
void DoubleClick(QListWidget* list, int row) {
  const QPoint at = list->visualItemRect(list->item(row)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// The main window over the small installation.
class RaceSetupPage : public ::testing::Test {
 protected:
  RaceSetupPage() {
    test::StartUp(Form, Zindo.File("zindo.exe"));
    Setup.EditorPollInterval = 10ms;
    Setup.ShowCarPreview = [this] { ++CarPreviews; };
    Setup.ShowTrackPreview = [this] { ++TrackPreviews; };
    Setup.RefreshPreviews = [this] { ++RefreshedPreviews; };
    Form.show();
  }

  template <class W = QWidget>
  W* Widget(const char* name) {
    return test::Find<W>(Form, name);
  }
  QComboBox* Combo(const char* name) { return Widget<QComboBox>(name); }
  QListWidget* List(const char* name) { return Widget<QListWidget>(name); }
  QString Selected(const char* combo) { return Combo(combo)->currentText(); }

  void SelectAll(const char* car, const char* track, const char* controller) {
    ASSERT_TRUE(Setup.SelectByFolder(Combo("comboDefaultCar"), car));
    ASSERT_TRUE(Setup.SelectByFolder(Combo("comboAICar"), car));
    ASSERT_TRUE(Setup.SelectByFolder(Combo("comboDefaultTrack"), track));
    ASSERT_TRUE(Setup.SelectByFolder(Combo("comboController"), controller));
  }
  void ShowRacePage(const char* name) { Widget<QTabWidget>("pcRace")->setCurrentWidget(Widget(name)); }

  test::TScriptedMessages Messages;
  test::TSmallInstallation Zindo;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
  TRaceSetupPage& Setup = Form.RaceSetup();
  int CarPreviews = 0;
  int TrackPreviews = 0;
  int RefreshedPreviews = 0;
};

TEST_F(RaceSetupPage, SelectorsAreFilledWithoutSelectionAndTheProgramsOwnSelectionRunsNoHandler) {
  EXPECT_EQ(ItemTexts(Combo("comboDefaultCar")),
            (QStringList{"Formula Three (1998)", "kart", "Rally Car (2004)", "Twin (2001)", "Twin (2001)"}));
  EXPECT_EQ(ItemTexts(Combo("comboAICar")), ItemTexts(Combo("comboDefaultCar")));
  EXPECT_EQ(ItemTexts(Combo("comboDefaultTrack")), (QStringList{"another Ring", "Big Oval", "Hill Climb"}));
  EXPECT_EQ(ItemTexts(Combo("comboController")), (QStringList{"A Wheel", "Keyboard"}));
  for (const char* name : {"comboDefaultCar", "comboAICar", "comboDefaultTrack", "comboController"})
    EXPECT_EQ(Combo(name)->currentIndex(), -1) << name;
  EXPECT_EQ(Setup.GetCurrentCar(), nullptr);
  EXPECT_EQ(Setup.GetCurrentCarNameAndID(), "");
  EXPECT_EQ(Setup.GetCurrentTrackDir(), "");
  EXPECT_EQ(Setup.GetCurrentTrack(), nullptr);
  EXPECT_FALSE(Widget("comboDefaultCarVariant")->isEnabled());

  // Of two cars named alike, the folder picks the right one.
  EXPECT_TRUE(Setup.SelectByFolder(Combo("comboDefaultCar"), "twin-b"));
  EXPECT_FALSE(Setup.SelectByFolder(Combo("comboDefaultCar"), "TWIN-A"));
  EXPECT_EQ(Setup.GetCurrentCarFolder(), "twin-b");
  EXPECT_EQ(Setup.GetCurrentCarNameAndID(), "Twin [twin-b-id]");
  EXPECT_EQ(Setup.GetCurrentCarDir(), Zindo.File("data/cars/twin-b"));
  EXPECT_TRUE(Setup.SelectByFolder(Combo("comboDefaultTrack"), "oval"));
  EXPECT_EQ(Setup.GetCurrentTrackDir(), Zindo.File("data/tracks/oval"));
  EXPECT_EQ(Setup.GetCurrentTrack()->GetName(), "Big Oval");
  EXPECT_EQ(CarPreviews + TrackPreviews, 0);
}

TEST_F(RaceSetupPage, ChoosingACarShowsItsVariantsAndPreviews) {
  QComboBox* cars = Combo("comboDefaultCar");
  ASSERT_TRUE(Setup.SelectByFolder(cars, "kart"));
  QTest::keyClick(cars, Qt::Key_Down);  // the user moves on to "Rally Car (2004)"
  EXPECT_EQ(Setup.GetCurrentCarFolder(), "rally");
  QComboBox* variants = Combo("comboDefaultCarVariant");
  EXPECT_EQ(ItemTexts(variants), (QStringList{"Gravel", "Tarmac"}));
  EXPECT_EQ(variants->currentText(), "Tarmac");
  EXPECT_TRUE(variants->isEnabled());
  EXPECT_TRUE(Widget("LblVariant")->isEnabled());
  EXPECT_EQ(CarPreviews, 1);

  QTest::keyClick(variants, Qt::Key_Up);
  EXPECT_EQ(CarPreviews, 2);
  QTest::keyClick(cars, Qt::Key_Up);
  EXPECT_EQ(ItemTexts(variants), (QStringList{"no variants available ..."}));
  EXPECT_FALSE(variants->isEnabled());
  EXPECT_FALSE(Widget("LblVariant")->isEnabled());

  QTest::keyClick(Combo("comboDefaultTrack"), Qt::Key_Down);
  EXPECT_EQ(TrackPreviews, 1);
}

TEST_F(RaceSetupPage, AIButtonsBuildTheRaceListAndItsLabelsCount) {
  ShowRacePage("TabRace");
  QListWidget* available = List("lbAvailableAICars");
  QListWidget* race = List("lbRaceAICars");
  EXPECT_EQ(ItemTexts(available), (QStringList{"Formula Three", "kart", "Rally Car", "Twin", "Twin"}));
  EXPECT_EQ(Widget<QLabel>("lblAvailableCars")->text(), "Available cars (5)");
  EXPECT_EQ(Widget<QLabel>("lblCarsInRace")->text(), "AI cars in race (0)");

  SelectRows(available, {1});
  Widget<QPushButton>("BtnAIAdd")->click();
  Widget<QPushButton>("BtnAIAdd")->click();
  EXPECT_EQ(Widget<QLabel>("lblCarsInRace")->text(), "AI cars in race (2)");
  SelectRows(available, {0, 4});
  Widget<QPushButton>("BtnAIAdd")->click();
  EXPECT_EQ(Setup.JoinAICarMultiple(), "kart kart f3 twin-b");
  EXPECT_TRUE(available->item(0)->isSelected());  // the available list stays as it was

  Widget<QPushButton>("BtnAIAddAll")->click();
  EXPECT_EQ(race->count(), 9);
  EXPECT_EQ(race->item(8)->text(), "Twin (2001)");

  SelectRows(race, {1, 3, 5});
  Widget<QPushButton>("BtnAIRemove")->click();
  EXPECT_EQ(Setup.JoinAICarMultiple(), "kart f3 f3 rally twin-a twin-b");
  EXPECT_EQ(Widget<QLabel>("lblCarsInRace")->text(), "AI cars in race (6)");

  DoubleClick(race, 0);
  EXPECT_EQ(Setup.JoinAICarMultiple(), "f3 f3 rally twin-a twin-b");
  SelectRows(available, {});
  DoubleClick(available, 2);
  EXPECT_EQ(Setup.JoinAICarMultiple(), "f3 f3 rally twin-a twin-b rally");

  ShowRacePage("TabCarAndTrack");
  EXPECT_FALSE(Widget("lblNoSingleAI")->isHidden());
  for (const char* single : {"Label15", "Label16", "comboAICar", "medAICars"})
    EXPECT_TRUE(Widget(single)->isHidden()) << single;
  ShowRacePage("TabRace");
  Widget<QPushButton>("BtnAIRemoveAll")->click();
  EXPECT_EQ(race->count(), 0);
  ShowRacePage("TabCarAndTrack");
  EXPECT_TRUE(Widget("lblNoSingleAI")->isHidden());
  for (const char* single : {"Label15", "Label16", "comboAICar", "medAICars"})
    EXPECT_FALSE(Widget(single)->isHidden()) << single;
}

TEST_F(RaceSetupPage, TheAvailabilityCheckListsTheCarsWithAnAILineOnTheChosenTrack) {
  auto* onlyAvailable = Widget<QCheckBox>("cbAIShowOnlyAvailable");
  onlyAvailable->click();
  EXPECT_EQ(List("lbAvailableAICars")->count(), 0);  // no track chosen
  EXPECT_EQ(Widget<QLabel>("lblAvailableCars")->text(), "Available cars (0)");
  ASSERT_TRUE(Setup.SelectByFolder(Combo("comboDefaultTrack"), "oval"));
  ShowRacePage("TabRace");
  EXPECT_EQ(ItemTexts(List("lbAvailableAICars")), (QStringList{"Formula Three", "Twin"}));
  onlyAvailable->click();
  EXPECT_EQ(List("lbAvailableAICars")->count(), 5);

  // Before start-up has finished the check box fills nothing.
  Form.State().FInitialized = false;
  onlyAvailable->click();
  EXPECT_EQ(List("lbAvailableAICars")->count(), 5);
}

TEST_F(RaceSetupPage, RescanKeepsTheSelectionsAndTellsOfACarThatVanished) {
  SelectAll("f3", "ring", "wheel.ini");
  ASSERT_TRUE(Setup.SelectByFolder(Combo("comboAICar"), "kart"));
  Setup.ParseAICarMultiple("kart f3 kart twin-a");
  ASSERT_TRUE(QDir().rename(Zindo.File("data/cars/f3"), Zindo.File("data/cars/f3-new")));
  Zindo.WriteCar("kart", "Go Kart");

  Widget<QPushButton>("BtnRescan")->click();
  EXPECT_EQ(Messages.Texts(), QStringList{"Could not find car \"f3\",\r\nplease select one manually."});
  EXPECT_EQ(Combo("comboDefaultCar")->currentIndex(), -1);
  EXPECT_EQ(Setup.GetCurrentCarFolder(), "");
  EXPECT_EQ(Selected("comboAICar"), "Go Kart");
  EXPECT_EQ(Setup.GetCurrentTrackFolder(), "ring");
  EXPECT_EQ(Selected("comboController"), "A Wheel");
  EXPECT_EQ(Setup.JoinAICarMultiple(), "kart kart twin-a");
  EXPECT_EQ(ItemTexts(List("lbRaceAICars")), (QStringList{"Go Kart", "Go Kart", "Twin (2001)"}));
  EXPECT_TRUE(ItemTexts(Combo("comboDefaultCar")).contains("Formula Three (1998)"));
  EXPECT_EQ(CarPreviews + TrackPreviews, 0);
  EXPECT_EQ(RefreshedPreviews, 1);

  // Nothing chosen is nothing lost: a second rescan tells nothing.
  Widget<QPushButton>("BtnRescan")->click();
  EXPECT_EQ(Messages.Shown().size(), 1u);
}

TEST_F(RaceSetupPage, EditingACarWaitsForTheEditorWithLaunchesBlockedThenRescansTheCars) {
  const test::TStandInNotepad notepad(
      "sleep 0.3\npwd > \"$1.dir\"\nsed -i 's/name=Formula Three/name=Formula 3/' \"$1\"");
  SelectAll("f3", "oval", "keyboard.ini");
  Setup.ParseAICarMultiple("f3 f3");
  bool blockedMeanwhile = false;
  int ticks = 0;
  QTimer::singleShot(100, [&] {
    blockedMeanwhile = !Widget("BtnEditCarIni")->isEnabled() && !Widget("BtnEditTrackIni")->isEnabled() &&
                       !Widget("BtnEditController")->isEnabled() && !Widget("BtnRescan")->isEnabled() &&
                       !Widget("BtnStartZindo")->isEnabled() &&
                       !Widget<QAction>("ActStartZindo")->isEnabled();
  });
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(10);

  Widget<QToolButton>("BtnEditCarIni")->click();
  EXPECT_TRUE(blockedMeanwhile);
  EXPECT_GT(ticks, 10);  // the window was served while the editor ran
  EXPECT_TRUE(Widget("BtnEditCarIni")->isEnabled());
  EXPECT_TRUE(Widget<QAction>("ActStartZindo")->isEnabled());
  EXPECT_EQ(test::ReadBytes(Zindo.File("data/cars/f3/car.ini.dir")).trimmed(),
            Zindo.File("data/cars/f3").toUtf8());
  EXPECT_EQ(Selected("comboDefaultCar"), "Formula 3 (1998)");
  EXPECT_EQ(Selected("comboAICar"), "Formula 3 (1998)");
  EXPECT_EQ(ItemTexts(List("lbRaceAICars")), (QStringList{"Formula 3 (1998)", "Formula 3 (1998)"}));
  EXPECT_TRUE(Messages.Shown().empty());
  EXPECT_EQ(RefreshedPreviews, 1);
}

TEST_F(RaceSetupPage, EditingATrackOrControlSetRescansItAndTellsWhenItIsGone) {
  const test::TStandInNotepad notepad(
      "case \"$1\" in\n"
      "  *track.ini) mv \"$(dirname \"$1\")\" \"$(dirname \"$1\")-moved\" ;;\n"
      "  *keyboard.ini) printf 'misc\\r\\n{\\r\\n  displayname=Keys\\r\\n}\\r\\n' > \"$1\" ;;\n"
      "  *wheel.ini) printf 'misc\\r\\n{\\r\\n}\\r\\n' > \"$1\" ;;\n"
      "esac");
  SelectAll("kart", "hill", "keyboard.ini");
  Widget<QToolButton>("BtnEditController")->click();
  EXPECT_EQ(Selected("comboController"), "Keys");
  EXPECT_EQ(ItemTexts(Combo("comboController")), (QStringList{"A Wheel", "Keys"}));

  ASSERT_TRUE(Setup.SelectByFolder(Combo("comboController"), "wheel.ini"));
  Widget<QToolButton>("BtnEditController")->click();
  Widget<QToolButton>("BtnEditTrackIni")->click();
  EXPECT_EQ(Messages.Texts(),
            (QStringList{"Could not find controller \"wheel.ini\",\r\nplease select one manually.",
                         "Could not find track \"hill\",\r\nplease select one manually."}));
  EXPECT_EQ(Combo("comboController")->currentIndex(), -1);
  EXPECT_EQ(ItemTexts(Combo("comboDefaultTrack")), (QStringList{"another Ring", "Big Oval", "Hill Climb"}));
  EXPECT_EQ(Setup.GetCurrentTrack(), nullptr);
  EXPECT_EQ(Selected("comboDefaultCar"), "kart");
  EXPECT_EQ(RefreshedPreviews, 1) << "after the track only";
}

TEST_F(RaceSetupPage, EditButtonsWithoutSelectionDoNothing) {
  const test::TStandInNotepad notepad("touch '" + Zindo.File("edited").toUtf8() + "'");
  for (const char* button : {"BtnEditCarIni", "BtnEditTrackIni", "BtnEditController"})
    Widget<QToolButton>(button)->click();
  EXPECT_TRUE(Messages.Shown().empty());
  EXPECT_FALSE(QFile::exists(Zindo.File("edited")));
  EXPECT_EQ(ItemTexts(Combo("comboDefaultCar")).size(), 5);
}

TEST_F(RaceSetupPage, AnEditorThatCannotStartIsReportedAndTheRescanGoesOn) {
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", Zindo.File("no-such-folder").toUtf8());
  SelectAll("kart", "oval", "wheel.ini");
  Zindo.WriteCar("kart", "Edited Elsewhere");
  Widget<QToolButton>("BtnEditCarIni")->click();
  qputenv("PATH", path);
  EXPECT_EQ(Messages.Texts(), QStringList{"Error starting Notepad!"});
  EXPECT_EQ(Selected("comboDefaultCar"), "Edited Elsewhere");
}

}  // namespace
}  // namespace lumox
