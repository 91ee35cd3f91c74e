#include "tests/frontend/FormStartUp.h"

#include "frontend/FormMain.h"

namespace lumox::test {

void StartUp(TFormMain& form, const QString& zindoExe) {
  TFrontEndState& state = form.State();
  state.SetZindoExe(zindoExe);
  state.FCars = std::make_unique<TCars>(TCars::CreateFromFolders(state.FZindoDir, nullptr));
  state.FTracks = std::make_unique<TTracks>(TTracks::CreateFromFolders(state.FZindoDir, nullptr));
  state.FInitialized = true;
  form.FillCarAndTrackSelectors();
  form.FillControllerSets();
}

}  // namespace lumox::test
