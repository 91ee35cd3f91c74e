#pragma once
#include <QString>

namespace lumox {
class TFormMain;
}

namespace lumox::test {

// Builds the car and track lists of the installation of `zindoExe` and fills the selectors,
// as start-up does.
void StartUp(TFormMain& form, const QString& zindoExe);

}  // namespace lumox::test
