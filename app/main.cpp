#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "archive/Database.h"
#include "frontend/FormMain.h"
#include "frontend/MessageBoxes.h"
#include "imageformats/Decoder.h"
#include "imageformats/FileFormatList.h"
#include "installation/FileSystem.h"
#include "platform/Errors.h"
#include "platform/ScreenGraphics.h"
#include "platform/TerminationSignals.h"
#include "visualstyles/ThemeNexus.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const lumox::TDeviceContextLayerScope deviceContexts(lumox::ScreenDeviceContextLayer());
  const lumox::TThemeNexus themeNexus;
  lumox::TMessageBoxes messageBoxes;
  const lumox::TUserMessagesScope messages(messageBoxes);
  // Each folder an installation listing leaves out is reported once a run.
  const lumox::TFolderNameReports folderReports;
  // Before anything uses the database engine, which reads its settings once a process.
  std::optional<lumox::TEngineLockFolder> lockFolder;
  try {
    lockFolder.emplace();
  } catch (const lumox::ELumox& e) {
    lumox::ShowError(lumox::MessageOf(e));
    return 1;
  }
  lumox::StartUpImageFormats();
  // What a picture decoder got past (a JPEG strip cut short) is shown as a warning box.
  lumox::SetDecoderWarningHandler(
      [](const std::string&, const std::string& text) { lumox::ShowWarning(QString::fromStdString(text)); });
  const QString appDir = QCoreApplication::applicationDirPath();
  int exitCode = 0;
  {
    lumox::TFormMain formMain;
    // Installed before the database engine loads, which then passes the signals on. What is
    // reported after a signal goes to stderr: nobody may be there to answer a box.
    const lumox::TTerminationSignals terminationSignals([&] {
      messageBoxes.Quitting();
      formMain.EndOnSignal();
    });
    lumox::LeaveTerminationSignalsToTheProgram();
    formMain.StartUp(appDir);
    if (terminationSignals.Received()) {
      formMain.close();
    } else {
      formMain.show();
      // Tests that drive the program from outside wait for this line instead of the clock.
      if (qEnvironmentVariableIsSet("LUMOX_SAY_READY")) {
        QTimer::singleShot(0, [] {
          std::fputs("ready\n", stdout);
          std::fflush(stdout);
        });
      }
      exitCode = application.exec();
    }
  }
  lumox::ShutDownImageFormats();
  lumox::ShutDownDatabaseEngine();
  return exitCode;
}
