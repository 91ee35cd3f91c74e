#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "archive/LapTimePool.h"
#include "frontend/BestLapsExchange.h"
#include "installation/IniTree.h"
#include "tests/archive/TestDatabase.h"
#include "tests/support/FailingWrites.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

// One slot of a best-laps file as text: "car/id time date".
QString SlotText(const TZindoIni& ini, int slot) {
  const auto value = [&](const char* key) {
    return ini.ReadString(QStringLiteral("results.best%1.%2").arg(slot).arg(QLatin1String(key)), "?");
  };
  return QStringLiteral("%1/%2 %3 %4").arg(value("car"), value("car_id"), value("laptime"), value("date"));
}

QByteArray Slot(int slot, const QByteArray& lapTime, const QByteArray& date, const QByteArray& car,
                const QByteArray& id) {
  const QByteArray n = QByteArray::number(slot);
  return "  best" + n + "\r\n  {\r\n    laptime=" + lapTime + "\r\n    date=" + date + "\r\n    car=" + car +
         "\r\n    car_id=" + id + "\r\n    flags=7\r\n  }\r\n";
}

// A best-laps file with the given content and a key of the simulator's own after them.
QByteArray BestLaps(const QByteArray& content) {
  return QByteArray("results\r\n{\r\n") + content + "  session=3\r\n}\r\n";
}

// An installation with the tracks "oval" (named "Big Oval") and "ring" (no name), and an archive.
class BestLapsExchange : public ::testing::Test {
 protected:
  BestLapsExchange() : Exchange(Zindo.Path(), Pool) {
    Db.CreateLapTimeSchema();
    Pool.SetSQLConnection(&Db.Connection());
    Zindo.Write("data/tracks/oval/track.ini", "track\r\n{\r\n  name=Big Oval\r\n}\r\n");
    Zindo.Write("data/tracks/ring/track.ini", "track\r\n{\r\n  length=3000\r\n}\r\n");
  }

  QString BestLapsFile(const QString& track) const {
    return Zindo.File("data/tracks/" + track + "/bestlaps.ini");
  }
  void WriteBestLaps(const QString& track, const QByteArray& content) const {
    Zindo.Write("data/tracks/" + track + "/bestlaps.ini", BestLaps(content));
  }
  QStringList Slots(const QString& track) const {
    const TZindoIni ini(BestLapsFile(track));
    QStringList content;
    for (int slot = 0; slot < BestLapSlots; ++slot) content << SlotText(ini, slot);
    return content;
  }
  // Every archived row, deleted ones included: "id track|path car/id time date".
  QStringList Rows() {
    return Db.Rows(
        "select LTP_ID || ' ' || TRACK_NAME || '|' || TRACK_PATH || ' ' || CAR_NAME || '/' || CAR_ID || ' ' "
        "|| LAP_TIME || ' ' || LAP_DATE as R from LAPTIMEPOOL order by LTP_ID");
  }

  test::TScriptedMessages Messages;
  test::TTestDatabase Db;
  test::TTempFolder Zindo;
  TLapTimePoolConnector Pool;
  TBestLapsExchange Exchange;
};

