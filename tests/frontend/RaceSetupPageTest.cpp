#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
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

template <class W>
QStringList Items(const W* widget) {
  QStringList texts;
  for (int i = 0; i < widget->count(); ++i) {
    if constexpr (std::is_same_v<W, QComboBox>)
      texts << widget->itemText(i);
    else
      texts << widget->item(i)->text();
  }
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
  void Click(const char* button) { Widget<QAbstractButton>(button)->click(); }
  void SelectAll(const char* car, const char* track, const char* controller) {
    for (const auto& [combo, folder] : {std::pair{"comboDefaultCar", car},
                                        {"comboAICar", car},
                                        {"comboDefaultTrack", track},
                                        {"comboController", controller}})
      ASSERT_TRUE(Setup.SelectByFolder(Combo(combo), folder)) << folder;
  }

  test::TScriptedMessages Messages;
  test::TSmallInstallation Zindo;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
  TRaceSetupPage& Setup = Form.RaceSetup();
  int CarPreviews = 0;
  int TrackPreviews = 0;
  int RefreshedPreviews = 0;
};

TEST_F(RaceSetupPage, SelectorsStartWithoutSelectionAndTheProgramsOwnSelectionRunsNoHandler) {
  EXPECT_EQ(Items(Combo("comboAICar")), Items(Combo("comboDefaultCar")));
  EXPECT_EQ(Items(Combo("comboController")), QStringList({"A Wheel", "Keyboard"}));
  for (const char* name : {"comboDefaultCar", "comboAICar", "comboDefaultTrack", "comboController"})
    EXPECT_EQ(Combo(name)->currentIndex(), -1) << name;
  EXPECT_EQ(Setup.GetCurrentCar(), nullptr);
  EXPECT_EQ(Setup.GetCurrentCarNameAndID() + Setup.GetCurrentTrackDir(), "");
  // Of two cars named alike, the folder picks the right one, by its exact name.
  EXPECT_TRUE(Setup.SelectByFolder(Combo("comboDefaultCar"), "twin-b"));
  EXPECT_FALSE(Setup.SelectByFolder(Combo("comboDefaultCar"), "TWIN-A"));
  EXPECT_EQ(Setup.GetCurrentCarNameAndID(), "Twin [twin-b-id]");
  EXPECT_EQ(Setup.GetCurrentCarDir(), Zindo.File("data/cars/twin-b"));
  EXPECT_TRUE(Setup.SelectByFolder(Combo("comboDefaultTrack"), "oval"));
  EXPECT_EQ(Setup.GetCurrentTrack()->GetName(), "Big Oval");
  EXPECT_EQ(CarPreviews + TrackPreviews, 0);
}

TEST_F(RaceSetupPage, ChoosingACarShowsItsVariantsAndPreviews) {
  ASSERT_TRUE(Setup.SelectByFolder(Combo("comboDefaultCar"), "kart"));
  QTest::keyClick(Combo("comboDefaultCar"), Qt::Key_Down);  // the user moves on to "Rally Car (2004)"
  QComboBox* variants = Combo("comboDefaultCarVariant");
  EXPECT_EQ(Items(variants), QStringList({"Gravel", "Tarmac"}));
  EXPECT_EQ(variants->currentText(), "Tarmac");
  EXPECT_TRUE(variants->isEnabled() && Widget("LblVariant")->isEnabled());
  QTest::keyClick(variants, Qt::Key_Up);
  EXPECT_EQ(CarPreviews, 2);
  QTest::keyClick(Combo("comboDefaultCar"), Qt::Key_Up);
  EXPECT_EQ(Items(variants), QStringList({"no variants available ..."}));
  EXPECT_FALSE(variants->isEnabled() || Widget("LblVariant")->isEnabled());
  QTest::keyClick(Combo("comboDefaultTrack"), Qt::Key_Down);
  EXPECT_EQ(TrackPreviews, 1);
}

