#pragma once
// The Qt events that carry the visual styles' own window messages, and the event filter through
// which the styles take windows and controls over.
#include <QEvent>
#include <QObject>

#include <functional>

namespace lumox {

// The main theme manager went; sent to the application window so that another takes over.
QEvent::Type MainManagerReleasedEvent();
// Posted to the application window so that the theme manager works off its queues.
QEvent::Type WakeEvent();
// Posted to a control whose window is to be built anew.
QEvent::Type RecreateWindowEvent();

// Sent to a control before it is taken over; a control that wants to keep its own handling
// refuses.
class TSubclassQuery final : public QEvent {
 public:
  TSubclassQuery() : QEvent(Type()) {}
  static QEvent::Type Type();
  void Refuse() { Refused = true; }
  bool IsRefused() const { return Refused; }

 private:
  bool Refused = false;
};

// Hands every event of the objects it is installed on to a function; a true answer consumes the
// event. An exception is reported and the event goes on to its object.
class TEventTap final : public QObject {
 public:
  using THandler = std::function<bool(QObject* watched, QEvent* event)>;
  explicit TEventTap(THandler handler) : Handler(std::move(handler)) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  THandler Handler;
};

}  // namespace lumox
