#include "frontend/OptionPages.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <functional>

#include "platform/EventGuard.h"
#include "frontend/FormMainWidgets.h"
#include "frontend/ZindoOptions.h"
#include "platform/Exception.h"
#include "platform/UserMessages.h"

namespace lumox {
namespace {

template <class W, class... Args>
W* Make(const char* name, Args&&... args) {
  W* widget = new W(std::forward<Args>(args)...);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QString Latin1(const char* text) { return QString::fromLatin1(text); }

QCheckBox* Flag(const char* name, const char* caption) { return Make<QCheckBox>(name, Latin1(caption)); }

// Digits only while typing; a loaded value is shown as it stands, however long.
QLineEdit* NumberEdit(const char* name, int digits) {
  QLineEdit* edit = Make<QLineEdit>(name);
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), edit));
  edit->setFixedWidth(12 + 7 * digits);
  return edit;
}

QLineEdit* TextEdit(const char* name, const char* hint = "") {
  QLineEdit* edit = Make<QLineEdit>(name);
  edit->setToolTip(Latin1(hint));
  edit->setFixedWidth(64);
  return edit;
}

QLabel* Caption(const char* text) { return new QLabel(Latin1(text)); }

// Widgets side by side, left-aligned.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  for (QWidget* widget : widgets) row->addWidget(widget);
  row->addStretch();
  return row;
}

QGroupBox* Group(const char* title, QLayout* layout, const char* name = nullptr) {
  auto* group = new QGroupBox(Latin1(title));
  if (name) group->setObjectName(Latin1(name));
  group->setLayout(layout);
  return group;
}

QVBoxLayout* Column(std::initializer_list<QLayoutItem*> items) {
  auto* column = new QVBoxLayout;
  column->setSpacing(2);
  for (QLayoutItem* item : items) column->addItem(item);
  column->addStretch();
  return column;
}

QLayoutItem* Item(QWidget* widget) { return new QWidgetItem(widget); }
QLayoutItem* Item(QLayout* layout) { return layout; }

// A radio group: its buttons, numbered from 0, in a QButtonGroup the adapter reads.
QGroupBox* RadioGroup(const char* name, const char* title, std::initializer_list<QWidget*> rows) {
  auto* layout = new QVBoxLayout;
  auto* group = Group(title, layout, name);
  auto* buttons = new QButtonGroup(group);
  for (QWidget* row : rows) {
    layout->addWidget(row);
    auto* button = qobject_cast<QRadioButton*>(row);
    if (!button) button = row->findChild<QRadioButton*>();
    buttons->addButton(button, buttons->buttons().size());
  }
  return group;
}

// The buttons of a radio group; none for other controls.
QButtonGroup* ButtonsOf(const QWidget* control) {
  return control->findChild<QButtonGroup*>(QString(), Qt::FindDirectChildrenOnly);
}

// A radio button with a control beside it, as one row of a radio group.
QWidget* RadioWithControl(QRadioButton* button, QWidget* control) {
  auto* row = new QWidget;
  auto* layout = Row({button, control});
  layout->setContentsMargins(0, 0, 0, 0);
  row->setLayout(layout);
  return row;
}

// A page's layout; pages that other parts of the window fill already have one.
QBoxLayout* PageLayout(QWidget* page) {
  if (auto* layout = qobject_cast<QBoxLayout*>(page->layout())) return layout;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  return layout;
}

void FillPage(QWidget* page, QLayout* left, QLayout* right) {
  auto* layout = new QHBoxLayout;
  layout->addLayout(left, 1);
  if (right) layout->addLayout(right, 1);
  PageLayout(page)->addLayout(layout);
}

QComboBox* Combo(const char* name, const QStringList& items) {
  QComboBox* combo = Make<QComboBox>(name);
  combo->addItems(items);
  return combo;
}

QGroupBox* TextureQualityGroup() {
  QSlider* slider = Make<QSlider>("tbTextureQuality", Qt::Horizontal);
  slider->setRange(1, 5);
  slider->setPageStep(1);
  slider->setTickPosition(QSlider::TicksBelow);
  auto* grid = new QGridLayout;
  grid->addWidget(slider, 0, 0, 1, 5);
  const char* const labels[] = {"Full", "1/2", "1/4", "1/8", "1/16"};
  for (int i = 0; i < 5; ++i) {
    QLabel* label = Caption(labels[i]);
    grid->addWidget(label, 1, i, i == 0 ? Qt::AlignLeft : i == 4 ? Qt::AlignRight : Qt::AlignHCenter);
  }
  return Group("Texture quality", grid);
}

