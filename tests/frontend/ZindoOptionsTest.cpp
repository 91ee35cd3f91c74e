#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

#include "frontend/ZindoOptions.h"
#include "installation/IniTree.h"
#include "platform/Exception.h"
#include "tests/frontend/FakeOptionTargets.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

// The sample's file: every key of the option pages, and some they do not show.
const QByteArray& SourceIni() {
  static const QByteArray bytes = test::ReadBytes(QStringLiteral(LUMOX_EXAMPLE_INSTALLATION "/zindo.ini"));
  return bytes;
}

// `bytes` without the line that assigns the key `path` (the ini writer's layout: one per line).
QByteArray WithoutKey(const QByteArray& bytes, const QByteArray& path) {
  QByteArrayList blocks, kept;
  QByteArray last;  // the name before a "{"
  for (const QByteArray& line : bytes.split('\n')) {
    const QByteArray text = line.trimmed();
    const QByteArray name = text.contains('=') ? text.left(text.indexOf('=')).trimmed() : text;
    if (text == "{") {
      blocks << last;
    } else if (text == "}") {
      blocks.removeLast();
    } else if (!text.isEmpty() && !text.startsWith(';')) {
      last = name;
    }
    if (!(text.contains('=') && (blocks + QByteArrayList{name}).join('.') == path)) kept << line;
  }
  return kept.join('\n');
}

class ZindoOptions : public ::testing::Test {
 protected:
  // Writes `source` as the ini writer lays it out and returns those bytes.
  QByteArray WriteIni(const QByteArray& source) {
    const QString path = Zindo.Write("zindo.ini", source);
    TZindoIni(path).SaveToFile(Zindo.Path(), path);
    return Saved();
  }
  QByteArray Saved() { return test::ReadBytes(Zindo.File("zindo.ini")); }
  QString Value(const char* key) { return TZindoIni(Zindo.File("zindo.ini")).ReadString(key, "<none>"); }
  // Loads a complete file with the keys set to the values given.
  void LoadWith(std::initializer_list<std::pair<const char*, const char*>> values) {
    WriteIni(SourceIni());
    TZindoIni ini(Zindo.File("zindo.ini"));
    for (const auto& [key, value] : values) ini.WriteString(key, value);
    ini.SaveToFile(Zindo.Path(), ini.GetFileName());
    Options.Load(Zindo.Path());
  }
  void Save() { Options.Save(Zindo.Path(), QDateTime(QDate(2006, 1, 2), QTime(12, 34, 56))); }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
  test::TFakeOptionTargets Fake;
  TZindoOptions Options{Fake.Targets()};
};

