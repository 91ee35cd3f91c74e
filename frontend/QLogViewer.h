#pragma once
#include "frontend/QLogLines.h"
#include "frontend/QLogModel.h"
#include "frontend/UniformRowsView.h"

#include <QDialog>
#include <QString>

class QAction;
class QShowEvent;

namespace lumox {

// Whether the viewer may write the log back: not while the simulator, which appends to it, runs.
enum class TLogSaving { On, Off };

// Shows the simulator's log QLOG.TXT coloured by severity, opens at the last session, can
// delete the sessions before it and save the log back. Widgets and actions carry their
// component names as object names. The log box is a list of lines that keeps nothing per line,
// so that a log of many megabytes opens at once and costs little more than its size: a text
// box lays out all of its text first.
class TFormViewQLOG final : public QDialog {
 public:
  // Loads and colours QLOG.TXT of `zindoDir`. Throws EInOutError naming the file when it
  // is missing or cannot be read. With `saving` off, "Save and exit" is disabled.
  TFormViewQLOG(QWidget* owner, const QString& zindoDir, TLogSaving saving = TLogSaving::On);

  const TQLog& Log() const { return LogModel; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QAction* AddAction(const char* name, const QString& caption, const QString& hint, const QKeySequence& shortcut,
                     void (TFormViewQLOG::*handler)());
  void BtnLastSessionClick();
  void BtnDeleteButLastClick();
  void BtnSaveAndExitClick();
  void BtnQuitClick();
  // Every row as wide as the widest line, so that no line is cut and none is measured twice.
  void SizeRows();

  QString ZindoDir;
  QString FileName;  // the log as found, written back under the same name
  TQLog LogModel;
  TQLogLines Lines{LogModel};
  TUniformRowsView* RichEdit1 = nullptr;
};

// Opens the log viewer modally over `parent` on the log of the simulator folder `zindoDir`.
// A log that cannot be read is reported in an error box and no viewer is shown.
void ShowQLogViewer(QWidget* parent, const QString& zindoDir, TLogSaving saving = TLogSaving::On);

}  // namespace lumox
