// The car and track lists: scanned with progress, cached and read back, looked up by folder.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "installation/Cars.h"
#include "installation/Tracks.h"
#include "tests/installation/FakeCacheTables.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

struct TTrackKind {
  using TList = TTracks;
  using TTable = test::TFakeTracksTable;
  static constexpr const char* Section = "track";
  static constexpr int FolderWidth = TrackFolderWidth;
  static constexpr int NameWidth = TrackNameWidth;
  static QString DiskMD5(const QString& zindoDir) { return TrackFoldersMD5(zindoDir); }
};

struct TCarKind {
  using TList = TCars;
  using TTable = test::TFakeCarsTable;
  static constexpr const char* Section = "car";
  static constexpr int FolderWidth = CarFolderWidth;
  static constexpr int NameWidth = CarNameWidth;
  static QString DiskMD5(const QString& zindoDir) { return CarFoldersMD5(zindoDir); }
};

// Records the calls a scan makes, in order.
class TRecordingSink final : public IProgressSink {
 public:
  void SetMax(int count) override { Calls.push_back("max " + std::to_string(count)); }
  void StepBy(int delta) override { Calls.push_back("step " + std::to_string(delta)); }
  std::vector<std::string> Calls;
};

template <class Kind>
class FolderList : public ::testing::Test {
 protected:
  using TList = typename Kind::TList;

  void WriteIni(const QString& folder, const QByteArray& content) const {
    const QString section = QLatin1String(Kind::Section);
    Zindo.Write("data/" + section + "s/" + folder + "/" + section + ".ini", content);
  }
  void AddItem(const QString& folder, const QString& name) const {
    WriteIni(folder, QStringLiteral("%1\r\n{\r\n  name=%2\r\n  id=%3\r\n}\r\n")
                         .arg(Kind::Section, name, folder)
                         .toLatin1());
  }
  TList Scan(IProgressSink* progress = nullptr) const {
    return TList::CreateFromFolders(Zindo.Path(), progress);
  }
  TList ReadBack() { return TList::CreateFromDB(Table, Zindo.Path()); }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
  typename Kind::TTable Table;
};

using Kinds = ::testing::Types<TTrackKind, TCarKind>;
TYPED_TEST_SUITE(FolderList, Kinds);

