#pragma once
// The simulator options of the option pages, each bound to one zindo.ini key. The key table
// lives in ZindoOptions.cpp, one row per key; every row is loaded and saved by the rule of
// its kind. Nothing here adds a key: a control whose key is missing is disabled, and writing
// it changes nothing.
#include <QDateTime>
#include <QString>

#include <span>

namespace lumox {

class IOptionControls;
class IRaceSelections;
class TZindoIni;

// What the bindings load into and save from.
struct TOptionTargets {
  IOptionControls& Controls;
  IRaceSelections& Race;
};

struct TOptionRow;

// How one kind of control is loaded from its key and saved into it.
struct TOptionKind {
  void (*Load)(const TOptionRow& row, const TZindoIni& ini, TOptionTargets& targets);
  void (*Save)(const TOptionRow& row, TZindoIni& ini, const TOptionTargets& targets, const QDateTime& now);
};

// One row of the key table.
struct TOptionRow {
  const char* Key;
  const char* Control;  // the control's component name
  const TOptionKind* Kind;
  const char* LoadDefault = "";       // numbers: the text shown when the key is missing
  int SaveDefault = 0;                // numbers: the value written when the text is no number
  const char* AlsoSavedTo = nullptr;  // a second key that gets the same value, when Key exists
};

// The key table, in the order the keys are loaded.
std::span<const TOptionRow> OptionRows();
// The key bound to `control`; empty when there is none.
QString OptionKeyOf(const char* control);

// Fills every control from `ini` and then applies the enabling rules below. A failure of a
// selector's change handler is shown, and the loading goes on.
void LoadOptionsFrom(const TZindoIni& ini, TOptionTargets targets);
// Writes every control into its key of `ini`; `now` names a track-based log file.
void SaveOptionsTo(TZindoIni& ini, TOptionTargets targets, const QDateTime& now);

// The enabling rules, run at the end of loading and by the controls' handlers.
void UpdateResolutionEdits(IOptionControls& controls);  // comboResolution: the edits for "custom ..."
void UpdateStencilControls(IOptionControls& controls);  // cbStencilShadows: cbStencilSimple
void UpdateMirrorControls(IOptionControls& controls);   // cbEnableMirrorTexture: the mirror values
void UpdateLogFilenameEdit(IOptionControls& controls);  // rgLogFilename: edLogFilename
void UpdateFillLapNo(IOptionControls& controls);        // rgFillBestlaps: comboFillLapNo

// The option pages and their file: loaded once, saved on request and before each launch.
class TZindoOptions {
 public:
  explicit TZindoOptions(TOptionTargets targets) : Targets(targets) {}

  // Reads zindo.ini in `zindoDir` into the controls. A file that cannot be read completely is
  // reported while reading; its keys count as missing.
  void Load(const QString& zindoDir);
  // Writes the controls into zindo.ini, re-read from `zindoDir` so that keys shown nowhere
  // keep what other programs put there; a file whose values all stay as they are is left
  // alone. Throws ELumox, writing nothing, when the options were
  // not loaded completely (the controls would overwrite keys with values never read) or the
  // file cannot be read completely or written now.
  void Save(const QString& zindoDir, const QDateTime& now = QDateTime::currentDateTime()) const;
  // True once Load went through over a completely read file.
  bool IsLoaded() const { return Loaded; }

 private:
  TOptionTargets Targets;
  bool Loaded = false;
};

}  // namespace lumox
