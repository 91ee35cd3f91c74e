#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

#include "frontend/ZindoOptions.h"
#include "installation/IniTree.h"
#include "platform/Exception.h"
#include "tests/frontend/FakeOptionTargets.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

// Every key of the option pages, and one they do not show.
const char* const SourceIni =
    "; Zindo settings\n"
    "gadgets\n{\nmenu=1\nintro=0\n}\n"
    "graphics\n{\nhide_cursor=1\n}\n"
    "ini\n{\ncontrols=keyboard.ini\ntrack=harbour_loop\n}\n"
    "dev\n{\ncar=veltra_gt4\n}\n"
    "race\n{\ncar=veltra_gt4\ntrack=harbour_loop\nlaps=5\nai_car=pico_hatch\nai_cars=3\n"
    "ai_car_multiple=pico_hatch veltra_gt4\nai\n{\nrandom_scenario=1\n}\n}\n"
    "stats\n{\ndefault_info=2\nfps=1\n}\n"
    "renderer\n{\nstencil_shadows=1\n{\nsimple=1\n}\n}\n"
    "envmap\n{\nlive_track=1\nenable=0\n}\n"
    "fx\n{\nvisibility=1200\nfog=1\nsun\n{\ntime_of_day=1730\nauto_time_of_day=0\n}\n}\n"
    "resolution\n{\nfullscreen=1\nbits=32\nwidth=1280\nheight=1024\n}\n"
    "shadow\n{\nproject_shadows=1\n}\n"
    "mirrors\n{\ntexture\n{\nenable=1\nwid=512\nhgt=128\nfov=80\n}\nsimple\n{\nenable=1\nwid=240\nhgt=60\n}\n}\n"
    "textures\n{\nmax_wid=1024\nmax_hgt=1024\nquality=4\n}\n"
    "gfx\n{\nshow_spline_tris=0\nshow_ai_lines=1\nshow_car_bbox=0\nshow_car_points=1\n}\n"
    "dbg_stats\n{\nshow_tire_forces=0\n}\n"
    "log\n{\nenable=1\nperiod=2\nfilename=dump.log\ngroups\n{\nsuspension=1\nslip_angle=0\nslip_ratio=1\n"
    "tire_forces=1\nsteering=0\ncontrols=1\norientation=1\nvelocity=0\nangular_velocity=1\nacceleration=0\n"
    "engine=1\nposition=1\n}\n}\n"
    "ai\n{\nlookahead_factor=1.35\nlookahead_offset=8\nsteering_frequency=6\nthrottle_frequency=4\n"
    "line_adjust=0.8\nline_adjust_distance=150\n}\n"
    "sound\n{\nvolume=80 ; loud\n}\n";

// `bytes` without the assignment at `path` (the file's lines as the ini writer lays them out).
QByteArray WithoutKey(const QByteArray& bytes, const QByteArray& path) {
  QList<QByteArray> blocks;
  QByteArray last;
  QByteArray kept;
  for (const QByteArray& line : bytes.split('\n')) {
    const QByteArray text = line.trimmed();
    const QByteArray name = text.contains('=') ? text.left(text.indexOf('=')).trimmed() : text;
    if (text == "{") {
      blocks << last;
    } else if (text == "}") {
      blocks.removeLast();
    } else if (!text.isEmpty() && !text.startsWith(';')) {
      last = name;
      if (text.contains('=') && (blocks + QList<QByteArray>{name}).join('.') == path) continue;
    }
    kept += line + '\n';
  }
  kept.chop(1);
  return kept;
}

