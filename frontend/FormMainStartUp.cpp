// The main window's start-up and shut-down: what it reads from the settings and the database
// when it comes up, and what it stores when it goes.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>

#include "archive/DBExpressConnector.h"
#include "archive/FormUpdater.h"
#include "archive/LapTimePool.h"
#include "archive/Schema.h"
#include "frontend/FormMain.h"
#include "frontend/FormWait.h"
#include "installation/FileSystem.h"
#include "installation/Scans.h"
#include "platform/EventGuard.h"
#include "platform/UserMessages.h"

namespace lumox {
namespace {

const QString Program = QStringLiteral("PROGRAM");
const QString AI = QStringLiteral("AI");
const QString ZindoStart = QStringLiteral("ZINDOSTART");
const QString SpeedUp = QStringLiteral("SPEEDUP");
const QString ZindoExeName = QStringLiteral("zindo.exe");
constexpr int DefaultIgnorePercent = 150;
const QString MajorMinor = QStringLiteral("%MAJOR.%MINOR");

// Where the simulator lies when the stored path is no longer right: beside the program, or
// one folder up; empty when in neither.
QString AutodetectZindoExe(const QString& appDir) {
  for (const QString& folder : {appDir, QDir(appDir).absoluteFilePath(QStringLiteral(".."))}) {
    const QString exe = QDir::cleanPath(JoinPath(folder, ZindoExeName));
    if (IsZindoExecutable(exe)) return exe;
  }
  return {};
}

}  // namespace

TFormMain::~TFormMain() { RunGuarded([this] { FormDestroy(); }); }

void TFormMain::StartUp(const QString& appDir) {
  RunGuarded([&] {
    try {
      StartUpSteps(appDir);
    } catch (const std::exception& e) {
      // The window stays with the error; what it then refuses to do says why.
      FState.FStartUpFailure = CauseOf(e);
      throw;
    }
  });
}

void TFormMain::StartUpSteps(const QString& appDir) {
  OpenDatabase(appDir);
  // A database Lumox may not write into (another program's, a newer Lumox's, one whose update
  // was refused or failed) is left as it is: start-up ends, so nothing is stored on the way out.
  if (DatabaseIsForeign() || DatabaseIsNewer()) {
    PostCloseRequest();
    return;
  }
  ReadSettings();
  if (!LocateZindo() || !UpdateDatabase()) {
    PostCloseRequest();
    return;
  }
  LapTimePoolConnector().SetSQLConnection(FState.SQLConnection1.get());
  ReadLaunchOptions();
  ShowPage(ZindoPage.TabSheet3);
  {
    const QSignalBlocker blocker(ZindoPage.pcRace);
    ZindoPage.pcRace->setCurrentIndex(0);
  }
  TFormWait wait;
  wait.ShowNow();
  // Once for an archive of an older 1.4: seconds for hundreds of thousands of laps.
  CompleteLapSchema(*FState.SQLConnection1);
  LoadCarsAndTracks(wait);
  FState.FInitialized = true;
  FillCarAndTrackSelectors();
  wait.SetMessage(QStringLiteral("Scanning controllers ..."));
  FillControllerSets(&wait);
  LoadOptions(&wait);
}

void TFormMain::OpenDatabase(const QString& appDir) {
  FState.FAppDir = appDir;
  FState.SQLConnection1 = std::make_unique<TSQLConnection>(PrepareDatabaseFile(appDir));
  FState.FSettings = std::make_unique<TIniTable>(*FState.SQLConnection1, QStringLiteral("SETTINGS"));
  CARSConnector().SetSQLConnection(FState.SQLConnection1.get(), true);
  TRACKSConnector().SetSQLConnection(FState.SQLConnection1.get(), true);
}

void TFormMain::ReadSettings() {
  TIniTable& settings = *FState.FSettings;
  SettingsWidgets.chkPrvPreferLoading->setChecked(
      settings.ReadBool(Program, QStringLiteral("PREVIEW_PREFER_LOADING"), false));
  FState.FTeleAnalyzerExe = settings.ReadString(Program, QStringLiteral("TELEMETRY_ANALYZER_EXE"), {});
  ZindoPage.Race.cbAIShowOnlyAvailable->setChecked(
      settings.ReadBool(AI, QStringLiteral("SHOW_ONLY_AVAILABLE"), false));
  FState.SetZindoExe(settings.ReadString(Program, QStringLiteral("ZINDO_EXE"), {}));
}

bool TFormMain::LocateZindo() {
  if (IsZindoExecutable(FState.FZindoExe)) return true;
  QString exe = AutodetectZindoExe(FState.FAppDir);
  if (exe.isEmpty()) {
    ShowWarning(QStringLiteral(
        "Lumox could not autodetect the location of your Zindo executable.\r\n"
        "Please use the following dialog to select it manually."));
    exe = LocateZindoExe(FState.FAppDir);
    if (exe.isEmpty()) return false;
  }
  FState.SetZindoExe(exe);
  FState.FSettings->WriteString(Program, QStringLiteral("ZINDO_EXE"), exe);
  return true;
}

TVersion TFormMain::DatabaseVersion() const {
  return TVersion(FState.FSettings->ReadString(QStringLiteral("DATABASE"), QStringLiteral("VERSION"),
                                               QStringLiteral("0.0.0.0")));
}

bool TFormMain::DatabaseIsForeign() const {
  const QString why = WhyNotALumoxArchive(*FState.SQLConnection1);
  if (why.isEmpty()) return false;
  ShowError(QStringLiteral("The database \"%1\" is not a Lumox archive: %2.\r\n"
                           "Lumox leaves it untouched and closes now.\r\n"
                           "Please move it away, or put your Lumox archive in its place.")
                .arg(QDir::toNativeSeparators(FState.SQLConnection1->GetDatabaseFile()), why));
  return true;
}

// Schemas change with the major and minor version only, so a newer release of the same
// schema is no reason to stop.
bool TFormMain::DatabaseIsNewer() const {
  const TVersion database = DatabaseVersion();
  if (!FState.FVersion.IsOlder(database, 2)) return false;
  ShowError(
      QStringLiteral("The database \"%1\" comes from Lumox %2, which is newer than this Lumox %3.\r\n"
                     "This Lumox leaves it untouched, with its settings and lap times, and closes now.\r\n"
                     "Please use Lumox %2 or newer.")
          .arg(QDir::toNativeSeparators(FState.SQLConnection1->GetDatabaseFile()),
               database.Format(MajorMinor), FState.FVersion.Format(MajorMinor)));
  return true;
}

bool TFormMain::UpdateDatabase() {
  const TVersion database = DatabaseVersion();
  if (!database.IsOlder(FState.FVersion, 2)) return true;
  const QString question = QStringLiteral("Lumox will now update the database\r\n") +
                           QStringLiteral("from version %1 to version %2.")
                               .arg(database.Format(MajorMinor), FState.FVersion.Format(MajorMinor));
  if (UserMessages().Show(TMsgKind::Warning, question, TMsgButtons::OkCancel) != TMsgAnswer::Ok) return false;
  // An update that failed leaves the database as a refused one does: the program closes, and the
  // update is offered again at the next start.
  return RunSchemaUpdater(*FState.SQLConnection1, FState.FVersion, database);
}

void TFormMain::ReadLaunchOptions() {
  TIniTable& settings = *FState.FSettings;
  FOptionWidgets.SetChecked("cbBackupBestlaps", settings.ReadBool(ZindoStart, QStringLiteral("BACKUP_BESTLAPS"), false));
  FOptionWidgets.SetIndex("rgFillBestlaps", settings.ReadInteger(ZindoStart, QStringLiteral("FILL_BESTLAPS_MODE"), 0));
  FOptionWidgets.SetIndex("comboFillLapNo", settings.ReadInteger(ZindoStart, QStringLiteral("FILL_BESTLAPS_LAPNO"), 0));
  ImproveWidgets.cbImpIgnore->setChecked(settings.ReadBool(ZindoStart, QStringLiteral("IMP_IGNORE"), false));
  ImproveWidgets.medImpPercent->setText(QString::number(
      settings.ReadInteger(ZindoStart, QStringLiteral("IMP_IGNORE_PERCENT"), DefaultIgnorePercent)));
}

// Each list comes from the cache when its folders are still those of the last close.
void TFormMain::LoadCarsAndTracks(TFormWait& wait) {
  TIniTable& settings = *FState.FSettings;
  const QString& zindoDir = FState.FZindoDir;
  if (TrackFoldersMD5(zindoDir) == settings.ReadString(SpeedUp, QStringLiteral("TRACKS_MD5"), {})) {
    FState.FTracks = std::make_unique<TTracks>(TTracks::CreateFromDB(TRACKSConnector(), zindoDir));
  } else {
    FRaceSetup.ScanTracks(&wait);
  }
  if (CarFoldersMD5(zindoDir) == settings.ReadString(SpeedUp, QStringLiteral("CARS_MD5"), {})) {
    FState.FCars = std::make_unique<TCars>(TCars::CreateFromDB(CARSConnector(), zindoDir));
  } else {
    FRaceSetup.ScanCars(&wait);
  }
}

void TFormMain::PostCloseRequest() { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); }

