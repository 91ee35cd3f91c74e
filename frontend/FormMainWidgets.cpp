#include "frontend/FormMainWidgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "frontend/Image32View.h"
#include "frontend/ImprovementChart.h"

namespace lumox {
namespace {

const QColor Navy(0, 0, 128);
const QColor Maroon(128, 0, 0);

template <class W, class... Args>
W* Named(const char* name, Args&&... args) {
  W* widget = new W(std::forward<Args>(args)...);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

void SetTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::Text, color);  // group box titles
  widget->setPalette(palette);
}

QAction* CreateAction(QWidget* window, const char* name, const char* text, const char* hint,
                      const QKeySequence& shortcut) {
  QAction* action = Named<QAction>(name, QString::fromLatin1(text), window);
  action->setToolTip(QString::fromLatin1(hint));
  action->setStatusTip(action->toolTip());
  action->setShortcut(shortcut);
  window->addAction(action);
  return action;
}

// A button that stands for `action`: it triggers it, shows its hint and follows its enabled state.
QPushButton* ActionButton(const char* name, const QString& caption, QAction* action) {
  QPushButton* button = Named<QPushButton>(name, caption);
  button->setToolTip(action->toolTip());
  QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
  QObject::connect(action, &QAction::changed, button,
                   [button, action] { button->setEnabled(action->isEnabled()); });
  return button;
}

// Makes Return and Enter on a page press its default button, as a dialog would: keys that
// no control on the page used reach the page and click the button.
class TDefaultButtonFilter final : public QObject {
 public:
  TDefaultButtonFilter(QWidget* page, QPushButton* button) : QObject(page), Button(button) {
    button->setDefault(true);
    page->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    if (Button->isEnabled()) Button->click();
    return true;
  }

 private:
  QPushButton* Button;
};

QWidget* Page(const char* name, QLayout* layout) {
  QWidget* page = CreateEmptyPage(name);
  page->setLayout(layout);
  return page;
}

QGroupBox* Group(const char* title, QLayout* layout) {
  auto* group = new QGroupBox(QString::fromLatin1(title));
  group->setLayout(layout);
  return group;
}

// An edit for a path and its "..." picker button side by side.
QHBoxLayout* PathRow(QLineEdit* edit, QPushButton* button) {
  button->setFixedWidth(28);
  auto* row = new QHBoxLayout;
  row->addWidget(edit);
  row->addWidget(button);
  return row;
}

QTabWidget* CreateRacePages(TZindoPage& page) {
  QTabWidget* pcRace = Named<QTabWidget>("pcRace");
  ShowAllTabs(pcRace);
  const auto add = [pcRace](const char* name, const char* caption) {
    QWidget* tab = CreateEmptyPage(name);
    pcRace->addTab(tab, QString::fromLatin1(caption));
    return tab;
  };
  page.TabCarAndTrack = add("TabCarAndTrack", "Car and track");
  page.TabRace = add("TabRace", "Race");
  page.TabDisplayOptions = add("TabDisplayOptions", "Display options");
  page.TabMiscOptions = add("TabMiscOptions", "Misc options");
  page.TabTelemetryLogging = add("TabTelemetryLogging", "Telemetry logging");
  page.TabLumoxOptions = add("TabLumoxOptions", "Lap time handling (Lumox)");
  return pcRace;
}

// A selector that lists and never takes typed text.
QComboBox* DropDownList(const char* name) {
  QComboBox* combo = Named<QComboBox>(name);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(16);
  return combo;
}

// The small button beside a selector that opens the chosen item's ini file.
QToolButton* EditButton(const char* name) {
  QToolButton* button = Named<QToolButton>(name);
  button->setIcon(QApplication::style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  button->setFixedSize(23, 22);
  return button;
}

// A selector with its caption in a grid row, and its edit button when it has one.
void AddSelectorRow(QGridLayout* grid, QLabel* caption, QComboBox* combo, QToolButton* edit = nullptr) {
  const int row = grid->rowCount();
  grid->addWidget(caption, row, 0);
  grid->addWidget(combo, row, 1);
  if (edit) grid->addWidget(edit, row, 2);
  grid->setColumnStretch(1, 1);
}

QLabel* Caption(const char* text) { return new QLabel(QString::fromLatin1(text)); }

QGroupBox* SingleAIGroup(TCarAndTrackWidgets& w) {
  w.Label15 = Named<QLabel>("Label15", QStringLiteral("Car:"));
  w.comboAICar = DropDownList("comboAICar");
  w.Label16 = Named<QLabel>("Label16", QStringLiteral("Number of cars (0 to disable AI):"));
  w.medAICars = Named<QLineEdit>("medAICars");
  // Digits only while typing; a loaded value is shown as it stands.
  w.medAICars->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), w.medAICars));
  w.medAICars->setFixedWidth(32);
  w.lblNoSingleAI = Named<QLabel>(
      "lblNoSingleAI", QStringLiteral("Single AI car settings are disabled because multiple AI cars\n"
                                      "are active (see Race tab)"));
  w.lblNoSingleAI->hide();
  KeepRoomWhenHidden(w.lblNoSingleAI);

  auto* grid = new QGridLayout;
  AddSelectorRow(grid, w.Label15, w.comboAICar);
  auto* count = new QHBoxLayout;
  count->addWidget(w.Label16);
  count->addWidget(w.medAICars);
  count->addStretch();
  grid->addLayout(count, grid->rowCount(), 0, 1, 2);
  grid->addWidget(w.lblNoSingleAI, 0, 0, 2, 2);
  return Group("AI car", grid);
}