TYPED_TEST(FolderList, ACachedListReadsBackAsScannedAndAnEmptyOneStaysEmpty) {
  EXPECT_EQ(this->Scan().FoldersMD5(), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_TRUE(this->Scan().SaveToDB(this->Table));
  EXPECT_EQ(this->ReadBack().Count(), 0) << "an empty table is no list of one blank entry";

  this->AddItem("oval", "Oval");
  this->AddItem("Monza", "Monza GP");
  this->AddItem("Zolder", "");
  const auto scanned = this->Scan();
  ASSERT_EQ(scanned.GetFolders(), QStringList({"Monza", "oval", "Zolder"}));
  EXPECT_EQ(scanned.FoldersMD5(), TypeParam::DiskMD5(this->Zindo.Path()));
  EXPECT_TRUE(scanned.SaveToDB(this->Table));
  EXPECT_TRUE(scanned.SaveToDB(this->Table)) << "saving again replaces the rows";
  const auto cached = this->ReadBack();
  EXPECT_EQ(cached.GetFolders(), scanned.GetFolders());
  EXPECT_EQ(cached.FoldersMD5(), scanned.FoldersMD5());
  for (int i = 0; i < cached.Count(); ++i) {
    EXPECT_EQ(cached.Get(i).GetIndex(), i);
    EXPECT_EQ(QStringList({cached.GetName(i), cached.Get(i).GetID(), cached.Get(i).GetPath()}),
              QStringList({scanned.GetName(i), scanned.Get(i).GetID(), scanned.Get(i).GetPath()}));
  }
  EXPECT_EQ(this->Table.Table.GetRows().size(), 3u);

  // Positions without a row are skipped.
  auto rows = this->Table.Table.GetRows();
  this->Table.Table.Clear();
  for (const int row : {0, 2}) this->Table.Table.Insert(row + 5, rows.at(row));
  const auto gaps = this->ReadBack();
  EXPECT_EQ(gaps.GetFolders(), QStringList({"Monza", "Zolder"}));
  EXPECT_EQ(gaps.FindByFolder("zolder"), &gaps.Get(1));
  EXPECT_EQ(gaps.Get(1).GetIndex(), 1);
  EXPECT_TRUE(this->Messages.Shown().empty());
}

TYPED_TEST(FolderList, TextsTooLongForTheCacheMakeSavingReportIt) {
  this->AddItem("short", QString(TypeParam::NameWidth, QLatin1Char('n')));
  EXPECT_TRUE(this->Scan().SaveToDB(this->Table));
  this->AddItem("short", QString(TypeParam::NameWidth + 1, QLatin1Char('n')));
  EXPECT_FALSE(this->Scan().SaveToDB(this->Table));
  this->AddItem("short", "Short");
  this->AddItem(QString(TypeParam::FolderWidth + 1, QLatin1Char('f')), "Long");
  EXPECT_FALSE(this->Scan().SaveToDB(this->Table));
  // What the cache would give back differs from the disk: the next start must rescan.
  EXPECT_NE(this->ReadBack().FoldersMD5(), TypeParam::DiskMD5(this->Zindo.Path()));
}

TYPED_TEST(FolderList, AnUnreadableIniIsReportedWithWhatWasReadAndTheScanStepsOn) {
  this->AddItem("a", "A");
  this->WriteIni("b", QByteArray(TypeParam::Section) + "\r\n{\r\n  name=Kept\r\n}\r\n~\r\n");
  this->WriteIni("c", "=no symbol\r\n");
  TRecordingSink sink;
  const auto scanned = this->Scan(&sink);
  EXPECT_EQ(sink.Calls, std::vector<std::string>({"max 3", "step 1", "step 1", "step 1"}));
  ASSERT_EQ(scanned.Count(), 3);
  EXPECT_EQ(this->Messages.Shown().size(), 2u);
  EXPECT_TRUE(this->Messages.Texts()[0].startsWith("Error opening \"" + this->Zindo.File("data/")));
  EXPECT_EQ(scanned.GetName(1), "Kept");
  EXPECT_TRUE(scanned.GetName(2).startsWith("Unnamed "));
  EXPECT_TRUE(scanned.GetName(2).endsWith(" in Folder \"c\""));
}

TYPED_TEST(FolderList, LookupIgnoresCaseAndPositionsAreChecked) {
  this->AddItem("Oval", "First");
  this->AddItem("oval", "Second");
  this->AddItem("monza", "Monza");
  auto list = this->Scan();
  ASSERT_NE(list.FindByFolder("OVAL"), nullptr);
  EXPECT_EQ(list.FindByFolder("OVAL")->GetName(), "First") << "the first in list order wins";
  EXPECT_EQ(list.FindByFolder("imola"), nullptr);
  EXPECT_THROW(list.Get(3), std::out_of_range);
  EXPECT_THROW(list.GetName(-1), std::out_of_range);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.FindByFolder("monza"), nullptr) << "the lookup must not keep freed items";
  EXPECT_THROW(list.GetFolder(0), std::out_of_range);
}

// An item type whose making warns for folders named "warn..." and fails for those named
// "bad...", to follow a scan on one thread and on several.
class TProbe {
 public:
  using TTable = ICarsTable;  // never used: probes are not cached
  TProbe(int index, QString folder) : Index(index), Folder(std::move(folder)) {}
  static inline QStringList Folders;
  static QStringList ListFolders(const QString&) { return Folders; }
  static constexpr const char* ScanErrorIntro = TCar::ScanErrorIntro;
  static std::unique_ptr<TProbe> CreateFromFolder(int index, const QString&, const QString& folder) {
    if (folder.startsWith("warn")) ShowWarning(folder);
    if (folder.startsWith("bad")) throw EInOutError(std::string("disk on fire"));
    return std::make_unique<TProbe>(index, folder);
  }
  int GetIndex() const { return Index; }
  void SetIndex(int index) { Index = index; }
  const QString& GetFolder() const { return Folder; }
  const QString& GetName() const { return Folder; }

 private:
  int Index;
  QString Folder;
};

