// The README's commands for sharing Lumox with a group, taken from the README itself and run as
// written by root, on an installation and with a group of the test's own; two members then use
// it in turn, each as a user of their own with the group as a supplementary one.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <filesystem>

#include "archive/SQLQuery.h"
#include "installation/IniTree.h"
#include "tests/archive/TestDatabase.h"

namespace lumox {
namespace {

constexpr uid_t FirstMember = 4200001, SecondMember = 4200002;

// The first block of commands in the README's section on sharing.
QString ReadmeCommands() {
  const QString readme = QString::fromUtf8(test::ReadBytes(LUMOX_README));
  const QRegularExpression block(QStringLiteral("\n## Sharing[^\n]*\n.*?\n```[a-z]*\n(.*?\n)```\n"),
                                 QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch found = block.match(readme);
  EXPECT_TRUE(found.hasMatch()) << "no commands in the README's section on sharing";
  return found.captured(1);
}

// Why a folder cannot pass a group's write access on to new files here, or "" when it can.
QString WhyNoDefaultAcls(const QString& folder) {
  QProcess setfacl;
  setfacl.start(QStringLiteral("setfacl"), {"-d", "-m", "g::rwx", folder});
  if (!setfacl.waitForFinished()) return QStringLiteral("setfacl is missing (the package acl)");
  if (setfacl.exitCode() == 0) return {};
  return QStringLiteral("The file system does not take default ACLs: ") + setfacl.readAllStandardError();
}

ino_t Inode(const QString& path) {
  struct stat status {};
  EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &status), 0) << path.toStdString();
  return status.st_ino;
}

// The mode, owner, group and extended attributes (ACLs among them) of `path`.
QString Permissions(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat status {};
  EXPECT_EQ(::lstat(name.constData(), &status), 0) << name.constData();
  char attributes[1024] = {};
  const ssize_t size = ::llistxattr(name.constData(), attributes, sizeof attributes);
  return QStringLiteral("%1 %2:%3 %4\n")
      .arg(status.st_mode, 0, 8)
      .arg(status.st_uid)
      .arg(status.st_gid)
      .arg(QString::fromLatin1(attributes, qMax<ssize_t>(size, 0)).replace(QChar(0), QChar(' ')));
}

class SharedInstallation : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "The commands run as root, and the members are other users.";
    // Everybody passes through the test's folder, as through /opt.
    ASSERT_EQ(::chmod(QFile::encodeName(Temp.Path()).constData(), 0755), 0);
    if (const QString why = WhyNoDefaultAcls(Temp.MakeDir("probe")); !why.isEmpty())
      GTEST_SKIP() << why.toStdString();
    std::filesystem::copy(LUMOX_EXAMPLE_INSTALLATION, Zindo().toStdString(),
                          std::filesystem::copy_options::recursive);
    // The first member's Lumox makes the variants' record.
    ASSERT_TRUE(QFile::remove(Zindo("data/cars/veltra_gt4/lumox_variants/variant.ini")));
    QDir().mkpath(AppDir());
    for (const QString& file : {QStringLiteral(LUMOX_PROGRAM), test::BuiltTemplate(),
                                QStringLiteral(LUMOX_APP_DIR "/lumox_no_preview.jpg")})
      ASSERT_TRUE(QFile::copy(file, AppDir() + "/" + QFileInfo(file).fileName())) << file.toStdString();
    // Where the members can run it from, whoever may reach the build.
    ASSERT_TRUE(QFile::copy(LUMOX_MEMBER_SESSION, Session()));
  }
  void TearDown() override {
    if (::getgrnam(Group.toUtf8().constData())) QProcess::execute(QStringLiteral("groupdel"), {Group});
  }

  QString Zindo(const QString& relative = {}) const { return Temp.File("zindo/" + relative); }
  QString AppDir() const { return Zindo("lumox"); }
  QString Session() const { return Temp.File("member-session"); }

  // Runs the README's commands as root, with the test's folders and group.
  void Share() const {
    QString commands = ReadmeCommands();
    commands.replace(QStringLiteral("/opt/zindo"), QDir::cleanPath(Zindo()));
    commands.replace(QRegularExpression(QStringLiteral("\\bracers\\b")), Group);
    QProcess shell;
    shell.start(QStringLiteral("sh"), {"-e", "-c", commands});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
  }

  // The member's session, run as the user `member` with the group as a supplementary group and
  // the usual umask; `update` answers the database update that the first start asks for.
  void RunSession(uid_t member, const QString& variant, const QString& laps, bool update) const {
    const group* shared = ::getgrnam(Group.toUtf8().constData());
    ASSERT_NE(shared, nullptr) << "the commands made no group " << Group.toStdString();
    const gid_t gid = shared->gr_gid;
    const QString home = Temp.MakeDir(QStringLiteral("home-%1").arg(member));
    ASSERT_EQ(::chown(QFile::encodeName(home).constData(), member, member), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(home).constData(), 0700), 0);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("FIREBIRD_LOCK");
    environment.insert("HOME", home);
    environment.insert("XDG_RUNTIME_DIR", home);
    environment.insert("LUMOX_APP_DIR", AppDir());
    environment.insert("LUMOX_VARIANT", variant);
    environment.insert("LUMOX_RACE_LAPS", laps);
    if (update) environment.insert("LUMOX_UPDATES", "1");
    environment.insert("ZINDO_RACE_SECONDS", "0");
    // The engine's threads outlive what the leak checker can follow (TestDatabase.cpp).
    const QString sanitizer = environment.value("ASAN_OPTIONS");
    environment.insert("ASAN_OPTIONS", (sanitizer.isEmpty() ? "" : sanitizer + ":") + "detect_leaks=0");
    QProcess session;
    session.setProcessEnvironment(environment);
    session.setProcessChannelMode(QProcess::MergedChannels);
    session.setChildProcessModifier([member, gid] {
      if (::setgroups(1, &gid) != 0 || ::setgid(member) != 0 || ::setuid(member) != 0) ::_exit(127);
      ::umask(022);
    });
    session.start(Session(), {});
    ASSERT_TRUE(session.waitForFinished(120000));
    EXPECT_EQ(session.exitCode(), 0) << "member " << member << ":\n" << session.readAll().toStdString();
  }

  test::TTempFolder Temp;
  const QString Group = QStringLiteral("lumox%1").arg(::getpid());
};

