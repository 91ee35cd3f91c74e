#pragma once
// The option controls and the race set-up's selectors without widgets: every control is a
// record under its component name, and the race selectors are records under theirs.
#include <QString>
#include <QStringList>
#include <map>
#include <string>

#include "frontend/OptionControls.h"
#include "frontend/RaceSelections.h"
#include "frontend/ZindoOptions.h"

namespace lumox::test {

struct TFakeControl {
  bool Checked = false;
  QString Text;
  int Index = -1;
  bool Enabled = true;
  bool Visible = true;
};

class TFakeOptionTargets : public IOptionControls, public IRaceSelections {
 public:
  // The folders (and control-set files) the race selectors offer.
  QStringList Offered{"veltra_gt4",   "pico_hatch",   "askari_f3",   "morrow_saloon",
                      "harbour_loop", "kestrel_ring", "keyboard.ini"};
  // Selectors whose change handler ran, in order, by component name.
  QStringList ChangeHandlersRun;

  TFakeControl& operator[](const char* control) { return Controls[control]; }
  TOptionTargets Targets() { return {*this, *this}; }

  bool Checked(const char* control) const override { return Get(control).Checked; }
  void SetChecked(const char* control, bool checked) override { Controls[control].Checked = checked; }
  QString Text(const char* control) const override { return Get(control).Text; }
  void SetText(const char* control, const QString& text) override { Controls[control].Text = text; }
  int Index(const char* control) const override { return Get(control).Index; }
  void SetIndex(const char* control, int index) override { Controls[control].Index = index; }
  bool Enabled(const char* control) const override { return Get(control).Enabled; }
  void SetEnabled(const char* control, bool enabled) override { Controls[control].Enabled = enabled; }
  void SetVisible(const char* control, bool visible) override { Controls[control].Visible = visible; }

  QString Selected(TRaceSelector selector) const override { return Get(NameOf(selector)).Text; }
  void Select(TRaceSelector selector, const QString& name) override {
    if (Offered.contains(name)) Controls[NameOf(selector)].Text = name;
  }
  void SetSelectorEnabled(TRaceSelector selector, bool enabled) override {
    SetEnabled(NameOf(selector), enabled);
  }
  void SelectionChanged(TRaceSelector selector) override { ChangeHandlersRun << NameOf(selector); }
  QString AICarCount() const override { return Text("medAICars"); }
  void SetAICarCount(const QString& text) override { SetText("medAICars", text); }
  void SetAICarCountEnabled(bool enabled) override { SetEnabled("medAICars", enabled); }
  void ShowMultiAICars(bool shown) override { SetVisible("lbRaceAICars", shown); }
  void ParseAICarMultiple(const QString& value) override { SetText("lbRaceAICars", value); }
  QString JoinAICarMultiple() const override { return Text("lbRaceAICars"); }
  void UpdateSingleAIControls() override { ++SingleAIUpdates; }

  int SingleAIUpdates = 0;

  static const char* NameOf(TRaceSelector selector) {
    switch (selector) {
      case TRaceSelector::DefaultCar:
        return "comboDefaultCar";
      case TRaceSelector::DefaultTrack:
        return "comboDefaultTrack";
      case TRaceSelector::ControlSet:
        return "comboController";
      case TRaceSelector::AICar:
        return "comboAICar";
    }
    return "";
  }

 private:
  const TFakeControl& Get(const char* control) const {
    static const TFakeControl none;
    const auto found = Controls.find(control);
    return found == Controls.end() ? none : found->second;
  }

  std::map<std::string, TFakeControl> Controls;
};

}  // namespace lumox::test
