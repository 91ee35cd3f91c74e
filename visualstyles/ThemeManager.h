#pragma once
// The component that has the controls of the program's windows paint with the visual styles by
// taking them over, class by class.
#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "visualstyles/ControlClasses.h"
#include "visualstyles/ControlMessages.h"
#include "visualstyles/WindowProcList.h"

class QWidget;

namespace lumox {

enum TThemeOption : std::uint8_t {
  toAllowNonClientArea, toAllowControls, toAllowWebContent, toSubclassAnimate, toSubclassButtons,
  toSubclassCheckListbox, toSubclassDBLookup, toSubclassFrame, toSubclassGroupBox, toSubclassListView,
  toSubclassPanel, toSubclassTabSheet, toSubclassSpeedButtons, toSubclassSplitter, toSubclassStatusBar,
  toSubclassTrackBar, toSubclassWinControl, toResetMouseCapture, toSetTransparency, toAlternateTabSheetDraw
};

// A set of options, bit n standing for option n.
class TThemeOptions {
 public:
  constexpr explicit TThemeOptions(std::uint32_t bits = 0) : Bits(bits) {}
  constexpr bool Has(TThemeOption option) const { return (Bits >> option & 1) != 0; }
  constexpr TThemeOptions With(TThemeOption option, bool on = true) const {
    return TThemeOptions(on ? Bits | 1u << option : Bits & ~(1u << option));
  }
  constexpr std::uint32_t Value() const { return Bits; }
  friend constexpr bool operator==(TThemeOptions, TThemeOptions) = default;

 private:
  std::uint32_t Bits;
};

// Everything on but animations and the alternative tab-sheet drawing.
inline constexpr TThemeOptions DefaultThemeOptions{0x7FFF7};

// Whether the window system lets controls be taken over at all.
bool OsSupportsStyles();
// The size of the system's check-box glyph.
int CheckBoxWidth();
int CheckBoxHeight();

// The first manager made is the main one and does all the work: every taken-over control's
// events go through its handling. Later ones mirror its options and pass their settings and
// the new windows they see on to it; when the main one goes, one with an application-window
// hook takes over. New windows and windows to be rebuilt are queued and taken over on the next
// event of the application window.
class TThemeManager final : public QObject {
 public:
  using TControlMessageEvent =
      std::function<void(TThemeManager& sender, QWidget* control, TMessage& message, bool& handled)>;

  explicit TThemeManager(QObject* owner = nullptr);
  ~TThemeManager() override;

  // The owner has made everything it holds: the main manager takes the program's windows over.
  void Loaded();

  TThemeOptions Options() const { return FOptions; }
  // Passed on to the main manager when that is another one.
  void SetOptions(TThemeOptions options);

  bool IsSecondary() const { return FIsSecondary; }
  bool HookActive() const { return Hook != nullptr; }
  // The main manager; null when there is none.
  static TThemeManager* Primary();
  // Takes the main manager's place; the one before gives its controls back.
  void BecomePrimary();

  // Takes `control` over or gives it back, by its class and the options.
  void AttachOrDetach(QWidget* control, bool inserting);
  void QueueRecreation(QWidget* control);
  bool IsQueuedForRecreation(const QObject* control) const;
  void DequeueRecreation(const QObject* control);

  // Further handlers of the controls' events, asked in order after OnControlMessage until one
  // handles the event. One that throws is dropped.
  void AddControlListener(TControlMessageEvent listener);
  // The main manager's handling of an event of a taken-over control, as the messages it stands
  // for; true consumes it. A control this manager does not list is left to itself.
  bool HandleControlMessage(TControlClass controlClass, QWidget* control, QEvent* event);
  // Sends `message` to `control`: through the handler of its list when it is taken over, else
  // to the control's own handling.
  void Perform(QWidget* control, TMessage& message);
  // The controls whose border the window system leaves unthemed: scroll boxes, grids and rich edits.
  bool WantsClientEdge(const QWidget* control) const;

  TWindowProcList& WindowProcs(TControlClass controlClass) { return *Lists[std::size_t(controlClass)]; }

  std::function<void(TThemeManager& sender)> OnThemeChange;
  TControlMessageEvent OnControlMessage;
  std::function<void(TThemeManager& sender, QWidget* control, bool& allow)> OnAllowSubclassing;

 private:
  bool IsMain() const { return Primary() == this; }
  // AttachOrDetach; true when it took the control's children over as well.
  bool TakeOverOrGiveBack(QWidget* control, bool inserting);
  TWindowProcList* ListFor(QWidget* control, bool inserting);
  bool AskAllowSubclassing(QWidget* control);
  bool OfferControlMessage(QWidget* control, TMessage& message);
  void Dispatch(TControlClass controlClass, QWidget* control, TMessage& message);
  void FireThemeChange();
  // The window system showed a new form.
  void FormInserted(QWidget* form);
  // Takes `form` over, or every form when null, after giving back what was taken over.
  void AttachForms(QWidget* form);
  void TakeOverForm(QWidget* form, bool withChildren);
  void AttachChildren(QWidget* parent);
  void DetachAll();
  void AdjustControls(QWidget* parent);
  bool AppWindowHook(QEvent* event);
  void SyncThemeOptions();
  void SpreadThemeChange();

  TThemeOptions FOptions = DefaultThemeOptions;
  std::array<std::unique_ptr<TWindowProcList>, ControlClassCount> Lists;
  std::vector<TControlMessageEvent> ExtraListeners;
  std::vector<QObject*> QueuedForms;
  std::vector<QObject*> QueuedRecreations;
  bool FIsSecondary = false;
  bool Loading = true;  // until the owner reports everything made
  QPointer<QObject> AppWindow;
  std::unique_ptr<TEventTap> Hook;       // on the application window, while styles are enabled
  std::unique_ptr<TEventTap> FormWatch;  // on the application, for new forms
};

}  // namespace lumox