// Each member starts, saves the options, races and has the lap archived, in files the other one
// or root made, and neither can change the programs or their folders (each session checks).
TEST_F(SharedInstallation, TwoMembersRaceAndArchiveTheirLapsInFilesTheOtherMadeButChangeNoProgram) {
  test::UseBuildLockFolder();
  const QByteArray log = test::ReadBytes(Zindo("QLOG.TXT"));
  Share();
  RunSession(FirstMember, "sprint", "7", true);
  RunSession(SecondMember, "endurance", "9", false);

  TSQLConnection connection(AppDir() + "/" + DatabaseFileName);
  TSQLQuery laps(connection,
                 "select count(*) as R from LAPTIMEPOOL where TRACK_PATH = 'data\\tracks\\harbour_loop'");
  laps.Exec();
  ASSERT_TRUE(laps.Next());
  EXPECT_EQ(laps.String("R").toStdString(), "2");
  EXPECT_EQ(TZindoIni(Zindo("zindo.ini")).ReadString("race.laps", {}).toStdString(), "9");
  EXPECT_EQ(TZindoIni(Zindo("data/cars/veltra_gt4/lumox_variants/variant.ini"))
                .ReadString("current.folder", {})
                .toStdString(),
            "endurance");
  EXPECT_EQ(test::ReadBytes(Zindo("QLOG.TXT")).mid(log.size()).count("--- application start ---"), 2);
  // Whoever made them, and however (written, copied, renamed over), the files of the cars and
  // tracks are the group's to write.
  const gid_t group = ::getgrnam(Group.toUtf8().constData())->gr_gid;
  QStringList closed;
  for (const char* folder : {"data/cars", "data/tracks"})
    for (QDirIterator it(Zindo(folder), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
      const QFileInfo file(it.nextFileInfo());
      if (file.groupId() != group || !(file.permissions() & QFile::WriteGroup))
        closed << QStringLiteral("%1 %2:%3").arg(file.filePath()).arg(file.ownerId()).arg(file.groupId());
    }
  EXPECT_TRUE(closed.isEmpty()) << closed.join("\n").toStdString();
}

// The commands run again, as after adding cars: an archive that is there stays as it is (one a
// member made with the earlier commands becomes root's), and what a member put in a shared folder
// (links, another name of a file elsewhere) leads them to change nothing outside.
TEST_F(SharedInstallation, RunAgainTheCommandsKeepTheArchiveAndChangeNothingThatLinksInASharedFolderLeadTo) {
  const QString database = AppDir() + "/" + DatabaseFileName;
  Temp.Write("zindo/lumox/" + QString(DatabaseFileName), "laps");
  ASSERT_EQ(::chown(QFile::encodeName(database).constData(), FirstMember, FirstMember), 0);
  const ino_t archive = Inode(database);
  Share();
  const QString track = Zindo("data/tracks/harbour_loop/");
  const QString secret = Temp.Write("outside/secret", "root's"), folder = Temp.MakeDir("outside/folder");
  ASSERT_EQ(::chmod(QFile::encodeName(secret).constData(), 0600), 0);
  test::MakeLink(secret, track + "secret.ini");
  test::MakeLink(folder, track + "folder");
  ASSERT_EQ(::link(QFile::encodeName(secret).constData(), QFile::encodeName(track + "hard.ini").constData()),
            0);
  const QString before = Permissions(secret) + Permissions(folder);
  Share();
  EXPECT_EQ((Permissions(secret) + Permissions(folder)).toStdString(), before.toStdString());
  EXPECT_EQ(Inode(database), archive);
  EXPECT_EQ(test::ReadBytes(database), "laps");
  const QFileInfo shared(database);
  EXPECT_EQ(shared.ownerId(), 0u);
  EXPECT_EQ(shared.groupId(), ::getgrnam(Group.toUtf8().constData())->gr_gid);
  EXPECT_EQ(shared.permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                                      QFile::ReadGroup | QFile::WriteGroup);
}

}  // namespace
}  // namespace lumox
