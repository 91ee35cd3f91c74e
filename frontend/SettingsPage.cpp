#include "frontend/SettingsPage.h"

#include "frontend/FrontEndState.h"
#include "frontend/OpenDialog.h"
#include "installation/Scans.h"
#include "platform/UserMessages.h"

namespace lumox {
namespace {

bool AskPickAgain() {
  return UserMessages().Show(TMsgKind::Error,
                             QStringLiteral("This does not appear to be a valid Zindo executable.\n"
                                            "Please select another file or press Cancel to abort."),
                             TMsgButtons::OkCancel) == TMsgAnswer::Ok;
}

bool AskKeepInvalidZindoExe() {
  return UserMessages().Show(
             TMsgKind::Warning,
             QStringLiteral("The selected executable does not appear to be a valid Zindo.exe.\n"
                            "Continue anyway?"),
             TMsgButtons::YesNo) == TMsgAnswer::Yes;
}

}  // namespace

TSettingsPage::TSettingsPage(TFrontEndState& state, IOpenDialog& openDialog)
    : State(state), OpenDialog(openDialog) {}

const QString& TSettingsPage::ZindoExe() const { return State.FZindoExe; }

const QString& TSettingsPage::TeleAnalyzerExe() const { return State.FTeleAnalyzerExe; }

QString TSettingsPage::LocateZindoExe(const QString& initialDir) {
  for (;;) {
    const QString picked = OpenDialog.Execute(initialDir, QString::fromLatin1(ProgramFilesFilter));
    if (picked.isEmpty() || IsZindoExecutable(picked)) return picked;
    if (!AskPickAgain()) return {};
  }
}

QString TSettingsPage::LocateZindoExeFrom(const QString& typedPath) {
  return LocateZindoExe(FolderOfFile(typedPath));
}

QString TSettingsPage::LocateTeleAnalyzer() {
  return OpenDialog.Execute(State.FAppDir, QString::fromLatin1(ProgramFilesFilter));
}

bool TSettingsPage::Leave(const QString& zindoExe, const QString& teleAnalyzerExe) {
  if (!IsZindoExecutable(zindoExe) && !AskKeepInvalidZindoExe()) return false;
  State.SetZindoExe(zindoExe);
  State.FTeleAnalyzerExe = teleAnalyzerExe;
  // Before start-up has opened the settings there is nowhere to store them.
  if (State.FSettings) {
    State.FSettings->WriteString(QStringLiteral("PROGRAM"), QStringLiteral("ZINDO_EXE"), State.FZindoExe);
    State.FSettings->WriteString(QStringLiteral("PROGRAM"), QStringLiteral("TELEMETRY_ANALYZER_EXE"),
                                 State.FTeleAnalyzerExe);
  }
  return true;
}

}  // namespace lumox
