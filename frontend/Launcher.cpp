#include "frontend/Launcher.h"

#include <QDesktopServices>
#include <QUrl>
#include <optional>

#include "frontend/FrontEndState.h"
#include "installation/FileSystem.h"
#include "platform/ChildProcess.h"
#include "platform/UserMessages.h"

namespace lumox {
namespace {

// Sets a flag for as long as it lives.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : Flag(flag) { Flag = true; }
  ~TFlagScope() { Flag = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& Flag;
};

}  // namespace

TLauncher::TLauncher(TFrontEndState& state, TLapTimePoolConnector& pool) : State(state), Pool(pool) {}

TBestLapsExchange TLauncher::Exchange() const { return TBestLapsExchange(State.FZindoDir, Pool); }

void TLauncher::StartZindo(const TLaunchRequest& request) {
  if (Launching) return;
  State.RequireCompleteStartUp(QStringLiteral("Zindo has not been started"));
  const TFlagScope launching(Launching);
  // One exchange for the launch: it reports a damaged file once and fills no file it kept full.
  TBestLapsExchange exchange = Exchange();
  ArchiveAfterRace = request.Options.BackupBestlaps;
  PrepareBestLaps(exchange, request.Options);
  if (request.VariantEnabled) ApplyVariant(request.VariantIndex);
  if (!SaveOptions()) return;
  // What the preparation reported concerns this launch: it shows before the simulator covers
  // the window, not on a turn of the event loop inside the wait.
  ShowWaitingMessages();
  {
    const TFlagScope racing(Racing);
    RunProgram(State.FZindoExe, true);
  }
  if (ArchiveAfterRace) exchange.RetrieveLapTimes();
}

// A variant that cannot be applied whole leaves the car as it was: the user is told, and the car
// races as it is.
void TLauncher::ApplyVariant(int index) const {
  const QString notApplicable = State.FVariants.Apply(index);
  if (!notApplicable.isEmpty())
    ShowWarning(notApplicable + QStringLiteral("\r\n\r\nZindo starts with the car as it is."));
}

// With lap retrieval on, no file is emptied before its laps are in the archive: laps the
// simulator wrote after the last import (a race Lumox did not wait for) are kept.
void TLauncher::PrepareBestLaps(TBestLapsExchange& exchange, const TLapTimeOptions& options) const {
  const auto mode = TFillMode(options.FillMode);
  if (mode != TFillMode::Empty && mode != TFillMode::EmptyAndFill) return;
  exchange.EmptyBestlaps(options.BackupBestlaps ? TArchiveFirst::Yes : TArchiveFirst::No);
  if (mode == TFillMode::EmptyAndFill) exchange.FillBestlaps(options.LapsToFill());
}

bool TLauncher::MayQuit() {
  if (!Racing || !ArchiveAfterRace) return true;
  if (!Confirm(
          QStringLiteral("Zindo is still running. Lumox archives the new lap times when Zindo ends.\r\n\r\n"
                         "Quit Lumox now, without archiving them?\r\n(No: Lumox goes on waiting.)")))
    return false;
  ArchiveAfterRace = false;
  return true;
}

void TLauncher::RunProgram(const QString& exeFile, bool wait) {
  const std::optional<TChildProcess> child = TChildProcess::StartExecutable(exeFile);
  if (!child) {
    ShowPlainMessage(QStringLiteral("Error starting Exe!"));
    return;
  }
  if (wait) child->Wait(PollInterval);
}

void TLauncher::StartTeleAnalyzer() {
  if (!FileExists(State.FTeleAnalyzerExe)) {
    ShowWarning(QStringLiteral(
        "Could not find the telemetry analyzer.\r\nPlease select one on the \"Settings\" tab."));
    return;
  }
  RunProgram(State.FTeleAnalyzerExe, false);
}

void TLauncher::OneTimeImport() {
  State.RequireCompleteStartUp(QStringLiteral("No lap times have been imported"));
  if (Confirm(QStringLiteral("Do you really want to import all lap times?"))) Exchange().RetrieveLapTimes();
}

void TLauncher::ShowHelp() const {
  QDesktopServices::openUrl(QUrl::fromLocalFile(JoinPath(State.FAppDir, QStringLiteral("lumox.chm"))));
}

}  // namespace lumox