QGroupBox* MirrorGroup() {
  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(2);
  grid->addWidget(Flag("cbEnableMirrorTexture", "Enable mirror texture"), 0, 0, 1, 6);
  grid->addWidget(Flag("cbStartWithMirror", "Start with mirror visible (F4 to toggle in Zindo)"), 1, 0, 1, 6);
  grid->addWidget(Caption("Texture width:"), 2, 0);
  grid->addWidget(NumberEdit("medMirrorTexWidth", 5), 2, 1);
  grid->addWidget(Caption("height:"), 2, 2);
  grid->addWidget(NumberEdit("medMirrorTexHeight", 5), 2, 3);
  grid->addWidget(Caption("fov:"), 2, 4);
  grid->addWidget(NumberEdit("medMirrorFoV", 3), 2, 5);
  grid->addWidget(Caption("Display width:"), 3, 0);
  grid->addWidget(NumberEdit("medMirrorWidth", 5), 3, 1);
  grid->addWidget(Caption("height:"), 3, 2);
  grid->addWidget(NumberEdit("medMirrorHeight", 5), 3, 3);
  return Group("Mirrors", grid);
}

QGroupBox* ResolutionGroup() {
  QComboBox* resolutions =
      Combo("comboResolution", {"640 x 480", "800 x 600", "1024 x 768", "1280 x 1024", "1600 x 1200",
                                "1920 x 480 (Surround Gaming)", "2400 x 600 (Surround Gaming)",
                                "3456 x 864 (Surround Gaming)", "3840 x 1024 (Surround Gaming)", "custom ..."});
  resolutions->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  resolutions->setMinimumContentsLength(10);
  auto* layout = new QVBoxLayout;
  layout->setSpacing(2);
  layout->addLayout(Row({Caption("Resolution"), resolutions}));
  layout->addLayout(Row({Caption("Width:"), NumberEdit("medWidth", 5), Caption("Height:"), NumberEdit("medHeight", 5)}));
  layout->addLayout(Row({Caption("Number of bits"), Combo("comboBitDepth", {"16 bit", "24 bit", "32 bit"})}));
  layout->addWidget(Flag("cbFullScreen", "Full screen"));
  return Group("Screen", layout);
}

void FillDisplayOptions(QWidget* page) {
  QCheckBox* stencil = Flag("cbStencilShadows", "Use Stencil Shadows (");
  QCheckBox* simple = Flag("cbStencilSimple", "simple)");
  auto* stencilRow = Row({stencil, simple});
  stencilRow->setSpacing(0);
  auto* columns = new QHBoxLayout;
  columns->setSpacing(6);
  columns->addLayout(Column({Item(ResolutionGroup()),
                             Item(Row({Caption("Max. texture resolution:"), NumberEdit("medMaxTexRes", 5)})),
                             Item(Row({Caption("Visibility:"), NumberEdit("medVisibility", 5), Caption("meters")})),
                             Item(TextureQualityGroup())}));
  columns->addLayout(Column({Item(Flag("cbHideCursor", "Hide mouse cursor")), Item(stencilRow),
                             Item(Flag("cbProjectedShadows", "Use projected shadows for cars")),
                             Item(Flag("cbLiveEnvMap", "Use live environment mapping")),
                             Item(Flag("cbOldSphereEnvMap", "Enable old-style spherical environment mapping")),
                             Item(Flag("cbFog", "Use fog")), Item(MirrorGroup())}),
                     1);
  PageLayout(page)->addLayout(columns);
}

QGroupBox* TimeOfDayGroup() {
  auto* layout = new QVBoxLayout;
  layout->addWidget(Make<QRadioButton>("rbTODno", QStringLiteral("do not use Time of Day (use track defaults)")));
  layout->addLayout(Row({Make<QRadioButton>("rbTODtime", QStringLiteral("set Time of Day to (HHMM)")),
                         TextEdit("edTODtime")}));
  layout->addWidget(Make<QRadioButton>("rbTODcurrent", QStringLiteral("always use current time")));
  return Group("Time of Day", layout);
}

