#include "visualstyles/WindowProcList.h"

#include <QWidget>

#include <algorithm>

#include "visualstyles/EventMessages.h"
#include "visualstyles/ThemeManager.h"

namespace lumox {

TWindowProcList::TWindowProcList(TThemeManager& ownerManager, TControlClass targetClass)
    : OwnerManager(ownerManager), TargetClass(targetClass), Tap([targetClass](QObject* watched, QEvent* event) {
        // One handling serves every control of the class: the main manager's.
        TThemeManager* main = TThemeManager::Primary();
        return main && main->HandleControlMessage(targetClass, static_cast<QWidget*>(watched), event);
      }) {}

TWindowProcList::~TWindowProcList() { Clear(); }

int TWindowProcList::Add(QWidget* control) {
  int index;
  if (!IsOfClass(TargetClass, control) || Find(control, index)) return -1;
  control->installEventFilter(&Tap);
  QObject::connect(control, &QObject::destroyed, &Tap, [this](QObject* gone) { TakeOut(gone); });
  Items.push_back(control);
  NeedsSort = true;
  return Count() - 1;
}

bool TWindowProcList::Find(const QObject* control, int& index) {
  // An empty cache holds no control, not a null one.
  if (CachedIndex >= 0 && control == CachedControl) {
    index = CachedIndex;
    return true;
  }
  if (NeedsSort && Items.size() >= 2) Sort();
  const auto at = std::lower_bound(Items.begin(), Items.end(), control, std::less<>());
  index = int(at - Items.begin());
  if (at == Items.end() || *at != control) return false;
  CachedControl = control;
  CachedIndex = index;
  return true;
}

void TWindowProcList::Remove(QWidget* control) {
  if (!TakeOut(control)) return;
  control->removeEventFilter(&Tap);
  QObject::disconnect(control, &QObject::destroyed, &Tap, nullptr);
  std::vector<QWidget*> descendants = ChildControls(control);
  while (!descendants.empty()) {  // depth first
    QWidget* descendant = descendants.back();
    descendants.pop_back();
    OwnerManager.AttachOrDetach(descendant, false);
    std::ranges::copy(ChildControls(descendant), std::back_inserter(descendants));
  }
}

void TWindowProcList::Clear() {
  while (!Items.empty()) Remove(static_cast<QWidget*>(Items.front()));
  NeedsSort = false;
}

void TWindowProcList::PassOn(QWidget* control, TMessage& message) {
  int index;
  if (!Find(control, index)) return;
  if (message.Msg == message::RecreateWindow)
    if (TThemeManager* main = TThemeManager::Primary()) main->QueueRecreation(control);
  message.PassedOn = true;
  if (!message.Event) HandleByDefault(control, message);
}

bool TWindowProcList::TakeOut(const QObject* control) {
  int index;
  const bool found = Find(control, index);
  if (found) {
    Items.erase(Items.begin() + index);
    if (index <= CachedIndex) ClearCache();
  }
  if (TThemeManager* main = TThemeManager::Primary()) main->DequeueRecreation(control);
  return found;
}

void TWindowProcList::Sort() {
  std::ranges::sort(Items, std::less<>());
  NeedsSort = false;
  // The positions changed, so the remembered one no longer holds.
  ClearCache();
}

void TWindowProcList::ClearCache() {
  CachedControl = nullptr;
  CachedIndex = -1;
}

}  // namespace lumox
