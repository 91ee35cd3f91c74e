#include <QApplication>

#include "frontend/FormMain.h"
#include "frontend/MessageBoxes.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  lumox::TMessageBoxes messageBoxes;
  const lumox::TUserMessagesScope messages(messageBoxes);
  lumox::TFormMain formMain;
  formMain.show();
  return application.exec();
}
