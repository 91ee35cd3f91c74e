#pragma once
// What the option pages need of the race set-up's selectors, which the main window provides:
// the default car, track and control set, the single AI car and its count, and the race's
// list of AI cars. The option pages bind zindo.ini keys to them without knowing the widgets.
#include <QString>

namespace lumox {

enum class TRaceSelector { DefaultCar, DefaultTrack, ControlSet, AICar };

class IRaceSelections {
 public:
  virtual ~IRaceSelections() = default;

  // The selected car's or track's folder, or the selected control set's file name; empty
  // when nothing is selected.
  virtual QString Selected(TRaceSelector selector) const = 0;
  // Selects the item whose folder (file name) is exactly `name`; none leaves the selection.
  virtual void Select(TRaceSelector selector, const QString& name) = 0;
  virtual void SetSelectorEnabled(TRaceSelector selector, bool enabled) = 0;
  // Runs the selector's change handler as if the user had chosen its item (variants, previews).
  virtual void SelectionChanged(TRaceSelector selector) = 0;

  // The single AI car's count edit (medAICars).
  virtual QString AICarCount() const = 0;
  virtual void SetAICarCount(const QString& text) = 0;
  virtual void SetAICarCountEnabled(bool enabled) = 0;

  // The race's AI cars: shown (with their lists and buttons) only when the simulator has
  // the key; its value is parsed into the race list and joined from it.
  virtual void ShowMultiAICars(bool shown) = 0;
  virtual void ParseAICarMultiple(const QString& value) = 0;
  virtual QString JoinAICarMultiple() const = 0;
  virtual void UpdateSingleAIControls() = 0;
};

}  // namespace lumox
