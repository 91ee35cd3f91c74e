#include <gtest/gtest.h>

#include "frontend/FrontEndState.h"
#include "frontend/LapGrid.h"
#include "installation/LapTimes.h"
#include "tests/frontend/SmallArchive.h"

namespace lumox {
namespace {

using test::kDay;
using test::kFirstDate;

QString Date(int days) { return FormatUnixTime(kFirstDate + days * kDay); }

class LapGrid : public ::testing::Test {
 protected:
  LapGrid() { ReadArchiveLists(Archive.Pool(), State); }

  // Fills the grid for the selector items and returns its rows as texts joined by "|".
  QStringList Rows(int carItem, int trackItem) {
    Grid.Fill(Archive.Pool(), State, carItem, trackItem);
    QStringList rows;
    for (int row = 0; row < Grid.RowCount(); ++row) {
      QStringList cells;
      for (int column = 0; column < static_cast<int>(Grid.Columns().size()); ++column)
        cells << Grid.Cell(row, column);
      rows << cells.join('|');
    }
    return rows;
  }
  QStringList Headers() const {
    QStringList headers;
    for (const TGridColumn& column : Grid.Columns())
      headers << QStringLiteral("%1 %2%3")
                     .arg(column.Caption)
                     .arg(column.Width)
                     .arg(column.RightAligned ? " R" : "");
    return headers;
  }

