#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <functional>

#include "frontend/QLogViewer.h"
#include "tests/frontend/QLogSample.h"
#include "tests/support/FailingWrites.h"
#include "tests/support/GuiTesting.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

struct TLook {
  std::uint32_t Rgb;
  bool Bold;
  bool operator==(const TLook&) const = default;
};
std::ostream& operator<<(std::ostream& out, const TLook& look) {
  return out << std::hex << look.Rgb << (look.Bold ? " bold" : "");
}

constexpr TLook Maroon{0x800000, false}, Red{0xFF0000, false}, RedBold{0xFF0000, true}, Blue{0x0000FF, false},
    Navy{0x000080, false}, BlackBold{0x000000, true};

QAbstractItemView* Box(const QWidget& viewer) { return viewer.findChild<QAbstractItemView*>("RichEdit1"); }

// The look the box gives one of its lines.
TLook LookOfLine(const QWidget& viewer, int line) {
  const QModelIndex index = Box(viewer)->model()->index(line, 0);
  return {index.data(Qt::ForegroundRole).value<QBrush>().color().rgb() & 0xFFFFFFu,
          index.data(Qt::FontRole).value<QFont>().bold()};
}

// The selected lines of the box.
QStringList Selected(const QWidget& viewer) {
  QStringList lines;
  for (const QModelIndex& index : Box(viewer)->selectionModel()->selectedIndexes())
    lines << index.data().toString();
  return lines;
}

class QLogViewer : public ::testing::Test {
 protected:
  // The simulator's lower-case file name is found and written back as it is.
  QString WriteLog(const QByteArray& bytes) { return Folder.Write("qlog.txt", bytes); }
  static void Click(const QWidget& viewer, const char* button) {
    viewer.findChild<QPushButton*>(button)->click();
  }
  static QStringList BoxLines(const QWidget& viewer) {
    QStringList lines;
    for (int row = 0; row < Box(viewer)->model()->rowCount(); ++row)
      lines.append(Box(viewer)->model()->index(row, 0).data().toString());
    return lines;
  }
  static int TopLine(const QWidget& viewer) { return Box(viewer)->indexAt(QPoint(1, 1)).row(); }
  static QStringList SampleLines(int filler = 0, int from = 0) {
    QStringList lines;
    for (const QByteArray& line : test::SampleQLogLines(filler).mid(from))
      lines.append(QString::fromLatin1(line));
    return lines;
  }

  test::TTempFolder Folder;
};

TEST_F(QLogViewer, EachLineIsColouredByItsSeverityTag) {
  WriteLog(test::SampleQLog());
  TFormViewQLOG viewer(nullptr, Folder.Path());
  const std::vector<TLook> expected = {BlackBold, Navy, Red,    BlackBold, Maroon,  Maroon, BlackBold,
                                       Navy,      Blue, Maroon, Red,       RedBold, Maroon, Maroon};
  ASSERT_EQ(BoxLines(viewer), SampleLines());
  for (int line = 0; line < int(expected.size()); ++line)
    EXPECT_EQ(LookOfLine(viewer, line), expected[std::size_t(line)]) << "line " << line;
}

// Also runs in a real window system, where it leaves a screenshot and types the shortcuts.
TEST_F(QLogViewer, TheRealWindowShowsTheLastSessionAtTheTopAndSavesItAlone) {
  const QString path = WriteLog(test::SampleQLog(40));
  test::WithNextModal(
      [&](QWidget* modal) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(modal));
        QAbstractItemView* box = Box(*modal);
        EXPECT_EQ(BoxLines(*modal), SampleLines(40));
        EXPECT_EQ(Selected(*modal), QStringList("12:09:00 --- session separator ---"));
        EXPECT_EQ(TopLine(*modal), test::SampleLastSession(40));
        EXPECT_EQ(modal->focusWidget(), box);
        if (test::HasRealWindows()) {
          modal->activateWindow();
          EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
          test::SaveScreenshot(modal, "qlog-viewer");
          QTest::keyClick(box, Qt::Key_D, Qt::ControlModifier);
          box->scrollToBottom();
          QTest::keyClick(box, Qt::Key_L, Qt::ControlModifier);
          EXPECT_EQ(Selected(*modal), QStringList("12:09:00 --- session separator ---"));
          QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        } else {
          Click(*modal, "BtnDeleteButLast");
          Click(*modal, "BtnSaveAndExit");
        }
      },
      [&] { ShowQLogViewer(nullptr, Folder.Path()); });
  EXPECT_EQ(test::ReadBytes(path),
            test::SampleQLogLines(40).mid(test::SampleLastSession(40)).join("\r\n") + "\r\n");
}

TEST_F(QLogViewer, WithoutSeparatorsTheViewStaysAtTheTopAndNothingIsDeleted) {
  const QByteArray bytes = test::SampleQLogLines(40).mid(1, 42).join("\n");
  const QString path = WriteLog(bytes);
  TFormViewQLOG viewer(nullptr, Folder.Path());
  viewer.show();
  EXPECT_TRUE(Selected(viewer).isEmpty());
  EXPECT_EQ(TopLine(viewer), 0);
  Click(viewer, "BtnDeleteButLast");
  EXPECT_EQ(BoxLines(viewer).size(), 42);
  Click(viewer, "BtnSaveAndExit");
  EXPECT_EQ(test::ReadBytes(path), bytes.split('\n').join("\r\n") + "\r\n");
}

