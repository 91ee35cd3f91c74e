#pragma once
#include "frontend/FormMainWidgets.h"
#include "frontend/RaceSelections.h"
#include "frontend/RaceSetupPage.h"

class QComboBox;

namespace lumox {

// The option pages' view of the race set-up: the selectors and AI lists of the "Car and
// track" and "Race" pages.
class TRaceSetupSelections final : public IRaceSelections {
 public:
  TRaceSetupSelections(TRaceSetupPage& page, const TZindoPage& widgets) : Page(page), Widgets(widgets) {}

  QString Selected(TRaceSelector selector) const override;
  void Select(TRaceSelector selector, const QString& name) override;
  void SetSelectorEnabled(TRaceSelector selector, bool enabled) override;
  void SelectionChanged(TRaceSelector selector) override;

  QString AICarCount() const override;
  void SetAICarCount(const QString& text) override;
  void SetAICarCountEnabled(bool enabled) override;

  void ShowMultiAICars(bool shown) override;
  void ParseAICarMultiple(const QString& value) override { Page.ParseAICarMultiple(value); }
  QString JoinAICarMultiple() const override { return Page.JoinAICarMultiple(); }
  void UpdateSingleAIControls() override { Page.UpdateSingleAIControls(); }

 private:
  QComboBox* Combo(TRaceSelector selector) const;

  TRaceSetupPage& Page;
  const TZindoPage& Widgets;
};

}  // namespace lumox
