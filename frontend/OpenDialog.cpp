#include "frontend/OpenDialog.h"

#include <QApplication>
#include <QFileDialog>

namespace lumox {

QString TOpenDialog::Execute(const QString& initialDir, const QString& filter) {
  QFileDialog dialog(QApplication::activeWindow(), QString(), initialDir, filter);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // Qt's own dialog matches the filter regardless of case, as installations copied from
  // Windows need ("ZINDO.EXE"); a desktop's native one may not.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace lumox