TEST_F(QLogViewer, QuittingOrClosingTheWindowDiscardsTheDeletion) {
  const QString path = WriteLog(test::SampleQLog());
  for (const char* how : {"BtnQuit", "title bar"}) {
    test::WithNextModal(
        [&](QWidget* modal) {
          Click(*modal, "BtnDeleteButLast");
          if (QLatin1StringView(how) == QLatin1StringView("BtnQuit")) {
            Click(*modal, how);
          } else {
            modal->close();
          }
        },
        [&] { ShowQLogViewer(nullptr, Folder.Path()); });
    EXPECT_EQ(test::ReadBytes(path), test::SampleQLog()) << how;
  }
}

TEST_F(QLogViewer, AFailedSaveShowsTheErrorAndKeepsTheWindowOpenWithItsText) {
  test::TScriptedMessages messages;
  const QString path = WriteLog(test::SampleQLog());
  TFormViewQLOG viewer(nullptr, Folder.Path());
  viewer.show();
  Click(viewer, "BtnDeleteButLast");
  {
    const test::TFileSizeLimit limit(16);
    Click(viewer, "BtnSaveAndExit");
  }
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_TRUE(messages.Shown()[0].Text.contains(path)) << messages.Shown()[0].Text.toStdString();
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_EQ(BoxLines(viewer), SampleLines(0, test::SampleLastSession()));
  EXPECT_EQ(LookOfLine(viewer, 5), RedBold) << "the colours are kept";
  EXPECT_EQ(test::ReadBytes(path), test::SampleQLog());
  EXPECT_EQ(QDir(Folder.Path()).entryList(QDir::Files), QStringList({"qlog.txt"}));  // no temporary file left

  Click(viewer, "BtnSaveAndExit");
  EXPECT_EQ(viewer.result(), QDialog::Accepted);
  EXPECT_EQ(test::ReadBytes(path),
            test::SampleQLogLines().mid(test::SampleLastSession()).join("\r\n") + "\r\n");
}

// The colour comes from the whole line: its tag lies beyond the cut.
TEST_F(QLogViewer, ALineLongerThanAnyScreenIsShownCutWithAMarkAndSavedWhole) {
  const QByteArray head = "12:10:00 " + QByteArray(kMaxShownLineLength, '\xE9');
  const QByteArray longLine = head + QByteArray(3 * kMaxShownLineLength, '\0') + " (CRIT) end";
  const QByteArray bytes = test::SampleQLog() + longLine + "\r\n12:10:01 (NOTE) after\r\n";
  const QString path = WriteLog(bytes);
  TFormViewQLOG viewer(nullptr, Folder.Path());
  viewer.show();
  const int row = test::SampleQLogLines().size();
  const QString shown = BoxLines(viewer)[row];
  EXPECT_TRUE(shown.startsWith(QString::fromLatin1(head.first(kMaxShownLineLength))));
  EXPECT_LT(shown.size(), kMaxShownLineLength + 40);
  EXPECT_TRUE(shown.contains(QString::number(longLine.size() - kMaxShownLineLength))) << shown.right(40).toStdString();
  EXPECT_EQ(LookOfLine(viewer, row), RedBold);
  EXPECT_EQ(BoxLines(viewer)[row + 1], "12:10:01 (NOTE) after");
  Click(viewer, "BtnSaveAndExit");
  EXPECT_EQ(test::ReadBytes(path), bytes);
}

// Each case in a simulator folder of its own; a file larger than any log is refused unread.
TEST_F(QLogViewer, AMissingUnreadableOrOversizedLogIsReportedAndNoViewerOpens) {
  const struct {
    const char* Folder;
    std::function<void(const QString& log)> Make;
    QString Detail;
  } cases[] = {
      {"missing", [](const QString&) {}, {}},
      {"folder", [](const QString& log) { QDir().mkdir(log); }, "not a regular file"},
      {"oversized",
       [](const QString& log) {
         QFile file(log);
         ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(kMaxQLogFileSize + 1));  // sparse, made at once
       },
       QString::number(kMaxQLogFileSize + 1)}};
  for (const auto& each : cases) {
    const QString zindoDir = Folder.MakeDir(each.Folder), log = zindoDir + "/QLOG.TXT";
    each.Make(log);
    test::TScriptedMessages messages;
    bool opened = false;
    test::WithNextModal(
        [&](QWidget* modal) {
          opened = true;
          modal->close();
        },
        [&] { ShowQLogViewer(nullptr, zindoDir); });
    EXPECT_FALSE(opened) << each.Folder;
    ASSERT_EQ(messages.Shown().size(), 1u) << each.Folder;
    const QString& text = messages.Shown()[0].Text;
    EXPECT_EQ(messages.Shown()[0].Kind, TMsgKind::Error) << each.Folder;
    EXPECT_TRUE(text.contains(log) && text.contains(each.Detail)) << text.toStdString();
  }
}

}  // namespace
}  // namespace lumox
