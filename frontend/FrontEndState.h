#pragma once
// What the main window knows and owns besides its widgets. The logic classes of the front
// end work on this without touching widgets. Start-up fills it, shut-down stores from it.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "archive/Database.h"
#include "archive/IniTable.h"
#include "installation/Cars.h"
#include "installation/Tracks.h"
#include "installation/Variants.h"
#include "installation/Version.h"

namespace lumox {

// The folder part of a file's path, without its trailing separator; empty when the path
// names no folder.
QString FolderOfFile(const QString& path);

struct TFrontEndState {
  // FZindoExe := `exe`, FZindoDir := its folder.
  void SetZindoExe(const QString& exe);

  // The installation's lists; start-up builds them from the cache or the folders.
  std::unique_ptr<TTracks> FTracks;
  std::unique_ptr<TCars> FCars;
  // The race's AI cars: cars of FCars, not owned.
  TCarRefs FRaceAICars;
  TLumoxVariant FVariants;  // variants of the selected default car

  // Set once start-up has filled the lists; handlers that need them act only then.
  bool FInitialized = false;
  // Why start-up ended before it completed, in words; empty when it completed (or never ran).
  QString FStartUpFailure;
  // Throws ELumox when start-up ended early: the message begins with `refused` (what did not
  // happen) and goes on with why and what to do.
  void RequireCompleteStartUp(const QString& refused) const;

  QString FZindoDir;         // folder of the simulator executable, no trailing separator
  QString FZindoExe;         // full path of the simulator executable
  QString FAppDir;           // folder of the program's own executable, no trailing separator
  QString FTeleAnalyzerExe;  // full path of the telemetry analyzer; may be empty

  // The database connection and the settings table over it; the table goes first.
  std::unique_ptr<TSQLConnection> SQLConnection1;
  std::unique_ptr<TIniTable> FSettings;

  TVersion FVersion{QStringLiteral("0.0.0.0")};  // the program's own version

  // The archive's cars and tracks and the lap identifiers of the archive grid's rows.
  QStringList FLTCarNames, FLTCarIDs;
  QStringList FLTTrackNames, FLTTrackPaths;
  QStringList FLTRowIDs;
  // The selected default car after its merge rule; the archive grid shows its laps in bold.
  QString FCurrentCarName, FCurrentCarID;
  std::uint8_t FLastGridMode = 0;  // the grid's previous selection, for drilling down and back
};

}  // namespace lumox
