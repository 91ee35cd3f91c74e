#include <QApplication>

#include "archive/Database.h"
#include "frontend/FormMain.h"
#include "frontend/MessageBoxes.h"
#include "imageformats/FileFormatList.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
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
