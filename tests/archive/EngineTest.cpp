// The embedded engine holds the archive for its process alone whatever server mode the machine's
// settings give, and the places its private lock folder may be made in. The engine reads its
// settings once a process, so each case runs in a fresh one.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "archive/IniTable.h"
#include "tests/archive/TestDatabase.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/FailingWrites.h"

namespace lumox {
namespace {

using test::ErrorOf;

// A server of this machine, as any user can stand one up on its port: it counts the programs that
// call it and hangs up on them.
class TStandInServer {
 public:
  TStandInServer() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    EXPECT_TRUE(::bind(Socket, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                ::listen(Socket, 8) == 0 &&
                ::getsockname(Socket, reinterpret_cast<sockaddr*>(&address), &size) == 0);
    Port = ntohs(address.sin_port);
    Answering = std::thread([this] {
      for (int call; (call = ::accept(Socket, nullptr, nullptr)) >= 0; ::close(call)) ++Calls;
    });
  }
  ~TStandInServer() {
    ::shutdown(Socket, SHUT_RDWR);  // ends the wait for a call
    Answering.join();
    ::close(Socket);
  }
  TStandInServer(const TStandInServer&) = delete;
  TStandInServer& operator=(const TStandInServer&) = delete;

  int Port = 0;
  std::atomic<int> Calls{0};

 private:
  int Socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::thread Answering;
};

struct TSystemMode {
  const char* Mode;
  bool KeepsFilesToOneProcess;
};
void PrintTo(const TSystemMode& mode, std::ostream* out) { *out << mode.Mode; }

// The machine's settings for the engine, of the test's own: its mode, and the port a server of
// the machine would answer on, where the test listens.
class BusyArchive : public ::testing::TestWithParam<TSystemMode> {
 protected:
  BusyArchive() {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QByteArray settings = QByteArray("ServerMode = ") + GetParam().Mode +
                                "\nRemoteServicePort = " + QByteArray::number(Server.Port) + "\n";
    EXPECT_EQ(MakeEngineRoot(SystemRoot, SystemEngineRoot(), settings), "");
  }

