#pragma once
#include <QString>

#include <functional>

class QWidget;

namespace lumox::test {

// Runs `action` on the modal dialog that `opener` is about to open, as soon as it shows, so
// a test can answer a real dialog without blocking. Returns when `opener` returns.
void WithNextModal(const std::function<void(QWidget* modal)>& action, const std::function<void()>& opener);

// True when the tests run in a real window system (xvfb), not on the offscreen platform.
bool HasRealWindows();

// Saves a picture of `widget` as <build>/test-artifacts/<name>.png and returns the path. Fails
// the test for each text in it that is cut off (ExpectWholeTexts).
QString SaveScreenshot(QWidget* widget, const QString& name);

// Fails the test for each label, button, group title, tab and grid cell shown in `window` that
// has too little room for its whole text.
void ExpectWholeTexts(const QWidget& window);

}  // namespace lumox::test