TEST_F(RaceSetupPage, AIButtonsBuildTheRaceListTheLabelsCountAndTheSingleAIGroupHidesForAList) {
  Widget<QTabWidget>("pcRace")->setCurrentWidget(Widget("TabRace"));
  QListWidget *available = List("lbAvailableAICars"), *race = List("lbRaceAICars");
  SelectRows(available, {1});
  Click("BtnAIAdd");
  Click("BtnAIAdd");
  SelectRows(available, {0, 4});
  Click("BtnAIAdd");
  EXPECT_EQ(Setup.JoinAICarMultiple(), "kart kart f3 twin-b");
  EXPECT_TRUE(available->item(0)->isSelected());  // the available list stays as it was
  Click("BtnAIAddAll");
  EXPECT_EQ(race->item(8)->text(), "Twin (2001)");
  SelectRows(race, {1, 3, 5});
  Click("BtnAIRemove");
  EXPECT_EQ(Setup.JoinAICarMultiple(), "kart f3 f3 rally twin-a twin-b");
  EXPECT_EQ(Widget<QLabel>("lblAvailableCars")->text() + ", " + Widget<QLabel>("lblCarsInRace")->text(),
            "Available cars (5), AI cars in race (6)");
  DoubleClick(race, 0);
  SelectRows(available, {});
  DoubleClick(available, 2);
  EXPECT_EQ(Setup.JoinAICarMultiple(), "f3 f3 rally twin-a twin-b rally");

  const auto singleShown = [&] {  // as the page shows it when the user comes back to it
    Widget<QTabWidget>("pcRace")->setCurrentWidget(Widget("TabRace"));
    Widget<QTabWidget>("pcRace")->setCurrentWidget(Widget("TabCarAndTrack"));
    return std::vector({Widget("lblNoSingleAI")->isHidden(), Widget("Label15")->isVisible(),
                        Widget("medAICars")->isVisible()});
  };
  EXPECT_EQ(singleShown(), std::vector({false, false, false}));
  Click("BtnAIRemoveAll");
  EXPECT_EQ(race->count(), 0);
  EXPECT_EQ(singleShown(), std::vector({true, true, true}));
}

TEST_F(RaceSetupPage, TheAvailabilityCheckListsTheCarsWithAnAILineOnTheChosenTrackOnceStartedUp) {
  Widget<QCheckBox>("cbAIShowOnlyAvailable")->click();
  EXPECT_EQ(List("lbAvailableAICars")->count(), 0);  // no track chosen
  ASSERT_TRUE(Setup.SelectByFolder(Combo("comboDefaultTrack"), "oval"));
  Widget<QTabWidget>("pcRace")->setCurrentWidget(Widget("TabRace"));
  EXPECT_EQ(Items(List("lbAvailableAICars")), QStringList({"Formula Three", "Twin"}));
  Widget<QCheckBox>("cbAIShowOnlyAvailable")->click();
  EXPECT_EQ(List("lbAvailableAICars")->count(), 5);
  Form.State().FInitialized = false;
  Widget<QCheckBox>("cbAIShowOnlyAvailable")->click();
  EXPECT_EQ(List("lbAvailableAICars")->count(), 5);
}

TEST_F(RaceSetupPage, RescanKeepsTheSelectionsAndTellsOfACarThatVanishedOnlyOnce) {
  SelectAll("f3", "ring", "wheel.ini");
  ASSERT_TRUE(Setup.SelectByFolder(Combo("comboAICar"), "kart"));
  Setup.ParseAICarMultiple("kart f3 kart twin-a");
  ASSERT_TRUE(QDir().rename(Zindo.File("data/cars/f3"), Zindo.File("data/cars/f3-new")));
  Zindo.WriteCar("kart", "Go Kart");
  Click("BtnRescan");
  EXPECT_EQ(Messages.Texts(), QStringList{"Could not find car \"f3\",\r\nplease select one manually."});
  EXPECT_EQ(Combo("comboDefaultCar")->currentIndex(), -1);
  EXPECT_EQ(QStringList({Combo("comboAICar")->currentText(), Setup.GetCurrentTrackFolder(),
                         Combo("comboController")->currentText()}),
            QStringList({"Go Kart", "ring", "A Wheel"}));
  EXPECT_EQ(Items(List("lbRaceAICars")), QStringList({"Go Kart", "Go Kart", "Twin (2001)"}));
  EXPECT_EQ(CarPreviews + TrackPreviews, 0);
  EXPECT_EQ(RefreshedPreviews, 1);
  Click("BtnRescan");  // nothing chosen is nothing lost
  EXPECT_EQ(Messages.Shown().size(), 1u);
}