class ZindoOptions : public ::testing::Test {
 protected:
  // Writes `source` as the ini writer would lay it out, and returns those bytes.
  QByteArray WriteIni(const QByteArray& source) {
    const QString path = Zindo.Write("zindo.ini", source);
    TZindoIni(path).SaveToFile(path);
    return test::ReadBytes(path);
  }
  QByteArray Saved() { return test::ReadBytes(Zindo.File("zindo.ini")); }
  QString Value(const char* key) { return TZindoIni(Zindo.File("zindo.ini")).ReadString(key, "<none>"); }
  // A complete file with the keys set to the values given.
  void WriteWith(std::initializer_list<std::pair<const char*, const char*>> values) {
    WriteIni(SourceIni);
    TZindoIni ini(Zindo.File("zindo.ini"));
    for (const auto& [key, value] : values) ini.WriteString(key, value);
    ini.SaveToFile(ini.GetFileName());
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Zindo;
  test::TFakeOptionTargets Fake;
  TZindoOptions Options{Fake.Targets()};
  const QDateTime Now{QDate(2006, 1, 2), QTime(12, 34, 56)};
};

TEST_F(ZindoOptions, ACompleteFileLoadsIntoEveryControlAndSavesBackByteForByte) {
  const QByteArray complete = WriteIni(SourceIni);
  Options.Load(Zindo.Path());
  ASSERT_TRUE(Options.IsLoaded());
  EXPECT_TRUE(Messages.Shown().empty());

  EXPECT_TRUE(Fake["cbShowMenu"].Checked);
  EXPECT_FALSE(Fake["cbShowIntro"].Checked);
  EXPECT_EQ(Fake["comboDefaultCar"].Text, "veltra_gt4");
  EXPECT_EQ(Fake["comboDefaultTrack"].Text, "harbour_loop");
  EXPECT_EQ(Fake["comboController"].Text, "keyboard.ini");
  EXPECT_EQ(Fake["comboAICar"].Text, "pico_hatch");
  EXPECT_EQ(Fake.ChangeHandlersRun, QStringList({"comboDefaultCar", "comboDefaultTrack"}));
  EXPECT_EQ(Fake["medAICars"].Text, "3");
  EXPECT_TRUE(Fake["lbRaceAICars"].Visible);
  EXPECT_EQ(Fake["lbRaceAICars"].Text, "pico_hatch veltra_gt4");
  EXPECT_EQ(Fake.SingleAIUpdates, 1);
  EXPECT_EQ(Fake["comboShowStats"].Index, 2);
  EXPECT_EQ(Fake["medLaps"].Text, "5");
  EXPECT_TRUE(Fake["rbTODtime"].Checked);
  EXPECT_FALSE(Fake["rbTODno"].Checked);
  EXPECT_EQ(Fake["edTODtime"].Text, "1730");
  EXPECT_EQ(Fake["comboBitDepth"].Index, 2);
  EXPECT_EQ(Fake["comboResolution"].Index, 3);
  EXPECT_EQ(Fake["medWidth"].Text, "1280");
  EXPECT_FALSE(Fake["medWidth"].Enabled);
  EXPECT_EQ(Fake["medMaxTexRes"].Text, "1024");
  EXPECT_EQ(Fake["tbTextureQuality"].Index, 3);
  EXPECT_EQ(Fake["rgLogFilename"].Index, 0);
  EXPECT_EQ(Fake["edLogFilename"].Text, "dump.log");
  EXPECT_TRUE(Fake["edLogFilename"].Enabled);
  EXPECT_FALSE(Fake["cbLogGroupsSlipangle"].Checked);
  EXPECT_TRUE(Fake["cbLogGroupsPosition"].Checked);
  EXPECT_FALSE(Fake["LblWhyGreyedOut"].Visible);
  EXPECT_EQ(Fake["edAILookaheadFactor"].Text, "1.35");
  for (const TOptionRow& row : OptionRows()) EXPECT_TRUE(Fake[row.Control].Enabled) << row.Control;

  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Saved(), complete);
}

TEST_F(ZindoOptions, TheSampleInstallationsFileSavesBackUnchanged) {
  const QString sample = QStringLiteral(LUMOX_EXAMPLE_INSTALLATION "/zindo.ini");
  const QByteArray bytes = test::ReadBytes(sample);
  Zindo.Write("zindo.ini", bytes);
  Fake.Offered << "askari_f3" << "morrow_saloon";
  Options.Load(Zindo.Path());
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Saved(), bytes);
}

