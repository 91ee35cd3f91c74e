#pragma once
#include <QString>

namespace lumox {

class IOpenDialog;
struct TFrontEndState;

// The file filters of the program pickers: Windows programs first, and every file, as a
// program on Linux often has no extension.
inline constexpr const char* ProgramFilesFilter = "Program files (*.exe);;All files (*)";

// The Settings page without its widgets: picking the simulator executable and the telemetry
// analyzer, and checking and storing the paths when the user leaves the page.
class TSettingsPage {
 public:
  TSettingsPage(TFrontEndState& state, IOpenDialog& openDialog);

  // The paths the page shows when it is entered.
  const QString& ZindoExe() const;
  const QString& TeleAnalyzerExe() const;

  // A valid simulator executable picked starting in `initialDir`; the empty text when the
  // user gives up. An invalid pick is refused with a box that offers to pick again.
  QString LocateZindoExe(const QString& initialDir);
  // The simulator picker of the page: starts in the folder of the path typed so far.
  QString LocateZindoExeFrom(const QString& typedPath);
  // The analyzer picker: starts in the program's folder; the file is not checked.
  QString LocateTeleAnalyzer();

  // Takes the edited paths over and stores them; an invalid simulator path is kept only
  // when the user confirms it. False: nothing changed and the user stays on the page.
  bool Leave(const QString& zindoExe, const QString& teleAnalyzerExe);

 private:
  TFrontEndState& State;
  IOpenDialog& OpenDialog;
};

}  // namespace lumox
