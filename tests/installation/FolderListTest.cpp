// What the car and track lists share: scanning with progress, the cache round trip,
// lookup by folder and guarded positions.
#include "installation/Cars.h"
#include "installation/Tracks.h"
#include "tests/installation/FakeCacheTables.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace lumox {
namespace {

struct TTrackKind {
  using TList = TTracks;
  using TTable = test::TFakeTracksTable;
  static constexpr const char* Folder = "data/tracks/";
  static constexpr const char* Ini = "/track.ini";
  static constexpr const char* Section = "track";
  static constexpr int FolderWidth = TrackFolderWidth;
  static constexpr int NameWidth = TrackNameWidth;
  static QString DiskMD5(const QString& zindoDir) { return TrackFoldersMD5(zindoDir); }
};

struct TCarKind {
  using TList = TCars;
  using TTable = test::TFakeCarsTable;
  static constexpr const char* Folder = "data/cars/";
  static constexpr const char* Ini = "/car.ini";
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

  void AddItem(const QString& folder, const QString& name) const {
    Zindo.Write(Kind::Folder + folder + Kind::Ini, QStringLiteral("%1\r\n{\r\n  name=%2\r\n  id=%3\r\n}\r\n")
                                                       .arg(QLatin1String(Kind::Section), name, folder)
                                                       .toLatin1());
  }
  TList Scan(IProgressSink* progress = nullptr) const {
    return TList::CreateFromFolders(Zindo.Path(), progress);
  }
  TList ReadBack() { return TList::CreateFromDB(Table, Zindo.Path()); }

  static QStringList Names(const TList& list) {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i) names.append(list.GetName(i));
    return names;
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
  typename Kind::TTable Table;
};

using Kinds = ::testing::Types<TTrackKind, TCarKind>;
TYPED_TEST_SUITE(FolderList, Kinds);

TYPED_TEST(FolderList, ACachedListReadsBackAsScanned) {
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
  EXPECT_EQ(this->Names(cached), QStringList({"Monza GP", "Oval", ""}));
  EXPECT_EQ(cached.FoldersMD5(), scanned.FoldersMD5());
  for (int i = 0; i < cached.Count(); ++i) {
    EXPECT_EQ(cached.Get(i).GetIndex(), i);
    EXPECT_EQ(cached.Get(i).GetID(), scanned.Get(i).GetID());
    EXPECT_EQ(cached.Get(i).GetPath(), scanned.Get(i).GetPath());
  }
  EXPECT_EQ(this->Table.Table.GetRows().size(), 3u);
  EXPECT_TRUE(this->Messages.Shown().empty());
}

TYPED_TEST(FolderList, AnInstallationWithoutFoldersCachesAnEmptyList) {
  const auto scanned = this->Scan();
  EXPECT_EQ(scanned.Count(), 0);
  EXPECT_EQ(scanned.FoldersMD5(), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_TRUE(scanned.SaveToDB(this->Table));
  const auto cached = this->ReadBack();
  EXPECT_EQ(cached.Count(), 0) << "an empty table is no list of one blank entry";
  EXPECT_EQ(cached.FoldersMD5(), TypeParam::DiskMD5(this->Zindo.Path()));
}

TYPED_TEST(FolderList, RowsMissingFromTheCacheAreSkipped) {
  this->AddItem("a", "A");
  this->AddItem("b", "B");
  this->AddItem("c", "C");
  this->Scan().SaveToDB(this->Table);
  auto rows = this->Table.Table.GetRows();
  this->Table.Table.Clear();
  for (const int row : {0, 2}) this->Table.Table.Insert(row + 5, rows.at(row));
  const auto cached = this->ReadBack();
  EXPECT_EQ(cached.GetFolders(), QStringList({"a", "c"}));
  EXPECT_EQ(cached.Get(1).GetIndex(), 1);
  EXPECT_EQ(cached.FindByFolder("c"), &cached.Get(1));
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

TYPED_TEST(FolderList, AScanReportsTheFolderCountThenOneStepPerFolder) {
  this->AddItem("a", "A");
  this->AddItem("b", "B");
  this->Zindo.Write(TypeParam::Folder + QStringLiteral("broken") + TypeParam::Ini, "=no symbol\r\n");
  TRecordingSink sink;
  const auto scanned = this->Scan(&sink);
  EXPECT_EQ(sink.Calls, std::vector<std::string>({"max 3", "step 1", "step 1", "step 1"}));
  EXPECT_EQ(scanned.Count(), 3);

  TRecordingSink none;
  test::TTempFolder empty;
  TypeParam::TList::CreateFromFolders(empty.Path(), &none);
  EXPECT_EQ(none.Calls, std::vector<std::string>({"max 0"}));
}

TYPED_TEST(FolderList, LookupIgnoresCaseAndPositionsAreChecked) {
  this->AddItem("Oval", "First");
  this->AddItem("oval", "Second");
  this->AddItem("monza", "Monza");
  auto list = this->Scan();
  ASSERT_NE(list.FindByFolder("OVAL"), nullptr);
  EXPECT_EQ(list.FindByFolder("OVAL")->GetName(), "First") << "the first in list order wins";
  EXPECT_EQ(list.FindByFolder("Monza"), &list.Get(0));
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
  EXPECT_STREQ(TTrack::ScanErrorIntro, "Error reading track information for");
}

}  // namespace
}  // namespace lumox
