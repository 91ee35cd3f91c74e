#pragma once
#include <QMainWindow>
#include <memory>

#include "frontend/FormMainWidgets.h"
#include "frontend/FrontEndState.h"
#include "frontend/OpenDialog.h"
#include "frontend/OptionPages.h"
#include "frontend/KeptRaceSelections.h"
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

  TFrontEndState& State() { return FState; }

  // A valid simulator executable picked by the user starting in `initialDir`, or the empty
  // text when they give up.
  QString LocateZindoExe(const QString& initialDir);
  // Shows `page` of PageControl1 as the program's own change: no page handler runs.
  void ShowPage(QWidget* page);

  // Reads zindo.ini into the option pages, once at start-up after the selectors are filled;
  // `wait` shows it when given.
  void LoadOptions(TFormWait* wait = nullptr);
  // Writes the option pages into zindo.ini, on request and before every launch. Throws ELumox,
  // writing nothing, when the options were not read completely or the file cannot be written.
  void SaveOptions();

 private:
  // The creation handler: runs once the widgets exist; start-up goes on from here.
  void FormCreate();
  void ConnectHandlers();

  // The user moved to another page of PageControl1.
  void PageControl1Switched();
  // May the page shown so far be left? Settings checks and stores its paths here.
  bool PageControl1Changing();
  // A page was entered.
  void PageControl1Change();
  void BtnSettingsLocateZindoClick();
  void BtnSettingsLocateTeleClick();
  void ActViewQLOGExecute();
  void BtnSaveOptionsClick();


  TFrontEndState FState;
  std::unique_ptr<IOpenDialog> OpenDialog1;
  TSettingsPage FSettingsPage;

  TMainActions ActionList1;
  QTabWidget* PageControl1;
  TZindoPage ZindoPage;
  TOptionWidgets FOptionWidgets;
  TKeptRaceSelections FRaceSelections;  // until the race set-up's selectors are on the window
  TZindoOptions FOptions;
  QWidget* TabGrid;
  QWidget* TabImprove;
  TSettingsWidgets SettingsWidgets;
  TAboutPage AboutPage;
  QWidget* FPageShown;  // the page the page handlers last saw
};

}  // namespace lumox
