#include "frontend/QLogViewer.h"

#include "platform/EventGuard.h"
#include "installation/FileSystem.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace lumox {
namespace {

// The client size the window is designed for; it is also its minimum size.
constexpr QSize DesignSize(679, 389);

const QString LogName = QStringLiteral("QLOG.TXT");

QTextCharFormat FormatOf(TQLogLineKind kind) {
  const TQLogLook look = LookOf(kind);
  QTextCharFormat format;
  format.setForeground(QColor::fromRgb(look.Rgb));
  format.setFontWeight(look.Bold ? QFont::Bold : QFont::Normal);
  return format;
}

// Suspends repainting of a widget while its text changes.
class TRepaintSuspended {
 public:
  explicit TRepaintSuspended(QWidget* widget) : Widget(widget) { Widget->setUpdatesEnabled(false); }
  ~TRepaintSuspended() { Widget->setUpdatesEnabled(true); }
  TRepaintSuspended(const TRepaintSuspended&) = delete;
  TRepaintSuspended& operator=(const TRepaintSuspended&) = delete;

 private:
  QWidget* Widget;
};

}  // namespace

TFormViewQLOG::TFormViewQLOG(QWidget* owner, const QString& zindoDir)
    : QDialog(owner), FileName(ZindoFilePath(zindoDir, LogName)), LogModel(TQLog::Load(FileName)) {
  setObjectName(QStringLiteral("FormViewQLOG"));
  setWindowTitle(QStringLiteral("Lumox QLOG viewer"));

  auto* buttons = new QHBoxLayout;
  const auto addButton = [&](const char* name, QAction* action) {
    auto* button = new QPushButton(action->text(), this);
    button->setObjectName(QLatin1StringView(name));
    button->setToolTip(action->toolTip());
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    buttons->addWidget(button);
  };
  addButton("BtnLastSession", AddAction("ActGotoLastSession", QStringLiteral("Go to &last session "),
                                        QStringLiteral("Jump to the start of the last session log"),
                                        QKeySequence(Qt::CTRL | Qt::Key_L), &TFormViewQLOG::BtnLastSessionClick));
  addButton("BtnDeleteButLast", AddAction("ActDeleteOldSessions", QStringLiteral("&Delete old session logs"),
                                          QStringLiteral("Delete logs of all old sessions"),
                                          QKeySequence(Qt::CTRL | Qt::Key_D), &TFormViewQLOG::BtnDeleteButLastClick));
  addButton("BtnSaveAndExit", AddAction("ActSaveAndExit", QStringLiteral("Save and e&xit"),
                                        QStringLiteral("Save changes and exit"), QKeySequence(Qt::CTRL | Qt::Key_X),
                                        &TFormViewQLOG::BtnSaveAndExitClick));
  addButton("BtnQuit", AddAction("ActQuit", QStringLiteral("&Quit (don't save)"),
                                 QStringLiteral("Do not save changes and exit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
                                 &TFormViewQLOG::BtnQuitClick));
  buttons->addStretch();
  buttons->setContentsMargins(4, 0, 4, 0);

  RichEdit1 = new QTextEdit(this);
  RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
  RichEdit1->setReadOnly(true);
  RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
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

  ColorizeLog();
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

// Every line gets the look of its kind; the document is built line by line, so a line is
// never read as markup and the text matches the log's lines one to one. It is built before
// the box shows it: a box without word wrap lays out all its text after every change.
void TFormViewQLOG::ColorizeLog() {
  auto* document = new QTextDocument(RichEdit1);
  document->setUndoRedoEnabled(false);
  QTextCursor cursor(document);
  cursor.beginEditBlock();
  const QStringList& lines = LogModel.Lines();
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i > 0) cursor.insertBlock();
    cursor.insertText(lines[i], FormatOf(ClassifyQLogLine(lines[i])));
  }
  cursor.endEditBlock();
  RichEdit1->setDocument(document);  // frees the box's own empty document
}

// Goes to the end first, so that selecting the separator scrolls up just far enough to
// bring it to the top of the view with the last session below it.
void TFormViewQLOG::BtnLastSessionClick() {
  QTextCursor cursor(RichEdit1->document());
  cursor.movePosition(QTextCursor::End);
  RichEdit1->setTextCursor(cursor);
  RichEdit1->ensureCursorVisible();
  RichEdit1->setFocus();

  cursor.movePosition(QTextCursor::Start);
  if (LogModel.LastSessionLine() >= 0) {
    const QTextBlock separator = RichEdit1->document()->findBlockByNumber(LogModel.LastSessionLine());
    cursor.setPosition(separator.position());
    cursor.setPosition(separator.position() + separator.length() - 1, QTextCursor::KeepAnchor);
  }
  RichEdit1->setTextCursor(cursor);
  RichEdit1->ensureCursorVisible();
}

// The remaining lines keep the colours they have.
void TFormViewQLOG::BtnDeleteButLastClick() {
  {
    const TRepaintSuspended suspended(RichEdit1);
    const int removed = LogModel.DeleteOldSessions();
    if (removed > 0) {
      QTextCursor cursor(RichEdit1->document());
      cursor.setPosition(RichEdit1->document()->findBlockByNumber(removed).position(), QTextCursor::KeepAnchor);
      cursor.removeSelectedText();
    }
  }
  BtnLastSessionClick();
}

// A failed save raises before the window closes, so the error box shows over the open window.
void TFormViewQLOG::BtnSaveAndExitClick() {
  LogModel.Save(FileName);
  accept();
}

void TFormViewQLOG::BtnQuitClick() { reject(); }

void ShowQLogViewer(QWidget* parent, const QString& zindoDir) {
  RunGuarded([&] {
    TFormViewQLOG viewer(parent, zindoDir);
    viewer.exec();
  });
}

}  // namespace lumox
