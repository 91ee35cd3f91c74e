#pragma once
#include "installation/Version.h"

#include <QDialog>

class QCloseEvent;
class QPlainTextEdit;

namespace lumox {

class TSQLConnection;

// The window that brings an older database up to date. It runs the update once, when it is
// first activated, shows every step in a read-only log and closes only through Done.
class TFormUpdater final : public QDialog {
 public:
  TFormUpdater(TSQLConnection& connection, const TVersion& newVersion, const TVersion& dbVersion);

  // The log as shown, one entry per line ("\r\n" inside an entry starts a new line).
  QStringList LogLines() const;
  // Esc does not close the window.
  void reject() override;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormActivate();
  void BtnOKClick();

  TSQLConnection& FSQLConnection;
  TVersion FNewVersion;
  TVersion FDBVersion;
  bool Activated = false;
  bool Finished = false;
  QPlainTextEdit* Memo1;
};

// Updates the database behind `connection` from `database` to the `program` version in the
// updater window, shown modally until the user presses Done. A failing step is shown in an
// error box; the stored version then stays as it was.
void RunSchemaUpdater(TSQLConnection& connection, const TVersion& program, const TVersion& database);

}  // namespace lumox