  test::TTestDatabase Db;
  const QString SystemRoot = Db.Folder().MakeDir("system");
  TStandInServer Server;
};

// Lumox takes the file for itself whatever mode the machine gives: while another engine holds it
// (isql, an older Lumox, a server), Lumox is refused without asking a server of the machine; while
// Lumox holds it, another engine in that mode writes nothing, and the file stays sound.
TEST_P(BusyArchive, WhileOneEngineHoldsTheArchiveEveryOtherIsRefusedWhateverTheMachinesMode) {
  EXPECT_EXIT(
      [&] {
        qputenv("FIREBIRD", QFile::encodeName(SystemRoot));
        {
          const TEngineLockFolder lockFolder;
          QProcess holder;
          test::StartOtherEngine(holder, SystemRoot, Db.File(), "select 'ATTACHED' from RDB$DATABASE;\n");
          EXPECT_TRUE(test::ReadUntil(holder, "ATTACHED").contains("ATTACHED"));
          test::ExpectOpenFailsNaming(Db.File(), "another program is using the archive");
          EXPECT_EQ(Server.Calls, 0) << "Lumox asked a server";
          holder.closeWriteChannel();
          EXPECT_TRUE(holder.waitForFinished(10000));

          TIniTable(Db.Connection(), "SETTINGS").WriteString("LUMOX", "WROTE", "Y");
          QProcess writer;
          test::StartOtherEngine(writer, SystemRoot, Db.File(),
                                 "insert into SETTINGS values ('OTHER', 'WROTE', 'Y');\ncommit;\n");
          writer.closeWriteChannel();
          const QByteArray refusal = test::ReadUntil(writer);
          EXPECT_TRUE(refusal.contains("Database already opened with engine instance"))
              << refusal.toStdString();
          EXPECT_EQ(Db.Rows("select SECTION as R from SETTINGS"), QStringList{"LUMOX"});
          Db.Reconnect();
          EXPECT_EQ(test::Validate(Db.File()), "");
        }
        std::_Exit(::testing::Test::HasFailure());
      }(),
      ::testing::ExitedWithCode(0), "");
}

// Where Lumox could not give the engine settings of its own, it opens the archive only when the
// machine's keep each file to one process, and otherwise names them.
TEST_P(BusyArchive, WithoutSettingsOfItsOwnTheEngineOpensTheArchiveOnlyInAModeThatKeepsItToOneProcess) {
  EXPECT_EXIT(
      [&] {
        qputenv("FIREBIRD", QFile::encodeName(SystemRoot));
        if (GetParam().KeepsFilesToOneProcess) {
          EXPECT_NO_THROW(Db.Connection().Database());
        } else {
          test::ExpectOpenFailsNaming(Db.File(),
                                      QStringLiteral("\"%1/firebird.conf\" say \"ServerMode = %2\"")
                                          .arg(QFileInfo(SystemRoot).canonicalFilePath(), GetParam().Mode));
        }
        std::_Exit(::testing::Test::HasFailure());
      }(),
      ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Modes, BusyArchive,
                         ::testing::Values(TSystemMode{"super", true}, TSystemMode{"SuperClassic", false},
                                           TSystemMode{"Classic", false}),
                         [](const auto& info) { return std::string(info.param.Mode); });

// The places for the lock folder that do not serve are passed over for the next one, and when
// none serves each is named with why. They lie on small file systems of the test's own, /tmp
// among them, and the user nobody looks for a place.
TEST(EngineLockFolder, APlaceThatDoesNotServeIsPassedOverAndWhenNoneDoesEachIsNamedWithWhy) {
  if (geteuid() != 0) GTEST_SKIP() << "Only root can mount the file systems and hand folders to other users.";
  if (const QString reason = test::WhyNoSmallFileSystem(); !reason.isEmpty())
    GTEST_SKIP() << reason.toStdString();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto folder = [](const char* path, uid_t owner, mode_t mode) {
    EXPECT_TRUE(QDir().mkpath(path) && ::chown(path, owner, owner) == 0 && ::chmod(path, mode) == 0) << path;
    return QString::fromLatin1(path);
  };
  EXPECT_EXIT(
      [&] {
        ASSERT_EQ(test::MountSmallFileSystem("/tmp", 1024), "");
        folder("/tmp/places", 0, 0755);
        ASSERT_EQ(test::MountSmallFileSystem("/tmp/places", 8 * 1024), "");
        constexpr uid_t nobody = 65534;
        constexpr uid_t daemon = 1;
        const QString mine = folder("/tmp/places/mine", nobody, 0700);
        folder("/tmp/places/open", 0, 0777);
        const QString underOpen = folder("/tmp/places/open/run", nobody, 0700);
        const QString others = folder("/tmp/places/others", daemon, 01777);
        const QString refused = folder("/tmp/places/refused", 0, 0755);
        test::BecomeNobody();
        const auto chosen = [](const QString& runtime, const QString& temporary) {
          qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
          qputenv("TMPDIR", QFile::encodeName(temporary));
          const TEngineLockFolder lockFolder;
          return QFileInfo(lockFolder.Path()).path();
        };
        EXPECT_EQ(chosen(underOpen, mine), mine);
        EXPECT_EQ(chosen("/tmp", mine), mine);
        const QString message = ErrorOf<EDatabaseError>([&] { chosen(others, refused); });
        EXPECT_TRUE(message.contains(QRegularExpression(
            "^Lumox could not make a folder for the database engine's lock files in any place it tries:\n"
            "\"/tmp/places/others\": it belongs to the user daemon.\n"
            "\"/tmp/places/refused\": Permission denied.\n"
            "\"/tmp\": its disk has \\d+ KB free, and the database engine needs 4096 KB.$")))
            << message.toStdString();
        std::_Exit(::testing::Test::HasFailure());
      }(),
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace lumox
