#pragma once
// The option controls as the zindo.ini bindings see them: addressed by their component name,
// read and set without widgets, so the bindings are tested without a window.
#include <QString>

namespace lumox {

class IOptionControls {
 public:
  virtual ~IOptionControls() = default;

  // Check boxes and radio buttons.
  virtual bool Checked(const char* control) const = 0;
  virtual void SetChecked(const char* control, bool checked) = 0;
  // Edits.
  virtual QString Text(const char* control) const = 0;
  virtual void SetText(const char* control, const QString& text) = 0;
  // The chosen item of a combo box or radio group, -1 for none; a track bar's position.
  virtual int Index(const char* control) const = 0;
  virtual void SetIndex(const char* control, int index) = 0;

  virtual bool Enabled(const char* control) const = 0;
  virtual void SetEnabled(const char* control, bool enabled) = 0;
  virtual void SetVisible(const char* control, bool visible) = 0;
};

}  // namespace lumox