// A preview: a picture blended over the control colour, resampled to fit.
TImage32View* PreviewView(const char* name, TBitmapAlign align) {
  TImage32View* view = Named<TImage32View>(name);
  view->setFixedSize(168, 126);
  TImage32& image = view->Image();
  image.Bitmap().SetDrawMode(TDrawMode::dmBlend);
  image.Bitmap().SetStretchFilter(TStretchFilter::sfLanczos);
  image.SetScale(1);
  image.SetScaleMode(TScaleMode::smStretch);
  image.SetBitmapAlign(align);
  image.Loaded();
  return view;
}

QGroupBox* PreviewGroup(TCarAndTrackWidgets& w) {
  w.ImgCarPrv = PreviewView("ImgCarPrv", TBitmapAlign::baTopLeft);
  w.ImgTrackPrv = PreviewView("ImgTrackPrv", TBitmapAlign::baCenter);
  auto* layout = new QVBoxLayout;
  layout->addWidget(w.ImgCarPrv);
  layout->addWidget(w.ImgTrackPrv);
  layout->addStretch();
  return Group("Car and track preview", layout);
}

TCarAndTrackWidgets CreateCarAndTrackWidgets(QWidget* page) {
  TCarAndTrackWidgets w{};
  w.comboDefaultCar = DropDownList("comboDefaultCar");
  w.BtnEditCarIni = EditButton("BtnEditCarIni");
  w.LblVariant = Named<QLabel>("LblVariant", QStringLiteral("Variant:"));
  w.comboDefaultCarVariant = DropDownList("comboDefaultCarVariant");
  w.comboDefaultCarVariant->setEnabled(false);
  w.LblVariant->setEnabled(false);
  w.comboDefaultTrack = DropDownList("comboDefaultTrack");
  w.BtnEditTrackIni = EditButton("BtnEditTrackIni");
  w.comboController = DropDownList("comboController");
  w.BtnEditController = EditButton("BtnEditController");

  auto* selectors = new QGridLayout;
  AddSelectorRow(selectors, Caption("Car:"), w.comboDefaultCar, w.BtnEditCarIni);
  AddSelectorRow(selectors, w.LblVariant, w.comboDefaultCarVariant);
  AddSelectorRow(selectors, Caption("Track:"), w.comboDefaultTrack, w.BtnEditTrackIni);
  auto* controls = new QGridLayout;
  AddSelectorRow(controls, Caption("Set:"), w.comboController, w.BtnEditController);

  auto* left = new QVBoxLayout;
  left->addLayout(selectors);
  left->addWidget(Group("Control set", controls));
  left->addWidget(SingleAIGroup(w));
  left->addStretch();
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(left, 1);
  layout->addWidget(PreviewGroup(w));
  return w;
}

QPushButton* BoldButton(const char* name, const char* caption, const char* hint) {
  QPushButton* button = Named<QPushButton>(name, QString::fromLatin1(caption));
  QFont font = button->font();
  font.setBold(true);
  button->setFont(font);
  button->setToolTip(QString::fromLatin1(hint));
  button->setFixedWidth(36);
  return button;
}

