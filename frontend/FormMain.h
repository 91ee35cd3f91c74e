#pragma once
#include <QMainWindow>
#include <functional>
#include <memory>

#include "frontend/ArchivePage.h"
#include "frontend/FormMainWidgets.h"
#include "frontend/FrontEndState.h"
#include "frontend/ImprovePage.h"
#include "frontend/Launcher.h"
#include "frontend/ManualImportGroup.h"
#include "frontend/OpenDialog.h"
#include "frontend/RaceSetupPage.h"
#include "frontend/OptionPages.h"
#include "frontend/RaceSetupSelections.h"
#include "frontend/SettingsPage.h"
#include "frontend/ZindoOptions.h"

class QTabWidget;

namespace lumox {

// The program's one main window: the page control with the simulator, archive, graph,
// settings and about pages, the actions with their shortcuts, and the state the front end
// shares.
class TFormWait;

class TFormMain final : public QMainWindow {
 public:
  explicit TFormMain(std::unique_ptr<IOpenDialog> openDialog = std::make_unique<TOpenDialog>());

  // Stores the settings only when start-up got that far.
  ~TFormMain() override;

  TFrontEndState& State() { return FState; }

  // Brings the program up over the installation and the database beside `appDir` (the
  // program's folder): settings, the simulator, the database version, the car and track
  // lists and the option pages. An error is reported and ends start-up; the window is left
  // uninitialised, stores nothing, and refuses to save the options or start the simulator,
  // naming that error. Where start-up gives up (no simulator, update refused) a close request
  // is posted.
  void StartUp(const QString& appDir);

  // Ctrl+C or kill: the window closes as the user closes it, but without asking anything, and
  // the application quits. During start-up the dialogs and waits end, and the window closes
  // once start-up is done. A race's laps are imported at once, as far as the simulator wrote
  // them; what it writes later stays in its files for the next launch.
  void EndOnSignal();

  // A valid simulator executable picked by the user starting in `initialDir`, or the empty
  // text when they give up.
  QString LocateZindoExe(const QString& initialDir);
  // Shows `page` of PageControl1 as the program's own change: no page handler runs.
  void ShowPage(QWidget* page);

  // Start-up's entry points once the car and track lists are built: the track selector
  // (stepping `progress` per track when given), then both car selectors.
  void FillCarAndTrackSelectors(IProgressSink* progress = nullptr);
  // Lists the control sets, reporting to `progress` when given.
  void FillControllerSets(IProgressSink* progress = nullptr);
  // The car, track, control-set and AI selectors and their handlers.
  TRaceSetupPage& RaceSetup() { return FRaceSetup; }
  // The lap-time archive page and the improvement chart page.
  TArchivePage& ArchivePage() { return FArchivePage; }
  TImprovePage& ImprovePage() { return FImprovePage; }

  // The simulator launch, the other programs and the lap-time exchange; its SaveOptions hook
  // is the option pages' writer.
  TLauncher& Launcher() { return FLauncher; }
  // The lap-time options of "Lap time handling (Lumox)" as the user set them.
  std::function<TLapTimeOptions()> LapTimeOptions;
  // Reads zindo.ini into the option pages, once at start-up after the selectors are filled;
  // `wait` shows it when given.
  void LoadOptions(TFormWait* wait = nullptr);
  // Writes the option pages into zindo.ini, on request and before every launch. Throws ELumox,
  // writing nothing, when start-up ended early, the options were not read completely or the
  // file cannot be written.
  void SaveOptions();

 private:
  // The creation handler: runs once the widgets exist; start-up goes on from here.
  void FormCreate();
  // Start-up's steps after the window is set up.
  void StartUpSteps(const QString& appDir);
  void OpenDatabase(const QString& appDir);
  // The schema version the database was last brought to.
  TVersion DatabaseVersion() const;
  // True, once the user is told, when the database is another program's, or a newer Lumox made
  // it: this one must not write into it.
  bool DatabaseIsForeign() const;
  bool DatabaseIsNewer() const;
  void ReadSettings();
  // False when no simulator was found and the user gave up looking.
  bool LocateZindo();
  // False when the user refused the update or it failed.
  bool UpdateDatabase();
  void ReadLaunchOptions();
  void LoadCarsAndTracks(TFormWait& wait);
  void PostCloseRequest();
  // Shut-down: the close stores the settings and rewrites the car and track cache; the
  // destruction stores the launch options.
  void closeEvent(QCloseEvent* event) override;
  void FormClose();
  bool MayStore() const;
  void FormDestroy();
  void ConnectHandlers();
  // The group "Manual lap time import" goes below the lap-time options.
  void PlaceManualImportGroup();
  TLapTimeOptions LapTimeOptionsShown() const;
  // The chosen car's (or variant's) picture, and the chosen track's.
  void ShowCarPreview();
  void ShowTrackPreview();
  // After a rescan: the pictures of the selection as it now stands, read anew; a view whose
  // selection is gone is left empty.
  void RefreshPreviews();

  // The user moved to another page of PageControl1.
  void PageControl1Switched();
  // May the page shown so far be left? Settings checks and stores its paths here.
  bool PageControl1Changing();
  // A page was entered.
  void PageControl1Change();
  void BtnSettingsLocateZindoClick();
  void BtnSettingsLocateTeleClick();
  void ActViewQLOGExecute();
  void BtnStartZindoClick();
  void BtnStartTeleAnalyzerClick();
  void BtnHelpClick();
  void BtnOneTimeImportClick();
  void BtnSaveOptionsClick();

  TFrontEndState FState;
  std::unique_ptr<IOpenDialog> OpenDialog1;
  TSettingsPage FSettingsPage;

  TMainActions ActionList1;
  QTabWidget* PageControl1;
  TZindoPage ZindoPage;
  TRaceSetupPage FRaceSetup;
  TOptionWidgets FOptionWidgets;
  TRaceSetupSelections FRaceSelections;  // the option pages' view of FRaceSetup
  TZindoOptions FOptions;
  TArchiveWidgets ArchiveWidgets;
  TArchivePage FArchivePage;
  TImproveWidgets ImproveWidgets;
  TImprovePage FImprovePage;
  TSettingsWidgets SettingsWidgets;
  TAboutPage AboutPage;
  TManualImportGroup ManualImport;
  TLauncher FLauncher;
  QWidget* FPageShown;  // the page the page handlers last saw
  bool FEndingOnSignal = false;
};

}  // namespace lumox
