#pragma once
#include "archive/DBTools.h"

#include <QDialog>

class QCheckBox;
class QComboBox;

namespace lumox {

// The lap-time database tools: merge all laps of one track or car into another (a car merge
// optionally kept as an auto-merge rule) and remove stored rules. Works on the process-wide
// lap-time connector; reads the archive when it is made.
class TFormDBTools final : public QDialog {
 public:
  explicit TFormDBTools(QWidget* owner);

 private:
  void BtnTrackMergeClick();
  void BtnCarMergeClick();
  void BtnRemoveAMClick();
  // Fills the rule selector from the rules as last read; selects the first one.
  void ShowAutoMerges();

  TDBTools Tools;
  QComboBox* comboTrackFrom;
  QComboBox* comboTrackTo;
  QComboBox* comboCarFrom;
  QComboBox* comboCarTo;
  QCheckBox* cbAutoMerge;
  QComboBox* comboAutoMerges;
};

// Opens the tools dialog modally over `parent`; a failure to read the archive is shown in an
// error box and no dialog opens.
void ShowDBTools(QWidget* parent);

}  // namespace lumox