TEST_F(ZindoOptions, EachMissingKeyDisablesItsControlAndIsNeverAdded) {
  const QByteArray complete = WriteIni(SourceIni);
  // Controls whose state follows another control, not their own key.
  const QSet<QString> derived{"comboAICar",         "comboResolution",   "cbStencilSimple", "cbStartWithMirror",
                              "medMirrorTexWidth",  "medMirrorTexHeight", "medMirrorFoV",    "medMirrorWidth",
                              "medMirrorHeight"};
  QStringList keys;
  for (const TOptionRow& row : OptionRows()) keys << row.Key;
  keys << "resolution.height" << "textures.max_hgt" << "dev.car" << "ini.track";
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
      if (key == "race.ai_car_multiple") {
        EXPECT_FALSE(fake["lbRaceAICars"].Visible);
      } else {
        EXPECT_FALSE(fake[row.Control].Enabled);
      }
    }
    EXPECT_EQ(fake["LblWhyGreyedOut"].Visible, key.startsWith("log.groups."));
    options.Save(Zindo.Path(), Now);
    EXPECT_EQ(Saved(), without);
  }
}

TEST_F(ZindoOptions, WithoutAFileEveryBoundControlIsDisabledAndNothingIsSaved) {
  Options.Load(Zindo.Path());
  EXPECT_EQ(Messages.Shown().size(), 1u);
  EXPECT_FALSE(Options.IsLoaded());
  const QSet<QString> enabled{"comboAICar", "comboResolution"};
  for (const TOptionRow& row : OptionRows()) {
    if (QByteArray(row.Key) != "race.ai_car_multiple" && !enabled.contains(row.Control)) {
      EXPECT_FALSE(Fake[row.Control].Enabled) << row.Control;
    }
  }
  EXPECT_TRUE(Fake["edLogFilename"].Enabled);
  EXPECT_FALSE(Fake["medMirrorFoV"].Enabled);
  EXPECT_FALSE(Fake["rbTODtime"].Enabled);
  EXPECT_TRUE(Fake["LblWhyGreyedOut"].Visible);
  EXPECT_FALSE(Fake["lbRaceAICars"].Visible);
  EXPECT_EQ(Fake["medLaps"].Text, "4");
  EXPECT_EQ(Fake["medMaxTexRes"].Text, "2048");
  EXPECT_EQ(Fake["medWidth"].Text, "640");
  EXPECT_EQ(Fake["comboResolution"].Index, 0);

  // A file that turned up meanwhile keeps its keys: the controls never held them.
  const QByteArray complete = WriteIni(SourceIni);
  EXPECT_THROW(Options.Save(Zindo.Path(), Now), ELumox);
  EXPECT_EQ(Saved(), complete);
}

TEST_F(ZindoOptions, AFileReadOnlyInPartIsNeverWrittenBack) {
  const QByteArray broken = QByteArray(SourceIni) + "=2\n";
  Zindo.Write("zindo.ini", broken);
  Options.Load(Zindo.Path());
  EXPECT_FALSE(Options.IsLoaded());
  EXPECT_THROW(Options.Save(Zindo.Path(), Now), ELumox);
  EXPECT_EQ(Saved(), broken);

  // Loaded completely, then broken by another program before the save.
  WriteIni(SourceIni);
  Options.Load(Zindo.Path());
  ASSERT_TRUE(Options.IsLoaded());
  Zindo.Write("zindo.ini", broken);
  EXPECT_THROW(Options.Save(Zindo.Path(), Now), ELumox);
  EXPECT_EQ(Saved(), broken);
}

// A change handler that fails stops the load part-way: the later controls hold no values.
class TFailingSelections final : public IRaceSelections {
 public:
  explicit TFailingSelections(IRaceSelections& inner) : Inner(inner) {}
  QString Selected(TRaceSelector s) const override { return Inner.Selected(s); }
  void Select(TRaceSelector s, const QString& n) override { Inner.Select(s, n); }
  void SetSelectorEnabled(TRaceSelector s, bool e) override { Inner.SetSelectorEnabled(s, e); }
  void SelectionChanged(TRaceSelector) override { throw ELumox("preview failed"); }
  QString AICarCount() const override { return Inner.AICarCount(); }
  void SetAICarCount(const QString& t) override { Inner.SetAICarCount(t); }
  void SetAICarCountEnabled(bool e) override { Inner.SetAICarCountEnabled(e); }
  void ShowMultiAICars(bool s) override { Inner.ShowMultiAICars(s); }
  void ParseAICarMultiple(const QString& v) override { Inner.ParseAICarMultiple(v); }
  QString JoinAICarMultiple() const override { return Inner.JoinAICarMultiple(); }
  void UpdateSingleAIControls() override { Inner.UpdateSingleAIControls(); }

