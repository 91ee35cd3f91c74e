#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "frontend/FormMain.h"
#include "installation/IniTree.h"
#include "platform/Exception.h"
#include "tests/frontend/FormStartUp.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/FindWidget.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using test::Find;

const QByteArray& SampleIni() {
  static const QByteArray bytes = test::ReadBytes(QStringLiteral(LUMOX_EXAMPLE_INSTALLATION "/zindo.ini"));
  return bytes;
}

// The main window over the sample installation, started up as the program does, so that the race
// set-up's selectors and AI list hold what the sample's keys name.
class OptionPages : public ::testing::Test {
 protected:
  OptionPages() {
    std::filesystem::copy(LUMOX_EXAMPLE_INSTALLATION, Zindo.Path().toStdString(),
                          std::filesystem::copy_options::recursive);
    test::StartUp(Form, Zindo.File("zindo.exe"));
    Form.show();
  }
  QAbstractButton* Radio(const char* group, int index) {
    return Find(Form, group)->findChild<QButtonGroup*>()->button(index);
  }
  bool Enabled(const char* name) { return Find(Form, name)->isEnabled(); }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
};

TEST_F(OptionPages, TheSampleFileFillsThePagesAndTheSaveActionWritesWhatTheUserChanged) {
  Form.LoadOptions();
  EXPECT_EQ(Find<QComboBox>(Form, "comboResolution")->currentText(), "1280 x 1024");
  EXPECT_TRUE(Find<QCheckBox>(Form, "cbShowMenu")->isChecked());
  Find<QAction>(Form, "ActSaveOptions")->trigger();
  EXPECT_EQ(Messages.Texts(), QStringList{"The current options have been\nsaved to the Zindo.ini file."});
  EXPECT_EQ(test::ReadBytes(Zindo.File("zindo.ini")), SampleIni());
  Find<QCheckBox>(Form, "cbFog")->click();
  Form.SaveOptions();
  EXPECT_EQ(TZindoIni(Zindo.File("zindo.ini")).ReadString("fx.fog", ""), "0");
}

TEST_F(OptionPages, TheLapTimeHandlingPageAdvisesHowToKeepRoomForNewLaps) {
  QGroupBox* note = nullptr;
  for (auto* group : Find(Form, "TabLumoxOptions")->findChildren<QGroupBox*>())
    if (group->title() == "Note") note = group;
  ASSERT_TRUE(note);
  EXPECT_EQ(note->findChild<QLabel*>()->text(),
            "To make the best use of Lumox's lap time\narchive, check the 'Retrieve lap times ...'\n"
            "checkbox and select the 'empty' or 'empty\nand fill ...' option below it to make room\n"
            "for new lap times.\n\nKeep the number of filled lap times well\nbelow 10 (recommended: 5) "
            "to reserve\nsome room for lap times with slower cars.");
}

TEST_F(OptionPages, EnablingRulesFollowTheUsersChoices) {
  Form.LoadOptions();
  Find<QCheckBox>(Form, "cbEnableMirrorTexture")->click();
  EXPECT_FALSE(Enabled("medMirrorTexWidth") || Enabled("medMirrorFoV") || Enabled("cbStartWithMirror"));
  Find<QCheckBox>(Form, "cbEnableMirrorTexture")->click();
  EXPECT_TRUE(Enabled("medMirrorFoV"));
  Find<QCheckBox>(Form, "cbStencilShadows")->click();
  EXPECT_FALSE(Enabled("cbStencilSimple"));
  Find<QComboBox>(Form, "comboResolution")->setCurrentIndex(9);
  EXPECT_TRUE(Enabled("medWidth") && Enabled("medHeight"));
  Radio("rgLogFilename", 1)->click();
  EXPECT_FALSE(Enabled("edLogFilename"));
  Radio("rgFillBestlaps", 2)->click();
  EXPECT_TRUE(Enabled("comboFillLapNo"));
  Radio("rgFillBestlaps", 1)->click();
  EXPECT_FALSE(Enabled("comboFillLapNo"));
}

TEST_F(OptionPages, NumberEditsTakeDigitsButShowALoadedValueAsItStands) {
  Zindo.Write("zindo.ini", QByteArray(SampleIni()).replace("laps=5", "laps=1234567"));
  Form.LoadOptions();
  auto* laps = Find<QLineEdit>(Form, "medLaps");
  EXPECT_EQ(laps->text(), "1234567");
  laps->clear();
  QTest::keyClicks(laps, "1a2-345678");
  EXPECT_EQ(laps->text(), "12345");
}

TEST_F(OptionPages, WithoutZindoIniTheOptionsAreGreyedOutAndNeverSaved) {
  QFile::remove(Zindo.File("zindo.ini"));
  Form.LoadOptions();
  EXPECT_FALSE(Enabled("cbShowMenu") || Radio("rgLogFilename", 0)->isEnabled());
  EXPECT_TRUE(Enabled("edLogFilename") && !Find(Form, "LblWhyGreyedOut")->isHidden());
  Zindo.Write("zindo.ini", SampleIni());
  Find<QAction>(Form, "ActSaveOptions")->trigger();
  EXPECT_TRUE(Messages.Texts().last().startsWith("The options have not been saved"));
  EXPECT_EQ(Messages.Shown().back().Kind, TMsgKind::Error);
  EXPECT_THROW(Form.SaveOptions(), ELumox);
  EXPECT_EQ(test::ReadBytes(Zindo.File("zindo.ini")), SampleIni());
  QTest::mouseClick(Find(Form, "LblWhyGreyedOut"), Qt::LeftButton);
  EXPECT_TRUE(Messages.Texts().last().startsWith("If one or more of the data groups are greyed out"));
}

}  // namespace
}  // namespace lumox