TEST_F(ZindoOptions, TheSampleFileFillsEveryControlAndSavesBackByteForByte) {
  const QByteArray complete = WriteIni(SourceIni());
  Options.Load(Zindo.Path());
  ASSERT_TRUE(Options.IsLoaded());
  EXPECT_EQ(QStringList({Fake["comboDefaultCar"].Text, Fake["comboController"].Text, Fake["medAICars"].Text,
                         Fake["lbRaceAICars"].Text, Fake["edTODtime"].Text, Fake["medMaxTexRes"].Text,
                         Fake["edLogFilename"].Text, Fake["edAILookaheadFactor"].Text}),
            QStringList({"veltra_gt4", "keyboard.ini", "3", "pico_hatch askari_f3 morrow_saloon", "1730",
                         "2048", "dump.log", "1.35"}));
  EXPECT_EQ(std::vector({Fake["comboShowStats"].Index, Fake["comboBitDepth"].Index,
                         Fake["comboResolution"].Index, Fake["rgLogFilename"].Index}),
            std::vector({2, 2, 3, 0}));
  EXPECT_EQ(std::vector({Fake["cbShowMenu"].Checked, Fake["cbShowIntro"].Checked, Fake["rbTODtime"].Checked,
                         Fake["cbLogGroupsVelocity"].Checked, Fake["medWidth"].Enabled,
                         Fake["LblWhyGreyedOut"].Visible}),
            std::vector({true, false, true, true, false, false}));
  EXPECT_EQ(Fake.ChangeHandlersRun, QStringList({"comboDefaultCar", "comboDefaultTrack"}));
  for (const TOptionRow& row : OptionRows()) EXPECT_TRUE(Fake[row.Control].Enabled) << row.Control;
  Save();
  EXPECT_EQ(Saved(), complete);
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(ZindoOptions, EachMissingKeyDisablesItsControlAndIsNeverAdded) {
  const QByteArray complete = WriteIni(SourceIni());
  // Controls whose state follows another control, not their own key.
  const QSet<QString> derived{"comboAICar",        "comboResolution",   "cbStencilSimple",
                              "cbStartWithMirror", "medMirrorTexWidth", "medMirrorTexHeight",
                              "medMirrorFoV",      "medMirrorWidth",    "medMirrorHeight"};
  QStringList keys{"resolution.height", "textures.max_hgt", "dev.car", "ini.track"};
  for (const TOptionRow& row : OptionRows()) keys << row.Key;
  keys.removeOne("renderer.stencil_shadows");  // holds a block: its line cannot go alone
  for (const QString& key : keys) {
    SCOPED_TRACE(key.toStdString());
    const QByteArray removed = WithoutKey(complete, key.toLatin1());
    ASSERT_EQ(removed.count('\n') + 1, complete.count('\n'));
    const QByteArray without = WriteIni(removed);  // a block left empty is written its own way
    test::TFakeOptionTargets fake;
    TZindoOptions options(fake.Targets());
    options.Load(Zindo.Path());
    for (const TOptionRow& row : OptionRows()) {
      if (row.Key != key || derived.contains(row.Control)) continue;
      EXPECT_FALSE(key == "race.ai_car_multiple" ? fake["lbRaceAICars"].Visible : fake[row.Control].Enabled);
    }
    EXPECT_EQ(fake["LblWhyGreyedOut"].Visible, key.startsWith("log.groups."));
    options.Save(Zindo.Path());
    EXPECT_EQ(Saved(), without);
  }
}

TEST_F(ZindoOptions, OptionsReadIncompletelyOrWithoutAFileAreNeverSaved) {
  Options.Load(Zindo.Path());  // no file: every bound control disabled, the defaults shown
  EXPECT_FALSE(Options.IsLoaded());
  EXPECT_FALSE(Fake["cbShowMenu"].Enabled || Fake["medMirrorFoV"].Enabled || Fake["rbTODtime"].Enabled);
  EXPECT_TRUE(Fake["edLogFilename"].Enabled && Fake["LblWhyGreyedOut"].Visible);
  EXPECT_EQ(QStringList({Fake["medLaps"].Text, Fake["medMaxTexRes"].Text, Fake["medWidth"].Text}),
            QStringList({"4", "2048", "640"}));
  const QByteArray complete = WriteIni(SourceIni());  // turned up meanwhile: the controls never held its keys
  EXPECT_THROW(Save(), ELumox);
  EXPECT_EQ(Saved(), complete);

  const QByteArray broken = SourceIni() + "=2\n";
  Zindo.Write("zindo.ini", broken);
  Options.Load(Zindo.Path());
  EXPECT_THROW(Save(), ELumox);
  WriteIni(SourceIni());
  Options.Load(Zindo.Path());
  Zindo.Write("zindo.ini", broken);  // broken by another program before the save
  EXPECT_THROW(Save(), ELumox);
  EXPECT_EQ(Saved(), broken);
  EXPECT_EQ(Messages.Shown().size(), 3u);
}

// A change handler that fails (the car's variant record refused) costs only what it did: its
// error is shown, the later controls get their values, and the options can be saved.
TEST_F(ZindoOptions, AFailingChangeHandlerIsShownAndTheOptionsLoadAndSaveAllTheSame) {
  struct TFailing final : test::TFakeOptionTargets {
    void SelectionChanged(TRaceSelector) override { throw ELumox("variant record refused"); }
  } failing;
  TZindoOptions options(failing.Targets());
  const QByteArray complete = WriteIni(SourceIni());
  options.Load(Zindo.Path());
  EXPECT_EQ(Messages.Texts(), QStringList(2, "variant record refused"));
  EXPECT_TRUE(options.IsLoaded());
  EXPECT_EQ(failing["edAILookaheadFactor"].Text, "1.35") << "the last row was loaded";
  options.Save(Zindo.Path());
  EXPECT_EQ(Saved(), complete);
}

// As an ordinary user: a zindo.ini made read-only is not saved; a writable one in a folder that
// takes no new file is saved in place.
TEST_F(ZindoOptions, AReadOnlyFileIsNotSavedAndOneInAClosedFolderIsSavedInPlace) {
  const QFile::Permissions readWrite = QFile::ReadOwner | QFile::WriteOwner;
  const QFile::Permissions openFolder = readWrite | QFile::ExeOwner;
  const struct {
    QFile::Permissions File, Folder;
    const char* Refusal;  // empty: saved
  } cases[] = {{QFile::ReadOwner, openFolder, "it is read-only"},
               {readWrite, QFile::ReadOwner | QFile::ExeOwner, ""}};
  for (const auto& c : cases) {
    WriteIni(SourceIni());
    Options.Load(Zindo.Path());
    Fake["cbShowMenu"].Checked = false;
    QFile::setPermissions(Zindo.File("zindo.ini"), c.File);
    QFile::setPermissions(Zindo.Path(), c.Folder);
    {
      const test::TAsOrdinaryUser user({Zindo.Path()});
      const QString message = test::ErrorOf([&] { Save(); });
      EXPECT_EQ(message.isEmpty(), !*c.Refusal) << message.toStdString();
      EXPECT_TRUE(!*c.Refusal || (message.contains(Zindo.File("zindo.ini")) && message.contains(c.Refusal)))
          << message.toStdString();
    }
    QFile::setPermissions(Zindo.Path(), openFolder);
    QFile::setPermissions(Zindo.File("zindo.ini"), readWrite);
    EXPECT_EQ(Value("gadgets.menu"), *c.Refusal ? "1" : "0") << c.Refusal;
  }
}

struct TValueCase {
  const char* Key;
  const char* Value;  // as the file holds it
  const char* Control;
  int Index;            // the control's item after loading
  const char* SavedAs;  // the value after saving with nothing changed
};

TEST_F(ZindoOptions, ValuesLoadAndSaveByTheirRules) {
  // clang-format off
  const TValueCase cases[] = {
      {"stats.default_info", "10", "comboShowStats", -1, "10"}, {"stats.default_info", "-1", "comboShowStats", -1, "-1"},
      {"stats.default_info", "two", "comboShowStats", 0, "0"}, {"stats.default_info", "9", "comboShowStats", 9, "9"},
      {"resolution.bits", "15", "comboBitDepth", 0, "16"}, {"resolution.bits", "24", "comboBitDepth", 1, "24"},
      {"textures.quality", "3", "tbTextureQuality", 1, "1"}, {"textures.quality", "16", "tbTextureQuality", 5, "16"},
      {"textures.quality", "", "tbTextureQuality", 1, "1"},
      {"log.filename", "123456789012", "rgLogFilename", 0, "123456789012"},
      {"log.filename", "oval-00000000001", "rgLogFilename", 0, "oval-00000000001"},
      {"log.filename", "oval060102123456", "rgLogFilename", 1, "harbour_loop060102123456"},
  };
  // clang-format on
  for (const TValueCase& c : cases) {
    LoadWith({{c.Key, c.Value}});
    EXPECT_EQ(Fake[c.Control].Index, c.Index) << c.Key << "=" << c.Value;
    Save();
    EXPECT_EQ(Value(c.Key), c.SavedAs) << c.Key << "=" << c.Value;
  }
  for (const auto& [value, checked] : {std::pair{"yes", false}, {"2", false}, {"01", false}, {" 1 ", true}}) {
    LoadWith({{"fx.fog", value}});
    EXPECT_EQ(Fake["cbFog"].Checked, checked) << value;
    Save();
    EXPECT_EQ(Value("fx.fog"), checked ? "1" : "0") << value;
  }
  LoadWith({{"fx.visibility", "1234567"}});
  EXPECT_EQ(Fake["medVisibility"].Text, "1234567") << "a loaded number shows as it stands";
  // Typed numbers save as numbers, or their default when they are none.
  for (const auto& [typed, saved] : std::initializer_list<std::pair<const char*, const char*>>{
           {"", "700"}, {"12a", "700"}, {"99999999999", "700"}, {"0042", "42"}}) {
    Fake["medVisibility"].Text = Fake["medLaps"].Text = Fake["medLogPeriod"].Text = typed;
    Save();
    EXPECT_EQ(QStringList({Value("fx.visibility"), Value("race.laps"), Value("log.period")}),
              QStringList({saved, QString(saved) == "700" ? "0" : saved, typed}));
  }
}

TEST_F(ZindoOptions, AResolutionNotListedIsCustomAndKeepsItsEdits) {
  LoadWith({{"resolution.width", "1024"}, {"resolution.height", "600"}});
  EXPECT_EQ(Fake["comboResolution"].Index, 9);
  EXPECT_TRUE(Fake["medWidth"].Enabled && Fake["medHeight"].Enabled);
  Fake["medWidth"].Text = "wide";
  Save();
  EXPECT_EQ(Value("resolution.width") + "x" + Value("resolution.height"), "640x600");
  Fake["comboResolution"].Index = 6;
  Save();
  EXPECT_EQ(Value("resolution.width") + "x" + Value("resolution.height"), "2400x600");
  Fake["comboResolution"].Index = -1;
  Save();
  EXPECT_EQ(Value("resolution.width") + "x" + Value("resolution.height"), "640x480");
}

TEST_F(ZindoOptions, TimeOfDayFollowsItsThreeChoices) {
  LoadWith({{"fx.sun.auto_time_of_day", "1"}});
  EXPECT_EQ(std::vector({Fake["rbTODcurrent"].Checked, Fake["rbTODtime"].Checked, Fake["rbTODno"].Checked}),
            std::vector({true, false, false}));
  Save();
  EXPECT_EQ(Value("fx.sun.time_of_day") + "/" + Value("fx.sun.auto_time_of_day"), "1730/1");
  Fake["rbTODcurrent"].Checked = false;
  Fake["rbTODno"].Checked = true;
  Save();
  EXPECT_EQ(Value("fx.sun.time_of_day") + "/" + Value("fx.sun.auto_time_of_day"), "/0");
  Options.Load(Zindo.Path());
  EXPECT_TRUE(Fake["rbTODno"].Checked && !Fake["rbTODtime"].Checked);
}

TEST_F(ZindoOptions, SelectorsLoadOnlyExactNamesAndSaveOnlyASelectionAlsoToTheirSecondKey) {
  LoadWith({{"race.car", "Veltra_GT4"}, {"race.track", "kestrel_ring"}});
  EXPECT_EQ(Fake["comboDefaultCar"].Text + "|" + Fake["comboDefaultTrack"].Text, "|kestrel_ring");
  Save();
  EXPECT_EQ(QStringList({Value("race.car"), Value("dev.car"), Value("ini.track")}),
            QStringList({"Veltra_GT4", "veltra_gt4", "kestrel_ring"}));
  Fake["comboDefaultCar"].Text = "pico_hatch";
  Fake["comboController"].Text = Fake["comboDefaultTrack"].Text = "";
  Fake["rgLogFilename"].Index = 1;
  Save();
  EXPECT_EQ(QStringList({Value("race.car"), Value("dev.car"), Value("ini.controls"), Value("race.track"),
                         Value("log.filename")}),
            QStringList({"pico_hatch", "pico_hatch", "keyboard.ini", "kestrel_ring", "dump.log"}))
      << "a track-based log name needs a track";
}

}  // namespace
}  // namespace lumox
