#pragma once
// The widgets and actions of the main window, built in code the way a form description
// would build them: names, captions, hints, shortcuts and layout, no behaviour. Every
// widget and action carries its component name as objectName.
#include <QPixmap>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QTabWidget;
class QToolButton;
class QWidget;

namespace lumox {

class TImage32View;
class TImprovementChart;

// ActionList1.
struct TMainActions {
  QAction* ActStartZindo;
  QAction* ActSaveOptions;
  QAction* ActViewQLOG;
  QAction* ActStartTeleAnalyzer;
};

// TabCarAndTrack "Car and track": the default car, its variant, the track, the control set
// and the single AI car.
struct TCarAndTrackWidgets {
  QComboBox* comboDefaultCar;
  QToolButton* BtnEditCarIni;
  QLabel* LblVariant;
  QComboBox* comboDefaultCarVariant;
  QComboBox* comboDefaultTrack;
  QToolButton* BtnEditTrackIni;
  QComboBox* comboController;
  QToolButton* BtnEditController;
  // Group "AI car"; lblNoSingleAI stands in for the others while several AI cars race.
  QLabel* Label15;
  QComboBox* comboAICar;
  QLabel* Label16;
  QLineEdit* medAICars;
  QLabel* lblNoSingleAI;
  // Group "Car and track preview", beside the selectors.
  TImage32View* ImgCarPrv;
  TImage32View* ImgTrackPrv;
};

// TabRace "Race": the race's AI opponents.
struct TRaceWidgets {
  QLabel* lblAvailableCars;
  QListWidget* lbAvailableAICars;
  QCheckBox* cbAIShowOnlyAvailable;
  QLabel* lblCarsInRace;
  QListWidget* lbRaceAICars;
  QPushButton* BtnAIAdd;
  QPushButton* BtnAIRemove;
  QPushButton* BtnAIAddAll;
  QPushButton* BtnAIRemoveAll;
  QLabel* lblNoMultiAICars;  // shown instead of the lists when the simulator has no AI list
};

// TabSheet3 "Zindo": the simulator's option pages and the launch buttons.
struct TZindoPage {
  QWidget* TabSheet3;
  QTabWidget* pcRace;
  // The pages of pcRace, in their order; the option and race set-up controls go on them.
  QWidget* TabCarAndTrack;
  QWidget* TabRace;
  QWidget* TabDisplayOptions;
  QWidget* TabMiscOptions;
  QWidget* TabTelemetryLogging;
  QWidget* TabLumoxOptions;
  TCarAndTrackWidgets CarAndTrack;
  TRaceWidgets Race;
  QPushButton* BtnStartZindo;
  QPushButton* BtnSaveOptions;
  QPushButton* BtnRescan;
  QPushButton* BtnViewQLOG;
  QPushButton* BtnStartTeleAnalyzer;
};

// TabSettings "Settings": the program's own paths and the track-preview preference.
struct TSettingsWidgets {
  QWidget* TabSettings;
  QLineEdit* EditSettingsZindoPath;
  QPushButton* BtnSettingsLocateZindo;
  QLineEdit* EditSettingsTelePath;
  QPushButton* BtnSettingsLocateTele;
  QCheckBox* chkPrvPreferLoading;
};

// TabGrid "Lap time archive": the archived laps of a car, a track or both.
struct TArchiveWidgets {
  QWidget* TabGrid;
  QComboBox* comboLTTracks;
  QComboBox* comboLTCars;
  QLabel* LabelLapTime;
  QTableView* ListView1;
  QToolButton* BtnLTMerge;
  QToolButton* BtnLTDel;
};

// TabImprove "Lap time graphs": the personal best of a car on a track over time.
struct TImproveWidgets {
  QWidget* TabImprove;
  QComboBox* comboImpTracks;
  QComboBox* comboImpCars;
  QCheckBox* cbImpIgnore;
  QLineEdit* medImpPercent;
  TImprovementChart* ChartImp;
  QLabel* lblImpNoTimes;  // over the chart
};

// TabAbout "About Lumox && Help".
struct TAboutPage {
  QWidget* TabAbout;
  QLabel* LblAboutVersion;
  QPushButton* BtnHelp;
};

// The program's 32 x 32 icon.
QPixmap LumoxIcon();

// The actions, added to `window` so that their shortcuts work on every page.
TMainActions CreateMainActions(QWidget* window);
// The pages; the buttons of the Zindo page act through `actions`.
TZindoPage CreateZindoPage(const TMainActions& actions);
TArchiveWidgets CreateArchivePage();
TImproveWidgets CreateImprovePage();
TSettingsWidgets CreateSettingsPage();
TAboutPage CreateAboutPage();
// An empty page for a later set of controls.
QWidget* CreateEmptyPage(const char* name);
// Makes `pages` show every tab's whole caption, so that its size needs room for all of them.
void ShowAllTabs(QTabWidget* pages);
// Makes the layout keep the room of `widget` while it is hidden: the window is sized for the
// widgets shown first, and one shown in place of others later must fit as well.
void KeepRoomWhenHidden(QWidget* widget);

}  // namespace lumox