void TFormMain::EndOnSignal() {
  FEndingOnSignal = true;
  if (isVisible()) close();
  QCoreApplication::exit(0);
}

void TFormMain::closeEvent(QCloseEvent* event) {
  bool mayQuit = true;
  if (!FEndingOnSignal) RunGuarded([&] { mayQuit = FLauncher.MayQuit(); });
  if (!mayQuit) {
    event->ignore();
    return;
  }
  // A failure is reported once; the window closes all the same.
  RunGuarded([this] { FormClose(); });
  event->accept();
}

// Stores only what start-up made: the lists and somewhere to store them.
bool TFormMain::MayStore() const { return FState.FInitialized && FState.FSettings; }

void TFormMain::FormClose() {
  if (!MayStore()) return;
  TIniTable& settings = *FState.FSettings;
  settings.WriteBool(Program, QStringLiteral("PREVIEW_PREFER_LOADING"), SettingsWidgets.chkPrvPreferLoading->isChecked());
  settings.WriteBool(AI, QStringLiteral("SHOW_ONLY_AVAILABLE"), ZindoPage.Race.cbAIShowOnlyAvailable->isChecked());
  StoreCache(settings, SpeedUp, QStringLiteral("CARS_MD5"), *FState.FCars, CARSConnector());
  StoreCache(settings, SpeedUp, QStringLiteral("TRACKS_MD5"), *FState.FTracks, TRACKSConnector());
}

void TFormMain::FormDestroy() {
  if (!MayStore()) return;
  TIniTable& settings = *FState.FSettings;
  settings.WriteBool(ZindoStart, QStringLiteral("BACKUP_BESTLAPS"), FOptionWidgets.Checked("cbBackupBestlaps"));
  settings.WriteInteger(ZindoStart, QStringLiteral("FILL_BESTLAPS_MODE"), FOptionWidgets.Index("rgFillBestlaps"));
  settings.WriteInteger(ZindoStart, QStringLiteral("FILL_BESTLAPS_LAPNO"), FOptionWidgets.Index("comboFillLapNo"));
  settings.WriteBool(ZindoStart, QStringLiteral("IMP_IGNORE"), ImproveWidgets.cbImpIgnore->isChecked());
  bool isNumber = false;
  const int percent = ImproveWidgets.medImpPercent->text().toInt(&isNumber);
  settings.WriteInteger(ZindoStart, QStringLiteral("IMP_IGNORE_PERCENT"), isNumber ? percent : DefaultIgnorePercent);
}

}  // namespace lumox
