#pragma once
// The lap-time archive page: the archive's cars and tracks in two selectors, the grid of the
// laps they select, drilling down to a car on a track and back, deleting laps, and the
// database tools.
#include <QString>
#include <functional>

#include "frontend/FormMainWidgets.h"
#include "frontend/LapGrid.h"
#include "frontend/LapGridModel.h"

class QComboBox;
class QTableView;

namespace lumox {

class TLapTimePoolConnector;
class TRaceSetupPage;
struct TFrontEndState;

// Selects the item the combo box finds by its exact text, ignoring case; false, and the
// selection unchanged, when there is none. No change handler runs.
bool SelectComboText(QComboBox* combo, const QString& text);
void SelectComboItem(QComboBox* combo, int index);
// Fills a combo box with `texts` after `special` items, without a selection or a handler run.
void FillArchiveCombo(QComboBox* combo, const QStringList& special, const QStringList& texts);

// Sets the grid's columns to their widths, or wider where their texts need more room at the
// font in use: the captions, and the cells of the first rows and of the last (the widest row
// number), bold rows included.
void FitGridColumns(QTableView* view, const std::vector<TGridColumn>& columns);

class TArchivePage {
 public:
  TArchivePage(TFrontEndState& state, const TArchiveWidgets& widgets, const TRaceSetupPage& raceSetup);

  // Opens the database tools dialog modally; the page fills itself again afterwards.
  std::function<void()> ShowDBTools;

  // The page has become active: the archive's lists, the selectors and the grid anew.
  void Fill();

  TGridMode GetGridMode() const;
  int SelectedRowCount() const;
  // The first selected row; 0 when none is.
  int FirstSelectedRow() const;
  void SelectLTCar(const QString& name, const QString& id);
  const TLapGridModel& Model() const { return GridModel; }

  // Handlers.
  void comboLTChange();
  void ListView1DblClick();
  void BtnLTDelClick();
  void BtnLTMergeClick();

 private:
  void ConnectHandlers();
  std::vector<int> SelectedRows() const;
  void SelectTarget(QComboBox* combo, const TComboTarget& target, const std::function<void()>& selectOfLap);

  TFrontEndState& State;
  const TArchiveWidgets& W;
  const TRaceSetupPage& RaceSetup;
  TLapGridModel GridModel;
};

}  // namespace lumox
