#include "frontend/ZindoOptions.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "frontend/OptionControls.h"
#include "frontend/RaceSelections.h"
#include "installation/FileSystem.h"
#include "installation/IniTree.h"
#include "installation/Strings.h"
#include "platform/EventGuard.h"
#include "platform/Exception.h"

namespace lumox {
namespace {

QString KeyOf(const char* key) { return QString::fromLatin1(key); }

bool Exists(const TOptionRow& row, const TZindoIni& ini) { return ini.ValueExists(KeyOf(row.Key)); }
QString Read(const TOptionRow& row, const TZindoIni& ini, const char* defaultValue) {
  return ini.ReadString(KeyOf(row.Key), QString::fromLatin1(defaultValue));
}

void Write(const TOptionRow& row, TZindoIni& ini, const QString& value) {
  ini.WriteString(KeyOf(row.Key), value);
  // The second key follows only a key that is there, so a missing one never moves it.
  if (row.AlsoSavedTo && Exists(row, ini)) ini.WriteString(KeyOf(row.AlsoSavedTo), value);
}

// Flags.
void LoadFlag(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  t.Controls.SetChecked(row.Control, Read(row, ini, "0") == u"1");
  t.Controls.SetEnabled(row.Control, Exists(row, ini));
}
void SaveFlag(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  Write(row, ini, t.Controls.Checked(row.Control) ? QStringLiteral("1") : QStringLiteral("0"));
}

// Numbers: shown as they stand, written as a number or the save default.
QString NumberToSave(const TOptionRow& row, const QString& text) {
  return QString::number(IntegerOr(text, row.SaveDefault));
}
void LoadNumber(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  t.Controls.SetText(row.Control, Read(row, ini, row.LoadDefault));
  t.Controls.SetEnabled(row.Control, Exists(row, ini));
}
void SaveNumber(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  Write(row, ini, NumberToSave(row, t.Controls.Text(row.Control)));
}

// Texts, written as they stand.
void LoadText(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  t.Controls.SetText(row.Control, Read(row, ini, ""));
  t.Controls.SetEnabled(row.Control, Exists(row, ini));
}
void SaveText(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  Write(row, ini, t.Controls.Text(row.Control));
}

// The race set-up's selectors: chosen by exact folder (file) name, written when one is chosen.
template <TRaceSelector S>
void LoadSelector(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  const bool exists = Exists(row, ini);
  if constexpr (S != TRaceSelector::AICar) t.Race.SetSelectorEnabled(S, exists);
  if (exists) t.Race.Select(S, Read(row, ini, ""));
  // What follows the selection may fail (the car's variant record refused): that is shown, and
  // the other options load all the same, so that they can still be saved.
  if constexpr (S == TRaceSelector::DefaultCar || S == TRaceSelector::DefaultTrack)
    RunGuarded([&] { t.Race.SelectionChanged(S); });
}
template <TRaceSelector S>
void SaveSelector(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  const QString selected = t.Race.Selected(S);
  if (!selected.isEmpty()) Write(row, ini, selected);
}

void LoadAICarCount(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  t.Race.SetAICarCount(Read(row, ini, row.LoadDefault));
  t.Race.SetAICarCountEnabled(Exists(row, ini));
}
void SaveAICarCount(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  Write(row, ini, NumberToSave(row, t.Race.AICarCount()));
}

void LoadAICarMultiple(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  const bool exists = Exists(row, ini);
  t.Race.ShowMultiAICars(exists);
  if (exists) t.Race.ParseAICarMultiple(Read(row, ini, ""));
  t.Race.UpdateSingleAIControls();
}
void SaveAICarMultiple(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  if (Exists(row, ini)) Write(row, ini, t.Race.JoinAICarMultiple());
}

// comboShowStats: the item of the number; a number no item has selects none and is kept.
constexpr int kShowStatsItems = 10;
void LoadShowStats(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  const int item = IntegerOr(Read(row, ini, "0"), 0);
  t.Controls.SetIndex(row.Control, item >= 0 && item < kShowStatsItems ? item : -1);
  t.Controls.SetEnabled(row.Control, Exists(row, ini));
}
void SaveShowStats(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  const int item = t.Controls.Index(row.Control);
  if (item >= 0) Write(row, ini, QString::number(item));
}

// comboBitDepth: "16 bit", "24 bit", "32 bit"; any other depth shows as the first.
constexpr std::array<int, 3> kBitDepths{16, 24, 32};
void LoadBitDepth(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  const int bits = IntegerOr(Read(row, ini, "16"), 16);
  const auto found = std::find(kBitDepths.begin(), kBitDepths.end(), bits);
  t.Controls.SetIndex(row.Control, found == kBitDepths.end() ? 0 : int(found - kBitDepths.begin()));
  t.Controls.SetEnabled(row.Control, Exists(row, ini));
}
void SaveBitDepth(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  const int item = t.Controls.Index(row.Control);
  Write(row, ini, QString::number(item > 0 && item < int(kBitDepths.size()) ? kBitDepths[item] : kBitDepths[0]));
}

// comboResolution: the listed pairs, then "custom ..." with the pair in the two edits.
struct TResolution {
  int Width, Height;
};
constexpr std::array<TResolution, 9> kResolutions{{{640, 480},
                                                   {800, 600},
                                                   {1024, 768},
                                                   {1280, 1024},
                                                   {1600, 1200},
                                                   {1920, 480},
                                                   {2400, 600},
                                                   {3456, 864},
                                                   {3840, 1024}}};
constexpr int kCustomResolution = int(kResolutions.size());
constexpr TResolution kDefaultResolution = kResolutions[0];
const char* const kHeightKey = "resolution.height";
const char* const kWidthEdit = "medWidth";
const char* const kHeightEdit = "medHeight";

void LoadResolution(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  const TResolution loaded{
      IntegerOr(Read(row, ini, "640"), kDefaultResolution.Width),
      IntegerOr(ini.ReadString(KeyOf(kHeightKey), QStringLiteral("480")), kDefaultResolution.Height)};
  t.Controls.SetText(kWidthEdit, QString::number(loaded.Width));
  t.Controls.SetText(kHeightEdit, QString::number(loaded.Height));
  const auto found = std::find_if(kResolutions.begin(), kResolutions.end(), [&](const TResolution& r) {
    return r.Width == loaded.Width && r.Height == loaded.Height;
  });
  t.Controls.SetIndex(row.Control, int(found - kResolutions.begin()));
}
void SaveResolution(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  const int item = t.Controls.Index(row.Control);
  TResolution saved = kDefaultResolution;
  if (item >= 0 && item < kCustomResolution) {
    saved = kResolutions[item];
  } else if (item == kCustomResolution) {
    saved = {IntegerOr(t.Controls.Text(kWidthEdit), kDefaultResolution.Width),
             IntegerOr(t.Controls.Text(kHeightEdit), kDefaultResolution.Height)};
  }
  ini.WriteString(KeyOf(row.Key), QString::number(saved.Width));
  ini.WriteString(KeyOf(kHeightKey), QString::number(saved.Height));
}

// tbTextureQuality: positions 1 to 5 for "1", "2", "4", "8" and "16"; anything else is 1.
const QStringList& TextureQualities() {
  static const QStringList qualities{"1", "2", "4", "8", "16"};
  return qualities;
}
void LoadTextureQuality(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  t.Controls.SetIndex(row.Control, std::max<int>(TextureQualities().indexOf(Read(row, ini, "1")), 0) + 1);
  t.Controls.SetEnabled(row.Control, Exists(row, ini));
}
void SaveTextureQuality(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  const int position = t.Controls.Index(row.Control);
  Write(row, ini, TextureQualities().value(position - 1, TextureQualities()[0]));
}

// Time of day: "do not use" writes it empty, a set time or the current time the edit's text.
const char* const kTODno = "rbTODno";
const char* const kTODtime = "rbTODtime";
const char* const kTODtimeEdit = "edTODtime";
void LoadTimeOfDay(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  const bool exists = Exists(row, ini);
  const QString time = Read(row, ini, "");
  for (const char* control : {kTODno, kTODtime, kTODtimeEdit}) t.Controls.SetEnabled(control, exists);
  t.Controls.SetText(kTODtimeEdit, time);
  t.Controls.SetChecked(time.trimmed().isEmpty() ? kTODno : kTODtime, true);
  t.Controls.SetChecked(time.trimmed().isEmpty() ? kTODtime : kTODno, false);
}
void SaveTimeOfDay(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime&) {
  Write(row, ini, t.Controls.Checked(kTODno) ? QString() : t.Controls.Text(kTODtimeEdit));
}
// "always use current time" is a flag; checking it unchecks the other two.
void LoadAutoTimeOfDay(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  LoadFlag(row, ini, t);
  if (!t.Controls.Checked(row.Control)) return;
  t.Controls.SetChecked(kTODno, false);
  t.Controls.SetChecked(kTODtime, false);
}

// rgLogFilename: "static filename:" (the edit), or the track's folder and the time of the
// launch; a name ending in twelve digits was made that way.
const char* const kLogFilenameEdit = "edLogFilename";
constexpr int kStaticLogName = 0;
constexpr int kTrackLogName = 1;
constexpr qsizetype kLogStampLength = 12;
void LoadLogFilename(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& t) {
  const QString name = Read(row, ini, "");
  t.Controls.SetText(kLogFilenameEdit, name);
  const std::optional<qint64> stamp = DecimalInteger(QStringView(name).right(kLogStampLength));
  const bool byTrack = name.size() > kLogStampLength && stamp && *stamp > -1;
  t.Controls.SetIndex(row.Control, byTrack ? kTrackLogName : kStaticLogName);
  t.Controls.SetEnabled(row.Control, Exists(row, ini));
}
void SaveLogFilename(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& t, const QDateTime& now) {
  const int item = t.Controls.Index(row.Control);
  if (item == kStaticLogName) {
    Write(row, ini, t.Controls.Text(kLogFilenameEdit));
    return;
  }
  // Without a track there is no name of that form: the key keeps its value.
  const QString track = t.Race.Selected(TRaceSelector::DefaultTrack);
  if (item == kTrackLogName && !track.isEmpty()) Write(row, ini, track + now.toString(QStringLiteral("yyMMddHHmmss")));
}

constexpr TOptionKind Flag{&LoadFlag, &SaveFlag};
constexpr TOptionKind Number{&LoadNumber, &SaveNumber};
constexpr TOptionKind Text{&LoadText, &SaveText};
constexpr TOptionKind DefaultCar{&LoadSelector<TRaceSelector::DefaultCar>, &SaveSelector<TRaceSelector::DefaultCar>};
constexpr TOptionKind DefaultTrack{&LoadSelector<TRaceSelector::DefaultTrack>,
                                   &SaveSelector<TRaceSelector::DefaultTrack>};
constexpr TOptionKind ControlSet{&LoadSelector<TRaceSelector::ControlSet>, &SaveSelector<TRaceSelector::ControlSet>};
constexpr TOptionKind AICar{&LoadSelector<TRaceSelector::AICar>, &SaveSelector<TRaceSelector::AICar>};
constexpr TOptionKind AICarCount{&LoadAICarCount, &SaveAICarCount};
constexpr TOptionKind AICarMultiple{&LoadAICarMultiple, &SaveAICarMultiple};
constexpr TOptionKind ShowStats{&LoadShowStats, &SaveShowStats};
constexpr TOptionKind BitDepth{&LoadBitDepth, &SaveBitDepth};
constexpr TOptionKind Resolution{&LoadResolution, &SaveResolution};
constexpr TOptionKind TextureQuality{&LoadTextureQuality, &SaveTextureQuality};
constexpr TOptionKind TimeOfDay{&LoadTimeOfDay, &SaveTimeOfDay};
constexpr TOptionKind AutoTimeOfDay{&LoadAutoTimeOfDay, &SaveFlag};
constexpr TOptionKind LogFilename{&LoadLogFilename, &SaveLogFilename};

constexpr TOptionRow Rows[] = {
    {"gadgets.menu", "cbShowMenu", &Flag},
    {"gadgets.intro", "cbShowIntro", &Flag},
    {"graphics.hide_cursor", "cbHideCursor", &Flag},
    {"race.car", "comboDefaultCar", &DefaultCar, "", 0, "dev.car"},
    {"race.track", "comboDefaultTrack", &DefaultTrack, "", 0, "ini.track"},
    {"ini.controls", "comboController", &ControlSet},
    {"race.ai.random_scenario", "cbRandomAIScenario", &Flag},
    {"race.ai_car", "comboAICar", &AICar},
    {"race.ai_cars", "medAICars", &AICarCount, "0", 0},
    {"race.ai_car_multiple", "lbRaceAICars", &AICarMultiple},
    {"stats.default_info", "comboShowStats", &ShowStats},
    {"stats.fps", "cbInitialFPS", &Flag},
    {"race.laps", "medLaps", &Number, "4", 0},
    {"renderer.stencil_shadows", "cbStencilShadows", &Flag},
    {"renderer.stencil_shadows.simple", "cbStencilSimple", &Flag},
    {"fx.sun.time_of_day", "rbTODno", &TimeOfDay},
    {"fx.sun.auto_time_of_day", "rbTODcurrent", &AutoTimeOfDay},
    {"envmap.live_track", "cbLiveEnvMap", &Flag},
    {"envmap.enable", "cbOldSphereEnvMap", &Flag},
    {"fx.visibility", "medVisibility", &Number, "700", 700},
    {"fx.fog", "cbFog", &Flag},
    {"resolution.fullscreen", "cbFullScreen", &Flag},
    {"resolution.bits", "comboBitDepth", &BitDepth},
    {"resolution.width", "comboResolution", &Resolution},
    {"shadow.project_shadows", "cbProjectedShadows", &Flag},
    {"mirrors.texture.enable", "cbEnableMirrorTexture", &Flag},
    {"mirrors.simple.enable", "cbStartWithMirror", &Flag},
    {"mirrors.texture.wid", "medMirrorTexWidth", &Number, "512", 512},
    {"mirrors.texture.hgt", "medMirrorTexHeight", &Number, "128", 128},
    {"mirrors.texture.fov", "medMirrorFoV", &Number, "80", 80},
    {"mirrors.simple.wid", "medMirrorWidth", &Number, "240", 240},
    {"mirrors.simple.hgt", "medMirrorHeight", &Number, "60", 60},
    {"textures.max_wid", "medMaxTexRes", &Number, "2048", 2048, "textures.max_hgt"},
    {"textures.quality", "tbTextureQuality", &TextureQuality},
    {"gfx.show_spline_tris", "cbShowSplines", &Flag},
    {"gfx.show_ai_lines", "cbShowAILines", &Flag},
    {"gfx.show_car_bbox", "cbShowBoundingBox", &Flag},
    {"gfx.show_car_points", "cbShowCarPoints", &Flag},
    {"dbg_stats.show_tire_forces", "cbShowTireForces", &Flag},
    {"log.enable", "cbLogEnable", &Flag},
    {"log.period", "medLogPeriod", &Text},
    {"log.filename", "rgLogFilename", &LogFilename},
    {"log.groups.suspension", "cbLogGroupsSuspension", &Flag},
    {"log.groups.slip_angle", "cbLogGroupsSlipangle", &Flag},
    {"log.groups.slip_ratio", "cbLogGroupsSlipratio", &Flag},
    {"log.groups.tire_forces", "cbLogGroupsTireforces", &Flag},
    {"log.groups.steering", "cbLogGroupsSteering", &Flag},
    {"log.groups.controls", "cbLogGroupsControls", &Flag},
    {"log.groups.orientation", "cbLogGroupsOrientation", &Flag},
    {"log.groups.velocity", "cbLogGroupsVelocity", &Flag},
    {"log.groups.angular_velocity", "cbLogGroupsAngularVelocity", &Flag},
    {"log.groups.acceleration", "cbLogGroupsAcceleration", &Flag},
    {"log.groups.engine", "cbLogGroupsEngine", &Flag},
    {"log.groups.position", "cbLogGroupsPosition", &Flag},
    {"ai.lookahead_factor", "edAILookaheadFactor", &Text},
    {"ai.lookahead_offset", "edAILookaheadOffset", &Text},
    {"ai.steering_frequency", "edAISteeringFreq", &Text},
    {"ai.throttle_frequency", "edAIThrottleFreq", &Text},
    {"ai.line_adjust", "edAILineAdjust", &Text},
    {"ai.line_adjust_distance", "edAILineAdjustDist", &Text},
};

bool IsLogGroup(const TOptionRow& row) { return std::strncmp(row.Key, "log.groups.", 11) == 0; }

// LblWhyGreyedOut explains the log groups whose keys are missing.
void UpdateWhyGreyedOut(IOptionControls& controls) {
  bool anyDisabled = false;
  for (const TOptionRow& row : Rows)
    if (IsLogGroup(row) && !controls.Enabled(row.Control)) anyDisabled = true;
  controls.SetVisible("LblWhyGreyedOut", anyDisabled);
}

void SetEnabledAll(IOptionControls& controls, std::initializer_list<const char*> names, bool enabled) {
  for (const char* name : names) controls.SetEnabled(name, enabled);
}

}  // namespace

std::span<const TOptionRow> OptionRows() { return Rows; }

QString OptionKeyOf(const char* control) {
  for (const TOptionRow& row : Rows)
    if (std::strcmp(row.Control, control) == 0) return KeyOf(row.Key);
  return {};
}

void UpdateResolutionEdits(IOptionControls& controls) {
  const bool custom = controls.Index("comboResolution") == kCustomResolution;
  SetEnabledAll(controls, {kHeightEdit, kWidthEdit}, custom);
}

void UpdateStencilControls(IOptionControls& controls) {
  controls.SetEnabled("cbStencilSimple", controls.Checked("cbStencilShadows"));
}

void UpdateMirrorControls(IOptionControls& controls) {
  SetEnabledAll(controls,
                {"medMirrorTexWidth", "medMirrorTexHeight", "medMirrorFoV", "medMirrorWidth", "medMirrorHeight",
                 "cbStartWithMirror"},
                controls.Checked("cbEnableMirrorTexture"));
}

void UpdateLogFilenameEdit(IOptionControls& controls) {
  controls.SetEnabled(kLogFilenameEdit, controls.Index("rgLogFilename") == kStaticLogName);
}

void UpdateFillLapNo(IOptionControls& controls) {
  controls.SetEnabled("comboFillLapNo", controls.Index("rgFillBestlaps") == 2);
}

void LoadOptionsFrom(const TZindoIni& ini, TOptionTargets targets) {
  for (const TOptionRow& row : Rows) row.Kind->Load(row, ini, targets);
  // States that follow other controls replace those their own keys gave.
  UpdateStencilControls(targets.Controls);
  UpdateResolutionEdits(targets.Controls);
  UpdateMirrorControls(targets.Controls);
  UpdateLogFilenameEdit(targets.Controls);
  UpdateWhyGreyedOut(targets.Controls);
}

void SaveOptionsTo(TZindoIni& ini, TOptionTargets targets, const QDateTime& now) {
  for (const TOptionRow& row : Rows) row.Kind->Save(row, ini, targets, now);
}

void TZindoOptions::Load(const QString& zindoDir) {
  Loaded = false;
  const TZindoIni ini(ZindoFilePath(zindoDir, QStringLiteral("zindo.ini")));
  LoadOptionsFrom(ini, Targets);
  Loaded = ini.IsLoadComplete();
}

void TZindoOptions::Save(const QString& zindoDir, const QDateTime& now) const {
  const QString fileName = ZindoFilePath(zindoDir, QStringLiteral("zindo.ini"));
  if (!Loaded) {
    throw ELumox(QStringLiteral("The options have not been saved: Lumox could not read them completely from\n"
                                "\"%1\" when it started, and saving would overwrite settings it never read.\n"
                                "Please check the file and restart Lumox.")
                     .arg(fileName));
  }
  TZindoIni ini(fileName);
  SaveOptionsTo(ini, Targets, now);
  ini.SaveChanges(zindoDir);
}

}  // namespace lumox
