#pragma once
// The lap-time graphs page: the archive's tracks and cars in two selectors and the chart of
// the chosen car's personal best on the chosen track, with the slow-lap filter.
#include "frontend/FormMainWidgets.h"

namespace lumox {

class TRaceSetupPage;
struct TFrontEndState;

class TImprovePage {
 public:
  TImprovePage(TFrontEndState& state, const TImproveWidgets& widgets, const TRaceSetupPage& raceSetup);

  // The page has become active: the archive's lists, the selectors and the chart anew.
  void Fill();

  // Handler of both selectors, the filter check box and the percentage leaving the focus.
  void comboImpChange();

 private:
  void ConnectHandlers();

  TFrontEndState& State;
  const TImproveWidgets& W;
  const TRaceSetupPage& RaceSetup;
};

}  // namespace lumox
