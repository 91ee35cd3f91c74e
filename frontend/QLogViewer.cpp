#include "frontend/QLogViewer.h"

#include "platform/EventGuard.h"
#include "installation/FileSystem.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>

namespace lumox {
namespace {

// The client size the window is designed for; it is also its minimum size.
constexpr QSize DesignSize(679, 389);

const QString LogName = QStringLiteral("QLOG.TXT");

}  // namespace

TFormViewQLOG::TFormViewQLOG(QWidget* owner, const QString& zindoDir, TLogSaving saving)
    : QDialog(owner),
      ZindoDir(zindoDir),
      FileName(ZindoFilePath(zindoDir, LogName)),
      LogModel(TQLog::Load(FileName)) {
  setObjectName(QStringLiteral("FormViewQLOG"));
  setWindowTitle(QStringLiteral("Lumox QLOG viewer"));

  auto* buttons = new QHBoxLayout;
  const auto addButton = [&](const char* name, QAction* action) {
    auto* button = new QPushButton(action->text(), this);
    button->setObjectName(QLatin1StringView(name));
    button->setToolTip(action->toolTip());
    button->setAutoDefault(false);
    button->setEnabled(action->isEnabled());
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    buttons->addWidget(button);
  };
  addButton("BtnLastSession", AddAction("ActGotoLastSession", QStringLiteral("Go to &last session "),
                                        QStringLiteral("Jump to the start of the last session log"),
                                        QKeySequence(Qt::CTRL | Qt::Key_L), &TFormViewQLOG::BtnLastSessionClick));
  addButton("BtnDeleteButLast", AddAction("ActDeleteOldSessions", QStringLiteral("&Delete old session logs"),
                                          QStringLiteral("Delete logs of all old sessions"),
                                          QKeySequence(Qt::CTRL | Qt::Key_D), &TFormViewQLOG::BtnDeleteButLastClick));
  QAction* saveAndExit =
      AddAction("ActSaveAndExit", QStringLiteral("Save and e&xit"), QStringLiteral("Save changes and exit"),
                QKeySequence(Qt::CTRL | Qt::Key_X), &TFormViewQLOG::BtnSaveAndExitClick);
  saveAndExit->setEnabled(saving == TLogSaving::On);
  addButton("BtnSaveAndExit", saveAndExit);
  addButton("BtnQuit", AddAction("ActQuit", QStringLiteral("&Quit (don't save)"),
                                 QStringLiteral("Do not save changes and exit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
                                 &TFormViewQLOG::BtnQuitClick));
  buttons->addStretch();
  buttons->setContentsMargins(4, 0, 4, 0);

  RichEdit1 = new TUniformRowsView(this);
  RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
  RichEdit1->setModel(&Lines);
  RichEdit1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  RichEdit1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  RichEdit1->setTextElideMode(Qt::ElideNone);
  RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  auto* statusBar = new QStatusBar(this);
  statusBar->setObjectName(QStringLiteral("StatusBar1"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 4, 0, 0);
  layout->setSpacing(4);
  layout->addLayout(buttons);
  layout->addWidget(RichEdit1, 1);
  layout->addWidget(statusBar);

  setMinimumSize(DesignSize);
  resize(DesignSize);
  if (const QScreen* shown = screen()) move(shown->availableGeometry().center() - rect().center());

  SizeRows();
}

QAction* TFormViewQLOG::AddAction(const char* name, const QString& caption, const QString& hint,
                                  const QKeySequence& shortcut, void (TFormViewQLOG::*handler)()) {
  auto* action = new QAction(caption, this);
  action->setObjectName(QLatin1StringView(name));
  action->setToolTip(hint);
  action->setShortcut(shortcut);
  connect(action, &QAction::triggered, this, Guarded([this, handler](bool) { (this->*handler)(); }));
  addAction(action);
  return action;
}

void TFormViewQLOG::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) RunGuarded([this] { BtnLastSessionClick(); });  // not when restored
}

void TFormViewQLOG::SizeRows() {
  const int widest = WidestLine(LogModel, RichEdit1->font());
  if (widest >= 0) RichEdit1->SetRowSize(RichEdit1->sizeHintForIndex(Lines.index(widest)));
}

// Goes to the end first, so that selecting the separator scrolls up just far enough to
// bring it to the top of the view with the last session below it.
void TFormViewQLOG::BtnLastSessionClick() {
  RichEdit1->scrollToBottom();
  RichEdit1->setFocus();
  const int separator = LogModel.LastSessionLine();
  if (separator < 0) {
    RichEdit1->clearSelection();
    RichEdit1->selectionModel()->setCurrentIndex(Lines.index(0), QItemSelectionModel::NoUpdate);
    RichEdit1->scrollToTop();
    return;
  }
  // Explicit, as the view would add the keys held (Ctrl of the shortcut) to its selection.
  RichEdit1->selectionModel()->setCurrentIndex(Lines.index(separator), QItemSelectionModel::ClearAndSelect);
  RichEdit1->scrollTo(Lines.index(separator), QAbstractItemView::PositionAtTop);
}

// The remaining lines keep the colours they have.
void TFormViewQLOG::BtnDeleteButLastClick() {
  if (LogModel.DeleteOldSessions() > 0) {
    Lines.Reload();
    SizeRows();
  }
  BtnLastSessionClick();
}

// A failed save raises before the window closes, so the error box shows over the open window.
void TFormViewQLOG::BtnSaveAndExitClick() {
  LogModel.Save(ZindoDir, FileName);
  accept();
}

void TFormViewQLOG::BtnQuitClick() { reject(); }

void ShowQLogViewer(QWidget* parent, const QString& zindoDir, TLogSaving saving) {
  RunGuarded([&] {
    TFormViewQLOG viewer(parent, zindoDir, saving);
    viewer.exec();
  });
}

}  // namespace lumox