  test::TSmallArchive Archive;
  TFrontEndState State;
  TLapGrid Grid;
  // Items of the selectors: two special ones, then the archive's entries.
  static constexpr int NoName = 2, F3 = 3, OldF3 = 4, Kart = 5;
  static constexpr int Oval = 2, Desert = 3, Ring = 4;
};

TEST_F(LapGrid, ListsTheArchivesVisibleCarsAndTracksAsTheSelectorsShowThem) {
  EXPECT_EQ(ArchiveCarTexts(State), (QStringList{"<no car name> [<no ID>]", "Formula Three [f3-id]",
                                                 "Old F3 [old-id]", "kart [kart-id]"}));
  EXPECT_EQ(ArchiveTrackTexts(State),
            (QStringList{"Big Oval [oval]", "Desert [desert]", "another Ring [ring]"}));
  EXPECT_EQ(ArchiveCarItem(State, "kart", "kart-id"), Kart);
  EXPECT_EQ(ArchiveCarItem(State, "Kart", "kart-id"), -1);
  EXPECT_EQ(ArchiveCarItem(State, "kart", ""), -1);
}

TEST_F(LapGrid, EachSelectionHasItsCaptionColumnsAndRowsInQueryOrder) {
  EXPECT_EQ(Rows(0, Oval),
            (QStringList{"1|1:10.000|Old F3|old-id|" + Date(5), "2|1:18.000|Formula Three|f3-id|" + Date(3),
                         "3|1:30.000|<no name>|<no ID>|" + Date(4), "4|1:35.000|kart|kart-id|" + Date(2)}));
  EXPECT_EQ(Grid.Mode(), gmTrackBestPerCar);
  EXPECT_EQ(Grid.Caption(), "Big Oval (fastest lap for each car)");
  EXPECT_EQ(Headers(),
            (QStringList{"# 30 R", "Lap time 70 R", "Car 230", "Car ID 120", "Date and Time 120"}));
  EXPECT_EQ(State.FLTRowIDs, (QStringList{"6", "4", "5", "3"}));

  EXPECT_EQ(
      Rows(1, Oval),
      (QStringList{"1|1:30.000|<no name>|<no ID>|" + Date(4), "2|1:18.000|Formula Three|f3-id|" + Date(3),
                   "3|1:20.000|Formula Three|f3-id|" + Date(0), "4|1:25.000|Formula Three|f3-id|" + Date(1),
                   "5|1:10.000|Old F3|old-id|" + Date(5), "6|1:35.000|kart|kart-id|" + Date(2)}));
  EXPECT_EQ(Grid.Caption(), "Big Oval (all lap times)");

  EXPECT_EQ(Rows(Kart, 0),
            (QStringList{"1|1:00.250|another Ring|ring|" + Date(8), "2|1:35.000|Big Oval|oval|" + Date(2),
                         "3|1:02:05.001|Desert|desert|" + Date(9)}));
  EXPECT_EQ(Grid.Caption(), "kart (fastest lap for each track)");
  EXPECT_EQ(Headers(),
            (QStringList{"# 30 R", "Lap time 70 R", "Track 230", "Track path 120", "Date and Time 120"}));

  EXPECT_EQ(Rows(Kart, 1),
            (QStringList{"1|1:35.000|Big Oval|oval|" + Date(2), "2|1:02:05.001|Desert|desert|" + Date(9),
                         "3|1:00.250|another Ring|ring|" + Date(8)}));
  EXPECT_EQ(Grid.Caption(), "kart (all lap times)");

  EXPECT_EQ(Rows(F3, Oval),
            (QStringList{"1|1:18.000|" + Date(3), "2|1:20.000|" + Date(0), "3|1:25.000|" + Date(1)}));
  EXPECT_EQ(Grid.Caption(), "Formula Three on Big Oval (all laps)");
  EXPECT_EQ(Headers(), (QStringList{"# 30 R", "Lap time 70 R", "Date and Time 100"}));
  EXPECT_EQ(State.FLTRowIDs, (QStringList{"4", "1", "2"}));
}

TEST_F(LapGrid, AnInvalidSelectionEmptiesTheRowsButKeepsTheColumns) {
  Rows(F3, Oval);
  for (const auto& [car, track] : {std::pair{0, 0}, {1, 1}, {0, 1}, {-1, Oval}, {F3, -1}}) {
    EXPECT_TRUE(Rows(car, track).isEmpty());
    EXPECT_EQ(Grid.Mode(), gmInvalid) << car << " " << track;
    EXPECT_EQ(Grid.Caption(), "Invalid Selection. Please select at least one car or track.");
    EXPECT_TRUE(State.FLTRowIDs.isEmpty());
    EXPECT_EQ(Grid.Columns().size(), 3u);
  }
  EXPECT_EQ(Grid.Cell(0, 0), "");
}

TEST_F(LapGrid, TheCurrentCarAfterItsMergeRuleIsBoldIgnoringAsciiCaseAndBlanks) {
  SetCurrentCar(Archive.Pool(), State, "Twin", "twin-b-id");
  EXPECT_EQ(State.FCurrentCarName, "Formula Three");
  EXPECT_EQ(State.FCurrentCarID, "f3-id");
  State.FCurrentCarName = " FORMULA three ";
  Rows(1, Oval);
  std::vector<bool> bold;
  for (int row = 0; row < Grid.RowCount(); ++row) bold.push_back(Grid.IsBold(row));
  EXPECT_EQ(bold, (std::vector<bool>{false, true, true, true, false, false}));
  Rows(F3, Oval);  // three columns: never bold
  EXPECT_FALSE(Grid.IsBold(0));
  // An empty current car does not match the placeholders of a car without name.
  State.FCurrentCarName.clear();
  State.FCurrentCarID.clear();
  Rows(0, Oval);
  EXPECT_FALSE(Grid.IsBold(2));
}

TEST(LapGridLogic, DrillingDownGoesToTheCarOnTheTrackAndBackToWhereItCameFrom) {
  const auto text = [](const TComboTarget& t) {
    return t.Kind == TComboTarget::Keep    ? QString("keep")
           : t.Kind == TComboTarget::OfLap ? QString("lap")
                                           : QString::number(t.Index);
  };
  const auto drill = [&](TGridMode mode, std::uint8_t last) {
    const TDrillDown d = DrillDownFrom(mode, last);
    return text(d.Car) + "/" + text(d.Track);
  };
  for (TGridMode mode : {gmTrackBestPerCar, gmTrackAllLaps, gmCarBestPerTrack, gmCarAllLaps})
    EXPECT_EQ(drill(mode, gmInvalid), "lap/lap");
  EXPECT_EQ(drill(gmCarOnTrack, gmTrackBestPerCar), "0/lap");
  EXPECT_EQ(drill(gmCarOnTrack, gmTrackAllLaps), "1/lap");
  EXPECT_EQ(drill(gmCarOnTrack, gmCarBestPerTrack), "lap/0");
  EXPECT_EQ(drill(gmCarOnTrack, gmCarAllLaps), "lap/1");
  EXPECT_EQ(drill(gmCarOnTrack, gmCarOnTrack), "keep/keep");
  EXPECT_EQ(drill(gmCarOnTrack, gmInvalid), "keep/keep");
  EXPECT_EQ(drill(gmInvalid, gmTrackAllLaps), "keep/keep");
}

TEST(LapGridLogic, OnlyRowsWithAPositiveIdentifierAreDeleted) {
  EXPECT_EQ(LapIDsOfRows({0, 1, 2, 3, 4, 9}, {"5", "x", "-3", "0", "7"}), (std::vector<int>{5, 7}));
}

}  // namespace
}  // namespace lumox
