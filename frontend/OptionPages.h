#pragma once
// The controls of the simulator option pages and of the launch options page, built in code
// with their component names, captions and hints, and the adapter through which the
// zindo.ini bindings reach them by name.
#include "frontend/OptionControls.h"

class QButtonGroup;
class QWidget;

namespace lumox {

struct TZindoPage;

// Fills "Display options", "Misc options", "Telemetry logging" and "Lap time handling (Lumox)",
// and adds the option groups of "Car and track" (number of laps) and "Race" (random AI scenario).
void CreateOptionControls(const TZindoPage& page);

// The option controls below `root`, found by component name. A name no control has is a
// programming error and throws ELumox.
class TOptionWidgets final : public IOptionControls {
 public:
  explicit TOptionWidgets(QWidget* root) : Root(root) {}

  bool Checked(const char* control) const override;
  void SetChecked(const char* control, bool checked) override;
  QString Text(const char* control) const override;
  void SetText(const char* control, const QString& text) override;
  int Index(const char* control) const override;
  void SetIndex(const char* control, int index) override;
  bool Enabled(const char* control) const override;
  void SetEnabled(const char* control, bool enabled) override;
  void SetVisible(const char* control, bool visible) override;

  // Runs the enabling rules when their controls change, and explains greyed-out log groups.
  void ConnectHandlers();

 private:
  template <class W>
  W* Get(const char* control) const;
  QButtonGroup* Buttons(const char* radioGroup) const;

  QWidget* Root;
};

}  // namespace lumox
