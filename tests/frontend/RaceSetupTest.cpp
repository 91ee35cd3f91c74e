#include <gtest/gtest.h>

#include "frontend/RaceSetup.h"
#include "tests/frontend/SmallInstallation.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

QStringList Texts(const TSelectorItems& items) {
  QStringList texts;
  for (const TSelectorItem& item : items) texts.append(item.Text);
  return texts;
}

QStringList Keys(const TSelectorItems& items) {
  QStringList keys;
  for (const TSelectorItem& item : items) keys.append(item.Key);
  return keys;
}

class RaceSetup : public ::testing::Test {
 protected:
  test::TScriptedMessages Messages;
  test::TSmallInstallation Zindo;
  TCars Cars = TCars::CreateFromFolders(Zindo.Dir(), nullptr);
  TTracks Tracks = TTracks::CreateFromFolders(Zindo.Dir(), nullptr);
  TCarRefs Race;
};

TEST_F(RaceSetup, SelectorsAreSortedIgnoringCaseAndCarryFolderNames) {
  EXPECT_EQ(CarItems(&Cars), (TSelectorItems{{"Formula Three (1998)", "f3"},
                                             {"kart", "kart"},
                                             {"Rally Car (2004)", "rally"},
                                             {"Twin (2001)", "twin-a"},
                                             {"Twin (2001)", "twin-b"}}));
  EXPECT_EQ(TrackItems(&Tracks),
            (TSelectorItems{{"another Ring", "ring"}, {"Big Oval", "oval"}, {"Hill Climb", "hill"}}));
  EXPECT_TRUE(CarItems(nullptr).empty());
  EXPECT_TRUE(TrackItems(nullptr).empty());
}

TEST_F(RaceSetup, AICarMultipleMatchesFoldersIgnoringCaseKeepsRepeatsAndDropsTheRest) {
  ParseAICarMultiple("f3 F3 kart  gone twin-B", &Cars, Race);
  EXPECT_EQ(JoinAICarMultiple(Race), "f3 f3 kart twin-b");
  EXPECT_EQ(Texts(RaceAICarItems(Race)),
            (QStringList{"Formula Three (1998)", "Formula Three (1998)", "kart", "Twin (2001)"}));

  ParseAICarMultiple("", &Cars, Race);
  EXPECT_EQ(Race.Count(), 0);
  EXPECT_EQ(JoinAICarMultiple(Race), "");
  ParseAICarMultiple("f3", nullptr, Race);
  EXPECT_EQ(Race.Count(), 0);
}

TEST_F(RaceSetup, AvailableCarsShowNamesWithoutYearAndCanBeLimitedToTheTracksAILines) {
  EXPECT_EQ(Texts(AvailableAICarItems(&Cars, nullptr, false)),
            (QStringList{"Formula Three", "kart", "Rally Car", "Twin", "Twin"}));
  EXPECT_EQ(Keys(AvailableAICarItems(&Cars, Tracks.FindByFolder("oval"), true)),
            (QStringList{"f3", "twin-b"}));
  EXPECT_EQ(Keys(AvailableAICarItems(&Cars, Tracks.FindByFolder("hill"), true)), QStringList());
  EXPECT_EQ(Keys(AvailableAICarItems(&Cars, nullptr, true)), QStringList());
}

TEST_F(RaceSetup, AddingByExactFolderAndRemovingRowsKeepsTheRestInOrder) {
  AddRaceAICars(Race, &Cars, {"f3", "kart", "F3", "twin-a", "twin-b", "rally"});
  EXPECT_EQ(JoinAICarMultiple(Race), "f3 kart twin-a twin-b rally");
  RemoveRaceAICars(Race, {3, 1, 3});
  EXPECT_EQ(JoinAICarMultiple(Race), "f3 twin-a rally");
  EXPECT_THROW(RemoveRaceAICars(Race, {3}), std::out_of_range);
}

TEST_F(RaceSetup, ControlSetsWithADisplayNameAreListedByItWithTheirFileName) {
  EXPECT_EQ(ScanControllerSets(Zindo.Dir(), nullptr),
            (TSelectorItems{{"A Wheel", "wheel.ini"}, {"Keyboard", "keyboard.ini"}}));
  Zindo.Write("data/ctrlsets/broken.ini", "misc\r\n{\r\n  displayname=Half\r\n}\r\n~\r\n");
  EXPECT_EQ(Texts(ScanControllerSets(Zindo.Dir(), nullptr)), (QStringList{"A Wheel", "Half", "Keyboard"}));
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_TRUE(Messages.Texts()[0].contains("broken.ini"));
}

}  // namespace
}  // namespace lumox
