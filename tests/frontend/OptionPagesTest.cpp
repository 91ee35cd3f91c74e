#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "frontend/FormMain.h"
#include "frontend/ZindoOptions.h"
#include "installation/IniTree.h"
#include "platform/Exception.h"
#include "tests/frontend/ScriptedOpenDialog.h"
#include "tests/support/FindWidget.h"
#include "tests/frontend/FormStartUp.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using test::Find;

const QByteArray& SampleIni() {
  static const QByteArray bytes = test::ReadBytes(QStringLiteral(LUMOX_EXAMPLE_INSTALLATION "/zindo.ini"));
  return bytes;
}

class OptionPages : public ::testing::Test {
 protected:
  OptionPages() {
    Form.State().SetZindoExe(Zindo.Write("zindo.exe", ""));
    Form.show();
  }
  // The whole sample installation, started up as the program does: the race set-up's
  // selectors and AI list then hold what the sample's keys name.
  void LoadSample() {
    std::filesystem::copy(LUMOX_EXAMPLE_INSTALLATION, Zindo.Path().toStdString(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    test::StartUp(Form, Zindo.File("zindo.exe"));
    Form.LoadOptions();
  }
  QAbstractButton* Radio(const char* group, int index) {
    return Find(Form, group)->findChild<QButtonGroup*>()->button(index);
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
  TFormMain Form{std::make_unique<test::TScriptedOpenDialog>()};
};

TEST_F(OptionPages, EveryKeyOfThePagesHasItsControl) {
  // These belong to the race set-up's selectors.
  const QStringList raceSetUp{"comboDefaultCar", "comboDefaultTrack", "comboController",
                              "comboAICar",      "medAICars",         "lbRaceAICars"};
  for (const TOptionRow& row : OptionRows())
    if (!raceSetUp.contains(row.Control)) Find(Form, row.Control);
  EXPECT_EQ(Find<QCheckBox>(Form, "cbLogGroupsSlipangle")->toolTip(), "Data group \"slip_angle\"");
  EXPECT_EQ(Find<QLineEdit>(Form, "edAIThrottleFreq")->toolTip(), "Throttle/brake response");
  EXPECT_EQ(Find<QComboBox>(Form, "comboResolution")->itemText(9), "custom ...");
  EXPECT_EQ(Find<QComboBox>(Form, "comboShowStats")->itemText(8), "8 = driveline/ai");
  EXPECT_EQ(Find<QGroupBox>(Form, "rgLogFilename")->title(), "Filename in data\\dump\\");
  EXPECT_TRUE(Find(Form, "LblWhyGreyedOut")->isHidden());
  EXPECT_FALSE(Find(Form, "comboFillLapNo")->isEnabled());
}

TEST_F(OptionPages, TheSampleFileFillsThePagesAndIsSavedBackUnchanged) {
  LoadSample();
  EXPECT_TRUE(Messages.Shown().empty());
  EXPECT_TRUE(Find<QCheckBox>(Form, "cbShowMenu")->isChecked());
  EXPECT_EQ(Find<QComboBox>(Form, "comboResolution")->currentText(), "1280 x 1024");
  EXPECT_FALSE(Find(Form, "medWidth")->isEnabled());
  EXPECT_EQ(Find<QComboBox>(Form, "comboBitDepth")->currentText(), "32 bit");
  EXPECT_EQ(Find<QSlider>(Form, "tbTextureQuality")->value(), 2);
  EXPECT_TRUE(Find<QRadioButton>(Form, "rbTODtime")->isChecked());
  EXPECT_TRUE(Find(Form, "cbStencilSimple")->isEnabled());
  EXPECT_EQ(Find<QLineEdit>(Form, "medLaps")->text(), "5");

  Find<QAction>(Form, "ActSaveOptions")->trigger();
  EXPECT_EQ(Messages.Texts(), QStringList{"The current options have been\nsaved to the Zindo.ini file."});
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Information);
  EXPECT_EQ(test::ReadBytes(Zindo.File("zindo.ini")), SampleIni());

  Find<QCheckBox>(Form, "cbFog")->click();
  Form.SaveOptions();
  EXPECT_EQ(TZindoIni(Zindo.File("zindo.ini")).ReadString("fx.fog", ""), "0");
}

TEST_F(OptionPages, EnablingRulesFollowTheUsersChoices) {
  LoadSample();
  auto* mirror = Find<QCheckBox>(Form, "cbEnableMirrorTexture");
  mirror->click();
  for (const char* name : {"medMirrorTexWidth", "medMirrorFoV", "medMirrorHeight", "cbStartWithMirror"})
    EXPECT_FALSE(Find(Form, name)->isEnabled()) << name;
  mirror->click();
  EXPECT_TRUE(Find(Form, "medMirrorFoV")->isEnabled());

  Find<QCheckBox>(Form, "cbStencilShadows")->click();
  EXPECT_FALSE(Find(Form, "cbStencilSimple")->isEnabled());

  Find<QComboBox>(Form, "comboResolution")->setCurrentIndex(9);
  EXPECT_TRUE(Find(Form, "medWidth")->isEnabled());
  EXPECT_TRUE(Find(Form, "medHeight")->isEnabled());

  Radio("rgLogFilename", 1)->click();
  EXPECT_FALSE(Find(Form, "edLogFilename")->isEnabled());
  Radio("rgLogFilename", 0)->click();
  EXPECT_TRUE(Find(Form, "edLogFilename")->isEnabled());

  Radio("rgFillBestlaps", 2)->click();
  EXPECT_TRUE(Find(Form, "comboFillLapNo")->isEnabled());
  Radio("rgFillBestlaps", 1)->click();
  EXPECT_FALSE(Find(Form, "comboFillLapNo")->isEnabled());
}

TEST_F(OptionPages, NumberEditsTakeDigitsButShowALoadedValueAsItStands) {
  QByteArray ini = SampleIni();
  ini.replace("laps=5", "laps=1234567");
  Zindo.Write("zindo.ini", ini);
  Form.LoadOptions();
  auto* laps = Find<QLineEdit>(Form, "medLaps");
  EXPECT_EQ(laps->text(), "1234567");
  laps->clear();
  QTest::keyClicks(laps, "1a2-345678");
  EXPECT_EQ(laps->text(), "12345");
}

TEST_F(OptionPages, WithoutZindoIniTheOptionsAreNeverSaved) {
  TFormWait* noWait = nullptr;
  Form.LoadOptions(noWait);
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_FALSE(Find(Form, "cbShowMenu")->isEnabled());
  EXPECT_FALSE(Find(Form, "LblWhyGreyedOut")->isHidden());
  EXPECT_FALSE(Radio("rgLogFilename", 0)->isEnabled());
  EXPECT_TRUE(Find(Form, "edLogFilename")->isEnabled());

  Zindo.Write("zindo.ini", SampleIni());
  Find<QAction>(Form, "ActSaveOptions")->trigger();
  ASSERT_EQ(Messages.Shown().size(), 2u);
  EXPECT_EQ(Messages.Shown()[1].Kind, TMsgKind::Error);
  EXPECT_TRUE(Messages.Shown()[1].Text.startsWith("The options have not been saved"));
  EXPECT_THROW(Form.SaveOptions(), ELumox);
  EXPECT_EQ(test::ReadBytes(Zindo.File("zindo.ini")), SampleIni());

  QTest::mouseClick(Find(Form, "LblWhyGreyedOut"), Qt::LeftButton);
  ASSERT_EQ(Messages.Shown().size(), 3u);
  EXPECT_EQ(Messages.Shown()[2].Kind, TMsgKind::Information);
  EXPECT_TRUE(Messages.Shown()[2].Text.startsWith("If one or more of the data groups are greyed out"));
}

}  // namespace
}  // namespace lumox
