#include <QApplication>

#include "archive/Database.h"
#include "frontend/FormMain.h"
#include "frontend/MessageBoxes.h"
#include "imageformats/Decoder.h"
#include "imageformats/FileFormatList.h"
#include "visualstyles/ThemeNexus.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const lumox::TThemeNexus themeNexus;
  lumox::TMessageBoxes messageBoxes;
  const lumox::TUserMessagesScope messages(messageBoxes);
  lumox::StartUpImageFormats();
  // What a picture decoder got past (a JPEG strip cut short) is shown as a warning box.
  lumox::SetDecoderWarningHandler(
      [](const std::string&, const std::string& text) { lumox::ShowWarning(QString::fromStdString(text)); });
  int exitCode = 0;
  {
    lumox::TFormMain formMain;
    formMain.StartUp(QCoreApplication::applicationDirPath());
    formMain.show();
    exitCode = application.exec();
  }
  lumox::ShutDownImageFormats();
  lumox::ShutDownDatabaseEngine();
  return exitCode;
}
