#include "frontend/RaceSetupPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <exception>
#include <vector>

#include "platform/EventGuard.h"
#include "frontend/FormWait.h"
#include "frontend/FrontEndState.h"
#include "frontend/WhileWaiting.h"
#include "installation/FileSystem.h"
#include "installation/Scans.h"
#include "platform/ChildProcess.h"
#include "platform/UserMessages.h"

namespace lumox {
namespace {

// Replaces the items; programmatic, so no handler runs, and nothing is left selected.
void FillCombo(QComboBox* combo, const TSelectorItems& items) {
  const QSignalBlocker blocker(combo);
  combo->clear();
  for (const TSelectorItem& item : items) combo->addItem(item.Text, item.Key);
  combo->setCurrentIndex(-1);
}

void FillList(QListWidget* list, const TSelectorItems& items) {
  const QSignalBlocker blocker(list);
  list->clear();
  for (const TSelectorItem& item : items) {
    auto* entry = new QListWidgetItem(item.Text, list);
    entry->setData(Qt::UserRole, item.Key);
  }
}

QString SelectedKey(const QComboBox* combo) { return combo->currentData().toString(); }

// A text of `car`, empty without a car.
template <class Get>
QString OfCar(const TCar* car, Get get) {
  return car ? (car->*get)() : QString();
}

std::vector<int> SelectedRows(const QListWidget* list) {
  std::vector<int> rows;
  for (int row = 0; row < list->count(); ++row) {
    if (list->item(row)->isSelected()) rows.push_back(row);
  }
  return rows;
}

QStringList KeysOfRows(const QListWidget* list, const std::vector<int>& rows) {
  QStringList keys;
  for (int row : rows) keys.append(list->item(row)->data(Qt::UserRole).toString());
  return keys;
}

std::vector<int> AllRows(const QListWidget* list) {
  std::vector<int> rows(std::size_t(list->count()));
  for (int row = 0; row < list->count(); ++row) rows[std::size_t(row)] = row;
  return rows;
}

// Selects `folder` again after its list was rebuilt; tells the user when it is gone.
// Nothing was selected before: nothing to find.
void Reselect(QComboBox* combo, const QString& folder, const char* kind) {
  if (folder.isEmpty() || TRaceSetupPage::SelectByFolder(combo, folder)) return;
  ShowInformation(QStringLiteral("Could not find %1 \"%2\",\r\nplease select one manually.")
                      .arg(QLatin1String(kind), folder));
}

// The caller's wait window, else one of our own for as long as this lives.
class TScanWait {
 public:
  TScanWait(TFormWait* given, const QString& message) : Wait(given) {
    if (!Wait) {
      Own = std::make_unique<TFormWait>();
      Own->ShowNow();
      Wait = Own.get();
    }
    Wait->SetMessage(message);
  }
  TFormWait* Get() const { return Wait; }

