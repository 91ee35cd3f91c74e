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

class ChildProcess : public ::testing::Test {
 protected:
  ~ChildProcess() override { qputenv("PATH", SavedPath); }

  QString WriteScript(const QString& relative, const QByteArray& body) const {
    const QString script = Folder.Write(relative, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
    return script;
  }
  // What the script `relative` of the folder wrote, after waiting for it.
  QByteArray RunAndRead(std::optional<TChildProcess> child, const QString& relative) const {
    EXPECT_EQ(child ? child->Wait(10ms) : TWaitEnd::Abandoned, TWaitEnd::Finished);
    return test::ReadBytes(Folder.File(relative));
  }

  test::TTempFolder Folder;
  const QByteArray SavedPath = qgetenv("PATH");
};

TEST_F(ChildProcess, RunsInItsFolderWithEachArgumentWholeAndIsWaitedForWhileEventsAreHandled) {
  WriteScript("work dir/tool", "sleep 0.3\npwd > out.txt\necho \"$1\" >> out.txt");
  auto child = TChildProcess::Start(Folder.File("work dir/tool"), {"a b c"}, Folder.File("work dir"));
  ASSERT_TRUE(child.has_value());
  EXPECT_TRUE(child->IsRunning());
  bool eventHandled = false;
  QTimer::singleShot(50, [&] { eventHandled = true; });
  EXPECT_EQ(RunAndRead(child, "work dir/out.txt"), (Folder.File("work dir") + "\na b c\n").toUtf8());
  EXPECT_TRUE(eventHandled);
  EXPECT_FALSE(child->IsRunning());
}

TEST_F(ChildProcess, AWaitGivenUpOrEndedByTheApplicationQuittingLeavesTheProgramRunning) {
  auto child = TChildProcess::Start(QStringLiteral("sleep"), {"5"}, Folder.Path());
  ASSERT_TRUE(child.has_value());
  int looks = 0;
  EXPECT_EQ(child->Wait(10ms, [&] { return ++looks == 3; }), TWaitEnd::Abandoned);
  // Quitting ends the running loops; the outer loop stands for the application's own.
  TWaitEnd end = TWaitEnd::Finished;
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(30, [] { QCoreApplication::exit(0); });
    end = child->Wait(10ms);
  });
  QCoreApplication::exec();
  EXPECT_EQ(end, TWaitEnd::Abandoned);
  EXPECT_TRUE(child->IsRunning());
  ::kill(pid_t(child->GetPid()), SIGTERM);
}

TEST_F(ChildProcess, AProgramFileRunsInItsFolderAndAWindowsProgramThroughWineWhenThereIsOne) {
  const QString exe = WriteScript("sim dir/zindo.exe", "pwd > ran.txt\necho \"$#\" >> ran.txt");
  EXPECT_EQ(RunAndRead(TChildProcess::StartExecutable(exe), "sim dir/ran.txt"),
            (Folder.File("sim dir") + "\n0\n").toUtf8());

  const QString windows = Folder.Write("sim/Zindo.EXE", "MZ");
  qputenv("PATH", Folder.File("bin").toUtf8());
  EXPECT_FALSE(TChildProcess::StartExecutable(windows).has_value());
  WriteScript("bin/wine", "pwd > wine.txt\necho \"$1\" >> wine.txt");
  EXPECT_EQ(RunAndRead(TChildProcess::StartExecutable(windows), "sim/wine.txt"),
            (Folder.File("sim") + "\n" + windows + "\n").toUtf8());
}