QListWidget* CarList(const char* name) {
  QListWidget* list = Named<QListWidget>(name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  return list;
}

TRaceWidgets CreateRaceWidgets(QWidget* page) {
  TRaceWidgets w{};
  w.lblAvailableCars = Named<QLabel>("lblAvailableCars", QStringLiteral("Available cars"));
  w.lbAvailableAICars = CarList("lbAvailableAICars");
  w.cbAIShowOnlyAvailable =
      Named<QCheckBox>("cbAIShowOnlyAvailable", QStringLiteral("Check availability on current track"));
  w.cbAIShowOnlyAvailable->setToolTip(QStringLiteral("Show only cars with AI line on current track"));
  w.lblCarsInRace = Named<QLabel>("lblCarsInRace", QStringLiteral("AI cars in race"));
  w.lbRaceAICars = CarList("lbRaceAICars");
  w.BtnAIAdd = BoldButton("BtnAIAdd", ">", "Add selected cars");
  w.BtnAIAddAll = BoldButton("BtnAIAddAll", ">>", "Add all cars");
  w.BtnAIRemove = BoldButton("BtnAIRemove", "<", "Remove selected cars");
  w.BtnAIRemoveAll = BoldButton("BtnAIRemoveAll", "<<", "Remove all cars");
  w.lblNoMultiAICars =
      Named<QLabel>("lblNoMultiAICars",
                    QStringLiteral("The \"multiple AI cars\" feature is currently disabled in Zindo.\n\n"
                                   "To enable it, please add or enable the entry \"ai_car_multiple=\" in\n"
                                   "your zindo.ini file in the Zindo program folder."));
  w.lblNoMultiAICars->hide();
  KeepRoomWhenHidden(w.lblNoMultiAICars);

  auto* buttons = new QVBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {w.BtnAIAdd, w.BtnAIAddAll, w.BtnAIRemove, w.BtnAIRemoveAll})
    buttons->addWidget(button);
  buttons->addStretch();
  auto* grid = new QGridLayout;
  grid->addWidget(w.lblAvailableCars, 0, 0);
  grid->addWidget(w.lblCarsInRace, 0, 2);
  grid->addWidget(w.lbAvailableAICars, 1, 0);
  grid->addLayout(buttons, 1, 1);
  grid->addWidget(w.lbRaceAICars, 1, 2);
  grid->addWidget(w.cbAIShowOnlyAvailable, 2, 0, 1, 3);
  grid->addWidget(w.lblNoMultiAICars, 0, 0, 3, 3);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Group("AI Cars (multiple - actual number limited by grid positions)", grid));
  return w;
}

QLabel* ProgramNameLabel() {
  QLabel* label = Named<QLabel>("LblAboutName", QStringLiteral("Lumox"));
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.6);
  label->setFont(font);
  SetTextColor(label, Navy);
  return label;
}

QGroupBox* WarningGroup() {
  auto* text = new QVBoxLayout;
  text->addWidget(
      new QLabel(QStringLiteral("Lumox is work in progress and Zindo is a moving target. Although\n"
                                "Lumox has been tested with some recent beta of Zindo (which\n"
                                "may well be old by now), I can not guarantee that it will not break\n"
                                "anything with a particular Zindo version, or even that it will work\n"
                                "with it.\n"
                                "So please keep a backup of your Zindo files to be on the safe side.")));
  QGroupBox* group = Group("A word of warning!", text);
  group->setObjectName(QStringLiteral("GrpAboutWarning"));
  SetTextColor(group, Maroon);
  return group;
}

QLabel* BoldLabel(const char* name, const char* text, const QColor& color) {
  QLabel* label = Named<QLabel>(name, QString::fromLatin1(text));
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  SetTextColor(label, color);
  return label;
}

QToolButton* GlyphButton(const char* name, QStyle::StandardPixmap glyph, const char* hint) {
  QToolButton* button = Named<QToolButton>(name);
  button->setIcon(QApplication::style()->standardIcon(glyph));
  button->setToolTip(QString::fromLatin1(hint));
  return button;
}

QTableView* LapGridView() {
  QTableView* view = Named<QTableView>("ListView1");
  view->setShowGrid(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  view->verticalHeader()->hide();
  // Rows of one height let the view place tens of thousands of them without measuring each.
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
  return view;
}

// The track and car selectors of a page, each with its caption, the track first.
QGridLayout* ArchiveSelectors(QComboBox* tracks, QComboBox* cars) {
  auto* grid = new QGridLayout;
  AddSelectorRow(grid, Caption("Track:"), tracks);
  AddSelectorRow(grid, Caption("Car:"), cars);
  return grid;
}

}  // namespace

