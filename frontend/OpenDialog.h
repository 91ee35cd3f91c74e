#pragma once
#include <QString>

namespace lumox {

// The main window's one file-open dialog. Tests put a scripted one in its place.
class IOpenDialog {
 public:
  virtual ~IOpenDialog() = default;
  // The file the user picked, starting in `initialDir` and showing files that match
  // `filter` ("Program files (*.exe)", several separated by ";;", the first chosen); the
  // empty text when the user cancels.
  virtual QString Execute(const QString& initialDir, const QString& filter) = 0;
};

// Asks through a modal QFileDialog over the active window.
class TOpenDialog final : public IOpenDialog {
 public:
  QString Execute(const QString& initialDir, const QString& filter) override;
};

}  // namespace lumox
