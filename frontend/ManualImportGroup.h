#pragma once
// Group "Manual lap time import" of "Lap time handling (Lumox)": the one-time import of every
// lap the best-lap files hold.
class QGroupBox;
class QPushButton;

namespace lumox {

struct TManualImportGroup {
  QGroupBox* Group;
  QPushButton* BtnOneTimeImport;
};

TManualImportGroup CreateManualImportGroup();

}  // namespace lumox
