#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <optional>

#include "tests/visualstyles/FakeThemeLibrary.h"
#include "visualstyles/ThemeManager.h"

namespace lumox {
namespace {

using enum TControlClass;

class ThemeManagerTest : public testing::Test {
 protected:
  // Services over the fake library as it is set now, with a fresh application window.
  void StartServices() {
    Scope.reset();
    Services.reset();
    AppWindow.emplace();
    Services.emplace(&*AppWindow, Theme.Platform());
    Scope.emplace(*Services);
  }

  test::TFakeTheme Theme;
  std::optional<QObject> AppWindow;
  std::optional<TThemeServices> Services;
  std::optional<TThemeServicesScope> Scope;
};

bool Listed(TThemeManager& manager, TControlClass controlClass, const QObject* control) {
  int index;
  return manager.WindowProcs(controlClass).Find(control, index);
}

std::vector<TControlClass> ListsOf(TThemeManager& manager, const QObject* control) {
  std::vector<TControlClass> lists;
  for (int i = 0; i < ControlClassCount; ++i)
    if (Listed(manager, TControlClass(i), control)) lists.push_back(TControlClass(i));
  return lists;
}

// A form with a control of every class and the class each belongs to.
struct TSampleForm {
  QWidget Window;
  QGroupBox* Group = new QGroupBox(&Window);
  QTabWidget* Tabs = new QTabWidget(&Window);
  QWidget* Page = new QWidget;
  QSplitter* Splitter = new QSplitter(&Window);
  QListView* List = new QListView(&Window);
  std::vector<std::pair<QWidget*, TControlClass>> Classes() {
    Tabs->addTab(Page, "page");
    Splitter->addWidget(new QWidget);
    Splitter->addWidget(new QWidget);
    return {{&Window, Form},
            {new QPushButton(&Window), ButtonControl},
            {new QRadioButton(Group), ButtonControl},
            {new QToolButton(&Window), SpeedButton},
            {Group, GroupBox},
            {Page, TabSheet},
            {new QFrame(&Window), Panel},
            {List, ListView},
            {new QSlider(&Window), TrackBar},
            {new QStatusBar(&Window), StatusBar},
            {Splitter->handle(1), TControlClass::Splitter},
            {new QLabel(&Window), WinControl},
            {Tabs, WinControl}};
  }
};

TEST_F(ThemeManagerTest, ControlsAreTakenOverByClassWithoutStylesOnlyFormsAndListViews) {
  struct {
    bool styles, supported;
  } const rows[] = {{true, true}, {false, true}, {true, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "styles " << row.styles << ", supported " << row.supported);
    Theme.Present = row.styles;
    Theme.SupportsStyles = row.supported;
    StartServices();
    TSampleForm sample;
    const auto classes = sample.Classes();
    TThemeManager manager;
    manager.Loaded();
    for (const auto& [control, controlClass] : classes) {
      const bool taken = row.supported && (row.styles || controlClass == Form || controlClass == ListView);
      EXPECT_EQ(ListsOf(manager, control), taken ? std::vector{controlClass} : std::vector<TControlClass>{})
          << control->metaObject()->className();
    }
    // Giving a form back gives back everything on it.
    manager.WindowProcs(Form).Remove(&sample.Window);
    for (const auto& [control, controlClass] : classes) EXPECT_TRUE(ListsOf(manager, control).empty());
  }
}

TEST_F(ThemeManagerTest, AControlIsKeptOutByItsOptionTheAllowEventOrItsOwnRefusal) {
  StartServices();
  QWidget form;
  auto* refusing = new QPushButton(&form);
  TEventTap refusal([](QObject*, QEvent* event) {
    if (event->type() == TSubclassQuery::Type()) static_cast<TSubclassQuery*>(event)->Refuse();
    return false;
  });
  refusing->installEventFilter(&refusal);
  auto* vetoed = new QCheckBox(&form);
  auto* slider = new QSlider(&form);
  auto* plain = new QPushButton(&form);
  TThemeManager manager;
  manager.OnAllowSubclassing = [&](TThemeManager&, QWidget* control, bool& allow) { allow = control != vetoed; };
  manager.SetOptions(manager.Options().With(toSubclassTrackBar, false));
  manager.Loaded();
  for (QWidget* keptOut : std::vector<QWidget*>{refusing, vetoed, slider})
    EXPECT_TRUE(ListsOf(manager, keptOut).empty()) << keptOut->metaObject()->className();
  EXPECT_EQ(ListsOf(manager, plain), std::vector{ButtonControl});
}

TEST_F(ThemeManagerTest, ALaterManagerMirrorsTheMainOneAndPassesItsOptionsOn) {
  StartServices();
  QWidget form;
  TThemeManager main;
  main.Loaded();
  int themeChanges = 0;
  main.OnThemeChange = [&](TThemeManager&) { ++themeChanges; };
  const TThemeOptions mirrored = DefaultThemeOptions.With(toAlternateTabSheetDraw);
  main.SetOptions(mirrored);
  TThemeManager second;
  EXPECT_TRUE(second.IsSecondary());
  EXPECT_EQ(second.Options(), mirrored);

  const TThemeOptions changed = mirrored.With(toAllowWebContent, false);
  second.SetOptions(changed);
  EXPECT_EQ(TThemeManager::Primary(), &main);
  EXPECT_EQ(main.Options(), changed);
  EXPECT_EQ(second.Options(), changed);  // its hook read the application's new properties
  EXPECT_EQ(Theme.AppProperties, AllowNonClientArea | AllowControls);
  EXPECT_EQ(themeChanges, 2);
}

TEST_F(ThemeManagerTest, WhenTheMainManagerGoesOneWithAHookTakesOverAndNewFormsFollow) {
  for (const bool hooks : {true, false}) {
    SCOPED_TRACE(hooks ? "with hooks" : "without");
    Theme.Present = hooks;
    StartServices();
    QWidget form;
    auto main = std::make_unique<TThemeManager>();
    main->Loaded();
    TThemeManager second;
    EXPECT_EQ(second.HookActive(), hooks);
    main.reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(TThemeManager::Primary(), hooks ? &second : nullptr);
    EXPECT_EQ(second.IsSecondary(), !hooks);
    EXPECT_EQ(Listed(second, Form, &form), hooks);

    QWidget later;
    later.show();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Listed(second, Form, &later), hooks);
  }
}

TEST_F(ThemeManagerTest, ListenersAreAskedInTurnUntilOneHandlesAndOneThatThrowsIsDropped) {
  StartServices();
  QWidget form;
  TThemeManager manager;
  manager.Loaded();
  std::vector<std::string> calls;
  for (std::string name : {"throwing", "passing", "handling", "unreached"})
    manager.AddControlListener([&calls, name](TThemeManager&, QWidget*, TMessage& message, bool& handled) {
      if (!message.Event || message.Event->type() != QEvent::User) return;
      calls.push_back(name);
      if (name == "throwing") throw std::runtime_error("listener failed");
      handled = name == "handling";
    });
  QEvent user(QEvent::User);
  EXPECT_TRUE(QCoreApplication::sendEvent(&form, &user));
  EXPECT_TRUE(QCoreApplication::sendEvent(&form, &user));
  EXPECT_EQ(calls, (std::vector<std::string>{"throwing", "passing", "handling", "passing", "handling"}));
}

TEST_F(ThemeManagerTest, AListFindsItsControlsAfterReorderingAndGivesThemBackExactly) {
  StartServices();
  TThemeManager manager;
  TWindowProcList& list = manager.WindowProcs(WinControl);
  QWidget parent;
  std::vector<QWidget*> controls = {new QWidget(&parent), new QWidget(&parent), new QWidget(&parent)};
  std::ranges::sort(controls, std::less<>());
  QWidget* const last = controls[2];  // the others sort before it
  int index = -1;
  EXPECT_FALSE(list.Find(nullptr, index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(list.Find(last, index));
  EXPECT_EQ(index, 0);

  int seen = 0, seenEarlier = 0;
  manager.OnControlMessage = [&](TThemeManager&, QWidget*, TMessage& message, bool&) {
    seen += message.Event && message.Event->type() == QEvent::User;
  };
  TEventTap earlier([&](QObject*, QEvent* event) { return seenEarlier += event->type() == QEvent::User, false; });
  last->installEventFilter(&earlier);
  EXPECT_EQ(list.Add(last), 0);
  EXPECT_EQ(list.Add(last), -1);
  EXPECT_EQ(manager.WindowProcs(Form).Add(last), -1);
  EXPECT_TRUE(list.Find(last, index));
  list.Add(controls[0]);
  list.Add(controls[1]);
  QEvent user(QEvent::User);
  QCoreApplication::sendEvent(last, &user);
  list.Remove(last);
  QCoreApplication::sendEvent(last, &user);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(seenEarlier, 2);
  EXPECT_FALSE(list.Find(last, index));
  EXPECT_TRUE(list.Find(controls[0], index));
  EXPECT_TRUE(list.Find(controls[1], index));

  delete controls[0];
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(ThemeManagerTest, AListViewThatHasAWindowIsRebuiltAndTakenOverAgain) {
  StartServices();
  QWidget form;
  auto* view = new QListView(&form);
  form.show();
  TThemeManager manager;
  manager.Loaded();
  QCoreApplication::sendPostedEvents(view);
  EXPECT_TRUE(manager.IsQueuedForRecreation(view));
  QEvent wake(WakeEvent());
  QCoreApplication::sendEvent(&*AppWindow, &wake);
  EXPECT_FALSE(manager.IsQueuedForRecreation(view));
  EXPECT_TRUE(Listed(manager, ListView, view));

  QCoreApplication::postEvent(view, new QEvent(RecreateWindowEvent()));
  QCoreApplication::sendPostedEvents(view);
  EXPECT_TRUE(manager.IsQueuedForRecreation(view));
  delete view;
  EXPECT_FALSE(manager.IsQueuedForRecreation(view));
}

TEST_F(ThemeManagerTest, ToolBarsAndLabelsDeepInAFormBecomeTransparentOnlyWhenTheOptionSaysSo) {
  StartServices();
  for (const bool transparency : {true, false}) {
    QWidget form;
    auto* toolBar = new QToolBar(&form);
    auto* label = new QLabel(new QFrame(&form));
    for (QWidget* control : {static_cast<QWidget*>(toolBar), static_cast<QWidget*>(label)})
      control->setAutoFillBackground(true);
    form.show();
    TThemeManager manager;
    manager.SetOptions(manager.Options().With(toSetTransparency, transparency));
    manager.Loaded();
    EXPECT_EQ(toolBar->autoFillBackground(), !transparency) << transparency;
    EXPECT_EQ(label->autoFillBackground(), !transparency) << transparency;
  }
}

TEST_F(ThemeManagerTest, ADemotedManagerGivesEveryControlBackAndTheMainOneLeavesAloneWhatItDoesNotList) {
  for (const bool styles : {true, false}) {
    SCOPED_TRACE(styles ? "styled" : "plain");
    Theme.Present = styles;
    StartServices();
    QWidget form;
    new QListView(&form);
    new QPushButton(&form);
    TThemeManager first;
    first.Loaded();
    TThemeManager second;
    second.BecomePrimary();
    EXPECT_EQ(TThemeManager::Primary(), &second);
    EXPECT_TRUE(first.IsSecondary());
    for (int i = 0; i < ControlClassCount; ++i)
      EXPECT_EQ(first.WindowProcs(TControlClass(i)).Count(), 0) << i;
    EXPECT_TRUE(Listed(second, Form, &form));

    // Only a secondary lists this control: its events go on to it as before.
    QWidget tool(nullptr, Qt::Tool);
    auto* loose = new QWidget(&tool);
    int seen = 0;
    TEventTap earlier([&](QObject*, QEvent* event) { return seen += event->type() == QEvent::User, false; });
    loose->installEventFilter(&earlier);
    first.WindowProcs(WinControl).Add(loose);
    QEvent user(QEvent::User);
    QCoreApplication::sendEvent(loose, &user);
    EXPECT_EQ(seen, 1);
  }
}

}  // namespace
}  // namespace lumox
