#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>

#include "tests/visualstyles/ThemedFixture.h"

namespace lumox {
namespace {

using namespace test;
using namespace message;

using EventMessagesTest = ThemedFixture;

// What a taken-over control hears of a Qt event: each message, with a key's code.
TEST_F(EventMessagesTest, QtEventsArriveAsTheMessagesThatPlayTheirRole) {
  for (const bool styles : {true, false}) {
    SCOPED_TRACE(styles ? "styled" : "plain");
    Start(styles);
    QWidget form;
    form.setObjectName("form");
    auto* push = new QPushButton("OK", &form);
    auto* check = new QCheckBox("Check", &form);
    auto* bitmap = new QPushButton(QIcon(QPixmap(16, 16)), "OK", &form);
    auto* label = new QLabel("Name", &form);
    auto* slider = new QSlider(Qt::Horizontal, &form);
    auto* area = new QScrollArea(&form);
    auto* group = new QGroupBox("Group", &form);
    auto* status = new QStatusBar(&form);
    form.show();
    QCoreApplication::processEvents();
    Manager->Loaded();
    QWidget* watched = nullptr;
    std::vector<std::string> heard;
    Manager->OnControlMessage = [&](TThemeManager&, QWidget* control, TMessage& message, bool&) {
      // Of the events without a message only the test's own is told.
      if (control != watched || (message.Msg == QtOnly && message.Event->type() != QEvent::User)) return;
      heard.push_back(message.Msg == QtOnly ? "qt" : std::to_string(message.Msg));
      if (message.Msg == KeyDown || message.Msg == SystemKeyDown)
        heard.back() += ":" + std::to_string(message.WParam);
    };
    const auto send = [](QEvent::Type type) {
      return [type](QWidget* control) {
        QEvent event(type);
        QApplication::sendEvent(control, &event);
      };
    };
    const auto key = [](Qt::Key code, Qt::KeyboardModifiers modifiers = {},
                        QEvent::Type type = QEvent::KeyPress) {
      return [=](QWidget* control) {
        QKeyEvent press(type, code, modifiers);
        QApplication::sendEvent(control, &press);
      };
    };
    const auto repaint = [](QWidget* control) { control->repaint(); };
    QWidget* child = new QWidget;
    struct {
      QWidget* control;
      std::function<void(QWidget*)> act;
      std::vector<std::string> heard;
    } const rows[] = {
        // Qt asks the focused control about a key before it dispatches it.
        {push, key(Qt::Key_Tab), {"48384", "256:9"}},
        {push, key(Qt::Key_Alt, Qt::AltModifier), {"48384", "260:18"}},
        {push, key(Qt::Key_A, Qt::AltModifier), {"48384", "260:0"}},
        {push, key(Qt::Key_Up, {}, QEvent::ShortcutOverride), {"48384"}},
        {push, send(QEvent::Enter), {"45075"}},
        {push, send(QEvent::Leave), {"45076"}},
        {push, send(QEvent::User), {"qt"}},
        {push, repaint, {"20", "48437", "15"}},
        {check, repaint, {"20", "48440", "15"}},
        {bitmap, repaint, {"20", "48171"}},
        {label, repaint, {"20", "48440", "15"}},
        {slider, repaint, {"20", "48206", "48206", "48206", "48206", "15"}},
        {area, repaint, {"133"}},
        {group, repaint, {"20", "15"}},
        {status, [](QWidget* control) { control->resize(200, 24); }, {"131"}},
        {&form,
         [&](QWidget*) {
           child->setParent(&form);
           child->show();
         },
         {"45100"}},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << row.control->metaObject()->className() << " row " << (&row - rows));
      watched = row.control;
      heard.clear();
      row.act(row.control);
      // Without styles only forms and list views are taken over.
      EXPECT_EQ(heard, styles || row.control == &form ? row.heard : std::vector<std::string>{});
    }
    // A control placed on the form is taken over as it shows.
    int index;
    EXPECT_EQ(Manager->WindowProcs(TControlClass::WinControl).Find(child, index), styles);
  }
}

}  // namespace
}  // namespace lumox
