#include <QApplication>
#include <QDir>

#include "archive/Database.h"
#include "frontend/FormMain.h"
#include "frontend/MessageBoxes.h"
#include "imageformats/Decoder.h"
#include "imageformats/FileFormatList.h"
#include "platform/ScreenGraphics.h"
#include "platform/TerminationSignals.h"
#include "visualstyles/ThemeNexus.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const lumox::TDeviceContextLayerScope deviceContexts(lumox::ScreenDeviceContextLayer());
  const lumox::TThemeNexus themeNexus;
  lumox::TMessageBoxes messageBoxes;
  const lumox::TUserMessagesScope messages(messageBoxes);
  lumox::StartUpImageFormats();
  // What a picture decoder got past (a JPEG strip cut short) is shown as a warning box.
  lumox::SetDecoderWarningHandler(
      [](const std::string&, const std::string& text) { lumox::ShowWarning(QString::fromStdString(text)); });
  const QString appDir = QCoreApplication::applicationDirPath();
  lumox::UseLockFolderBeside(QDir(appDir).absoluteFilePath(lumox::DatabaseFileName));
  int exitCode = 0;
  {
    lumox::TFormMain formMain;
    // Ctrl+C and kill close the window as the user does. During start-up they end its dialogs
    // and waits, and the window closes once start-up is done. Installed before the database
    // engine loads, which then passes the signals on.
    const lumox::TTerminationSignals terminationSignals([&formMain] {
      if (formMain.isVisible()) formMain.close();
      QCoreApplication::exit(0);
    });
    lumox::LeaveTerminationSignalsToTheProgram();
    formMain.StartUp(appDir);
    if (terminationSignals.Received()) {
      formMain.close();
    } else {
      formMain.show();
      exitCode = application.exec();
    }
  }
  lumox::ShutDownImageFormats();
  lumox::ShutDownDatabaseEngine();
  return exitCode;
}
