#include "frontend/FormMain.h"

#include "frontend/QLogViewer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "archive/FormDBTools.h"
#include "archive/LapTimePool.h"
#include "frontend/FormWait.h"
#include "frontend/Previews.h"
#include "frontend/WhileWaiting.h"
#include "platform/EventGuard.h"
#include "platform/UserMessages.h"
#include "visualstyles/ThemeManager.h"

namespace lumox {
namespace {

constexpr QSize DesignClientSize(596, 422);

}  // namespace

TFormMain::TFormMain(std::unique_ptr<IOpenDialog> openDialog)
    : OpenDialog1(std::move(openDialog)),
      FSettingsPage(FState, *OpenDialog1),
      ActionList1(CreateMainActions(this)),
      PageControl1(new QTabWidget),
      ZindoPage(CreateZindoPage(ActionList1)),
      FRaceSetup(FState, ZindoPage, ActionList1.ActStartZindo),
      FOptionWidgets(ZindoPage.TabSheet3),
      FRaceSelections(FRaceSetup, ZindoPage),
      FOptions({FOptionWidgets, FRaceSelections}),
      ArchiveWidgets(CreateArchivePage()),
      FArchivePage(FState, ArchiveWidgets, FRaceSetup),
      ImproveWidgets(CreateImprovePage()),
      FImprovePage(FState, ImproveWidgets, FRaceSetup),
      SettingsWidgets(CreateSettingsPage()),
      AboutPage(CreateAboutPage()),
      ManualImport(CreateManualImportGroup()),
      FLauncher(FState, LapTimePoolConnector()),
      FPageShown(ZindoPage.TabSheet3) {
  setWindowTitle(QStringLiteral("Lumox for Zindo"));
  setWindowIcon(LumoxIcon());
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  ShowAllTabs(PageControl1);
  PageControl1->addTab(ZindoPage.TabSheet3, QStringLiteral("Zindo"));
  PageControl1->addTab(ArchiveWidgets.TabGrid, QStringLiteral("Lap time archive"));
  PageControl1->addTab(ImproveWidgets.TabImprove, QStringLiteral("Lap time graphs"));
  PageControl1->addTab(SettingsWidgets.TabSettings, QStringLiteral("Settings"));
  PageControl1->addTab(AboutPage.TabAbout, QStringLiteral("About Lumox && Help"));
  CreateOptionControls(ZindoPage);
  setCentralWidget(PageControl1);
  PlaceManualImportGroup();
  // The design size holds at the fonts it was made for; other fonts may need more room. The
  // layouts of widgets never shown keep sizes from before their children came.
  ensurePolished();
  for (QWidget* widget : findChildren<QWidget*>()) widget->updateGeometry();
  for (QLayout* layout : findChildren<QLayout*>()) layout->invalidate();
  resize(DesignClientSize.expandedTo(minimumSizeHint()));
  setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen()->availableGeometry()));
  FArchivePage.ShowDBTools = [this] { ShowDBTools(this); };
  FRaceSetup.ShowCarPreview = [this] { ShowCarPreview(); };
  FRaceSetup.ShowTrackPreview = [this] { ShowTrackPreview(); };
  FRaceSetup.RefreshPreviews = [this] { RefreshPreviews(); };
  ConnectHandlers();
  LapTimeOptions = [this] { return LapTimeOptionsShown(); };
  // SaveOptions raises when it refuses to write; the launch then stops with that error.
  FLauncher.SaveOptions = [this] {
    SaveOptions();
    return true;
  };
  auto* themeManager = new TThemeManager(this);
  themeManager->setObjectName(QStringLiteral("ThemeManager1"));
  themeManager->Loaded();
  RunGuarded([this] { FormCreate(); });
}