QGroupBox* AICarOptionsGroup() {
  struct TAIEdit {
    const char* Name;
    const char* Caption;
    const char* Unit;
    const char* Hint;
  };
  const TAIEdit edits[] = {
      {"edAILookaheadFactor", "Lookahead factor:", "",
       "(Velocity * Lookahead factor) is the distance in meters the AI looks ahead (targeting)"},
      {"edAILookaheadOffset", "Lookahead offset:", "m", "Minimal lookahead distance; to smooth out steering at low speed"},
      {"edAISteeringFreq", "Steering frequency:", "Hz",
       "Steering response; frequency (lower=slower response, too high=jerky)"},
      {"edAIThrottleFreq", "Throttle/brake frequency:", "Hz", "Throttle/brake response"},
      {"edAILineAdjust", "Line adjust:", "",
       "Line adjustment factor; the higher, the more the car is pulled towards the driving line"},
      {"edAILineAdjustDist", "Line adjust distance:", "m",
       "Line adjust minimal distance; race distance to be completed before line adjusting starts"},
  };
  auto* grid = new QGridLayout;
  for (const TAIEdit& edit : edits) {
    const int row = grid->rowCount();
    grid->addWidget(Caption(edit.Caption), row, 0);
    grid->addWidget(TextEdit(edit.Name, edit.Hint), row, 1);
    grid->addWidget(Caption(edit.Unit), row, 2);
  }
  return Group("AI car options", grid);
}

void FillMiscOptions(QWidget* page) {
  QComboBox* stats = Combo("comboShowStats", {"0 = none", "1 = tire forces", "2 = timing/replay", "3 = surface",
                                              "4 = controls", "5 = network", "6 = profile", "7 = suspensions",
                                              "8 = driveline/ai", "9 = telemetry"});
  FillPage(page,
           Column({Item(Flag("cbShowMenu", "Show menu")), Item(Flag("cbShowIntro", "Show intro")),
                   Item(Row({Caption("Show stats:"), stats})), Item(Flag("cbInitialFPS", "Show FPS counter")),
                   Item(Flag("cbShowSplines", "Show splines")), Item(Flag("cbShowAILines", "Show AI lines")),
                   Item(Flag("cbShowBoundingBox", "Show car bounding box")),
                   Item(Flag("cbShowCarPoints", "Show car points")), Item(Flag("cbShowTireForces", "Show tire forces"))}),
           Column({Item(TimeOfDayGroup()), Item(AICarOptionsGroup())}));
}

// A label that acts on a click, as a link would.
class TClickLabel final : public QLabel {
 public:
  TClickLabel(const QString& text, std::function<void()> onClick) : QLabel(text), OnClick(std::move(onClick)) {}

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLabel::mouseReleaseEvent(event);
    RunGuarded(OnClick);
  }

 private:
  std::function<void()> OnClick;
};

void LblWhyGreyedOutMouseUp() {
  ShowInformation(QStringLiteral(
      "If one or more of the data groups are greyed out and not available\n"
      "in Lumox, this is because the corresponding line is missing from\n"
      "the log.groups section of Zindo's ZINDO.INI file.\n\n"
      "It is Lumox's policy to never add any line to the Zindo ini files.\n"
      "You will have to manually add the necessary lines to enable\n"
      "them in Lumox. It is most likely that the last two groups\n"
      "\"engine\" and \"position\" are missing from the ZINDO.INI."));
}

QLabel* WhyGreyedOutLabel() {
  auto* label = new TClickLabel(QStringLiteral("Why are some of the data groups greyed out?"), &LblWhyGreyedOutMouseUp);
  label->setObjectName(QStringLiteral("LblWhyGreyedOut"));
  QFont font = label->font();
  font.setUnderline(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::blue);
  label->setPalette(palette);
  label->setCursor(Qt::PointingHandCursor);
  label->hide();
  KeepRoomWhenHidden(label);
  return label;
}