TEST(FolderListScan, ItemsThatCannotBeMadeAreReportedAndLeftOutInFolderOrder) {
  for (const int count : {3, 300}) {
    QStringList made, expectedTexts;
    std::vector<std::string> expectedSteps{"max " + std::to_string(count)};
    TProbe::Folders.clear();
    for (int i = 0; i < count; ++i) {
      const QString folder = QStringList{"good", "bad", "warn"}[i % 3] + QString::number(i);
      TProbe::Folders << folder;
      if (i % 3 == 1) expectedTexts << "Error reading car information for" + folder + ":\r\ndisk on fire";
      if (i % 3 != 1) made << folder;
      if (i % 3 == 2) expectedTexts << folder;
      expectedSteps.push_back("step 1");
    }
    test::TScriptedMessages messages;
    TRecordingSink sink;
    const auto probes = TFolderList<TProbe>::CreateFromFolders({}, &sink);
    EXPECT_EQ(messages.Texts(), expectedTexts) << count;
    EXPECT_EQ(messages.Shown().at(0).Kind, TMsgKind::Error);
    EXPECT_EQ(probes.GetFolders(), made);
    for (int i = 0; i < probes.Count(); ++i)
      EXPECT_EQ(probes.Get(i).GetIndex(), i) << "the next item takes the free position";
    EXPECT_EQ(sink.Calls, expectedSteps);
  }
}

// Enough cars and tracks for the scan to read them on several threads, scanned a few times:
// the thread sanitizer build runs this too, and sees a race only where two threads meet in it.
// Every seventh ini file is damaged: it is reported in folder order, and its item keeps what
// was read.
TEST(FolderListScan, AnInstallationOfFortyCarsAndFortyTracksScansAsFolderByFolderEveryTime) {
  test::TScriptedMessages messages;
  test::TTempFolder zindo;
  QStringList carNames, trackNames, aiFiles, damagedCars, damagedTracks;
  for (int i = 0; i < 40; ++i) {
    const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    const QByteArray damage = i % 7 == 3 ? "~\r\n" : "";
    const QString car =
        zindo.Write("data/cars/car" + n + "/car.ini", "car\r\n{\r\n  name=Car " + n.toLatin1() +
                                                          "\r\n  id=c" + n.toLatin1() + "\r\n}\r\n" + damage);
    const QString track = zindo.Write("data/tracks/track" + n + "/track.ini",
                                      "track\r\n{\r\n  name=Track " + n.toLatin1() + "\r\n}\r\n" + damage);
    zindo.Write("data/tracks/track" + n + "/ai/car" + n + ".ini", "");
    carNames << "Car " + n;
    trackNames << "Track " + n;
    aiFiles << "car" + n + ".ini";
    if (!damage.isEmpty()) {
      damagedCars << car;
      damagedTracks << track;
    }
  }
  for (int scan = 0; scan < 5; ++scan) {
    const std::size_t before = messages.Shown().size();
    const TCars cars = TCars::CreateFromFolders(zindo.Path(), nullptr);
    const TTracks tracks = TTracks::CreateFromFolders(zindo.Path(), nullptr);
    ASSERT_EQ(cars.Count(), 40);
    ASSERT_EQ(tracks.Count(), 40);
    QStringList scannedCars, scannedTracks, scannedAI, shownFiles;
    for (int i = 0; i < 40; ++i) {
      EXPECT_EQ(cars.Get(i).GetIndex(), i);
      scannedCars << cars.GetName(i);
      scannedTracks << tracks.GetName(i);
      scannedAI << tracks.Get(i).GetAIFiles();
    }
    EXPECT_EQ(scannedCars, carNames);
    EXPECT_EQ(scannedTracks, trackNames);
    EXPECT_EQ(scannedAI, aiFiles);
    for (const QString& text : messages.Texts().mid(qsizetype(before))) shownFiles << text.section('"', 1, 1);
    EXPECT_EQ(shownFiles, damagedCars + damagedTracks) << "scan " << scan;
  }
}

