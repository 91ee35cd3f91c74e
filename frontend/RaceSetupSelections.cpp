#include "frontend/RaceSetupSelections.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace lumox {

QComboBox* TRaceSetupSelections::Combo(TRaceSelector selector) const {
  const TCarAndTrackWidgets& w = Widgets.CarAndTrack;
  switch (selector) {
    case TRaceSelector::DefaultCar: return w.comboDefaultCar;
    case TRaceSelector::DefaultTrack: return w.comboDefaultTrack;
    case TRaceSelector::ControlSet: return w.comboController;
    case TRaceSelector::AICar: return w.comboAICar;
  }
  return w.comboDefaultCar;
}

QString TRaceSetupSelections::Selected(TRaceSelector selector) const {
  switch (selector) {
    case TRaceSelector::DefaultCar: return Page.GetCurrentCarFolder();
    case TRaceSelector::DefaultTrack: return Page.GetCurrentTrackFolder();
    case TRaceSelector::ControlSet: return Page.GetCurrentControllerFile();
    case TRaceSelector::AICar: return Page.GetCurrentAICarFolder();
  }
  return {};
}

void TRaceSetupSelections::Select(TRaceSelector selector, const QString& name) {
  TRaceSetupPage::SelectByFolder(Combo(selector), name);
}

void TRaceSetupSelections::SetSelectorEnabled(TRaceSelector selector, bool enabled) {
  Combo(selector)->setEnabled(enabled);
}

void TRaceSetupSelections::SelectionChanged(TRaceSelector selector) {
  switch (selector) {
    case TRaceSelector::DefaultCar: Page.comboDefaultCarChange(); break;
    case TRaceSelector::DefaultTrack: Page.comboDefaultTrackChange(); break;
    case TRaceSelector::ControlSet:
    case TRaceSelector::AICar: break;  // nothing follows these selections
  }
}

QString TRaceSetupSelections::AICarCount() const { return Widgets.CarAndTrack.medAICars->text(); }

void TRaceSetupSelections::SetAICarCount(const QString& text) { Widgets.CarAndTrack.medAICars->setText(text); }

void TRaceSetupSelections::SetAICarCountEnabled(bool enabled) { Widgets.CarAndTrack.medAICars->setEnabled(enabled); }

void TRaceSetupSelections::ShowMultiAICars(bool shown) {
  const TRaceWidgets& r = Widgets.Race;
  for (QWidget* multi : std::initializer_list<QWidget*>{r.lblAvailableCars, r.lblCarsInRace, r.lbAvailableAICars,
                                                        r.lbRaceAICars, r.BtnAIAdd, r.BtnAIAddAll, r.BtnAIRemove,
                                                        r.BtnAIRemoveAll})
    multi->setVisible(shown);
  r.lblNoMultiAICars->setVisible(!shown);
}

}  // namespace lumox
