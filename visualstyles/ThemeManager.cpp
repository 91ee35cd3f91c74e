#include "visualstyles/ThemeManager.h"

#include <QApplication>
#include <QLabel>
#include <QToolBar>
#include <QWidget>

#include <algorithm>
#include <mutex>
#include <optional>

#include "visualstyles/EventMessages.h"
#include "visualstyles/ThemeServices.h"
#include "visualstyles/ThemedHandlers.h"

namespace lumox {
namespace {

// Guards the main-manager pointer; taken again by the calls it makes.
std::recursive_mutex& PrimaryLock() {
  static std::recursive_mutex lock;
  return lock;
}
TThemeManager* PrimaryManager = nullptr;

// The classes in the order a control is matched against them, each with the option that lets
// it be taken over (forms always are).
struct TClassChoice {
  TControlClass Class;
  std::optional<TThemeOption> Option;
};
const std::array<TClassChoice, ControlClassCount> ChoiceOrder = {{
    {TControlClass::ButtonControl, toSubclassButtons},
    {TControlClass::SpeedButton, toSubclassSpeedButtons},
    {TControlClass::GroupBox, toSubclassGroupBox},
    {TControlClass::TabSheet, toSubclassTabSheet},
    {TControlClass::Panel, toSubclassPanel},
    {TControlClass::Frame, toSubclassFrame},
    {TControlClass::ListView, toSubclassListView},
    {TControlClass::TrackBar, toSubclassTrackBar},
    {TControlClass::CheckListBox, toSubclassCheckListbox},
    {TControlClass::StatusBar, toSubclassStatusBar},
    {TControlClass::Splitter, toSubclassSplitter},
    {TControlClass::Animate, toSubclassAnimate},
    {TControlClass::Form, std::nullopt},
    {TControlClass::WinControl, toSubclassWinControl},
}};

// The lists after the list views, in the order they are given back.
constexpr std::array<TControlClass, 13> OtherClasses = {
    TControlClass::CheckListBox, TControlClass::StatusBar, TControlClass::Animate,  TControlClass::TrackBar,
    TControlClass::SpeedButton,  TControlClass::ButtonControl, TControlClass::TabSheet, TControlClass::WinControl,
    TControlClass::GroupBox,     TControlClass::Form,      TControlClass::Panel,    TControlClass::Frame,
    TControlClass::Splitter};

constexpr std::uint32_t EnableTabDialogTexture = 6;

bool AdjustsControls(TThemeOptions options) {
  return options.Has(toResetMouseCapture) || options.Has(toSetTransparency);
}

std::uint32_t AppProperties(TThemeOptions options) {
  return (options.Has(toAllowNonClientArea) ? AllowNonClientArea : 0) |
         (options.Has(toAllowControls) ? AllowControls : 0) | (options.Has(toAllowWebContent) ? AllowWebContent : 0);
}

bool HasWindow(const QWidget* widget) { return widget->testAttribute(Qt::WA_WState_Created); }

std::vector<QWidget*> Forms() {
  std::vector<QWidget*> forms;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (IsForm(widget)) forms.push_back(widget);
  return forms;
}

bool RefusesSubclassing(QWidget* control) {
  TSubclassQuery query;
  QCoreApplication::sendEvent(control, &query);
  return query.IsRefused();
}

void PostRecreation(QWidget* control) { QCoreApplication::postEvent(control, new QEvent(RecreateWindowEvent())); }

void SendThemeChange(QObject* receiver) {
  QEvent change(QEvent::ThemeChange);
  QCoreApplication::sendEvent(receiver, &change);
}

// List views are rebuilt; every other control with a window is told, and its children in turn.
// Qt has no bar of movable bands to rebuild besides: its tool bars dock into a main window's
// layout, which follows the style change every widget gets.
void SpreadThemeChangeBelow(QWidget* parent) {
  for (QWidget* child : ChildControls(parent)) {
    if (IsOfClass(TControlClass::ListView, child)) {
      PostRecreation(child);
      continue;
    }
    if (HasWindow(child)) SendThemeChange(child);
    SpreadThemeChangeBelow(child);
  }
}

}  // namespace

bool OsSupportsStyles() { return ThemeServices().Platform().SupportsStyles; }

int CheckBoxWidth() { return ThemeServices().Platform().CheckBoxSize.Width; }

int CheckBoxHeight() { return ThemeServices().Platform().CheckBoxSize.Height; }

TThemeManager::TThemeManager(QObject* owner) : QObject(owner) {
  for (int i = 0; i < ControlClassCount; ++i) Lists[i] = std::make_unique<TWindowProcList>(*this, TControlClass(i));
  TThemeServices& services = ThemeServices();
  AppWindow = services.AppWindow();
  if (services.StylesEnabled() && AppWindow) {
    Hook = std::make_unique<TEventTap>([this](QObject*, QEvent* event) { return AppWindowHook(event); });
    AppWindow->installEventFilter(Hook.get());
  }
  if (QCoreApplication* application = QCoreApplication::instance()) {
    FormWatch = std::make_unique<TEventTap>([this](QObject* watched, QEvent* event) {
      if (event->type() == QEvent::Polish && watched->isWidgetType() && IsForm(static_cast<QWidget*>(watched)))
        FormInserted(static_cast<QWidget*>(watched));
      return false;
    });
    application->installEventFilter(FormWatch.get());
  }
  const std::lock_guard lock(PrimaryLock());
  if (!PrimaryManager) {
    PrimaryManager = this;
  } else {
    FIsSecondary = true;
    FOptions = PrimaryManager->FOptions;
  }
}

TThemeManager::~TThemeManager() {
  // Giving a control back reaches into the other lists, so all of them are emptied first.
  for (auto& list : Lists) list->Clear();
  Hook.reset();
  FormWatch.reset();
  const std::lock_guard lock(PrimaryLock());
  if (PrimaryManager != this) return;
  PrimaryManager = nullptr;
  // Posted, not sent: the window this manager goes with is still being taken apart and must not
  // be taken over again.
  if (AppWindow) QCoreApplication::postEvent(AppWindow, new QEvent(MainManagerReleasedEvent()));
}

void TThemeManager::Loaded() {
  Loading = false;
  if (IsMain()) AttachForms(nullptr);
}

void TThemeManager::SetOptions(TThemeOptions options) {
  const std::lock_guard lock(PrimaryLock());
  if (PrimaryManager && PrimaryManager != this) return PrimaryManager->SetOptions(options);
  if (options == FOptions) return;
  FOptions = options;
  TThemeServices& services = ThemeServices();
  if (services.LibraryLoaded() && IsMain()) services.ThemeLibrary()->SetThemeAppProperties(AppProperties(options));
  if (Loading) return;
  SyncThemeOptions();
  SpreadThemeChange();
  if (AppWindow) SendThemeChange(AppWindow);
  for (QWidget* form : Forms()) form->update();
}

TThemeManager* TThemeManager::Primary() {
  const std::lock_guard lock(PrimaryLock());
  return PrimaryManager;
}

void TThemeManager::BecomePrimary() {
  const std::lock_guard lock(PrimaryLock());
  if (PrimaryManager && PrimaryManager != this) {
    PrimaryManager->FIsSecondary = true;
    PrimaryManager->DetachAll();
  }
  PrimaryManager = this;
  FIsSecondary = false;
  AttachForms(nullptr);
}

void TThemeManager::AttachOrDetach(QWidget* control, bool inserting) { TakeOverOrGiveBack(control, inserting); }

bool TThemeManager::TakeOverOrGiveBack(QWidget* control, bool inserting) {
  if (!OsSupportsStyles()) return false;
  TWindowProcList* list = ListFor(control, inserting);
  if (!list) return false;
  if (!inserting || !AskAllowSubclassing(control) || RefusesSubclassing(control)) {
    list->Remove(control);
    return false;
  }
  list->Add(control);
  if (ChildControls(control).empty()) return false;
  AttachChildren(control);
  return true;
}

TWindowProcList* TThemeManager::ListFor(QWidget* control, bool inserting) {
  // Without styles only list views are taken over.
  const bool themed = ThemeServices().StylesEnabled();
  for (const TClassChoice& choice : ChoiceOrder) {
    if ((!themed && choice.Class != TControlClass::ListView) || !IsOfClass(choice.Class, control)) continue;
    if (inserting && choice.Option && !FOptions.Has(*choice.Option)) return nullptr;
    TWindowProcList& list = WindowProcs(choice.Class);
    int index;
    if (choice.Class == TControlClass::ListView && inserting && !list.Find(control, index) && HasWindow(control))
      PostRecreation(control);
    if (choice.Class == TControlClass::Form && inserting) std::erase(QueuedForms, control);
    return &list;
  }
  return nullptr;
}

void TThemeManager::QueueRecreation(QWidget* control) {
  if (!IsQueuedForRecreation(control)) QueuedRecreations.push_back(control);
}

bool TThemeManager::IsQueuedForRecreation(const QObject* control) const {
  return std::ranges::find(QueuedRecreations, control) != QueuedRecreations.end();
}

void TThemeManager::DequeueRecreation(const QObject* control) { std::erase(QueuedRecreations, control); }

void TThemeManager::AddControlListener(TControlMessageEvent listener) {
  ExtraListeners.push_back(std::move(listener));
}

bool TThemeManager::HandleControlMessage(TControlClass controlClass, QWidget* control, QEvent* event) {
  int index;
  if (!WindowProcs(controlClass).Find(control, index)) return false;
  return DispatchAsMessages(controlClass, control, event,
                            [&](TMessage& message) { Dispatch(controlClass, control, message); });
}

void TThemeManager::Dispatch(TControlClass controlClass, QWidget* control, TMessage& message) {
  if (OfferControlMessage(control, message)) return;
  if (!HandleThemed(*this, controlClass, control, message))
    WindowProcs(controlClass).PassOn(control, message);
}

void TThemeManager::Perform(QWidget* control, TMessage& message) {
  for (int i = 0; i < ControlClassCount; ++i) {
    int index;
    if (WindowProcs(TControlClass(i)).Find(control, index))
      return Dispatch(TControlClass(i), control, message);
  }
  HandleByDefault(control, message);
}

bool TThemeManager::WantsClientEdge(const QWidget* control) const {
  return IsScrollingWinControl(control) || IsGrid(control) || IsRichEdit(control);
}

bool TThemeManager::AskAllowSubclassing(QWidget* control) {
  bool allow = true;
  if (OnAllowSubclassing) OnAllowSubclassing(*this, control, allow);
  return allow;
}

bool TThemeManager::OfferControlMessage(QWidget* control, TMessage& message) {
  bool handled = false;
  if (OnControlMessage) OnControlMessage(*this, control, message, handled);
  for (std::size_t i = 0; !handled && i < ExtraListeners.size();) {
    try {
      ExtraListeners[i](*this, control, message, handled);
      ++i;
    } catch (...) {
      ExtraListeners.erase(ExtraListeners.begin() + std::ptrdiff_t(i));
    }
  }
  return handled;
}

void TThemeManager::FireThemeChange() {
  if (OnThemeChange) OnThemeChange(*this);
}

void TThemeManager::FormInserted(QWidget* form) {
  if (!IsMain()) {
    if (TThemeManager* main = Primary()) main->FormInserted(form);
    return;
  }
  int index;
  if (std::ranges::find(QueuedForms, form) != QueuedForms.end() || WindowProcs(TControlClass::Form).Find(form, index))
    return;
  QueuedForms.push_back(form);
  connect(form, &QObject::destroyed, this, [this](QObject* gone) { std::erase(QueuedForms, gone); });
  if (AppWindow) QCoreApplication::postEvent(AppWindow, new QEvent(WakeEvent()));
}

void TThemeManager::AttachForms(QWidget* form) {
  if (!IsMain()) return;
  if (!form) DetachAll();
  const std::vector<QWidget*> forms = form ? std::vector<QWidget*>{form} : Forms();
  for (QWidget* each : forms) TakeOverForm(each, true);
  if (AdjustsControls(FOptions))
    for (QWidget* each : forms) AdjustControls(each);
}

void TThemeManager::TakeOverForm(QWidget* form, bool withChildren) {
  if (!OsSupportsStyles()) return;
  WindowProcs(TControlClass::Form).Add(form);
  if (withChildren) AttachChildren(form);
}

void TThemeManager::AttachChildren(QWidget* parent) {
  if (!IsMain()) return;
  // A control taken over has had its children taken over with it.
  for (QWidget* child : ChildControls(parent))
    if (!TakeOverOrGiveBack(child, true)) AttachChildren(child);
}

// Every list, not only while styles are enabled: forms are taken over without styles as well,
// and a demoted manager that kept them would hand their events to the new main one twice.
void TThemeManager::DetachAll() {
  WindowProcs(TControlClass::ListView).Clear();
  for (TControlClass controlClass : OtherClasses) WindowProcs(controlClass).Clear();
}

void TThemeManager::AdjustControls(QWidget* parent) {
  TThemeServices& services = ThemeServices();
  for (QWidget* child : ChildControls(parent)) {
    if (services.StylesEnabled())
      services.ThemeLibrary()->EnableThemeDialogTexture(WindowHandleOf(child), EnableTabDialogTexture);
    // A pressed tool button tracks the mouse itself, through a grab Qt gives it implicitly and
    // that cannot be given up, so the mouse-capture option has nothing to take back here.
    auto* toolBar = qobject_cast<QToolBar*>(child);
    if (toolBar || qobject_cast<QLabel*>(child)) {
      if (FOptions.Has(toSetTransparency)) child->setAutoFillBackground(false);
    } else {
      AdjustControls(child);
    }
  }
}

bool TThemeManager::AppWindowHook(QEvent* event) {
  if (event->type() == MainManagerReleasedEvent()) {
    const std::lock_guard lock(PrimaryLock());
    if (!PrimaryManager) BecomePrimary();
  }
  while (!QueuedForms.empty()) {
    auto* form = static_cast<QWidget*>(QueuedForms.front());
    QueuedForms.erase(QueuedForms.begin());
    TakeOverForm(form, IsMain());
    if (AdjustsControls(FOptions)) AdjustControls(form);
    form->update();
  }
  while (!QueuedRecreations.empty()) {
    auto* control = static_cast<QWidget*>(QueuedRecreations.front());
    QueuedRecreations.erase(QueuedRecreations.begin());
    AttachChildren(control);
  }
  if (event->type() == QEvent::ThemeChange) {
    SyncThemeOptions();
    FireThemeChange();
  }
  return false;
}

void TThemeManager::SyncThemeOptions() {
  TThemeServices& services = ThemeServices();
  services.RefreshStyleState();
  if (IThemeLibrary* library = services.ThemeLibrary()) {
    const std::uint32_t properties = library->GetThemeAppProperties();
    FOptions = FOptions.With(toAllowNonClientArea, properties & AllowNonClientArea)
                   .With(toAllowControls, properties & AllowControls)
                   .With(toAllowWebContent, properties & AllowWebContent);
  }
}

void TThemeManager::SpreadThemeChange() {
  for (QWidget* form : Forms()) {
    SendThemeChange(form);
    SpreadThemeChangeBelow(form);
  }
}

}  // namespace lumox
