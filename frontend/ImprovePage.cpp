#include "frontend/ImprovePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

#include "archive/LapTimePool.h"
#include "frontend/ArchivePage.h"
#include "platform/EventGuard.h"
#include "frontend/FrontEndState.h"
#include "frontend/Improvement.h"
#include "frontend/ImprovementChart.h"
#include "frontend/LapGrid.h"
#include "frontend/RaceSetupPage.h"

namespace lumox {
namespace {

// Runs a handler when the watched widget loses the focus.
class TFocusOutFilter final : public QObject {
 public:
  TFocusOutFilter(QWidget* watched, std::function<void()> handler) : QObject(watched), Handler(std::move(handler)) {
    watched->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) Handler();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> Handler;
};

// The selector's item has its entry in the archive's list.
bool HasEntry(const QComboBox* combo, const QStringList& list) {
  return combo->currentIndex() >= 0 && combo->currentIndex() < list.size();
}

}  // namespace

TImprovePage::TImprovePage(TFrontEndState& state, const TImproveWidgets& widgets, const TRaceSetupPage& raceSetup)
    : State(state), W(widgets), RaceSetup(raceSetup) {
  ConnectHandlers();
}

void TImprovePage::ConnectHandlers() {
  for (QComboBox* combo : {W.comboImpCars, W.comboImpTracks})
    QObject::connect(combo, &QComboBox::activated, combo, Guarded([this](int) { comboImpChange(); }));
  QObject::connect(W.cbImpIgnore, &QCheckBox::clicked, W.cbImpIgnore, Guarded([this](bool) { comboImpChange(); }));
  new TFocusOutFilter(W.medImpPercent, [this] { RunGuardedNoModal([this] { comboImpChange(); }); });
}

void TImprovePage::Fill() {
  TLapTimePoolConnector& pool = LapTimePoolConnector();
  ReadArchiveLists(pool, State);
  FillArchiveCombo(W.comboImpCars, {}, ArchiveCarTexts(State));
  FillArchiveCombo(W.comboImpTracks, {}, ArchiveTrackTexts(State));
  if (const TTrack* track = RaceSetup.GetCurrentTrack())
    SelectComboText(W.comboImpTracks, TrackNameAndPath(track->GetName(), track->GetFolder()));
  if (RaceSetup.GetCurrentCar()) SelectComboText(W.comboImpCars, RaceSetup.GetCurrentCarNameAndID());
  for (QComboBox* combo : {W.comboImpCars, W.comboImpTracks})
    if (combo->currentIndex() < 0 && combo->count() > 0) SelectComboItem(combo, 0);
  State.FLastGridMode = gmInvalid;
  SetCurrentCar(pool, State, RaceSetup.GetCurrentCarName(), RaceSetup.GetCurrentCarID());
  comboImpChange();
}

void TImprovePage::comboImpChange() {
  if (!State.FInitialized) return;
  W.lblImpNoTimes->hide();
  W.ChartImp->SetPoints({});
  // Without a car or a track there is nothing to draw, and nothing to read; an archive
  // without laps has no times at all.
  if (!HasEntry(W.comboImpTracks, State.FLTTrackNames) || !HasEntry(W.comboImpCars, State.FLTCarNames)) {
    W.lblImpNoTimes->setVisible(State.FLTCarNames.isEmpty());
    return;
  }
  const int track = W.comboImpTracks->currentIndex();
  const int car = W.comboImpCars->currentIndex();
  QStringList times, dates;
  LapTimePoolConnector().GetLapTimesForCarAndTrack(State.FLTCarNames[car], State.FLTCarIDs.value(car),
                                                   State.FLTTrackNames[track], State.FLTTrackPaths.value(track),
                                                   nullptr, times, dates, true);
  if (times.isEmpty()) {
    W.lblImpNoTimes->show();
    return;
  }
  W.ChartImp->SetPoints(
      ImprovementPoints(times, dates, IgnorePercent(W.cbImpIgnore->isChecked(), W.medImpPercent->text())));
}

}  // namespace lumox
