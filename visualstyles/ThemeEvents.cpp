#include "visualstyles/ThemeEvents.h"

#include "platform/EventGuard.h"

namespace lumox {
namespace {

// The number is a hint: Qt hands out another when it is taken.
QEvent::Type Registered(int hint) { return QEvent::Type(QEvent::registerEventType(hint)); }

}  // namespace

QEvent::Type MainManagerReleasedEvent() {
  static const QEvent::Type type = Registered(48306);
  return type;
}

QEvent::Type WakeEvent() {
  static const QEvent::Type type = Registered(-1);
  return type;
}

QEvent::Type RecreateWindowEvent() {
  static const QEvent::Type type = Registered(45107);
  return type;
}

QEvent::Type TSubclassQuery::Type() {
  static const QEvent::Type type = Registered(47056);
  return type;
}

bool TEventTap::eventFilter(QObject* watched, QEvent* event) {
  bool consumed = false;
  RunGuardedNoModal([&] { consumed = Handler(watched, event); });
  return consumed;
}

}  // namespace lumox