TEST_F(RaceSetupPage, EditingACarWaitsForTheEditorWithLaunchesBlockedThenRescansTheCars) {
  const test::TStandInNotepad notepad(
      "sleep 0.3\npwd > \"$1.dir\"\nsed -i 's/name=Formula Three/name=Formula 3/' \"$1\"");
  SelectAll("f3", "oval", "keyboard.ini");
  Setup.ParseAICarMultiple("f3 f3");
  std::vector<bool> enabledMeanwhile;
  QTimer::singleShot(100, [&] {
    for (const char* name :
         {"BtnEditCarIni", "BtnEditTrackIni", "BtnEditController", "BtnRescan", "BtnStartZindo"})
      enabledMeanwhile.push_back(Widget(name)->isEnabled());
    enabledMeanwhile.push_back(Widget<QAction>("ActStartZindo")->isEnabled());
  });
  Click("BtnEditCarIni");
  EXPECT_EQ(enabledMeanwhile, std::vector<bool>(6, false)) << "the window is served while the editor runs";
  EXPECT_TRUE(Widget("BtnEditCarIni")->isEnabled() && Widget<QAction>("ActStartZindo")->isEnabled());
  EXPECT_EQ(test::ReadBytes(Zindo.File("data/cars/f3/car.ini.dir")).trimmed(),
            Zindo.File("data/cars/f3").toUtf8());
  EXPECT_EQ(Combo("comboAICar")->currentText(), "Formula 3 (1998)");
  EXPECT_EQ(Items(List("lbRaceAICars")), QStringList(2, "Formula 3 (1998)"));
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
  for (const char* button : {"BtnEditCarIni", "BtnEditTrackIni", "BtnEditController"}) Click(button);
  EXPECT_TRUE(Messages.Shown().empty()) << "nothing chosen, nothing edited";
  SelectAll("kart", "hill", "keyboard.ini");
  Click("BtnEditController");
  EXPECT_EQ(Items(Combo("comboController")), QStringList({"A Wheel", "Keys"}));
  EXPECT_EQ(Combo("comboController")->currentText(), "Keys");
  ASSERT_TRUE(Setup.SelectByFolder(Combo("comboController"), "wheel.ini"));
  Click("BtnEditController");
  Click("BtnEditTrackIni");
  EXPECT_EQ(Messages.Texts(),
            QStringList({"Could not find controller \"wheel.ini\",\r\nplease select one manually.",
                         "Could not find track \"hill\",\r\nplease select one manually."}));
  EXPECT_EQ(Combo("comboController")->currentIndex(), -1);
  EXPECT_EQ(Setup.GetCurrentTrack(), nullptr);
  EXPECT_EQ(Combo("comboDefaultCar")->currentText(), "kart");
  EXPECT_EQ(RefreshedPreviews, 1) << "after the track only";

  qputenv("PATH", Zindo.File("no-such-folder").toUtf8());  // the notepad restores it
  Zindo.WriteCar("kart", "Edited Elsewhere");
  Click("BtnEditCarIni");
  EXPECT_EQ(Messages.Texts().last(), "Error starting Notepad!");
  EXPECT_EQ(Combo("comboDefaultCar")->currentText(), "Edited Elsewhere") << "the rescan goes on";
}

}  // namespace
}  // namespace lumox
