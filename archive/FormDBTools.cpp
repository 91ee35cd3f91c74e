#include "archive/FormDBTools.h"

#include "archive/LapTimePool.h"
#include "platform/EventGuard.h"
#include "platform/UserMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace lumox {
namespace {

// It can be widened, not made taller or smaller.
constexpr QSize DesignSize(581, 476);

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QLatin1StringView(name));
  return widget;
}

QComboBox* ListCombo(QWidget* parent, const char* name, const QStringList& items) {
  auto* combo = Named(new QComboBox(parent), name);
  combo->setEditable(false);
  combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  combo->addItems(items);
  return combo;
}

// The question whether to move all laps of the `what` shown in `from` to the one in `to`.
bool ConfirmMerge(const char* what, const QComboBox* from, const QComboBox* to) {
  return Confirm(QStringLiteral("Do you really want to convert all lap times for the %1\r\n%2\r\nto lap times for the %1\r\n%3?")
                     .arg(QLatin1StringView(what), from->currentText(), to->currentText()));
}

}  // namespace

TFormDBTools::TFormDBTools(QWidget* owner)
    : QDialog(owner),
      Tools(LapTimePoolConnector()),
      comboTrackFrom(ListCombo(this, "comboTrackFrom", Tools.TrackItems())),
      comboTrackTo(ListCombo(this, "comboTrackTo", Tools.TrackItems())),
      comboCarFrom(ListCombo(this, "comboCarFrom", Tools.CarItems())),
      comboCarTo(ListCombo(this, "comboCarTo", Tools.CarItems())),
      cbAutoMerge(Named(new QCheckBox(QStringLiteral("add to auto-merge (this conversion will be performed "
                                                     "automatically whenever necessary)"),
                                      this),
                        "cbAutoMerge")),
      comboAutoMerges(ListCombo(this, "comboAutoMerges", {})) {
  setObjectName(QStringLiteral("FormDBTools"));
  setWindowTitle(QStringLiteral("Lap Time Database Tools"));

  const auto button = [this](const char* name, const QString& caption, void (TFormDBTools::*handler)()) {
    auto* result = Named(new QPushButton(caption, this), name);
    result->setAutoDefault(false);
    connect(result, &QPushButton::clicked, this, Guarded([this, handler](bool) { (this->*handler)(); }));
    return result;
  };
  // One merge group: the source, the target, optional extras and the button.
  const auto mergeGroup = [&](const char* caption, const char* from, QComboBox* source, const char* to,
                              QComboBox* target, QPushButton* merge) {
    auto* group = new QGroupBox(QLatin1StringView(caption), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(Named(new QLabel(QStringLiteral("Convert all times for ..."), group), from), 0, 0, 1, 2);
    grid->addWidget(source, 1, 0, 1, 2);
    grid->addWidget(Named(new QLabel(QStringLiteral("... to times for ..."), group), to), 2, 0, 1, 2);
    grid->addWidget(target, 3, 0, 1, 2);
    grid->addWidget(merge, 5, 1, Qt::AlignRight);
    grid->setColumnStretch(0, 1);
    return std::pair(group, grid);
  };

  auto [tracks, trackGrid] = mergeGroup("Merge tracks", "Label1", comboTrackFrom, "Label2", comboTrackTo,
                                        button("BtnTrackMerge", QStringLiteral("Merge"), &TFormDBTools::BtnTrackMergeClick));
  auto [cars, carGrid] = mergeGroup("Merge cars", "Label3", comboCarFrom, "Label4", comboCarTo,
                                    button("BtnCarMerge", QStringLiteral("Merge"), &TFormDBTools::BtnCarMergeClick));
  carGrid->addWidget(cbAutoMerge, 4, 0, 1, 2);

  auto* rules = new QGroupBox(QStringLiteral("Remove auto-merge"), this);
  auto* ruleRow = new QHBoxLayout(rules);
  ruleRow->addWidget(comboAutoMerges, 1);
  ruleRow->addWidget(button("BtnRemoveAM", QStringLiteral("Remove"), &TFormDBTools::BtnRemoveAMClick));

  auto* done = button("BtnDone", QStringLiteral("Done"), &TFormDBTools::accept);
  auto* doneRow = new QHBoxLayout;
  doneRow->addStretch();
  doneRow->addWidget(done);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tracks);
  layout->addWidget(cars);
  layout->addWidget(rules);
  layout->addStretch();
  layout->addLayout(doneRow);

  ShowAutoMerges();
  // Larger where the captions need it, so the check box's long caption is never cut.
  const QSize size = DesignSize.expandedTo(layout->minimumSize());
  setMinimumSize(size);
  setMaximumHeight(size.height());
  resize(size);
  if (const QScreen* shown = screen()) move(shown->availableGeometry().center() - rect().center());
}

void TFormDBTools::BtnTrackMergeClick() {
  if (comboTrackFrom->currentIndex() < 0 || comboTrackTo->currentIndex() < 0) return;
  if (!ConfirmMerge("track", comboTrackFrom, comboTrackTo)) return;
  Tools.MergeTracks(comboTrackFrom->currentIndex(), comboTrackTo->currentIndex());
  ShowInformation(QStringLiteral("Done."));
}

void TFormDBTools::BtnCarMergeClick() {
  if (comboCarFrom->currentIndex() < 0 || comboCarTo->currentIndex() < 0) return;
  if (!ConfirmMerge("car", comboCarFrom, comboCarTo)) return;
  Tools.MergeCars(comboCarFrom->currentIndex(), comboCarTo->currentIndex(), cbAutoMerge->isChecked());
  if (cbAutoMerge->isChecked()) ShowAutoMerges();
  ShowInformation(QStringLiteral("Done."));
}

// The rules are read afresh after either answer.
void TFormDBTools::BtnRemoveAMClick() {
  if (comboAutoMerges->currentIndex() < 0) return;
  if (Confirm(QStringLiteral("Are you sure?"))) Tools.RemoveAutoMerge(comboAutoMerges->currentIndex());
  Tools.RefreshAutoMerges();
  ShowAutoMerges();
}

void TFormDBTools::ShowAutoMerges() {
  comboAutoMerges->clear();
  comboAutoMerges->addItems(Tools.AutoMergeItems());
  comboAutoMerges->setCurrentIndex(comboAutoMerges->count() > 0 ? 0 : -1);
}

void ShowDBTools(QWidget* parent) {
  RunGuarded([&] {
    TFormDBTools tools(parent);
    tools.exec();
  });
}

}  // namespace lumox
