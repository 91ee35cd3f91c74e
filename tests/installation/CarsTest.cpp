#include "installation/Cars.h"
#include "tests/installation/FakeCacheTables.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace lumox {
namespace {

class Cars : public ::testing::Test {
 protected:
  Cars() {
    Zindo.Write("data/cars/f3/car.ini", "car\r\n{\r\n  name=F3\r\n  year=1998\r\n  id=x1\r\n}\r\n");
    Zindo.Write("data/cars/Default/CAR.INI", "car\r\n{\r\n  name=Default Car\r\n}\r\n");
    Zindo.Write("data/cars/default/car.ini", "car\r\n{\r\n  name=Template\r\n}\r\n");
    Zindo.Write("data/cars/bare/car.ini", "");
    Zindo.Write("data/cars/broken/car.ini", "car\r\n{\r\n  name=Kept\r\n}\r\n~\r\n");
    Zindo.Write("data/cars/kart/car.ini", "car\r\n{\r\n  name=Kart\r\n}\r\n");
  }

  TCars Scan() const { return TCars::CreateFromFolders(Zindo.Path(), nullptr); }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
};

TEST_F(Cars, AScanReadsNameYearAndIdentifierButNotTheTemplate) {
  const TCars cars = Scan();
  ASSERT_EQ(cars.GetFolders(), QStringList({"bare", "broken", "Default", "f3", "kart"}));
  const TCar& f3 = cars.Get(3);
  EXPECT_EQ(f3.GetName(), "F3");
  EXPECT_EQ(f3.GetYear(), "1998");
  EXPECT_EQ(f3.GetID(), "x1");
  EXPECT_EQ(f3.GetPath(), Zindo.File("data/cars/f3"));
  EXPECT_EQ(cars.GetName(2), "Default Car") << "CAR.INI is found in any case";
  EXPECT_EQ(cars.GetName(0), "Unnamed Car in Folder \"bare\"");
  EXPECT_EQ(cars.Get(0).GetYear(), "");
  EXPECT_EQ(cars.Get(0).GetID(), "");
}

TEST_F(Cars, AnUnreadableCarIniIsReportedWithWhatWasRead) {
  const TCars cars = Scan();
  ASSERT_EQ(Messages.Texts().size(), 1);
  EXPECT_TRUE(Messages.Texts()[0].startsWith("Error opening \"" + Zindo.File("data/cars/broken/car.ini")));
  EXPECT_EQ(cars.FindByFolder("broken")->GetName(), "Kept");
  EXPECT_EQ(cars.GetName(4), "Kart");
}

TEST_F(Cars, DisplayNameAndKeyText) {
  const TCars cars = Scan();
  EXPECT_EQ(cars.GetDisplayName(3), "F3 (1998)");
  EXPECT_EQ(cars.GetDisplayName(4), "Kart");
  EXPECT_EQ(cars.Get(3).NameAndID(), "F3 [x1]");
  EXPECT_EQ(cars.Get(4).NameAndID(), "Kart [<no ID>]");
  EXPECT_EQ(CarNameAndID("  F3 \t", "x1\r\n"), "F3 [x1]");
  EXPECT_EQ(CarNameAndID("", QString::fromLatin1(" \x01\x1f")), "<no car name> [<no ID>]");
  EXPECT_EQ(CarNameAndID(QString::fromLatin1("\xa0"
                                             "F3"),
                         "x"),
            QString::fromLatin1("\xa0"
                                "F3 [x]"))
      << "only codes 0 to 32 count as blanks";

  std::vector<TListEntry<TCar>> entries{{"kept", nullptr}};
  cars.FillStrings(entries);
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[4].Text, "F3 (1998)");
  EXPECT_EQ(entries[4].Object, &cars.Get(3));
}

TEST_F(Cars, ARaceListRefersToCarsOfTheMainList) {
  const TCars cars = Scan();
  TCarRefs race;
  EXPECT_EQ(race.Add(cars.Get(4)), 0);
  EXPECT_EQ(race.Add(cars.Get(3)), 1);
  EXPECT_EQ(race.Add(cars.Get(0)), 2);
  EXPECT_EQ(race.JoinFolders(" "), "kart f3 bare");
  EXPECT_EQ(race.Get(1).GetIndex(), 3) << "a car keeps the index its own list gave it";

  race.Delete(1);
  EXPECT_EQ(race.GetFolders(), QStringList({"kart", "bare"}));
  EXPECT_THROW(race.Delete(2), std::out_of_range);
  race.Delete(0);
  race.Delete(0);
  EXPECT_EQ(race.Count(), 0);

  race.Add(cars.Get(1));
  race.Clear();
  EXPECT_EQ(race.Count(), 0);
  EXPECT_EQ(cars.Count(), 5) << "the main list keeps its cars";
}

}  // namespace
}  // namespace lumox
