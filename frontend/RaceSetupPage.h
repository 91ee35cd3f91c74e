#pragma once
// The race set-up of the main window: the car, variant, track and control-set selectors of
// "Car and track", the AI opponents of "Race", editing the chosen item's ini file in the
// text editor, and rescans that keep every selection.
#include <QString>
#include <chrono>
#include <functional>

#include "frontend/FormMainWidgets.h"
#include "frontend/RaceSetup.h"

class QAction;
class QComboBox;
class QListWidget;
class QPushButton;
class QTabWidget;
class QWidget;

namespace lumox {

class IProgressSink;
class TFormWait;
struct TFrontEndState;

class TRaceSetupPage {
 public:
  // `launch` is the action that starts the simulator; it waits while the editor runs.
  TRaceSetupPage(TFrontEndState& state, const TZindoPage& page, QAction* launch);

  // Called when the car or track selection (or variant) changed; the previews fill them in.
  std::function<void()> ShowCarPreview;
  std::function<void()> ShowTrackPreview;
  // Called after a rescan of cars or tracks, which runs no change handler.
  std::function<void()> RefreshPreviews;
  // How often a running editor is looked at.
  std::chrono::milliseconds EditorPollInterval{1000};

  // Filling the selectors; none of these runs a selector's change handler, and each leaves
  // its selector without a selection.
  void FillCarCombos();
  void FillTrackCombo(IProgressSink* progress);
  void ScanControllers(IProgressSink* progress);
  // Selects the item for `folder` (a car or track folder, a control-set file), matched
  // exactly; false, and the selection unchanged, when there is none.
  static bool SelectByFolder(QComboBox* combo, const QString& folder);

  // The selected default car and track; null or empty when none is selected.
  const TCar* GetCurrentCar() const;
  QString GetCurrentCarFolder() const;
  QString GetCurrentCarDir() const;
  QString GetCurrentCarName() const;
  QString GetCurrentCarID() const;
  QString GetCurrentCarNameAndID() const;
  QString GetCurrentTrackFolder() const;
  QString GetCurrentTrackDir() const;
  const TTrack* GetCurrentTrack() const;
  // The selected AI car's folder and control-set file; empty when none is selected.
  QString GetCurrentAICarFolder() const;
  QString GetCurrentControllerFile() const;

  // The race's AI opponents and the simulator's key holding them.
  void ParseAICarMultiple(const QString& value);
  QString JoinAICarMultiple() const;
  void FillAvailableAICars();
  void FillRaceAICars();
  void RefreshAILists();
  void UpdateSingleAIControls();

  // Builds the list anew from the folders, with its own wait window when none is given.
  // The old list stays when the scan fails. The race's AI cars move to the new list by folder.
  void ScanCars(TFormWait* wait);
  void ScanTracks(TFormWait* wait);
  // Opens `fileName` in the text editor and waits for it; false when the application quit
  // meanwhile. An editor that cannot be started is reported and counts as closed.
  bool EditWithNotepad(const QString& fileName);

  // Handlers.
  void comboDefaultCarChange();
  void comboDefaultCarVariantChange();
  void comboDefaultTrackChange();
  void BtnAIAddClick();
  void BtnAIAddAllClick();
  void BtnAIRemoveClick();
  void BtnAIRemoveAllClick();
  void cbAIShowOnlyAvailableClick();
  void pcRaceChange();
  void BtnEditCarIniClick();
  void BtnEditTrackIniClick();
  void BtnEditControllerClick();
  void BtnRescanClick();

 private:
  // The selections a rescan keeps.
  struct TSelections {
    QString Car, AICar, Track;
  };
  TSelections CurrentSelections() const;
  void ReselectCars(const TSelections& previous);
  // The race's AI cars moved to a new car list: the lists and the single-AI group show it.
  void RefreshAfterCarScan();
  void ConnectHandlers();
  void ShowPreview(const std::function<void()>& show) const;

  TFrontEndState& State;
  const TCarAndTrackWidgets& CarAndTrack;
  const TRaceWidgets& Race;
  QWidget* TabCarAndTrack;
  QWidget* TabRace;
  QTabWidget* pcRace;
  QAction* ActStartZindo;
  QPushButton* BtnRescan;
};

}  // namespace lumox