void TFormMain::FormCreate() {
  FState.FInitialized = false;
  FState.FVersion = TVersion::CreateFromModule();
  setWindowTitle(windowTitle() + FState.FVersion.Format(QStringLiteral(" - Version %MAJOR.%MINOR.%RELEASE")));
  AboutPage.LblAboutVersion->setText(
      FState.FVersion.Format(QStringLiteral("Version %MAJOR.%MINOR.%RELEASE")));
  setMinimumWidth(width());
  setMaximumWidth(width());
  setMinimumHeight(height());
  FState.FAppDir = QCoreApplication::applicationDirPath();
}

void TFormMain::ConnectHandlers() {
  connect(PageControl1, &QTabWidget::currentChanged, this, Guarded([this](int) { PageControl1Switched(); }));
  connect(SettingsWidgets.BtnSettingsLocateZindo, &QPushButton::clicked, this,
          Guarded([this](bool) { BtnSettingsLocateZindoClick(); }));
  connect(SettingsWidgets.BtnSettingsLocateTele, &QPushButton::clicked, this,
          Guarded([this](bool) { BtnSettingsLocateTeleClick(); }));
  connect(ActionList1.ActViewQLOG, &QAction::triggered, this, Guarded([this](bool) { ActViewQLOGExecute(); }));
  connect(ActionList1.ActStartZindo, &QAction::triggered, this,
          Guarded([this](bool) { BtnStartZindoClick(); }));
  connect(ActionList1.ActStartTeleAnalyzer, &QAction::triggered, this,
          Guarded([this](bool) { BtnStartTeleAnalyzerClick(); }));
  connect(AboutPage.BtnHelp, &QPushButton::clicked, this, Guarded([this](bool) { BtnHelpClick(); }));
  connect(ManualImport.BtnOneTimeImport, &QPushButton::clicked, this,
          Guarded([this](bool) { BtnOneTimeImportClick(); }));
  connect(ActionList1.ActSaveOptions, &QAction::triggered, this, Guarded([this](bool) { BtnSaveOptionsClick(); }));
  FOptionWidgets.ConnectHandlers();
}

void TFormMain::PlaceManualImportGroup() {
  auto* layout = qobject_cast<QBoxLayout*>(ZindoPage.TabLumoxOptions->layout());
  layout->addWidget(ManualImport.Group);
  layout->addStretch();
}

TLapTimeOptions TFormMain::LapTimeOptionsShown() const {
  return {FOptionWidgets.Index("rgFillBestlaps"), FOptionWidgets.Index("comboFillLapNo"),
          FOptionWidgets.Checked("cbBackupBestlaps")};
}

void TFormMain::ShowCarPreview() {
  const TCarAndTrackWidgets& w = ZindoPage.CarAndTrack;
  const QString file = FState.FVariants.GetPreviewFileName(w.comboDefaultCarVariant->currentIndex());
  ShowPreview(*w.ImgCarPrv, {file.isEmpty() ? NoPreviewFile(FState.FAppDir) : file, TScaleMode::smStretch});
}

void TFormMain::ShowTrackPreview() {
  const QString dir = FRaceSetup.GetCurrentTrackDir();
  if (dir.isEmpty()) return;
  ShowPreview(*ZindoPage.CarAndTrack.ImgTrackPrv,
              ChooseTrackPreview(dir, SettingsWidgets.chkPrvPreferLoading->isChecked(), FState.FAppDir));
}

void TFormMain::RefreshPreviews() {
  const TCarAndTrackWidgets& w = ZindoPage.CarAndTrack;
  if (FRaceSetup.GetCurrentCar())
    ShowCarPreview();
  else
    ClearPreview(*w.ImgCarPrv);
  if (FRaceSetup.GetCurrentTrackFolder().isEmpty())
    ClearPreview(*w.ImgTrackPrv);
  else
    ShowTrackPreview();
}

