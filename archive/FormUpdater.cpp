#include "archive/FormUpdater.h"

#include "archive/SchemaUpdater.h"
#include "platform/EventGuard.h"
#include "platform/ScreenFonts.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace lumox {
namespace {

constexpr QSize DesignSize(414, 251);

// Courier New where that family itself is installed and draws its characters equally wide,
// else the system's fixed-pitch font: asked for by name alone, Courier New may resolve to any
// font the system substitutes for it.
QFont LogFont() {
  const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const QString courierNew = QStringLiteral("Courier New");
  if (!QFontDatabase::families().contains(courierNew, Qt::CaseInsensitive)) return system;
  QFont font = system;
  font.setFamilies({courierNew});
  return ShowsFixedPitch(font) ? font : system;
}

}  // namespace

TFormUpdater::TFormUpdater(TSQLConnection& connection, const TVersion& newVersion, const TVersion& dbVersion)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      FSQLConnection(connection),
      FNewVersion(newVersion),
      FDBVersion(dbVersion),
      Memo1(new QPlainTextEdit(this)),
      BtnOK(new QPushButton(QStringLiteral("Done"), this)) {
  setObjectName(QStringLiteral("FormUpdater"));
  setWindowTitle(QStringLiteral("Lumox Database Updater"));

  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setFont(LogFont());
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  BtnOK->setObjectName(QStringLiteral("BtnOK"));
  BtnOK->setDefault(true);
  BtnOK->setEnabled(false);
  connect(BtnOK, &QPushButton::clicked, this, [this] { BtnOKClick(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BtnOK);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1, 1);
  layout->addLayout(buttons);

  setMinimumSize(DesignSize);
  resize(DesignSize);
  if (const QScreen* shown = screen()) move(shown->availableGeometry().center() - rect().center());
}

QStringList TFormUpdater::LogLines() const { return Memo1->toPlainText().split(QLatin1Char('\n')); }

void TFormUpdater::reject() {}

// Queued, so that the window is on screen before the first step runs.
void TFormUpdater::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (Started) return;
  Started = true;
  QMetaObject::invokeMethod(
      this, [this] { FormActivate(); }, Qt::QueuedConnection);
}

// Only Done closes the window; the window system's close requests are refused.
void TFormUpdater::closeEvent(QCloseEvent* event) {
  if (Finished) {
    QDialog::closeEvent(event);
  } else {
    event->ignore();
  }
}

void TFormUpdater::FormActivate() {
  RunGuarded([this] {
    TSchemaUpdater(FSQLConnection, FNewVersion, FDBVersion).Run([this](const QString& entry) {
      Memo1->appendPlainText(QString(entry).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    });
    Updated = true;
  });
  BtnOK->setEnabled(true);
  BtnOK->setFocus();
}

void TFormUpdater::BtnOKClick() {
  Finished = true;
  accept();
}

bool RunSchemaUpdater(TSQLConnection& connection, const TVersion& program, const TVersion& database) {
  TFormUpdater updater(connection, program, database);
  updater.exec();
  return updater.Succeeded();
}

}  // namespace lumox
