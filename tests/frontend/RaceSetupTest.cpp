#include <gtest/gtest.h>

#include "frontend/RaceSetup.h"
#include "tests/frontend/SmallInstallation.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

QStringList Texts(const TSelectorItems& items) {
  QStringList texts;
  for (const TSelectorItem& item : items) texts.append(item.Text + "|" + item.Key);
  return texts;
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
  EXPECT_EQ(Texts(CarItems(&Cars)),
            QStringList({"Formula Three (1998)|f3", "kart|kart", "Rally Car (2004)|rally",
                         "Twin (2001)|twin-a", "Twin (2001)|twin-b"}));
  EXPECT_EQ(Texts(TrackItems(&Tracks)),
            QStringList({"another Ring|ring", "Big Oval|oval", "Hill Climb|hill"}));
  EXPECT_TRUE(CarItems(nullptr).empty() && TrackItems(nullptr).empty());
  EXPECT_EQ(Texts(AvailableAICarItems(&Cars, nullptr, false)).mid(0, 2),
            QStringList({"Formula Three|f3", "kart|kart"}));
  EXPECT_EQ(Texts(AvailableAICarItems(&Cars, Tracks.FindByFolder("oval"), true)),
            QStringList({"Formula Three|f3", "Twin|twin-b"}));
  EXPECT_TRUE(AvailableAICarItems(&Cars, Tracks.FindByFolder("hill"), true).empty());
  EXPECT_TRUE(AvailableAICarItems(&Cars, nullptr, true).empty());
}

TEST_F(RaceSetup, TheRaceListParsesFoldersIgnoringCaseAddsThemExactlyAndRemovesRows) {
  ParseAICarMultiple("f3 F3 kart  gone twin-B", &Cars, Race);
  EXPECT_EQ(JoinAICarMultiple(Race), "f3 f3 kart twin-b");
  EXPECT_EQ(Texts(RaceAICarItems(Race)).last(), "Twin (2001)|twin-b");
  ParseAICarMultiple("f3", nullptr, Race);
  EXPECT_EQ(Race.Count(), 0);
  AddRaceAICars(Race, &Cars, {"f3", "kart", "F3", "twin-a", "twin-b", "rally"});
  EXPECT_EQ(JoinAICarMultiple(Race), "f3 kart twin-a twin-b rally");
  RemoveRaceAICars(Race, {3, 1, 3});
  EXPECT_EQ(JoinAICarMultiple(Race), "f3 twin-a rally");
  EXPECT_THROW(RemoveRaceAICars(Race, {3}), std::out_of_range);
}

TEST_F(RaceSetup, ControlSetsWithADisplayNameAreListedByItAndABrokenOneIsReported) {
  Zindo.Write("data/ctrlsets/broken.ini", "misc\r\n{\r\n  displayname=Half\r\n}\r\n~\r\n");
  EXPECT_EQ(Texts(ScanControllerSets(Zindo.Dir(), nullptr)),
            QStringList({"A Wheel|wheel.ini", "Half|broken.ini", "Keyboard|keyboard.ini"}));
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_TRUE(Messages.Texts()[0].contains("broken.ini"));
}

}  // namespace
}  // namespace lumox
