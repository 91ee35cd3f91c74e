// One member's session in an installation shared with a group, which the sharing test runs as
// that member: the program starts over the folder LUMOX_APP_DIR (answering the database update
// when LUMOX_UPDATES is set), saves LUMOX_RACE_LAPS as the race's laps, races the car with
// variants in the variant LUMOX_VARIANT with its laps archived and the best laps emptied and
// filled, and closes; and none of the installer's programs or folders gives way to the member.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "archive/Database.h"
#include "frontend/FormMain.h"
#include "platform/EventGuard.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/FindWidget.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"

namespace lumox {
namespace {

using namespace std::chrono_literals;
using test::Find;

QString AppDir() { return qEnvironmentVariable("LUMOX_APP_DIR"); }
QString ZindoDir() { return QDir::cleanPath(AppDir() + "/.."); }

TEST(MemberSession, StartsSavesTheOptionsRacesAndArchivesTheLap) {
  const TEngineLockFolder lockFolder;  // as the program keeps the engine's files
  test::TScriptedMessages messages;
  QStringList expected;
  if (qEnvironmentVariableIsSet("LUMOX_UPDATES")) {
    messages.Answer(TMsgAnswer::Ok);
    expected << "Lumox will now update the database\r\nfrom version 0.0 to version 1.4.";
  }
  auto form = std::make_unique<TFormMain>(std::make_unique<test::TScriptedOpenDialog>());
  test::WithNextModal(
      [](QWidget* updater) {
        auto* done = updater->findChild<QPushButton*>("BtnOK");
        ASSERT_TRUE(QTest::qWaitFor([&] { return done->isEnabled(); }));
        done->click();
      },
      [&] { form->StartUp(AppDir()); });
  ASSERT_TRUE(form->State().FInitialized) << messages.Texts().join("\n").toStdString();
  form->show();
  Find<QLineEdit>(*form, "medLaps")->setText(qEnvironmentVariable("LUMOX_RACE_LAPS"));
  EXPECT_NO_THROW(form->SaveOptions());
  ASSERT_TRUE(form->RaceSetup().SelectByFolder(Find<QComboBox>(*form, "comboDefaultCar"), "veltra_gt4"));
  RunGuarded([&] { form->RaceSetup().comboDefaultCarChange(); });
  const QString variant = qEnvironmentVariable("LUMOX_VARIANT");
  Find<QComboBox>(*form, "comboDefaultCarVariant")
      ->setCurrentIndex(form->State().FVariants.GetFolders().indexOf(variant));
  Find(*form, "rgFillBestlaps")->findChild<QButtonGroup*>()->button(int(TFillMode::EmptyAndFill))->click();
  Find<QCheckBox>(*form, "cbBackupBestlaps")->setChecked(true);
  form->Launcher().PollInterval = 10ms;
  Find<QAction>(*form, "ActStartZindo")->trigger();
  EXPECT_EQ(form->State().FVariants.GetCurrentFolder().toStdString(), variant.toStdString());
  form->close();
  form.reset();
  EXPECT_EQ(messages.Texts().join("\n").toStdString(), expected.join("\n").toStdString());
}

// What a member might do to a file or folder of the installer's; -1 when it was refused.
struct TChange {
  const char* What;
  std::function<int(const QByteArray& path)> Try;
};

int TryWriting(const QByteArray& path) {
  const int fd = ::open(path.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK);
  if (fd >= 0) ::close(fd);
  return fd;
}

const TChange Written{"written", TryWriting};
const TChange Chmodded{"given other permissions",
                       [](const QByteArray& path) { return ::chmod(path.constData(), 0777); }};
const TChange Moved{"moved", [](const QByteArray& path) {
                      return ::rename(path.constData(), (path + ".moved").constData());
                    }};
const TChange Removed{"removed", [](const QByteArray& path) { return ::unlink(path.constData()); }};
const TChange GivenAFile{"given a new file",
                         [](const QByteArray& folder) { return TryWriting(folder + "/new"); }};
const TChange GivenALink{"given a link", [](const QByteArray& folder) {
                           return ::symlink("/etc/passwd", (folder + "/link").constData());
                         }};

// The program, its template, the simulator and the folders holding them, and the folders of the
// cars and tracks, stay the installer's; the archive cannot be swapped for a link.
TEST(MemberSession, ChangesNoneOfTheInstallersProgramsOrFolders) {
  const QString zindo = ZindoDir(), app = AppDir();
  const std::vector<std::pair<QString, std::vector<TChange>>> targets = {
      {app + "/lumox", {Written, Chmodded, Moved, Removed}},
      {app + "/" + TemplateFileName, {Written, Chmodded, Moved, Removed}},
      {app + "/" + DatabaseFileName, {Chmodded, Moved, Removed}},
      {zindo + "/zindo.exe", {Written, Chmodded, Moved, Removed}},
      {app, {GivenAFile, GivenALink, Chmodded, Moved}},
      {zindo, {GivenAFile, GivenALink, Chmodded, Moved}},
      {zindo + "/data", {GivenAFile, Chmodded, Moved}},
      {zindo + "/data/cars", {GivenAFile, Chmodded, Moved}},
      {zindo + "/data/tracks", {GivenAFile, Chmodded, Moved}},
  };
  QStringList gaveWay;
  for (const auto& [path, changes] : targets)
    for (const TChange& change : changes)
      if (change.Try(QFile::encodeName(path)) != -1) gaveWay << path + " could be " + change.What;
  EXPECT_TRUE(gaveWay.isEmpty()) << gaveWay.join("\n").toStdString();
}

}  // namespace
}  // namespace lumox