TEST_F(BestLapsExchange, ImportAddsEachValidLapOnceAndSkipsEmptyAndDeletedOnes) {
  WriteBestLaps("oval", Slot(0, "90000", "1700000000", "F3", "f3-id") + Slot(1, "0", "1", "Empty", "e") +
                            Slot(2, "", "1", "Blank", "b") + Slot(3, "12x", "1", "Text", "t") +
                            Slot(4, "95000", "soon", "Kart", "k-id") + Slot(5, "99000", "5", "Gone", "g") +
                            Slot(6, QByteArray("1\0\0\0 23", 8), "1", "Nul", "n"));
  WriteBestLaps("ring", Slot(0, " 80000 ", "1700000001", " Rally ", "r-id"));
  Pool.AddLapTime("Big Oval", "data\\tracks\\oval", "Gone", "g", 5, 99000);
  Pool.DeleteLapTime(1);

  Exchange.RetrieveLapTimes();
  Exchange.RetrieveLapTimes();

  EXPECT_EQ(Rows(), QStringList({"-1 Big Oval|data\\tracks\\oval Gone/g 99000 5",
                                 "2 Big Oval|data\\tracks\\oval F3/f3-id 90000 1700000000",
                                 "3 Big Oval|data\\tracks\\oval Kart/k-id 95000 0",
                                 "4 |data\\tracks\\ring Rally/r-id 80000 1700000001"}));
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(BestLapsExchange, ALapTheArchiveRefusesIsReportedTheImportGoesOnAndAMergedLapIsNotAddedAgain) {
  WriteBestLaps("oval",
                Slot(0, "90000", "10", QByteArray(300, 'x'), "long") + Slot(1, "91000", "11", "F3", "f"));
  WriteBestLaps("ring", Slot(0, "80000", "12", "Old", "o"));
  Pool.AddCarAutoMerge("Old", "o", "New", "n");

  Exchange.RetrieveLapTimes();
  Exchange.RetrieveLapTimes();

  EXPECT_EQ(Rows(), QStringList({"1 Big Oval|data\\tracks\\oval F3/f 91000 11",
                                 "2 |data\\tracks\\ring New/n 80000 12"}));
  ASSERT_EQ(Messages.Shown().size(), 2u);
  // The lap and the cause in words; no statement of the archive.
  const QString text = Messages.Shown()[0].Text;
  EXPECT_TRUE(text.contains(BestLapsFile("oval") + ", " + QString(300, 'x') +
                            " [long], 1:30.000: the car name has 300 characters, more than the 255 the archive holds"))
      << text.toStdString();
  EXPECT_FALSE(text.contains("select", Qt::CaseInsensitive)) << text.toStdString();
}

// Files that emptying, filling and importing must leave as they are, importing nothing, while
// the other tracks' files are handled. A launch does all three and reports a damaged file once.
TEST_F(BestLapsExchange, FilesWithoutChangedValuesOrDamagedAreNeitherWrittenNorImported) {
  QByteArray noise(5000, 0);
  for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
  const struct {
    const char* What;
    QByteArray Content;
    int Reports;  // per launch; -1: whatever the reader says about noise
  } files[] = {
      {"random bytes", noise, -1},
      {"plain text", "These are my notes.\r\nNo best laps here.\r\n", 0},
      {"empty slots in another layout", "results {\n\tbest0 {\n\t\tlaptime = 0\n\t\tcar =\n\t}\n}\n", 0},
      {"a stray \"=\"", BestLaps(Slot(0, "90000", "10", "F3", "f")) + "=stray\r\nmore=1\r\n", 1},
      {"cut off in a slot", "results\r\n{\r\n  best0\r\n  {\r\n    laptime=4", 1},
      {"cut off after a slot", BestLaps(Slot(0, "90000", "10", "F3", "f")).chopped(3), 1},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.What);
    Zindo.Write("data/tracks/oval/bestlaps.ini", file.Content);
    WriteBestLaps("ring", Slot(0, "0", "0", "Gone", "g"));
    const std::size_t before = Messages.Shown().size();
    TBestLapsExchange launch(Zindo.Path(), Pool);
    launch.EmptyBestlaps(TArchiveFirst::Yes);
    launch.FillBestlaps(3);
    launch.RetrieveLapTimes();
    EXPECT_EQ(test::ReadBytes(BestLapsFile("oval")), file.Content);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(Slots("ring")[0], "/ 0 0");
    if (file.Reports >= 0) {
      EXPECT_EQ(Messages.Shown().size() - before, std::size_t(file.Reports));
    }
  }
  EXPECT_TRUE(Messages.Texts().last().startsWith("Error opening \"" + BestLapsFile("oval")));
  EXPECT_TRUE(Messages.Texts().last().endsWith("cut off while it was being written."));
}

