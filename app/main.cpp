#include <QApplication>

#include "archive/Database.h"
#include "frontend/FormMain.h"
#include "frontend/MessageBoxes.h"
#include "imageformats/FileFormatList.h"
#include "visualstyles/ThemeNexus.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const lumox::TThemeNexus themeNexus;
  lumox::TMessageBoxes messageBoxes;
  const lumox::TUserMessagesScope messages(messageBoxes);
  lumox::StartUpImageFormats();
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