 private:
  std::unique_ptr<TFormWait> Own;
  TFormWait* Wait;
};

}  // namespace

TRaceSetupPage::TRaceSetupPage(TFrontEndState& state, const TZindoPage& page, QAction* launch)
    : State(state),
      CarAndTrack(page.CarAndTrack),
      Race(page.Race),
      TabCarAndTrack(page.TabCarAndTrack),
      TabRace(page.TabRace),
      pcRace(page.pcRace),
      ActStartZindo(launch),
      BtnRescan(page.BtnRescan) {
  ConnectHandlers();
}

void TRaceSetupPage::ConnectHandlers() {
  const auto on = [](auto* sender, auto signal, void (TRaceSetupPage::*handler)(), TRaceSetupPage* self) {
    QObject::connect(sender, signal, sender, Guarded([self, handler](auto&&...) { (self->*handler)(); }));
  };
  const TCarAndTrackWidgets& c = CarAndTrack;
  on(c.comboDefaultCar, &QComboBox::activated, &TRaceSetupPage::comboDefaultCarChange, this);
  on(c.comboDefaultCarVariant, &QComboBox::activated, &TRaceSetupPage::comboDefaultCarVariantChange, this);
  on(c.comboDefaultTrack, &QComboBox::activated, &TRaceSetupPage::comboDefaultTrackChange, this);
  on(c.BtnEditCarIni, &QToolButton::clicked, &TRaceSetupPage::BtnEditCarIniClick, this);
  on(c.BtnEditTrackIni, &QToolButton::clicked, &TRaceSetupPage::BtnEditTrackIniClick, this);
  on(c.BtnEditController, &QToolButton::clicked, &TRaceSetupPage::BtnEditControllerClick, this);
  const TRaceWidgets& r = Race;
  on(r.BtnAIAdd, &QPushButton::clicked, &TRaceSetupPage::BtnAIAddClick, this);
  on(r.BtnAIAddAll, &QPushButton::clicked, &TRaceSetupPage::BtnAIAddAllClick, this);
  on(r.BtnAIRemove, &QPushButton::clicked, &TRaceSetupPage::BtnAIRemoveClick, this);
  on(r.BtnAIRemoveAll, &QPushButton::clicked, &TRaceSetupPage::BtnAIRemoveAllClick, this);
  on(r.lbAvailableAICars, &QListWidget::itemDoubleClicked, &TRaceSetupPage::BtnAIAddClick, this);
  on(r.lbRaceAICars, &QListWidget::itemDoubleClicked, &TRaceSetupPage::BtnAIRemoveClick, this);
  on(r.cbAIShowOnlyAvailable, &QCheckBox::toggled, &TRaceSetupPage::cbAIShowOnlyAvailableClick, this);
  on(pcRace, &QTabWidget::currentChanged, &TRaceSetupPage::pcRaceChange, this);
  on(BtnRescan, &QPushButton::clicked, &TRaceSetupPage::BtnRescanClick, this);
}

// Selectors.

void TRaceSetupPage::FillCarCombos() {
  const TSelectorItems items = CarItems(State.FCars.get());
  FillCombo(CarAndTrack.comboDefaultCar, items);
  FillCombo(CarAndTrack.comboAICar, items);
}

void TRaceSetupPage::FillTrackCombo(IProgressSink* progress) {
  const TSelectorItems items = TrackItems(State.FTracks.get());
  FillCombo(CarAndTrack.comboDefaultTrack, items);
  if (!progress) return;
  for (std::size_t i = 0; i < items.size(); ++i) progress->StepBy(1);
}

void TRaceSetupPage::ScanControllers(IProgressSink* progress) {
  FillCombo(CarAndTrack.comboController, ScanControllerSets(State.FZindoDir, progress));
}

bool TRaceSetupPage::SelectByFolder(QComboBox* combo, const QString& folder) {
  const int index = combo->findData(folder, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) return false;
  const QSignalBlocker blocker(combo);
  combo->setCurrentIndex(index);
  return true;
}

const TCar* TRaceSetupPage::GetCurrentCar() const {
  return FindCarExactly(State.FCars.get(), SelectedKey(CarAndTrack.comboDefaultCar));
}

QString TRaceSetupPage::GetCurrentCarFolder() const { return OfCar(GetCurrentCar(), &TCar::GetFolder); }
QString TRaceSetupPage::GetCurrentCarDir() const { return OfCar(GetCurrentCar(), &TCar::GetPath); }
QString TRaceSetupPage::GetCurrentCarName() const { return OfCar(GetCurrentCar(), &TCar::GetName); }
QString TRaceSetupPage::GetCurrentCarID() const { return OfCar(GetCurrentCar(), &TCar::GetID); }
QString TRaceSetupPage::GetCurrentCarNameAndID() const { return OfCar(GetCurrentCar(), &TCar::NameAndID); }

QString TRaceSetupPage::GetCurrentTrackFolder() const { return SelectedKey(CarAndTrack.comboDefaultTrack); }

QString TRaceSetupPage::GetCurrentTrackDir() const {
  const QString folder = GetCurrentTrackFolder();
  return folder.isEmpty() ? QString() : JoinPath(TracksFolder(State.FZindoDir), folder);
}

const TTrack* TRaceSetupPage::GetCurrentTrack() const {
  const QString folder = GetCurrentTrackFolder();
  return folder.isEmpty() || !State.FTracks ? nullptr : State.FTracks->FindByFolder(folder);
}

QString TRaceSetupPage::GetCurrentAICarFolder() const { return SelectedKey(CarAndTrack.comboAICar); }
QString TRaceSetupPage::GetCurrentControllerFile() const { return SelectedKey(CarAndTrack.comboController); }

void TRaceSetupPage::ShowPreview(const std::function<void()>& show) const {
  if (show) show();
}

void TRaceSetupPage::comboDefaultCarChange() {
  const TCar* car = GetCurrentCar();
  if (!car) return;
  // The selector shows what was read even when the variant record could not be made.
  std::exception_ptr error;
  try {
    State.FVariants.LoadFromCarFolder(car->GetZindoDir(), car->GetPath());
  } catch (...) {
    error = std::current_exception();
  }
  const TComboContent content = State.FVariants.ComboContent();
  QComboBox* variants = CarAndTrack.comboDefaultCarVariant;
  {
    const QSignalBlocker blocker(variants);
    variants->clear();
    variants->addItems(content.Items);
    variants->setCurrentIndex(content.ItemIndex);
    variants->setEnabled(content.Enabled);
  }
  CarAndTrack.LblVariant->setEnabled(variants->isEnabled());
  ShowPreview(ShowCarPreview);
  if (error) std::rethrow_exception(error);
}

void TRaceSetupPage::comboDefaultCarVariantChange() { ShowPreview(ShowCarPreview); }
void TRaceSetupPage::comboDefaultTrackChange() { ShowPreview(ShowTrackPreview); }

// AI opponents.

void TRaceSetupPage::ParseAICarMultiple(const QString& value) {
  lumox::ParseAICarMultiple(value, State.FCars.get(), State.FRaceAICars);
}

QString TRaceSetupPage::JoinAICarMultiple() const { return lumox::JoinAICarMultiple(State.FRaceAICars); }

void TRaceSetupPage::FillAvailableAICars() {
  FillList(Race.lbAvailableAICars, AvailableAICarItems(State.FCars.get(), GetCurrentTrack(),
                                                       Race.cbAIShowOnlyAvailable->isChecked()));
  Race.lblAvailableCars->setText(QStringLiteral("Available cars (%1)").arg(Race.lbAvailableAICars->count()));
}

void TRaceSetupPage::FillRaceAICars() {
  FillList(Race.lbRaceAICars, RaceAICarItems(State.FRaceAICars));
  Race.lblCarsInRace->setText(QStringLiteral("AI cars in race (%1)").arg(Race.lbRaceAICars->count()));
}

void TRaceSetupPage::RefreshAILists() {
  FillAvailableAICars();
  FillRaceAICars();
}

void TRaceSetupPage::UpdateSingleAIControls() {
  const bool several = State.FRaceAICars.Count() > 0;
  CarAndTrack.lblNoSingleAI->setVisible(several);
  for (QWidget* single : std::initializer_list<QWidget*>{CarAndTrack.Label15, CarAndTrack.Label16,
                                                         CarAndTrack.comboAICar, CarAndTrack.medAICars})
    single->setVisible(!several);
}

void TRaceSetupPage::BtnAIAddClick() {
  const QListWidget* available = Race.lbAvailableAICars;
  AddRaceAICars(State.FRaceAICars, State.FCars.get(), KeysOfRows(available, SelectedRows(available)));
  FillRaceAICars();
}

void TRaceSetupPage::BtnAIAddAllClick() {
  const QListWidget* available = Race.lbAvailableAICars;
  AddRaceAICars(State.FRaceAICars, State.FCars.get(), KeysOfRows(available, AllRows(available)));
  FillRaceAICars();
}

void TRaceSetupPage::BtnAIRemoveClick() {
  RemoveRaceAICars(State.FRaceAICars, SelectedRows(Race.lbRaceAICars));
  FillRaceAICars();
}

void TRaceSetupPage::BtnAIRemoveAllClick() {
  State.FRaceAICars.Clear();
  FillRaceAICars();
}

void TRaceSetupPage::cbAIShowOnlyAvailableClick() {
  if (State.FInitialized) FillAvailableAICars();
}

void TRaceSetupPage::pcRaceChange() {
  if (pcRace->currentWidget() == TabCarAndTrack) UpdateSingleAIControls();
  if (pcRace->currentWidget() == TabRace) RefreshAILists();
}

// Scans and editing.

void TRaceSetupPage::ScanCars(TFormWait* given) {
  const TScanWait wait(given, QStringLiteral("Scanning cars ..."));
  auto cars = std::make_unique<TCars>(TCars::CreateFromFolders(State.FZindoDir, wait.Get()));
  const QString race = JoinAICarMultiple();
  State.FRaceAICars.Clear();  // it points into the list about to go
  State.FCars = std::move(cars);
  ParseAICarMultiple(race);
}

void TRaceSetupPage::ScanTracks(TFormWait* given) {
  const TScanWait wait(given, QStringLiteral("Scanning tracks ..."));
  State.FTracks = std::make_unique<TTracks>(TTracks::CreateFromFolders(State.FZindoDir, wait.Get()));
}

bool TRaceSetupPage::EditWithNotepad(const QString& fileName) {
  const QFileInfo file(fileName);
  const std::optional<TChildProcess> editor =
      TChildProcess::Start(FindTextEditor(), {file.absoluteFilePath()}, file.absolutePath());
  if (!editor) {
    ShowPlainMessage(QStringLiteral("Error starting Notepad!"));
    return true;
  }
  const TWhileWaiting busy({ActStartZindo}, {CarAndTrack.BtnEditCarIni, CarAndTrack.BtnEditTrackIni,
                                             CarAndTrack.BtnEditController, BtnRescan});
  return editor->Wait(EditorPollInterval) == TWaitEnd::Finished;
}

TRaceSetupPage::TSelections TRaceSetupPage::CurrentSelections() const {
  return {GetCurrentCarFolder(), GetCurrentAICarFolder(), GetCurrentTrackFolder()};
}

void TRaceSetupPage::ReselectCars(const TSelections& previous) {
  Reselect(CarAndTrack.comboDefaultCar, previous.Car, "car");
  SelectByFolder(CarAndTrack.comboAICar, previous.AICar);
}

void TRaceSetupPage::RefreshAfterCarScan() {
  RefreshAILists();
  UpdateSingleAIControls();
}

void TRaceSetupPage::BtnEditCarIniClick() {
  const QString folder = GetCurrentCarFolder();
  if (folder.isEmpty()) return;
  if (!EditWithNotepad(
          ZindoFilePath(JoinPath(CarsFolder(State.FZindoDir), folder), QStringLiteral("car.ini"))))
    return;
  const TSelections previous = CurrentSelections();
  ScanCars(nullptr);
  FillCarCombos();
  ReselectCars(previous);
  RefreshAfterCarScan();
  ShowPreview(RefreshPreviews);
}

void TRaceSetupPage::BtnEditTrackIniClick() {
  const QString folder = GetCurrentTrackFolder();
  if (folder.isEmpty()) return;
  if (!EditWithNotepad(ZindoFilePath(GetCurrentTrackDir(), QStringLiteral("track.ini")))) return;
  const QString previous = GetCurrentTrackFolder();
  ScanTracks(nullptr);
  FillTrackCombo(nullptr);
  Reselect(CarAndTrack.comboDefaultTrack, previous, "track");
  ShowPreview(RefreshPreviews);
}

void TRaceSetupPage::BtnEditControllerClick() {
  const QString file = GetCurrentControllerFile();
  if (file.isEmpty()) return;
  if (!EditWithNotepad(JoinPath(JoinPath(State.FZindoDir, QStringLiteral("data/ctrlsets")), file))) return;
  const QString previous = GetCurrentControllerFile();
  ScanControllers(nullptr);
  Reselect(CarAndTrack.comboController, previous, "controller");
}

void TRaceSetupPage::BtnRescanClick() {
  if (!State.FInitialized) return;
  const TSelections previous = CurrentSelections();
  ScanCars(nullptr);
  FillCarCombos();
  ScanTracks(nullptr);
  FillTrackCombo(nullptr);
  ReselectCars(previous);
  Reselect(CarAndTrack.comboDefaultTrack, previous.Track, "track");
  RefreshAfterCarScan();
  ShowPreview(RefreshPreviews);
}

}  // namespace lumox
