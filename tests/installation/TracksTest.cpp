#include "installation/Tracks.h"
#include "tests/installation/FakeCacheTables.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

class Tracks : public ::testing::Test {
 protected:
  Tracks() {
    Zindo.Write("data/tracks/oval/track.ini", "track\r\n{\r\n  name= Big Oval \r\n  id=oval-1\r\n}\r\n");
    Zindo.Write("data/tracks/oval/AI/F1.INI", "");
    Zindo.Write("data/tracks/oval/AI/kart.ini", "");
    Zindo.Write("data/tracks/Monza/TRACK.INI", "track\r\n{\r\n  name=Monza\r\n}\r\n");
    Zindo.Write("data/tracks/bare/track.ini", "");
    Zindo.Write("data/tracks/broken/track.ini", "=no symbol\r\ntrack\r\n{\r\n  name=Lost\r\n}\r\n");
  }

  const TTrack& Find(const TTracks& tracks, const char* folder) const {
    const TTrack* track = tracks.FindByFolder(folder);
    EXPECT_NE(track, nullptr) << folder;
    return *track;
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
};

TEST_F(Tracks, AScanReadsNameIdentifierAndAILines) {
  const TTracks tracks = TTracks::CreateFromFolders(Zindo.Path(), nullptr);
  ASSERT_EQ(tracks.GetFolders(), QStringList({"bare", "broken", "Monza", "oval"}));

  const TTrack& oval = Find(tracks, "oval");
  EXPECT_EQ(oval.GetName(), "Big Oval");
  EXPECT_EQ(oval.GetID(), "oval-1");
  EXPECT_EQ(oval.GetPath(), Zindo.File("data/tracks/oval"));
  EXPECT_EQ(oval.GetAIFiles(), QStringList({"F1.INI", "kart.ini"}));
  EXPECT_TRUE(oval.HasAIFile("f1"));
  EXPECT_TRUE(oval.HasAIFile("KART"));
  EXPECT_FALSE(oval.HasAIFile("f3"));
  EXPECT_FALSE(Find(tracks, "Monza").HasAIFile("f1"));

  EXPECT_EQ(Find(tracks, "Monza").GetName(), "Monza") << "TRACK.INI is found in any case";
  EXPECT_EQ(Find(tracks, "Monza").GetID(), "Monza");
  EXPECT_EQ(Find(tracks, "bare").GetName(), "Unnamed Track in Folder \"bare\"");
  EXPECT_EQ(Find(tracks, "bare").GetID(), "bare");
}

TEST_F(Tracks, AnUnreadableTrackIniIsReportedAndTheScanGoesOn) {
  const TTracks tracks = TTracks::CreateFromFolders(Zindo.Path(), nullptr);
  ASSERT_EQ(Messages.Texts().size(), 1);
  EXPECT_TRUE(
      Messages.Texts()[0].startsWith("Error opening \"" + Zindo.File("data/tracks/broken/track.ini")));
  EXPECT_EQ(Find(tracks, "broken").GetName(), "Unnamed Track in Folder \"broken\"");
  EXPECT_EQ(tracks.Count(), 4);
}

TEST_F(Tracks, CachedTracksReadTheirAILinesFromTheDisk) {
  test::TFakeTracksTable table;
  TTracks::CreateFromFolders(Zindo.Path(), nullptr).SaveToDB(table);
  Zindo.Write("data/tracks/Monza/ai/f1.ini", "");
  const TTracks cached = TTracks::CreateFromDB(table, Zindo.Path());
  EXPECT_EQ(Find(cached, "oval").GetAIFiles(), QStringList({"F1.INI", "kart.ini"}));
  EXPECT_TRUE(Find(cached, "Monza").HasAIFile("F1"));
}

}  // namespace
}  // namespace lumox