// Cars with and without year, a template, a CAR.INI; tracks with and without AI lines.
class Installation : public ::testing::Test {
 protected:
  Installation() {
    Zindo.Write("data/cars/f3/car.ini", "car\r\n{\r\n  name=F3\r\n  year=1998\r\n  id=x1\r\n}\r\n");
    Zindo.Write("data/cars/Default/CAR.INI", "car\r\n{\r\n  name=Default Car\r\n}\r\n");
    Zindo.Write("data/cars/default/car.ini", "car\r\n{\r\n  name=Template\r\n}\r\n");
    Zindo.Write("data/cars/bare/car.ini", "");
    Zindo.Write("data/tracks/oval/track.ini", "track\r\n{\r\n  name= Big Oval \r\n  id=oval-1\r\n}\r\n");
    Zindo.Write("data/tracks/oval/AI/F1.INI", "");
    Zindo.Write("data/tracks/oval/AI/kart.ini", "");
    Zindo.Write("data/tracks/Monza/TRACK.INI", "track\r\n{\r\n  name=Monza\r\n}\r\n");
    Cars = TCars::CreateFromFolders(Zindo.Path(), nullptr);
    Tracks = TTracks::CreateFromFolders(Zindo.Path(), nullptr);
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
  TCars Cars{{}};
  TTracks Tracks{{}};
};

TEST_F(Installation, CarsHaveNameYearAndIdentifierAndTheirTexts) {
  ASSERT_EQ(Cars.GetFolders(), QStringList({"bare", "Default", "f3"}));
  EXPECT_EQ(Cars.Get(2).GetPath(), Zindo.File("data/cars/f3"));
  EXPECT_EQ(Cars.GetDisplayName(2), "F3 (1998)");
  EXPECT_EQ(Cars.GetDisplayName(1), "Default Car");
  EXPECT_EQ(Cars.GetDisplayName(0), "Unnamed Car in Folder \"bare\"");
  EXPECT_EQ(Cars.Get(2).NameAndID(), "F3 [x1]");
  EXPECT_EQ(Cars.Get(1).NameAndID(), "Default Car [<no ID>]");
  EXPECT_EQ(CarNameAndID(" \x01", "x1\r\n"), "<no car name> [x1]");
  EXPECT_EQ(CarNameAndID(QString::fromLatin1("\xa0"
                                             "F3"),
                         ""),
            QString::fromLatin1("\xa0"
                                "F3 [<no ID>]"))
      << "only codes 0 to 32 count as blanks";

  std::vector<TListEntry<TCar>> entries{{"kept", nullptr}};
  Cars.FillStrings(entries);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[3].Text, "F3 (1998)");
  EXPECT_EQ(entries[3].Object, &Cars.Get(2));
}

TEST_F(Installation, ARaceListRefersToCarsOfTheMainList) {
  TCarRefs race;
  EXPECT_EQ(race.Add(Cars.Get(2)), 0);
  EXPECT_EQ(race.Add(Cars.Get(0)), 1);
  EXPECT_EQ(race.Add(Cars.Get(2)), 2);
  EXPECT_EQ(race.JoinFolders(" "), "f3 bare f3");
  EXPECT_EQ(race.Get(1).GetIndex(), 0) << "a car keeps the index its own list gave it";
  race.Delete(1);
  EXPECT_EQ(race.GetFolders(), QStringList({"f3", "f3"}));
  EXPECT_THROW(race.Delete(2), std::out_of_range);
  race.Clear();
  EXPECT_EQ(race.Count(), 0);
  EXPECT_EQ(Cars.Count(), 3) << "the main list keeps its cars";
}

TEST_F(Installation, TracksHaveTrimmedNamesTheFolderForAMissingIdAndAILinesFromTheDisk) {
  const TTrack& oval = *Tracks.FindByFolder("oval");
  EXPECT_EQ(QStringList({oval.GetName(), oval.GetID()}), QStringList({"Big Oval", "oval-1"}));
  EXPECT_EQ(Tracks.FindByFolder("monza")->GetID(), "Monza");
  EXPECT_EQ(oval.GetAIFiles(), QStringList({"F1.INI", "kart.ini"}));
  EXPECT_TRUE(oval.HasAIFile("f1"));
  EXPECT_TRUE(oval.HasAIFile("KART"));
  EXPECT_FALSE(oval.HasAIFile("f3"));

  test::TFakeTracksTable table;
  Tracks.SaveToDB(table);
  Zindo.Write("data/tracks/Monza/ai/f1.ini", "");
  EXPECT_TRUE(TTracks::CreateFromDB(table, Zindo.Path()).FindByFolder("Monza")->HasAIFile("F1"));
  EXPECT_TRUE(Messages.Shown().empty());
}

}  // namespace
}  // namespace lumox
