#include "archive/DBExpressConnector.h"
#include "installation/Cars.h"
#include "platform/Errors.h"
#include "tests/archive/TestDatabase.h"

#include <gtest/gtest.h>

#include <memory>

namespace lumox {
namespace {

class Connectors : public ::testing::Test {
 protected:
  Connectors() {
    Db.CreateCacheTables();
    Tracks.SetSQLConnection(&Db.Connection(), false);
    Cars.SetSQLConnection(&Db.Connection(), false);
  }

  test::TTestDatabase Db;
  TTRACKSConnector Tracks;
  TCARSConnector Cars;
  QString Name, Year, Folder, ID;
};

TEST_F(Connectors, EmptyTablesHaveMaximumZeroAndNoRows) {
  EXPECT_EQ(Tracks.GetMaxIdx(), 0);
  EXPECT_FALSE(Tracks.GetTrack(0, Name, Folder, ID));
  EXPECT_EQ(Name + Folder + ID, "");
  EXPECT_EQ(Cars.GetMaxIdx(), 0);
  EXPECT_FALSE(Cars.GetCar(0, Name, Year, Folder, ID));
  EXPECT_EQ(Name + Year + Folder + ID, "");
}

TEST_F(Connectors, TracksAreInsertedReadAndDeleted) {
  Tracks.InsertTrack(0, "Oval", "oval", "T1");
  Tracks.InsertTrack(1, QString::fromUtf8("Nürburg"), "nring", "");
  EXPECT_EQ(Tracks.GetMaxIdx(), 1);
  ASSERT_TRUE(Tracks.GetTrack(1, Name, Folder, ID));
  EXPECT_EQ(Name, QString::fromUtf8("Nürburg"));
  EXPECT_EQ(Folder, "nring");
  EXPECT_EQ(ID, "");
  ASSERT_TRUE(Tracks.GetTrack(0, Name, Folder, ID));
  EXPECT_EQ(QStringList({Name, Folder, ID}), QStringList({"Oval", "oval", "T1"}));
  EXPECT_FALSE(Tracks.GetTrack(2, Name, Folder, ID));
  EXPECT_EQ(Name + Folder + ID, "");

  Tracks.DeleteAll();
  EXPECT_EQ(Tracks.GetMaxIdx(), 0);
  EXPECT_FALSE(Tracks.GetTrack(0, Name, Folder, ID));
}

TEST_F(Connectors, CarsAreInsertedReadAndDeleted) {
  Cars.InsertCar(0, "F3", "1998", "f3", "x1");
  Cars.InsertCar(4, "GT", "", "gt", "");
  EXPECT_EQ(Cars.GetMaxIdx(), 4);
  ASSERT_TRUE(Cars.GetCar(0, Name, Year, Folder, ID));
  EXPECT_EQ(QStringList({Name, Year, Folder, ID}), QStringList({"F3", "1998", "f3", "x1"}));
  ASSERT_TRUE(Cars.GetCar(4, Name, Year, Folder, ID));
  EXPECT_EQ(QStringList({Name, Year, Folder, ID}), QStringList({"GT", "", "gt", ""}));

  Cars.DeleteAll();
  EXPECT_EQ(Cars.GetMaxIdx(), 0);
  // Only CARS was emptied.
  Tracks.InsertTrack(3, "A", "a", "a");
  Cars.DeleteAll();
  EXPECT_EQ(Tracks.GetMaxIdx(), 3);
}

TEST_F(Connectors, TextsAreCutToTheirColumnWidthsInCharacters) {
  const QString car = QString::fromUtf8("🚗");  // one character, two UTF-16 units
  const QString longYear = QString(49, 'y') + car + "tail";
  Cars.InsertCar(0, QString(120, 'n'), longYear, QString(51, 'f'), QString(50, 'i'));
  ASSERT_TRUE(Cars.GetCar(0, Name, Year, Folder, ID));
  EXPECT_EQ(Name, QString(100, 'n'));
  EXPECT_EQ(Year, QString(49, 'y') + car);
  EXPECT_EQ(Folder, QString(50, 'f'));
  EXPECT_EQ(ID, QString(50, 'i'));

  Tracks.InsertTrack(0, QString(120, 'n'), QString(100, 'f') + "g", QString(99, 'i') + car);
  ASSERT_TRUE(Tracks.GetTrack(0, Name, Folder, ID));
  EXPECT_EQ(Name, QString(100, 'n'));
  EXPECT_EQ(Folder, QString(100, 'f'));
  EXPECT_EQ(ID, QString(99, 'i') + car);
}

// What differs is written and what is left over removed; a position stored twice is written anew.
TEST_F(Connectors, WritingRowsLeavesExactlyThoseRowsCutToTheirColumns) {
  for (const int index : {0, 1, 2, 2, 7}) Cars.InsertCar(index, QString::number(index), "", "f", "");
  const std::vector<TCacheRow> rows = {{0, {"0", "", "f", ""}},
                                       {1, {"new", "1999", "n", "x"}},
                                       {2, {"2", "", "f", ""}},
                                       {3, {QString(101, 'n'), "", "l", ""}}};
  Cars.WriteCars(rows);
  QStringList read;
  for (const TCacheRow& row : Cars.ReadCars()) read << QString::number(row.Index) + ":" + row.Texts.join("|");
  EXPECT_EQ(read, QStringList({"0:0||f|", "1:new|1999|n|x", "2:2||f|", "3:" + QString(100, 'n') + "||l|"}));
}

// A list read from the cache is not written again; a rewrite that fails on the way leaves the
// cache and its fingerprint as they were.
TEST_F(Connectors, TheCacheIsRewrittenWholeWithItsFingerprintOrNotAtAll) {
  test::TTempFolder zindo;
  zindo.Write("data/cars/a/car.ini", "car\r\n{\r\n  name=A\r\n}\r\n");
  TIniTable settings(Db.Connection(), "SETTINGS"), broken(Db.Connection(), "NO_SUCH_TABLE");
  const auto fingerprint = [&] { return settings.ReadString("SPEEDUP", "CARS_MD5", {}); };
  StoreCache(settings, "SPEEDUP", "CARS_MD5", TCars::CreateFromFolders(zindo.Path(), nullptr), Cars);
  EXPECT_EQ(fingerprint(), CarFoldersMD5(zindo.Path()));

  const QString stored = fingerprint();
  zindo.Write("data/cars/b/car.ini", "car\r\n{\r\n  name=B\r\n}\r\n");
  EXPECT_THROW(
      StoreCache(broken, "SPEEDUP", "CARS_MD5", TCars::CreateFromFolders(zindo.Path(), nullptr), Cars),
      EDatabaseError);
  EXPECT_NO_THROW(StoreCache(broken, "SPEEDUP", "CARS_MD5", TCars::CreateFromDB(Cars, zindo.Path()), Cars));
  EXPECT_EQ(TCars::CreateFromDB(Cars, zindo.Path()).GetFolders(), QStringList({"a"}));
  EXPECT_EQ(fingerprint(), stored);
}

TEST(ColumnWidth, FitsColumnTellsWhetherATextWouldBeCut) {
  const QString car = QString::fromUtf8("🚗");
  EXPECT_TRUE(FitsColumn("", 0));
  EXPECT_TRUE(FitsColumn(QString(50, 'f'), CarFolderWidth));
  EXPECT_FALSE(FitsColumn(QString(51, 'f'), CarFolderWidth));
  EXPECT_TRUE(FitsColumn(QString(49, 'f') + car, CarFolderWidth));
  EXPECT_FALSE(FitsColumn(QString(50, 'f') + car, CarFolderWidth));
  EXPECT_EQ(CutToColumn("ab" + car + "c", 3), "ab" + car);
}

TEST_F(Connectors, DatabaseErrorsPassToTheCaller) {
  Db.Execute("DROP TABLE CARS");
  EXPECT_THROW(Cars.DeleteAll(), EDatabaseError);
  EXPECT_THROW(Cars.GetMaxIdx(), EDatabaseError);
  EXPECT_THROW(Cars.InsertCar(0, "a", "b", "c", "d"), EDatabaseError);
  EXPECT_THROW(Cars.GetCar(0, Name, Year, Folder, ID), EDatabaseError);
}

TEST(Connector, UnboundConnectorRefusesToRun) {
  TTRACKSConnector tracks;
  try {
    tracks.GetMaxIdx();
    FAIL() << "no error";
  } catch (const ELumox& e) {
    EXPECT_STREQ(e.what(), "TDBExpressConnector.GetSQLConnection: SQLConnection not initialized.");
  }
}

TEST(Connector, FirstBindingStaysUnlessForcedOrGone) {
  test::UseBuildLockFolder();
  TSQLConnection first("first.gdb");
  TSQLConnection second("second.gdb");
  TCARSConnector cars;
  cars.SetSQLConnection(&first, false);
  cars.SetSQLConnection(&second, false);
  EXPECT_EQ(&cars.GetSQLConnection(), &first);
  cars.SetSQLConnection(&second, true);
  EXPECT_EQ(&cars.GetSQLConnection(), &second);

  auto gone = std::make_unique<TSQLConnection>("gone.gdb");
  cars.SetSQLConnection(gone.get(), true);
  gone.reset();
  EXPECT_THROW(cars.GetSQLConnection(), ELumox);
  cars.SetSQLConnection(&first, false);
  EXPECT_EQ(&cars.GetSQLConnection(), &first);
}

TEST(Connector, ProcessWideInstancesWorkOnTheirOwnTables) {
  test::TTestDatabase db;
  db.CreateCacheTables();
  TRACKSConnector().SetSQLConnection(&db.Connection(), true);
  CARSConnector().SetSQLConnection(&db.Connection(), true);
  TRACKSConnector().InsertTrack(2, "t", "t", "t");
  CARSConnector().InsertCar(5, "c", "", "c", "");
  EXPECT_EQ(TRACKSConnector().GetMaxIdx(), 2);
  EXPECT_EQ(CARSConnector().GetMaxIdx(), 5);
}

}  // namespace
}  // namespace lumox