void TFormMain::BtnStartZindoClick() {
  const QComboBox* variants = ZindoPage.CarAndTrack.comboDefaultCarVariant;
  const TLaunchRequest request{LapTimeOptions(), variants->isEnabled(), variants->currentIndex()};
  const TCarAndTrackWidgets& carAndTrack = ZindoPage.CarAndTrack;
  // No second launch, import or editor wait inside this one's wait, and no saving of
  // zindo.ini, which the simulator reads while it runs.
  const TWhileWaiting busy({ActionList1.ActStartZindo, ActionList1.ActSaveOptions},
                           {ManualImport.BtnOneTimeImport, carAndTrack.BtnEditCarIni,
                            carAndTrack.BtnEditTrackIni, carAndTrack.BtnEditController, ZindoPage.BtnRescan});
  FLauncher.StartZindo(request);
}

void TFormMain::BtnStartTeleAnalyzerClick() { FLauncher.StartTeleAnalyzer(); }

void TFormMain::BtnHelpClick() { FLauncher.ShowHelp(); }

void TFormMain::BtnOneTimeImportClick() { FLauncher.OneTimeImport(); }

// While the simulator runs it may write to its log, which saving would replace.
void TFormMain::ActViewQLOGExecute() {
  ShowQLogViewer(this, FState.FZindoDir, FLauncher.IsLaunching() ? TLogSaving::Off : TLogSaving::On);
}

void TFormMain::LoadOptions(TFormWait* wait) {
  if (wait) wait->Start(QStringLiteral("Read Zindo.ini file ..."), 3);
  FOptions.Load(FState.FZindoDir);
  if (wait) wait->StepBy(1);
}

void TFormMain::SaveOptions() {
  FState.RequireCompleteStartUp(QStringLiteral("The options have not been saved"));
  FOptions.Save(FState.FZindoDir);
}

void TFormMain::BtnSaveOptionsClick() {
  SaveOptions();
  ShowInformation(QStringLiteral("The current options have been\nsaved to the Zindo.ini file."));
}

QString TFormMain::LocateZindoExe(const QString& initialDir) {
  return FSettingsPage.LocateZindoExe(initialDir);
}

void TFormMain::ShowPage(QWidget* page) {
  const QSignalBlocker blocker(PageControl1);
  PageControl1->setCurrentWidget(page);
  FPageShown = page;
}

void TFormMain::FillCarAndTrackSelectors(IProgressSink* progress) {
  FRaceSetup.FillTrackCombo(progress);
  FRaceSetup.FillCarCombos();
}

void TFormMain::FillControllerSets(IProgressSink* progress) { FRaceSetup.ScanControllers(progress); }

void TFormMain::PageControl1Switched() {
  QWidget* const entered = PageControl1->currentWidget();
  bool allowed = false;
  // A failure while leaving keeps the user on the page, as a refusal does.
  RunGuarded([&] { allowed = PageControl1Changing(); });
  if (!allowed) {
    ShowPage(FPageShown);
    return;
  }
  FPageShown = entered;
  PageControl1Change();
}

bool TFormMain::PageControl1Changing() {
  if (FPageShown != SettingsWidgets.TabSettings) return true;
  return FSettingsPage.Leave(SettingsWidgets.EditSettingsZindoPath->text(),
                             SettingsWidgets.EditSettingsTelePath->text());
}

void TFormMain::PageControl1Change() {
  // The archive pages read the lists start-up made; before that there is nothing to show.
  if (FPageShown == ArchiveWidgets.TabGrid && FState.FInitialized) FArchivePage.Fill();
  if (FPageShown == ImproveWidgets.TabImprove && FState.FInitialized) FImprovePage.Fill();
  if (FPageShown == SettingsWidgets.TabSettings) {
    SettingsWidgets.EditSettingsZindoPath->setText(FSettingsPage.ZindoExe());
    SettingsWidgets.EditSettingsTelePath->setText(FSettingsPage.TeleAnalyzerExe());
  }
}

void TFormMain::BtnSettingsLocateZindoClick() {
  QLineEdit* edit = SettingsWidgets.EditSettingsZindoPath;
  edit->setText(FSettingsPage.LocateZindoExeFrom(edit->text()));
}

void TFormMain::BtnSettingsLocateTeleClick() {
  SettingsWidgets.EditSettingsTelePath->setText(FSettingsPage.LocateTeleAnalyzer());
}

}  // namespace lumox