 private:
  IRaceSelections& Inner;
};

TEST_F(ZindoOptions, ALoadStoppedPartWayIsNeverSaved) {
  const QByteArray complete = WriteIni(SourceIni);
  TFailingSelections failing(Fake);
  TZindoOptions options({Fake, failing});
  EXPECT_THROW(options.Load(Zindo.Path()), ELumox);
  EXPECT_FALSE(options.IsLoaded());
  EXPECT_THROW(options.Save(Zindo.Path(), Now), ELumox);
  EXPECT_EQ(Saved(), complete);
}

struct TValueCase {
  const char* Key;
  const char* Value;     // as the file holds it
  const char* Control;
  int Index;             // the control's item after loading
  const char* SavedAs;   // the value after saving with nothing changed
};

void PrintTo(const TValueCase& c, std::ostream* os) { *os << c.Key << '=' << c.Value; }

class ZindoOptionValues : public ZindoOptions, public ::testing::WithParamInterface<TValueCase> {};

TEST_P(ZindoOptionValues, LoadAndSaveByTheirRule) {
  const TValueCase& c = GetParam();
  WriteWith({{c.Key, c.Value}});
  Options.Load(Zindo.Path());
  EXPECT_EQ(Fake[c.Control].Index, c.Index);
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value(c.Key), c.SavedAs);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ZindoOptionValues,
    ::testing::Values(TValueCase{"stats.default_info", "10", "comboShowStats", -1, "10"},
                      TValueCase{"stats.default_info", "-1", "comboShowStats", -1, "-1"},
                      TValueCase{"stats.default_info", "two", "comboShowStats", 0, "0"},
                      TValueCase{"stats.default_info", "9", "comboShowStats", 9, "9"},
                      TValueCase{"resolution.bits", "15", "comboBitDepth", 0, "16"},
                      TValueCase{"resolution.bits", "24", "comboBitDepth", 1, "24"},
                      TValueCase{"resolution.bits", "deep", "comboBitDepth", 0, "16"},
                      TValueCase{"textures.quality", "3", "tbTextureQuality", 1, "1"},
                      TValueCase{"textures.quality", "16", "tbTextureQuality", 5, "16"},
                      TValueCase{"textures.quality", "", "tbTextureQuality", 1, "1"},
                      TValueCase{"log.filename", "123456789012", "rgLogFilename", 0, "123456789012"},
                      TValueCase{"log.filename", "dump.log", "rgLogFilename", 0, "dump.log"},
                      TValueCase{"log.filename", "oval-00000000001", "rgLogFilename", 0, "oval-00000000001"},
                      TValueCase{"log.filename", "oval060102123456", "rgLogFilename", 1, "harbour_loop060102123456"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(ZindoOptions, FlagsAreCheckedOnlyByATrimmedOne) {
  for (const auto& [value, checked, saved] :
       std::initializer_list<std::tuple<const char*, bool, const char*>>{{"yes", false, "0"}, {"2", false, "0"}, {" 1 ", true, "1"}, {"01", false, "0"}}) {
    SCOPED_TRACE(value);
    WriteWith({{"fx.fog", value}});
    Options.Load(Zindo.Path());
    EXPECT_EQ(Fake["cbFog"].Checked, checked);
    Options.Save(Zindo.Path(), Now);
    EXPECT_EQ(Value("fx.fog"), saved);
  }
}

TEST_F(ZindoOptions, NumbersShowAsTheyStandAndSaveAsNumbersOrTheirDefault) {
  WriteWith({{"fx.visibility", "1234567"}});
  Options.Load(Zindo.Path());
  EXPECT_EQ(Fake["medVisibility"].Text, "1234567");
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value("fx.visibility"), "1234567");

  for (const auto& [typed, saved] : std::initializer_list<std::pair<const char*, const char*>>{
           {"", "700"}, {"12a", "700"}, {"99999999999", "700"}, {"0042", "42"}}) {
    Fake["medVisibility"].Text = typed;
    Fake["medLaps"].Text = typed;
    Fake["medLogPeriod"].Text = typed;
    Options.Save(Zindo.Path(), Now);
    EXPECT_EQ(Value("fx.visibility"), saved) << typed;
    EXPECT_EQ(Value("race.laps"), QString(saved) == "700" ? "0" : saved) << typed;
    EXPECT_EQ(Value("log.period"), typed);
  }
}

TEST_F(ZindoOptions, AResolutionNotListedIsCustomAndKeepsItsEdits) {
  WriteWith({{"resolution.width", "1024"}, {"resolution.height", "600"}});
  Options.Load(Zindo.Path());
  EXPECT_EQ(Fake["comboResolution"].Index, 9);
  EXPECT_TRUE(Fake["medWidth"].Enabled);
  EXPECT_TRUE(Fake["medHeight"].Enabled);
  EXPECT_EQ(Fake["medWidth"].Text, "1024");
  EXPECT_EQ(Fake["medHeight"].Text, "600");
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value("resolution.width"), "1024");
  EXPECT_EQ(Value("resolution.height"), "600");

  Fake["medWidth"].Text = "wide";
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value("resolution.width"), "640");
  Fake["comboResolution"].Index = 6;
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value("resolution.width"), "2400");
  EXPECT_EQ(Value("resolution.height"), "600");
  Fake["comboResolution"].Index = -1;
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value("resolution.width"), "640");
  EXPECT_EQ(Value("resolution.height"), "480");
}

