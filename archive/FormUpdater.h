#pragma once
#include "installation/Version.h"

#include <QDialog>

class QCloseEvent;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;

namespace lumox {

class TSQLConnection;

// The window that brings an older database up to date. It runs the update once, as soon as
// it is shown, whether or not the window system ever activates it, shows every step in a
// read-only log and closes only through Done, which it offers once the update has run.
class TFormUpdater final : public QDialog {
 public:
  TFormUpdater(TSQLConnection& connection, const TVersion& newVersion, const TVersion& dbVersion);

  // The log as shown, one entry per line ("\r\n" inside an entry starts a new line).
  QStringList LogLines() const;
  // Whether the update ran through; false before it ran and after it failed.
  bool Succeeded() const { return Updated; }
  // Esc does not close the window.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs the update: from a queued call once the window is shown, not on its activation, which
  // a window manager may never give it.
  void FormActivate();
  void BtnOKClick();

  TSQLConnection& FSQLConnection;
  TVersion FNewVersion;
  TVersion FDBVersion;
  bool Started = false;
  bool Updated = false;
  bool Finished = false;
  QPlainTextEdit* Memo1;
  QPushButton* BtnOK;
};

// Updates the database behind `connection` from `database` to the `program` version in the
// updater window, shown modally until the user presses Done. A failing step is shown in an
// error box; the stored version then stays as it was. True when the update ran through.
bool RunSchemaUpdater(TSQLConnection& connection, const TVersion& program, const TVersion& database);

}  // namespace lumox
