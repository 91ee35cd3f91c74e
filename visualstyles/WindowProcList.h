#pragma once
// The controls of one class that a theme manager has taken over.
#include <vector>

#include "visualstyles/ControlClasses.h"
#include "visualstyles/ControlMessages.h"
#include "visualstyles/ThemeEvents.h"

class QWidget;

namespace lumox {

class TThemeManager;

// Taking a control over installs the list's event filter on it, which hands every event to the
// main manager's handling; removing it takes the filter off again, so the control's own handling
// is exactly what it was. The controls are kept sorted by identity and found by binary search,
// with the last one found remembered.
class TWindowProcList {
 public:
  TWindowProcList(TThemeManager& ownerManager, TControlClass targetClass);
  // Gives every control back.
  ~TWindowProcList();
  TWindowProcList(const TWindowProcList&) = delete;
  TWindowProcList& operator=(const TWindowProcList&) = delete;

  // Takes `control` over; its position, or -1 when it is not of the list's class or already listed.
  int Add(QWidget* control);
  // Whether `control` is listed; `index` gets its position, or where it would go.
  bool Find(const QObject* control, int& index);
  // Gives `control` back and takes its descendants out of the manager's lists; in every case it
  // leaves the main manager's recreation queue.
  void Remove(QWidget* control);
  void Clear();
  int Count() const { return int(Items.size()); }

  // Passes a message of a listed control on to the control's own handling; a request to
  // rebuild the window is queued with the main manager first. A Qt event goes on to the
  // control once the handler is done; a message the program sent is handled at once.
  void PassOn(QWidget* control, TMessage& message);

 private:
  // Drops `control` from the list and the main manager's recreation queue without touching it,
  // as it may be on its way out; whether it was listed.
  bool TakeOut(const QObject* control);
  void Sort();
  void ClearCache();

  TThemeManager& OwnerManager;
  TControlClass TargetClass;
  TEventTap Tap;
  std::vector<QObject*> Items;
  bool NeedsSort = false;
  const QObject* CachedControl = nullptr;
  int CachedIndex = -1;
};

}  // namespace lumox
