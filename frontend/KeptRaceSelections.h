#pragma once
#include <QString>

#include <array>

#include "frontend/RaceSelections.h"

namespace lumox {

// The race set-up's values kept as they were loaded, for a window that does not show the
// race set-up's selectors: saving writes them back unchanged.
class TKeptRaceSelections final : public IRaceSelections {
 public:
  QString Selected(TRaceSelector selector) const override { return Names[Index(selector)]; }
  void Select(TRaceSelector selector, const QString& name) override { Names[Index(selector)] = name; }
  void SetSelectorEnabled(TRaceSelector, bool) override {}
  void SelectionChanged(TRaceSelector) override {}
  QString AICarCount() const override { return Count; }
  void SetAICarCount(const QString& text) override { Count = text; }
  void SetAICarCountEnabled(bool) override {}
  void ShowMultiAICars(bool) override {}
  void ParseAICarMultiple(const QString& value) override { Multiple = value; }
  QString JoinAICarMultiple() const override { return Multiple; }
  void UpdateSingleAIControls() override {}

 private:
  static std::size_t Index(TRaceSelector selector) { return static_cast<std::size_t>(selector); }

  std::array<QString, 4> Names;
  QString Count;
  QString Multiple;
};

}  // namespace lumox
