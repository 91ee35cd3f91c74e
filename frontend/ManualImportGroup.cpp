#include "frontend/ManualImportGroup.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumox {

TManualImportGroup CreateManualImportGroup() {
  TManualImportGroup group{};
  group.BtnOneTimeImport = new QPushButton(QStringLiteral("Import now ..."));
  group.BtnOneTimeImport->setObjectName(QStringLiteral("BtnOneTimeImport"));
  auto* layout = new QVBoxLayout;
  layout->addWidget(new QLabel(QStringLiteral(
      "Use this function to manually import all current lap times.\n"
      "It is recommended that you use this function once to import all your old lap times before you\n"
      "start Zindo through Lumox for the first time.")));
  layout->addWidget(group.BtnOneTimeImport, 0, Qt::AlignLeft);
  group.Group = new QGroupBox(QStringLiteral("Manual lap time import"));
  group.Group->setLayout(layout);
  return group;
}

}  // namespace lumox