// Files on a partition shared with Windows all carry the execute bit, so neither it nor the name
// may decide how a program starts: what the file holds does.
TEST_F(ChildProcess, AProgramFileStartsAsWhatItHoldsWhateverItsNameAndExecuteBit) {
  WriteScript("bin/wine", "echo \"$1\" > \"$1.wine\"");
  qputenv("PATH", Folder.File("bin").toUtf8() + ":" + SavedPath);
  QFile linux(QStringLiteral("/bin/true"));
  ASSERT_TRUE(linux.open(QIODevice::ReadOnly));
  const QByteArray elf = linux.readAll();
  enum class TStart { ThroughWine, Itself, Not };
  const struct {
    const char* Name;
    QByteArray Content;
    bool Executable;
    TStart Start;
  } cases[] = {
      {"windows executable/zindo.exe", "MZ\x90", true, TStart::ThroughWine},
      {"windows/zindo.exe", "MZ\x90", false, TStart::ThroughWine},
      {"windows without suffix/zindo", "MZ", false, TStart::ThroughWine},
      {"linux/zindo.exe", elf, true, TStart::Itself},
      {"script/zindo.exe", "#!/bin/sh\ntouch ran\n", true, TStart::Itself},
      {"linux not executable/zindo.exe", elf, false, TStart::Not},
      {"script not executable/zindo.exe", "#!/bin/sh\ntouch ran\n", false, TStart::Not},
      {"one byte/zindo.exe", "M", true, TStart::Not},
      {"empty/zindo.exe", "", false, TStart::Not},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    const QString file = Folder.Write(row.Name, row.Content);
    if (row.Executable) QFile::setPermissions(file, QFile::permissions(file) | QFile::ExeOwner);
    const std::optional<TChildProcess> child = TChildProcess::StartExecutable(file);
    ASSERT_EQ(child.has_value(), row.Start != TStart::Not);
    if (child) {
      EXPECT_EQ(child->Wait(10ms), TWaitEnd::Finished);
    }
    EXPECT_EQ(QFile::exists(file + ".wine"), row.Start == TStart::ThroughWine);
  }
  EXPECT_TRUE(QFile::exists(Folder.File("script/ran")));
}

// A FIFO in the program's place would hold a reader until a writer came.
TEST_F(ChildProcess, AFifoInThePlaceOfTheProgramNeitherStartsNorHolds) {
  WriteScript("bin/wine", "touch wine.txt");
  qputenv("PATH", Folder.File("bin").toUtf8());
  test::MakeFifo(Folder.File("zindo.exe"));
  QFile::setPermissions(Folder.File("zindo.exe"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_FALSE(TChildProcess::StartExecutable(Folder.File("zindo.exe")).has_value());
}

TEST_F(ChildProcess, WhatIsNoProgramDoesNotStart) {
  const QString noInterpreter = Folder.Write("zindo.exe", "no interpreter line\n");
  QFile::setPermissions(noInterpreter, QFile::permissions(noInterpreter) | QFile::ExeOwner);
  for (const QString& file : {noInterpreter, Folder.Write("readme.txt", "text"), Folder.Path(),
                              Folder.File("missing.exe"), QString()})
    EXPECT_FALSE(TChildProcess::StartExecutable(file).has_value()) << file.toStdString();
  EXPECT_FALSE(TChildProcess::Start(Folder.File("missing"), {}, Folder.Path()).has_value());
  EXPECT_FALSE(TChildProcess::Start(Folder.File("readme.txt"), {}, Folder.Path()).has_value());
}

// What this process sets for itself alone (the database engine's folders, which go with it) is
// not passed on: a started program gets the value from before, or none.
TEST_F(ChildProcess, AProgramGetsTheEnvironmentFromBeforeWhatThisProcessSetForItselfAlone) {
  qputenv("LUMOX_TEST_GIVEN", "given");
  qunsetenv("LUMOX_TEST_UNSET");
  for (const char* name : {"LUMOX_TEST_GIVEN", "LUMOX_TEST_UNSET"}) {
    SetForThisProcessOnly(name, "first");
    SetForThisProcessOnly(name, "second");
    EXPECT_EQ(qgetenv(name), "second");
  }
  qputenv("LUMOX_TEST_OTHER", "passed on");
  WriteScript("env", "echo \"$LUMOX_TEST_GIVEN|${LUMOX_TEST_UNSET-none}|$LUMOX_TEST_OTHER\" > env.txt");
  EXPECT_EQ(RunAndRead(TChildProcess::Start(Folder.File("env"), {}, Folder.Path()), "env.txt"),
            "given|none|passed on\n");
}

TEST_F(ChildProcess, TheTextEditorIsNotepadWhenItIsOnThePath) {
  const QString notepad = WriteScript("bin/notepad", "");
  qputenv("PATH", Folder.File("bin").toUtf8() + ":" + SavedPath);
  EXPECT_EQ(FindTextEditor(), notepad);
  qputenv("PATH", Folder.File("nothing").toUtf8());
  EXPECT_EQ(FindTextEditor(), QString());
}

}  // namespace
}  // namespace lumox
