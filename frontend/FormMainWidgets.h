#pragma once
// The widgets and actions of the main window, built in code the way a form description
// would build them: names, captions, hints, shortcuts and layout, no behaviour. Every
// widget and action carries its component name as objectName.
#include <QPixmap>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace lumox {

// ActionList1.
struct TMainActions {
  QAction* ActStartZindo;
  QAction* ActSaveOptions;
  QAction* ActViewQLOG;
  QAction* ActStartTeleAnalyzer;
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
TSettingsWidgets CreateSettingsPage();
TAboutPage CreateAboutPage();
// An empty page for a later set of controls.
QWidget* CreateEmptyPage(const char* name);

}  // namespace lumox
