#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <csignal>

#include "platform/ChildProcess.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using namespace std::chrono_literals;

TEST(ChildProcess, RunsInItsFolderWithEachArgumentWholeAndIsWaitedForWhileEventsAreHandled) {
  test::TTempFolder folder;
  const QString script =
      folder.Write("work dir/tool", "#!/bin/sh\nsleep 0.3\npwd > out.txt\necho \"$1\" >> out.txt\n");
  QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);

  auto child = TChildProcess::Start(script, {"a b c"}, folder.File("work dir"));
  ASSERT_TRUE(child.has_value());
  EXPECT_TRUE(child->IsRunning());
  bool eventHandled = false;
  QTimer::singleShot(50, [&] { eventHandled = true; });
  EXPECT_EQ(child->Wait(20ms), TWaitEnd::Finished);
  EXPECT_TRUE(eventHandled);
  EXPECT_FALSE(child->IsRunning());
  EXPECT_EQ(test::ReadBytes(folder.File("work dir/out.txt")),
            (folder.File("work dir") + "\na b c\n").toUtf8());
}

TEST(ChildProcess, AProgramThatCannotStartGivesNothing) {
  test::TTempFolder folder;
  EXPECT_FALSE(TChildProcess::Start(folder.File("missing"), {}, folder.Path()).has_value());
  EXPECT_FALSE(TChildProcess::Start({}, {}, folder.Path()).has_value());
  const QString plain = folder.Write("plain", "not a program");
  EXPECT_FALSE(TChildProcess::Start(plain, {}, folder.Path()).has_value());
}

TEST(ChildProcess, AWaitGivenUpLeavesTheProgramRunning) {
  test::TTempFolder folder;
  auto child = TChildProcess::Start(QStringLiteral("sleep"), {"5"}, folder.Path());
  ASSERT_TRUE(child.has_value());
  int looks = 0;
  EXPECT_EQ(child->Wait(10ms, [&] { return ++looks == 3; }), TWaitEnd::Abandoned);
  EXPECT_TRUE(child->IsRunning());
  ::kill(pid_t(child->GetPid()), SIGTERM);
}

TEST(ChildProcess, TheApplicationQuittingEndsTheWait) {
  test::TTempFolder folder;
  auto child = TChildProcess::Start(QStringLiteral("sleep"), {"5"}, folder.Path());
  ASSERT_TRUE(child.has_value());
  // Quitting ends the running loops; the outer loop stands for the application's own.
  TWaitEnd end = TWaitEnd::Finished;
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(30, [] { QCoreApplication::exit(0); });
    end = child->Wait(10ms);
  });
  QCoreApplication::exec();
  EXPECT_EQ(end, TWaitEnd::Abandoned);
  ::kill(pid_t(child->GetPid()), SIGTERM);
}

// Makes `bin` the only folder on PATH while it lives.
class TPathOnly {
 public:
  explicit TPathOnly(const QString& bin) : Saved(qgetenv("PATH")) { qputenv("PATH", bin.toUtf8()); }
  ~TPathOnly() { qputenv("PATH", Saved); }

 private:
  QByteArray Saved;
};

QString WriteScript(const test::TTempFolder& folder, const QString& relative, const QByteArray& body) {
  const QString script = folder.Write(relative, "#!/bin/sh\n" + body + "\n");
  QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
  return script;
}

TEST(ChildProcess, AProgramFileRunsInItsOwnFolder) {
  test::TTempFolder folder;
  const QString exe = WriteScript(folder, "sim dir/zindo.exe", "pwd > ran.txt\necho \"$#\" >> ran.txt");
  auto child = TChildProcess::StartExecutable(exe);
  ASSERT_TRUE(child.has_value());
  EXPECT_EQ(child->Wait(10ms), TWaitEnd::Finished);
  EXPECT_EQ(test::ReadBytes(folder.File("sim dir/ran.txt")), (folder.File("sim dir") + "\n0\n").toUtf8());
}

TEST(ChildProcess, AWindowsProgramWithoutTheExecuteBitRunsThroughWineWhenThereIsOne) {
  test::TTempFolder folder;
  const QString exe = folder.Write("sim/Zindo.EXE", "MZ");
  const TPathOnly path(folder.File("bin"));
  EXPECT_FALSE(TChildProcess::StartExecutable(exe).has_value());

  WriteScript(folder, "bin/wine", "pwd > wine.txt\necho \"$1\" >> wine.txt");
  auto child = TChildProcess::StartExecutable(exe);
  ASSERT_TRUE(child.has_value());
  EXPECT_EQ(child->Wait(10ms), TWaitEnd::Finished);
  EXPECT_EQ(test::ReadBytes(folder.File("sim/wine.txt")), (folder.File("sim") + "\n" + exe + "\n").toUtf8());
  // Only Windows programs go to wine; folders and missing files start nothing.
  EXPECT_FALSE(TChildProcess::StartExecutable(folder.Write("sim/readme.txt", "text")).has_value());
  EXPECT_FALSE(TChildProcess::StartExecutable(folder.File("sim")).has_value());
  EXPECT_FALSE(TChildProcess::StartExecutable(folder.File("sim/missing.exe")).has_value());
  EXPECT_FALSE(TChildProcess::StartExecutable({}).has_value());
}

TEST(ChildProcess, AnExecutableFileThatIsNoProgramDoesNotStart) {
  test::TTempFolder folder;
  const QString exe = folder.Write("zindo.exe", "no interpreter line\n");
  QFile::setPermissions(exe, QFile::permissions(exe) | QFile::ExeOwner);
  EXPECT_FALSE(TChildProcess::StartExecutable(exe).has_value());
}

TEST(ChildProcess, TheTextEditorIsNotepadWhenItIsOnThePath) {
  test::TTempFolder folder;
  const QString notepad = folder.Write("bin/notepad", "#!/bin/sh\n");
  QFile::setPermissions(notepad, QFile::permissions(notepad) | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", folder.File("bin").toUtf8() + ":" + path);
  EXPECT_EQ(FindTextEditor(), notepad);
  qputenv("PATH", folder.File("nothing").toUtf8());
  EXPECT_EQ(FindTextEditor(), QString());
  qputenv("PATH", path);
}

}  // namespace
}  // namespace lumox