// With lap retrieval on, a file is emptied only once the archive holds every lap of it; a
// file kept full is not filled either, so its laps stay until they can be archived.
TEST_F(BestLapsExchange, EmptyingArchivesFirstAndKeepsTheFilesWhoseLapsTheArchiveDoesNotHold) {
  const QByteArray tooLong(300, 'x');
  const struct {
    const char* What;
    QByteArray Oval;
    std::function<void()> Break;
    QStringList Kept;
    QString Why;
  } cases[] = {
      {"a lap the archive refuses",
       Slot(0, "90000", "10", "F3", "f") + Slot(1, "91000", "11", tooLong, "long"),
       [] {},
       {"Big Oval [oval]"},
       "Big Oval [oval]: the lap time 1:31.000 of " + tooLong + " [long] could not be archived: the car name has "
       "300 characters, more than the 255 the archive holds"},
      {"an import that fails",
       Slot(0, "90000", "10", "F3", "f"),
       [this] { Db.Execute("DROP TABLE LAPTIMEPOOL"); },
       {"Big Oval [oval]", "<no track name> [ring]"},
       "Lumox could not use its archive \"" + Db.File() + "\": a table Lumox needs is missing."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    Db.Execute("DELETE FROM LAPTIMEPOOL");
    WriteBestLaps("oval", c.Oval);
    WriteBestLaps("ring", Slot(0, "80000", "12", "Rally", "r"));
    const QByteArray oval = test::ReadBytes(BestLapsFile("oval")),
                     ring = test::ReadBytes(BestLapsFile("ring"));
    c.Break();
    const std::size_t before = Messages.Shown().size();
    TBestLapsExchange launch(Zindo.Path(), Pool);
    launch.EmptyBestlaps(TArchiveFirst::Yes);
    launch.FillBestlaps(1);
    ASSERT_EQ(Messages.Shown().size(), before + 1);
    const QString text = Messages.Texts().last();
    EXPECT_TRUE(text.startsWith("The best laps of these tracks were not emptied")) << text.toStdString();
    EXPECT_TRUE(text.contains(c.Why)) << text.toStdString();
    EXPECT_FALSE(text.contains("select", Qt::CaseInsensitive)) << text.toStdString();
    for (const QString track : {"Big Oval [oval]", "<no track name> [ring]"})
      EXPECT_EQ(text.contains(track), c.Kept.contains(track)) << text.toStdString();
    EXPECT_EQ(test::ReadBytes(BestLapsFile("oval")), oval) << "kept, and not filled";
    if (c.Kept.contains("<no track name> [ring]")) {
      EXPECT_EQ(test::ReadBytes(BestLapsFile("ring")), ring);
    } else {
      EXPECT_EQ(Slots("ring")[0], "Rally/r 80000 12") << "archived, emptied and filled from the archive";
    }
    if (c.Kept.size() == 1) {
      EXPECT_EQ(Rows(), QStringList({"1 Big Oval|data\\tracks\\oval F3/f 90000 10",
                                     "2 |data\\tracks\\ring Rally/r 80000 12"}));
    }
  }
}

TEST_F(BestLapsExchange, EmptyingClearsTheSlotsKeepsEveryOtherKeyAndCreatesNoFile) {
  WriteBestLaps("oval", Slot(0, "90000", "10", "F3", "f3-id") + Slot(9, "1", "2", "Kart", "k"));
  Exchange.EmptyBestlaps();

  EXPECT_EQ(test::ReadBytes(BestLapsFile("oval")),
            BestLaps(Slot(0, "0", "0", "", "") + Slot(9, "0", "0", "", "")));
  EXPECT_FALSE(QFile::exists(BestLapsFile("ring")));
}

// A user who made a track's file read-only keeps its laps: emptying leaves it, and filling
// then, names it once and handles the other tracks.
TEST_F(BestLapsExchange, AFileThatCannotBeWrittenIsLeftAsItIsAndNamedAndTheOtherTracksAreHandled) {
  WriteBestLaps("oval", Slot(0, "90000", "10", "F3", "f3-id"));
  WriteBestLaps("ring", Slot(0, "80000", "12", "Rally", "r"));
  QFile::setPermissions(BestLapsFile("oval"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  const QByteArray oval = test::ReadBytes(BestLapsFile("oval"));
  {
    const test::TAsOrdinaryUser user({Zindo.Path()});
    Exchange.EmptyBestlaps();
  }
  Pool.AddLapTime("", "data\\tracks\\ring", "Kart", "k", 1, 70000);
  Exchange.FillBestlaps(1);
  EXPECT_EQ(test::ReadBytes(BestLapsFile("oval")), oval);
  EXPECT_EQ(Slots("ring")[0], "Kart/k 70000 1");
  ASSERT_EQ(Messages.Texts().size(), 1);
  const QString text = Messages.Texts()[0];
  EXPECT_TRUE(
      text.startsWith("The best laps of these tracks were not emptied, as their files could not be "
                      "written:\r\nBig Oval [oval]: Lumox did not write \"" +
                      BestLapsFile("oval") + "\": it is read-only"))
      << text.toStdString();
}

// Emptying as an ordinary user stops part-way, and no write succeeds after: the file of a track
// whose folder takes no new file is written in place and cannot be put back, so it is named
// apart, with what it holds; the other track's file is left as it was. Neither is filled.
TEST_F(BestLapsExchange, AFileAFailedWriteChangedIsNamedApartFromThoseLeftAsTheyWere) {
  WriteBestLaps("oval", Slot(0, "90000", "10", "F3", "f3-id"));
  WriteBestLaps("ring", Slot(0, "80000", "12", "Rally", "r"));
  const QByteArray oval = test::ReadBytes(BestLapsFile("oval")), ring = test::ReadBytes(BestLapsFile("ring"));
  const QString ovalFolder = Zindo.File("data/tracks/oval");
  constexpr qint64 written = 40;  // past the first difference, "laptime=0"
  {
    const test::TAsOrdinaryUser user({Zindo.Path()});
    QFile::setPermissions(ovalFolder, QFile::ReadOwner | QFile::ExeOwner);
    const test::TFileSizeLimit limit(written, test::TAfterFailure::NoWriteSucceeds);
    Exchange.EmptyBestlaps();
  }
  QFile::setPermissions(ovalFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  Pool.AddLapTime("", "data\\tracks\\ring", "Kart", "k", 1, 70000);
  Exchange.FillBestlaps(1);
  const QByteArray changed = BestLaps(Slot(0, "0", "0", "", "")).left(written) + oval.mid(written);
  EXPECT_EQ(test::ReadBytes(BestLapsFile("oval")), changed);
  EXPECT_EQ(test::ReadBytes(BestLapsFile("ring")), ring);
  ASSERT_EQ(Messages.Texts().size(), 1);
  EXPECT_EQ(
      Messages.Texts()[0].toStdString(),
      QString("The best laps of these tracks were not emptied, as their files could not be written:\r\n"
              "<no track name> [ring]: Could not write \"%1\": File too large. It was left as it was.\r\n"
              "\r\n"
              "The best-laps files of these tracks could not be written, nor put back as they were:\r\n"
              "Big Oval [oval]: Could not write \"%2\": File too large. Lumox could not put it back as it "
              "was (File too large): its first %3 bytes hold the new content, the other %4 still the old.")
          .arg(BestLapsFile("ring"), BestLapsFile("oval"))
          .arg(written)
          .arg(oval.size() - written)
          .toStdString());
}

TEST_F(BestLapsExchange, FillingWritesEachCarsBestLapFastestFirstUpToTheCount) {
  const auto add = [this](const char* track, const char* path, const char* car, int time) {
    Pool.AddLapTime(track, path, car, QString(car) + "-id", time / 10, time);
  };
  add("Big Oval", "data\\tracks\\oval", "Slow", 99000);
  add("Big Oval", "data\\tracks\\oval", "Fast", 91000);
  add("Big Oval", "data\\tracks\\oval", "Fast", 90000);
  add("Big Oval", "data\\tracks\\oval", "Middle", 95000);
  add("Big Oval", "data\\tracks\\oval", "Deleted", 80000);
  Pool.DeleteLapTime(Pool.GetNextLTPID() - 1);
  add("", "data\\tracks\\ring", "Rally", 70000);
  add("Big Oval", "data\\tracks\\other", "Elsewhere", 60000);
  // Slots from the count on keep what they hold.
  WriteBestLaps("oval",
                Slot(0, "1", "1", "A", "a") + Slot(1, "2", "2", "B", "b") + Slot(2, "3", "3", "C", "c"));

  Exchange.FillBestlaps(2);

  EXPECT_EQ(Slots("oval").mid(0, 3),
            QStringList({"Fast/Fast-id 90000 9000", "Middle/Middle-id 95000 9500", "C/c 3 3"}));
  EXPECT_EQ(Slots("ring").mid(0, 2), QStringList({"Rally/Rally-id 70000 7000", "/ 0 0"}));
  Exchange.FillBestlaps(10);  // more laps than cars: one per car, the rest blank
  EXPECT_EQ(Slots("oval")[2], "Slow/Slow-id 99000 9900") << "the fast car's second lap is left out";
}

TEST_F(BestLapsExchange, WithoutASimulatorFolderNoTrackIsTouched) {
  WriteBestLaps("oval", Slot(0, "90000", "10", "F3", "f3-id"));
  const QByteArray before = test::ReadBytes(BestLapsFile("oval"));
  const QString saved = QDir::currentPath();
  QDir::setCurrent(Zindo.Path());
  TBestLapsExchange none(QString(), Pool);
  none.EmptyBestlaps();
  none.FillBestlaps(1);
  none.RetrieveLapTimes();
  QDir::setCurrent(saved);
  EXPECT_EQ(test::ReadBytes(BestLapsFile("oval")), before);
  EXPECT_FALSE(QFile::exists(BestLapsFile("ring")));
  EXPECT_TRUE(Rows().isEmpty());
}

TEST(LapTimeOptions, TheLapCountIsTheItemIndexPlusOneWithinTheSlots) {
  for (const auto& [item, laps] : {std::pair{0, 1}, {9, 10}, {30, 10}, {-1, 1}})
    EXPECT_EQ((TLapTimeOptions{2, item, false}.LapsToFill()), laps) << item;
}

}  // namespace
}  // namespace lumox