QPixmap LumoxIcon() {
  QPixmap icon(32, 32);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Navy);
  painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
  painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPolyline(QPolygonF({QPointF(10, 7), QPointF(10, 24), QPointF(23, 24)}));
  painter.setPen(QPen(QColor(255, 200, 0), 2));
  painter.drawLine(QPointF(15, 18), QPointF(25, 8));
  return icon;
}

TMainActions CreateMainActions(QWidget* window) {
  return {
      CreateAction(window, "ActStartZindo", "Start Zindo", "Save options to ini files and start Zindo",
                   QKeySequence(Qt::CTRL | Qt::Key_R)),
      CreateAction(window, "ActSaveOptions", "Save options", "Save options to ini files",
                   QKeySequence(Qt::CTRL | Qt::Key_S)),
      CreateAction(window, "ActViewQLOG", "View &QLOG", "View QLOG.TXT", QKeySequence(Qt::CTRL | Qt::Key_Q)),
      CreateAction(window, "ActStartTeleAnalyzer", "Start &Telemetry Analyzer ...",
                   "Start external telemetry analyzer", QKeySequence(Qt::CTRL | Qt::Key_T))};
}

TZindoPage CreateZindoPage(const TMainActions& actions) {
  TZindoPage page{};
  page.pcRace = CreateRacePages(page);
  page.CarAndTrack = CreateCarAndTrackWidgets(page.TabCarAndTrack);
  page.Race = CreateRaceWidgets(page.TabRace);
  page.BtnStartZindo = ActionButton("BtnStartZindo", QStringLiteral("Start &Zindo"), actions.ActStartZindo);
  page.BtnSaveOptions =
      ActionButton("BtnSaveOptions", QStringLiteral("&Save options"), actions.ActSaveOptions);
  page.BtnRescan = Named<QPushButton>("BtnRescan", QStringLiteral("Reload cars && tracks"));
  page.BtnRescan->setToolTip(QStringLiteral("Update the list of tracks and cars"));
  page.BtnViewQLOG = ActionButton("BtnViewQLOG", actions.ActViewQLOG->text(), actions.ActViewQLOG);
  page.BtnStartTeleAnalyzer = ActionButton("BtnStartTeleAnalyzer", QStringLiteral("&Telemetry Analyzer ..."),
                                           actions.ActStartTeleAnalyzer);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {page.BtnStartZindo, page.BtnSaveOptions, page.BtnRescan})
    buttons->addWidget(button);
  buttons->addStretch();
  buttons->addWidget(page.BtnViewQLOG);
  buttons->addWidget(page.BtnStartTeleAnalyzer);
  auto* layout = new QVBoxLayout;
  layout->addWidget(page.pcRace, 1);
  layout->addLayout(buttons);
  page.TabSheet3 = Page("TabSheet3", layout);
  new TDefaultButtonFilter(page.TabSheet3, page.BtnStartZindo);
  return page;
}

