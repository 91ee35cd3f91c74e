#include "frontend/ArchivePage.h"

#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

#include "archive/LapTimePool.h"
#include "platform/EventGuard.h"
#include "frontend/FrontEndState.h"
#include "frontend/RaceSetupPage.h"
#include "platform/UserMessages.h"

namespace lumox {
namespace {

void SetCaption(QLabel* label, const QString& text, const QColor& color) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
  label->setText(text);
}

// The rows whose texts set the column widths: measuring every row would cost more than the
// query for the largest grids.
std::vector<int> MeasuredRows(int rows) {
  constexpr int kFirstRows = 50;  // more than a page shows
  std::vector<int> measured;
  for (int row = 0; row < std::min(rows, kFirstRows); ++row) measured.push_back(row);
  if (rows > kFirstRows) measured.push_back(rows - 1);
  return measured;
}

}  // namespace

void FitGridColumns(QTableView* view, const std::vector<TGridColumn>& columns) {
  const QAbstractItemModel* model = view->model();
  const std::vector<int> rows = MeasuredRows(model->rowCount());
  const int gridLine = view->showGrid() ? 1 : 0;
  for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
    int width = std::max(columns[static_cast<size_t>(column)].Width,
                         view->horizontalHeader()->sectionSizeHint(column));
    for (int row : rows)
      width = std::max(width, view->sizeHintForIndex(model->index(row, column)).width() + gridLine);
    view->setColumnWidth(column, width);
  }
}

void SelectComboItem(QComboBox* combo, int index) {
  const QSignalBlocker blocker(combo);
  combo->setCurrentIndex(index);
}

bool SelectComboText(QComboBox* combo, const QString& text) {
  const int index = combo->findText(text, Qt::MatchFixedString);
  if (index < 0) return false;
  SelectComboItem(combo, index);
  return true;
}

void FillArchiveCombo(QComboBox* combo, const QStringList& special, const QStringList& texts) {
  const QSignalBlocker blocker(combo);
  combo->clear();
  combo->addItems(special);
  combo->addItems(texts);
  combo->setCurrentIndex(-1);
}

TArchivePage::TArchivePage(TFrontEndState& state, const TArchiveWidgets& widgets, const TRaceSetupPage& raceSetup)
    : State(state), W(widgets), RaceSetup(raceSetup) {
  W.ListView1->setModel(&GridModel);
  ConnectHandlers();
}

void TArchivePage::ConnectHandlers() {
  for (QComboBox* combo : {W.comboLTCars, W.comboLTTracks})
    QObject::connect(combo, &QComboBox::activated, combo, Guarded([this](int) { comboLTChange(); }));
  QObject::connect(W.ListView1, &QTableView::doubleClicked, W.ListView1,
                   Guarded([this](const QModelIndex&) { ListView1DblClick(); }));
  QObject::connect(W.BtnLTDel, &QToolButton::clicked, W.BtnLTDel, Guarded([this](bool) { BtnLTDelClick(); }));
  QObject::connect(W.BtnLTMerge, &QToolButton::clicked, W.BtnLTMerge, Guarded([this](bool) { BtnLTMergeClick(); }));
}

void TArchivePage::Fill() {
  TLapTimePoolConnector& pool = LapTimePoolConnector();
  ReadArchiveLists(pool, State);
  FillArchiveCombo(W.comboLTCars, {QStringLiteral("... all cars ..."), QStringLiteral("... all times ...")},
                   ArchiveCarTexts(State));
  FillArchiveCombo(W.comboLTTracks, {QStringLiteral("... all tracks ..."), QStringLiteral("... all times ...")},
                   ArchiveTrackTexts(State));
  SelectComboItem(W.comboLTCars, 0);
  if (const TTrack* track = RaceSetup.GetCurrentTrack())
    SelectComboText(W.comboLTTracks, TrackNameAndPath(track->GetName(), track->GetFolder()));
  if (W.comboLTTracks->currentIndex() < 0) SelectComboItem(W.comboLTTracks, 0);
  State.FLastGridMode = gmInvalid;
  SetCurrentCar(pool, State, RaceSetup.GetCurrentCarName(), RaceSetup.GetCurrentCarID());
  comboLTChange();
}

TGridMode TArchivePage::GetGridMode() const {
  return GridModeOf(W.comboLTCars->currentIndex(), W.comboLTTracks->currentIndex());
}

std::vector<int> TArchivePage::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : W.ListView1->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int TArchivePage::SelectedRowCount() const { return static_cast<int>(SelectedRows().size()); }

int TArchivePage::FirstSelectedRow() const {
  const std::vector<int> rows = SelectedRows();
  return rows.empty() ? 0 : rows.front();
}

void TArchivePage::SelectLTCar(const QString& name, const QString& id) {
  const int item = ArchiveCarItem(State, name, id);
  if (item >= 0) SelectComboItem(W.comboLTCars, item);
}

void TArchivePage::comboLTChange() {
  GridModel.Fill(LapTimePoolConnector(), State, W.comboLTCars->currentIndex(), W.comboLTTracks->currentIndex());
  const TLapGrid& grid = GridModel.Grid();
  SetCaption(W.LabelLapTime, grid.Caption(), grid.Mode() == gmInvalid ? QColor(255, 0, 0) : QColor(0, 0, 128));
  FitGridColumns(W.ListView1, grid.Columns());
}

void TArchivePage::SelectTarget(QComboBox* combo, const TComboTarget& target,
                                const std::function<void()>& selectOfLap) {
  if (target.Kind == TComboTarget::Item) SelectComboItem(combo, target.Index);
  if (target.Kind == TComboTarget::OfLap) selectOfLap();
}

void TArchivePage::ListView1DblClick() {
  if (SelectedRowCount() != 1) return;
  const TLapPlace lap =
      ReadLapPlace(LapTimePoolConnector(), State.FLTRowIDs.value(FirstSelectedRow()).toInt());
  const TGridMode mode = GetGridMode();
  const TDrillDown target = DrillDownFrom(mode, State.FLastGridMode);
  SelectTarget(W.comboLTTracks, target.Track,
               [&] { SelectComboText(W.comboLTTracks, TrackNameAndPath(lap.TrackName, lap.TrackPath)); });
  SelectTarget(W.comboLTCars, target.Car, [&] { SelectLTCar(lap.CarName, lap.CarID); });
  State.FLastGridMode = mode;
  comboLTChange();
}

void TArchivePage::BtnLTDelClick() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) {
    ShowInformation(QStringLiteral("Cannot delete lap times:\nThere are no lap times selected."));
    return;
  }
  if (!Confirm(QStringLiteral("Do you really want to delete the\nselected lap times from the\nLumox lap time archive?")))
    return;
  TLapTimePoolConnector& pool = LapTimePoolConnector();
  for (int id : LapIDsOfRows(rows, State.FLTRowIDs)) pool.DeleteLapTime(id);
  comboLTChange();
}

void TArchivePage::BtnLTMergeClick() {
  if (ShowDBTools) ShowDBTools();
  Fill();
}

}  // namespace lumox