TEST_F(ZindoOptions, TimeOfDayFollowsItsThreeChoices) {
  WriteWith({{"fx.sun.auto_time_of_day", "1"}});
  Options.Load(Zindo.Path());
  EXPECT_TRUE(Fake["rbTODcurrent"].Checked);
  EXPECT_FALSE(Fake["rbTODtime"].Checked);
  EXPECT_FALSE(Fake["rbTODno"].Checked);
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value("fx.sun.time_of_day"), "1730");
  EXPECT_EQ(Value("fx.sun.auto_time_of_day"), "1");

  Fake["rbTODcurrent"].Checked = false;
  Fake["rbTODno"].Checked = true;
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value("fx.sun.time_of_day"), "");
  EXPECT_EQ(Value("fx.sun.auto_time_of_day"), "0");

  Options.Load(Zindo.Path());
  EXPECT_TRUE(Fake["rbTODno"].Checked);
  EXPECT_FALSE(Fake["rbTODtime"].Checked);
}

TEST_F(ZindoOptions, SelectorsLoadOnlyExactNamesAndSaveOnlyASelection) {
  WriteWith({{"race.car", "Veltra_GT4"}, {"race.track", "kestrel_ring"}});
  Options.Load(Zindo.Path());
  EXPECT_EQ(Fake["comboDefaultCar"].Text, "");
  EXPECT_EQ(Fake["comboDefaultTrack"].Text, "kestrel_ring");
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value("race.car"), "Veltra_GT4");
  EXPECT_EQ(Value("dev.car"), "veltra_gt4");
  EXPECT_EQ(Value("ini.track"), "kestrel_ring");

  Fake["comboDefaultCar"].Text = "pico_hatch";
  Fake["comboController"].Text = "";
  Fake["comboDefaultTrack"].Text = "";
  Fake["rgLogFilename"].Index = 1;
  Options.Save(Zindo.Path(), Now);
  EXPECT_EQ(Value("race.car"), "pico_hatch");
  EXPECT_EQ(Value("dev.car"), "pico_hatch");
  EXPECT_EQ(Value("ini.controls"), "keyboard.ini");
  EXPECT_EQ(Value("race.track"), "kestrel_ring");
  EXPECT_EQ(Value("log.filename"), "dump.log");  // a track-based name needs a track
}

}  // namespace
}  // namespace lumox