TArchiveWidgets CreateArchivePage() {
  TArchiveWidgets page{};
  page.comboLTTracks = DropDownList("comboLTTracks");
  page.comboLTCars = DropDownList("comboLTCars");
  page.LabelLapTime = BoldLabel("LabelLapTime", "", Navy);
  QFont font = page.LabelLapTime->font();
  font.setPixelSize(16);
  page.LabelLapTime->setFont(font);
  page.ListView1 = LapGridView();
  page.BtnLTMerge = GlyphButton("BtnLTMerge", QStyle::SP_FileDialogDetailedView, "Merge lap times");
  page.BtnLTDel = GlyphButton("BtnLTDel", QStyle::SP_TrashIcon, "Delete selected rows from database");

  auto* top = new QHBoxLayout;
  top->addLayout(ArchiveSelectors(page.comboLTTracks, page.comboLTCars), 1);
  top->addWidget(page.BtnLTMerge, 0, Qt::AlignTop);
  top->addWidget(page.BtnLTDel, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout;
  layout->addLayout(top);
  layout->addWidget(page.LabelLapTime);
  layout->addWidget(page.ListView1, 1);
  page.TabGrid = Page("TabGrid", layout);
  return page;
}

TImproveWidgets CreateImprovePage() {
  TImproveWidgets page{};
  page.comboImpTracks = DropDownList("comboImpTracks");
  page.comboImpCars = DropDownList("comboImpCars");
  page.cbImpIgnore = Named<QCheckBox>("cbImpIgnore", QStringLiteral("ignore lap times slower than"));
  page.medImpPercent = Named<QLineEdit>("medImpPercent", QStringLiteral("150"));
  page.medImpPercent->setValidator(new QIntValidator(0, 999, page.medImpPercent));
  page.medImpPercent->setMaxLength(3);
  page.medImpPercent->setFixedWidth(40);
  page.ChartImp = new TImprovementChart;
  page.lblImpNoTimes = BoldLabel("lblImpNoTimes", "no times available", Maroon);
  page.lblImpNoTimes->setParent(page.ChartImp);
  page.lblImpNoTimes->move(80, 60);
  page.lblImpNoTimes->adjustSize();
  page.lblImpNoTimes->hide();

  auto* filter = new QHBoxLayout;
  filter->addWidget(page.cbImpIgnore);
  filter->addWidget(page.medImpPercent);
  filter->addWidget(Caption("% of fastest lap time."));
  filter->addStretch();
  auto* layout = new QVBoxLayout;
  layout->addLayout(ArchiveSelectors(page.comboImpTracks, page.comboImpCars));
  layout->addLayout(filter);
  layout->addWidget(page.ChartImp, 1);
  page.TabImprove = Page("TabImprove", layout);
  return page;
}

TSettingsWidgets CreateSettingsPage() {
  TSettingsWidgets page{};
  page.EditSettingsZindoPath = Named<QLineEdit>("EditSettingsZindoPath");
  page.BtnSettingsLocateZindo = Named<QPushButton>("BtnSettingsLocateZindo", QStringLiteral("..."));
  page.EditSettingsTelePath = Named<QLineEdit>("EditSettingsTelePath");
  page.BtnSettingsLocateTele = Named<QPushButton>("BtnSettingsLocateTele", QStringLiteral("..."));
  page.chkPrvPreferLoading = Named<QCheckBox>(
      "chkPrvPreferLoading", QStringLiteral("prefer track loading screen over preview image"));

  auto* preview = new QVBoxLayout;
  preview->addWidget(page.chkPrvPreferLoading);
  preview->addWidget(
      new QLabel(QStringLiteral("(if this option is selected, Lumox will first try to use\n"
                                "\"loading.jpg\" as the track preview image. If no such\n"
                                "file is found, \"preview.tga\" will be used instead;\n"
                                "default behaviour is to try \"preview.tga\" first)")));
  auto* layout = new QVBoxLayout;
  layout->addWidget(
      Group("Path to Zindo executable", PathRow(page.EditSettingsZindoPath, page.BtnSettingsLocateZindo)));
  layout->addWidget(
      Group("Path to Telemetry Analyzer", PathRow(page.EditSettingsTelePath, page.BtnSettingsLocateTele)));
  layout->addWidget(Group("Track preview image", preview));
  layout->addStretch();
  page.TabSettings = Page("TabSettings", layout);
  return page;
}

TAboutPage CreateAboutPage() {
  TAboutPage page{};
  page.LblAboutVersion = Named<QLabel>("LblAboutVersion");
  page.BtnHelp = Named<QPushButton>("BtnHelp", QStringLiteral("Show Lumox help ..."));

  QLabel* icon = Named<QLabel>("ImgAboutIcon");
  icon->setPixmap(LumoxIcon());
  icon->setFixedSize(32, 32);
  auto* title = new QVBoxLayout;
  title->addWidget(ProgramNameLabel());
  title->addWidget(page.LblAboutVersion);
  auto* header = new QHBoxLayout;
  header->addWidget(icon, 0, Qt::AlignTop);
  header->addLayout(title);
  header->addStretch();

  auto* layout = new QVBoxLayout;
  layout->addLayout(header);
  layout->addWidget(
      new QLabel(QStringLiteral("Lumox prepares and starts your Zindo sessions: it edits the simulator's\n"
                                "options, sets up car, track and AI opponents, and keeps an archive of\n"
                                "your best lap times with a chart of your improvements.\n\n"
                                "Written by the Lumox developers.")));
  layout->addWidget(WarningGroup());
  layout->addWidget(page.BtnHelp, 0, Qt::AlignLeft);
  layout->addStretch();
  page.TabAbout = Page("TabAbout", layout);
  return page;
}

QWidget* CreateEmptyPage(const char* name) { return Named<QWidget>(name); }

void ShowAllTabs(QTabWidget* pages) {
  pages->setUsesScrollButtons(false);
  pages->setElideMode(Qt::ElideNone);
}

void KeepRoomWhenHidden(QWidget* widget) {
  QSizePolicy policy = widget->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  widget->setSizePolicy(policy);
}

}  // namespace lumox