QGroupBox* LogGroupsGroup() {
  const std::pair<const char*, const char*> groups[] = {
      {"cbLogGroupsSuspension", "Suspension lengths and ARB forces per wheel"},
      {"cbLogGroupsSlipangle", "Slip angles (in radians) per wheel"},
      {"cbLogGroupsSlipratio", "Slip ratios for each wheel"},
      {"cbLogGroupsTireforces", "Tire forces (Fx/Fy/Fz) for each wheel"},
      {"cbLogGroupsSteering", "Steering input, and force feedback"},
      {"cbLogGroupsControls", "Throttle, brake and clutch"},
      {"cbLogGroupsOrientation", "Yaw, pitch and roll in radians"},
      {"cbLogGroupsVelocity", "Velocity of the car in world coordinates"},
      {"cbLogGroupsAngularVelocity", "Angular velocity of the car"},
      {"cbLogGroupsAcceleration", "Linear acceleration of the car"},
      {"cbLogGroupsEngine", "Engine RPM and current gear"},
      {"cbLogGroupsPosition", "Car position, and odometer (required for Analyzer!)"},
  };
  auto* grid = new QGridLayout;
  int index = 0;
  for (const auto& [name, caption] : groups) {
    QCheckBox* box = Flag(name, caption);
    box->setToolTip(QStringLiteral("Data group \"%1\"").arg(OptionKeyOf(name).section(u'.', -1)));
    grid->addWidget(box, index % 6, index / 6);
    ++index;
  }
  grid->addWidget(WhyGreyedOutLabel(), 6, 0, 1, 2);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setSpacing(2);
  return Group("Data groups", grid);
}

void FillTelemetryLogging(QWidget* page) {
  QLineEdit* name = TextEdit("edLogFilename");
  name->setFixedWidth(160);
  QGroupBox* filename =
      RadioGroup("rgLogFilename", "Filename in data\\dump\\",
                 {RadioWithControl(new QRadioButton(QStringLiteral("static filename:")), name),
                  new QRadioButton(QStringLiteral("use <trackdir><YYMMDDHHMMSS>.log"))});
  FillPage(page,
           Column({Item(Flag("cbLogEnable", "Start with logging enabled (use F3 to toggle in Zindo)")),
                   Item(Row({NumberEdit("medLogPeriod", 5), Caption("milliseconds per log entry (default: 2)")})),
                   Item(filename), Item(LogGroupsGroup())}),
           nullptr);
}

// "empty and fill with top ... lap time(s)" with `control` in the gap its caption leaves.
QRadioButton* WithControlInGap(QWidget* control) {
  const QString before = QStringLiteral("empty and fill with top ");
  auto* button = new QRadioButton(before + QStringLiteral("                  lap time(s)"));
  const QStyle* style = button->style();
  control->setParent(button);
  control->resize(control->sizeHint());
  control->move(style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                    style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) +
                    button->fontMetrics().horizontalAdvance(before),
                0);
  button->setMinimumHeight(control->height());
  return button;
}

void FillLumoxOptions(QWidget* page) {
  QComboBox* lapNo = Combo("comboFillLapNo", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});
  lapNo->setEnabled(false);
  QGroupBox* fill = RadioGroup("rgFillBestlaps", "Empty/fill bestlaps before Zindo launch",
                               {new QRadioButton(QStringLiteral("do not change")),
                                new QRadioButton(QStringLiteral("empty")), WithControlInGap(lapNo)});
  fill->findChild<QRadioButton*>()->setChecked(true);
  auto* retrieval = new QVBoxLayout;
  retrieval->addWidget(Flag("cbBackupBestlaps", "Retrieve new lap times after Zindo is finished"));
  retrieval->addWidget(Caption("and store them in the Lumox database"));
  auto* note = new QVBoxLayout;
  note->addWidget(
      Caption("To make the best use of Lumox's lap time\n"
              "archive, check the 'Retrieve lap times ...'\n"
              "checkbox and select the 'empty' or 'empty\n"
              "and fill ...' option below it to make room\n"
              "for new lap times.\n\n"
              "Keep the number of filled lap times well\n"
              "below 10 (recommended: 5) to reserve\n"
              "some room for lap times with slower cars."));
  // The retrieval comes first: the note refers to the fill options "below it".
  FillPage(page, Column({Item(Group("Lap time retrieval (bestlaps.ini)", retrieval)), Item(fill)}),
           Column({Item(Group("Note", note))}));
}

