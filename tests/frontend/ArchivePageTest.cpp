#include <gtest/gtest.h>

#include <QApplication>
#include <QCategoryAxis>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "frontend/FormMain.h"
#include "frontend/ImprovementChart.h"
#include "installation/LapTimes.h"
#include "tests/frontend/FormStartUp.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/frontend/SmallArchive.h"
#include "tests/frontend/SmallInstallation.h"
#include "tests/support/FindWidget.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

using test::kDay;
using test::kFirstDate;

QStringList ItemTexts(const QComboBox* combo) {
  QStringList texts;
  for (int i = 0; i < combo->count(); ++i) texts.append(combo->itemText(i));
  return texts;
}

// The user picks item `index` of `combo`.
void Choose(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

QPointF Point(int days, int lapTime) { return QPointF((kFirstDate + days * kDay) * 1000.0, lapTime); }

// The main window over the small installation and the small archive, Twin (twin-b) and Big
// Oval chosen on the Zindo page.
class ArchivePage : public ::testing::Test {
 protected:
  ArchivePage() {
    test::StartUp(Form, Zindo.File("zindo.exe"));
    TRaceSetupPage& setup = Form.RaceSetup();
    setup.SelectByFolder(Widget<QComboBox>("comboDefaultCar"), "twin-b");
    setup.SelectByFolder(Widget<QComboBox>("comboDefaultTrack"), "oval");
    Form.show();
  }

  template <class W = QWidget>
  W* Widget(const char* name) {
    return test::Find<W>(Form, name);
  }
  QComboBox* Cars() { return Widget<QComboBox>("comboLTCars"); }
  QComboBox* Tracks() { return Widget<QComboBox>("comboLTTracks"); }
  QTableView* Grid() { return Widget<QTableView>("ListView1"); }
  QString Caption() { return Widget<QLabel>("LabelLapTime")->text(); }
  QColor CaptionColor() { return Widget<QLabel>("LabelLapTime")->palette().color(QPalette::WindowText); }

  void OpenPage(const char* name) {
    auto* pages = Widget<QTabWidget>("PageControl1");
    pages->setCurrentIndex(0);
    pages->setCurrentWidget(Widget(name));
  }
  QString Cell(int row, int column) { return Grid()->model()->index(row, column).data().toString(); }
  QStringList Column(int column) {
    QStringList cells;
    for (int row = 0; row < Grid()->model()->rowCount(); ++row) cells << Cell(row, column);
    return cells;
  }
  void SelectRows(std::initializer_list<int> rows) {
    Grid()->clearSelection();
    for (int row : rows)
      Grid()->selectionModel()->select(Grid()->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  void DoubleClickRow(int row) {
    const QPoint at = Grid()->visualRect(Grid()->model()->index(row, 1)).center();
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, {}, at);
  }

  test::TScriptedMessages Messages;
  test::TSmallInstallation Zindo;
  test::TSmallArchive Archive;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
};

TEST_F(ArchivePage, OpensOnTheFastestLapOfEachCarOnTheDefaultTrackWithTheCurrentCarInBold) {
  OpenPage("TabGrid");
  EXPECT_EQ(ItemTexts(Tracks()).mid(0, 3),
            (QStringList{"... all tracks ...", "... all times ...", "Big Oval [oval]"}));
  EXPECT_EQ(Cars()->currentIndex(), 0);
  EXPECT_EQ(Tracks()->currentText(), "Big Oval [oval]");
  EXPECT_EQ(Caption(), "Big Oval (fastest lap for each car)");
  EXPECT_EQ(CaptionColor(), QColor(0, 0, 128));
  EXPECT_EQ(Column(2), (QStringList{"Old F3", "Formula Three", "<no name>", "kart"}));
  EXPECT_EQ(Grid()->model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
            Qt::AlignRight);
  // Twin (twin-b) is merged into Formula Three, so that car's laps stand out.
  std::vector<bool> bold;
  for (int row = 0; row < 4; ++row)
    bold.push_back(Grid()->model()->index(row, 0).data(Qt::FontRole).value<QFont>().bold());
  EXPECT_EQ(bold, (std::vector<bool>{false, true, false, false}));
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(ArchivePage, OpensOnTheInvalidSelectionWhenTheDefaultTrackHasNoLaps) {
  Form.RaceSetup().SelectByFolder(Widget<QComboBox>("comboDefaultTrack"), "hill");
  OpenPage("TabGrid");
  EXPECT_EQ(Tracks()->currentIndex(), 0);
  EXPECT_EQ(Caption(), "Invalid Selection. Please select at least one car or track.");
  EXPECT_EQ(CaptionColor(), QColor(255, 0, 0));
  EXPECT_EQ(Grid()->model()->rowCount(), 0);
  Choose(Cars(), 5);
  EXPECT_EQ(Caption(), "kart (fastest lap for each track)");
  EXPECT_EQ(Column(3), (QStringList{"ring", "oval", "desert"}));
}

TEST_F(ArchivePage, DoubleClickDrillsDownToTheCarOnTheTrackAndBack) {
  OpenPage("TabGrid");
  DoubleClickRow(1);  // mode 4 right after opening the page: nowhere to go back to
  Choose(Cars(), 1);
  EXPECT_EQ(Caption(), "Big Oval (all lap times)");
  DoubleClickRow(2);
  EXPECT_EQ(Caption(), "Formula Three on Big Oval (all laps)");
  EXPECT_EQ(Column(1), (QStringList{"1:18.000", "1:20.000", "1:25.000"}));
  DoubleClickRow(0);
  EXPECT_EQ(Caption(), "Big Oval (all lap times)");
  EXPECT_EQ(Cars()->currentIndex(), 1);

  SelectRows({0, 1});
  Form.ArchivePage().ListView1DblClick();
  EXPECT_EQ(Caption(), "Big Oval (all lap times)") << "only one selected row drills down";
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(ArchivePage, DeletesTheSelectedLapsAfterAskingAndTheyShowNowhereAgain) {
  OpenPage("TabGrid");
  Choose(Cars(), 1);
  auto* del = Widget<QToolButton>("BtnLTDel");
  Grid()->clearSelection();
  del->click();
  EXPECT_EQ(Messages.Texts(), QStringList{"Cannot delete lap times:\nThere are no lap times selected."});

  SelectRows({1, 3});
  Messages.Answer(TMsgAnswer::No);
  del->click();
  EXPECT_EQ(Grid()->model()->rowCount(), 6);
  SelectRows({1, 3});
  Messages.Answer(TMsgAnswer::Yes);
  del->click();
  EXPECT_EQ(Messages.Texts().last(),
            "Do you really want to delete the\nselected lap times from the\nLumox lap time archive?");
  EXPECT_EQ(Column(0), (QStringList{"1", "2", "3", "4"}));
  EXPECT_EQ(Column(1), (QStringList{"1:30.000", "1:20.000", "1:10.000", "1:35.000"}));
  Choose(Cars(), 3);
  EXPECT_EQ(Column(1), (QStringList{"1:20.000"}));
}

TEST_F(ArchivePage, TheDatabaseToolsButtonOpensTheToolsDialogAndTheListsAreReadAgainAfterIt) {
  OpenPage("TabGrid");
  QString opened;
  test::WithNextModal(
      [&](QWidget* modal) {
        opened = modal->objectName();
        Archive.Pool().MergeCars("Old F3", "old-id", "Formula Three", "f3-id");
        modal->close();
      },
      [&] { Widget<QToolButton>("BtnLTMerge")->click(); });
  EXPECT_EQ(opened, "FormDBTools");
  EXPECT_FALSE(ItemTexts(Cars()).contains("Old F3 [old-id]"));
  EXPECT_EQ(Column(2), (QStringList{"Formula Three", "<no name>", "kart"}));
}

class ImprovePage : public ArchivePage {
 protected:
  QComboBox* Cars() { return Widget<QComboBox>("comboImpCars"); }
  QComboBox* Tracks() { return Widget<QComboBox>("comboImpTracks"); }
  QList<QPointF> Points() { return Widget<TImprovementChart>("ChartImp")->Series()->points(); }
  bool NoTimes() { return !Widget("lblImpNoTimes")->isHidden(); }
};

TEST_F(ImprovePage, DrawsThePersonalBestOfTheChosenCarOnTheChosenTrack) {
  Form.RaceSetup().SelectByFolder(Widget<QComboBox>("comboDefaultCar"), "f3");
  OpenPage("TabImprove");
  EXPECT_EQ(Tracks()->currentText(), "Big Oval [oval]");
  EXPECT_EQ(Cars()->currentText(), "Formula Three [f3-id]");
  EXPECT_EQ(Points(), (QList<QPointF>{Point(0, 80'000), Point(3, 78'000)}));
  EXPECT_FALSE(NoTimes());
  EXPECT_TRUE(Widget<TImprovementChart>("ChartImp")->DateAxis()->categoriesLabels().contains("23-11-15"));

  // The filter: 101 % of 78 000 is 78 780, so the first best is hidden.
  auto* percent = Widget<QLineEdit>("medImpPercent");
  percent->setText("101");
  Widget<QCheckBox>("cbImpIgnore")->click();
  EXPECT_EQ(Points(), (QList<QPointF>{Point(3, 78'000)}));
  percent->setText("");
  QFocusEvent leave(QEvent::FocusOut);
  QApplication::sendEvent(percent, &leave);
  EXPECT_TRUE(Points().isEmpty());
  EXPECT_EQ(Messages.Texts(), QStringList{"'' is not a valid integer value"});

  Widget<QCheckBox>("cbImpIgnore")->click();
  Choose(Tracks(), 1);  // Desert: no laps of this car
  EXPECT_TRUE(NoTimes());
  EXPECT_TRUE(Points().isEmpty());
  Choose(Tracks(), 2);
  EXPECT_FALSE(NoTimes());
  EXPECT_EQ(Points(), (QList<QPointF>{Point(7, 61'500)}));
}

TEST_F(ImprovePage, LeftDragZoomsRightDragMovesAndDoubleClickShowsAllAgain) {
  Form.RaceSetup().SelectByFolder(Widget<QComboBox>("comboDefaultCar"), "f3");
  Form.resize(Form.width(), 600);
  OpenPage("TabImprove");
  auto* chart = Widget<TImprovementChart>("ChartImp");
  QCategoryAxis* dates = chart->DateAxis();
  const double min = dates->min(), max = dates->max();
  QWidget* area = chart->viewport();
  const QPoint centre = area->rect().center();

  QTest::mousePress(area, Qt::RightButton, {}, centre);
  QTest::mouseMove(area, centre + QPoint(40, 0));
  QTest::mouseRelease(area, Qt::RightButton, {}, centre + QPoint(40, 0));
  EXPECT_LT(dates->max(), max);
  EXPECT_NEAR(dates->max() - dates->min(), max - min, (max - min) * 1e-6);

  QTest::mouseDClick(area, Qt::LeftButton, {}, centre);
  EXPECT_DOUBLE_EQ(dates->min(), min);
  QTest::mousePress(area, Qt::LeftButton, {}, centre - QPoint(60, 60));
  QTest::mouseMove(area, centre + QPoint(60, 60));
  QTest::mouseRelease(area, Qt::LeftButton, {}, centre + QPoint(60, 60));
  EXPECT_LT(dates->max() - dates->min(), (max - min) * 0.8);
  EXPECT_GT(dates->min(), min);
}

TEST_F(ImprovePage, NoCarSelectedOrAnEmptyArchiveDrawNothingAndTheEmptyArchiveSaysSo) {
  OpenPage("TabImprove");
  Cars()->setCurrentIndex(-1);
  Form.ImprovePage().comboImpChange();
  EXPECT_TRUE(Points().isEmpty());
  Archive.Db().Execute("delete from LAPTIMEPOOL");
  OpenPage("TabImprove");
  EXPECT_EQ(Cars()->count() + Tracks()->count(), 0);
  EXPECT_TRUE(Points().isEmpty());
  EXPECT_TRUE(NoTimes());
  EXPECT_FALSE(Widget<TImprovementChart>("ChartImp")->DateAxis()->isVisible());
  EXPECT_TRUE(Messages.Shown().empty());
}

}  // namespace
}  // namespace lumox
