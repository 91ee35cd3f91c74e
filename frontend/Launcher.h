#pragma once
// Starting the simulator and the other programs of the main window: the launch with its
// best-lap preparation and lap import, the telemetry analyzer and the help file.
#include <QString>
#include <chrono>
#include <functional>

#include "frontend/BestLapsExchange.h"

namespace lumox {

class TLapTimePoolConnector;
struct TFrontEndState;

// What the window's controls say about one launch.
struct TLaunchRequest {
  TLapTimeOptions Options;
  bool VariantEnabled = false;  // the selected car has variants
  int VariantIndex = -1;        // the chosen one
};

class TLauncher {
 public:
  TLauncher(TFrontEndState& state, TLapTimePoolConnector& pool);

  // Writes the option pages into zindo.ini; false when it refused to, which stops the launch.
  std::function<bool()> SaveOptions = [] { return true; };
  // How often a waited-for program is looked at.
  std::chrono::milliseconds PollInterval{1000};

  // Prepares the best laps, applies the variant, saves the options, runs the simulator until
  // it ends (or the application quits) and imports its laps when asked to, unless the user
  // chose to quit without. A failure before the start ends the launch: the simulator is not
  // started. A best-laps file that cannot be written, or a variant that cannot be applied while
  // the car is still as it was, is only reported; every message of the preparation shows before
  // the simulator starts. Nothing happens while a launch waits, and nothing at all after a
  // start-up that ended early (ELumox says why).
  void StartZindo(const TLaunchRequest& request);
  // Asked before the window closes. While the simulator runs with its laps still to be
  // archived, the user chooses: wait (false), or quit now without archiving them (true).
  bool MayQuit();
  // Starts `exeFile` in its own folder; with `wait`, handles events until it ends or the
  // application quits. A program that cannot be started is reported.
  void RunProgram(const QString& exeFile, bool wait);
  // Starts the telemetry analyzer and returns at once; tells the user when there is none.
  void StartTeleAnalyzer();
  // Imports every lap of the best-lap files once the user confirms; after a start-up that ended
  // early nothing is asked or imported (ELumox says why).
  void OneTimeImport();
  // Opens the program's help file with the desktop's handler; nothing is said when that fails.
  void ShowHelp() const;

  bool IsLaunching() const { return Launching; }
  TBestLapsExchange Exchange() const;

 private:
  void PrepareBestLaps(TBestLapsExchange& exchange, const TLapTimeOptions& options) const;
  void ApplyVariant(int index) const;

  TFrontEndState& State;
  TLapTimePoolConnector& Pool;
  bool Launching = false;
  bool Racing = false;            // the launch waits for the simulator
  bool ArchiveAfterRace = false;  // the launch imports the laps once the simulator has ended
};

}  // namespace lumox