// Option controls that sit among the race set-up, each page's in a group of its own.
void AddRaceOptionGroups(const TZindoPage& page) {
  PageLayout(page.TabCarAndTrack)
      ->addWidget(Group("Race", Row({Caption("Number of laps:"), NumberEdit("medLaps", 5)})));
  PageLayout(page.TabRace)->addWidget(
      Group("AI scenario", Row({Flag("cbRandomAIScenario", "Random AI scenario")})));
}

}  // namespace

void CreateOptionControls(const TZindoPage& page) {
  FillDisplayOptions(page.TabDisplayOptions);
  FillMiscOptions(page.TabMiscOptions);
  FillTelemetryLogging(page.TabTelemetryLogging);
  FillLumoxOptions(page.TabLumoxOptions);
  AddRaceOptionGroups(page);
}

template <class W>
W* TOptionWidgets::Get(const char* control) const {
  W* widget = Root->findChild<W*>(Latin1(control));
  if (!widget) throw ELumox(QStringLiteral("The option control \"%1\" does not exist.").arg(Latin1(control)));
  return widget;
}

QButtonGroup* TOptionWidgets::Buttons(const char* radioGroup) const {
  QButtonGroup* buttons = ButtonsOf(Get<QGroupBox>(radioGroup));
  if (!buttons) throw ELumox(QStringLiteral("\"%1\" is no radio group.").arg(Latin1(radioGroup)));
  return buttons;
}

bool TOptionWidgets::Checked(const char* control) const { return Get<QAbstractButton>(control)->isChecked(); }

void TOptionWidgets::SetChecked(const char* control, bool checked) {
  Get<QAbstractButton>(control)->setChecked(checked);
}

QString TOptionWidgets::Text(const char* control) const { return Get<QLineEdit>(control)->text(); }

void TOptionWidgets::SetText(const char* control, const QString& text) { Get<QLineEdit>(control)->setText(text); }

int TOptionWidgets::Index(const char* control) const {
  QWidget* widget = Get<QWidget>(control);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentIndex();
  if (auto* slider = qobject_cast<QSlider*>(widget)) return slider->value();
  return Buttons(control)->checkedId();
}

void TOptionWidgets::SetIndex(const char* control, int index) {
  QWidget* widget = Get<QWidget>(control);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->setCurrentIndex(index);
  if (auto* slider = qobject_cast<QSlider*>(widget)) return slider->setValue(index);
  if (QAbstractButton* button = Buttons(control)->button(index)) button->setChecked(true);
}

// A radio group is enabled through its buttons: the group's own state would pass to every
// control in it, and the edit beside a button follows a rule of its own.
bool TOptionWidgets::Enabled(const char* control) const {
  QWidget* widget = Get<QWidget>(control);
  if (QButtonGroup* buttons = ButtonsOf(widget)) return buttons->buttons()[0]->isEnabled();
  return widget->isEnabled();
}

void TOptionWidgets::SetEnabled(const char* control, bool enabled) {
  QWidget* widget = Get<QWidget>(control);
  if (QButtonGroup* buttons = ButtonsOf(widget)) {
    for (QAbstractButton* button : buttons->buttons()) button->setEnabled(enabled);
    return;
  }
  widget->setEnabled(enabled);
}

void TOptionWidgets::SetVisible(const char* control, bool visible) { Get<QWidget>(control)->setVisible(visible); }

void TOptionWidgets::ConnectHandlers() {
  const auto rule = [this](void (*update)(IOptionControls&)) { return Guarded([this, update](auto&&...) { update(*this); }); };
  QObject::connect(Get<QComboBox>("comboResolution"), &QComboBox::currentIndexChanged, Root,
                   rule(&UpdateResolutionEdits));
  QObject::connect(Get<QCheckBox>("cbStencilShadows"), &QCheckBox::toggled, Root, rule(&UpdateStencilControls));
  QObject::connect(Get<QCheckBox>("cbEnableMirrorTexture"), &QCheckBox::toggled, Root, rule(&UpdateMirrorControls));
  QObject::connect(Buttons("rgLogFilename"), &QButtonGroup::idToggled, Root,
                   rule(&UpdateLogFilenameEdit));
  QObject::connect(Buttons("rgFillBestlaps"), &QButtonGroup::idToggled, Root,
                   rule(&UpdateFillLapNo));
}

}  // namespace lumox
