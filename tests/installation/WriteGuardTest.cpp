#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>

#include <atomic>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "installation/WriteGuard.h"
#include "platform/Errors.h"
#include "platform/FileDescriptor.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/FailingWrites.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

using test::ErrorOf;

ino_t Inode(const QString& path) {
  struct stat status {};
  return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

// An installation and, outside it, a folder of the user's files that must never change. The
// layouts of the table below are made through it.
class WriteGuard : public ::testing::Test {
 public:
  WriteGuard() {
    Out.Write("victim.txt", "the user's own file");
    In.Write("car/physics.ini", "the car's own physics");
    In.Write("store/real/car.ini", "a car kept in the installation");
    In.MakeDir("variant");
  }
  void Link(const QString& target, const QString& name) const { test::MakeLink(target, In.File(name)); }
  void Fifo(const QString& name) const { test::MakeFifo(In.File(name)); }

  test::TTempFolder In, Out;
};

TEST_F(WriteGuard, CopiesAndWholeFileWritesReplaceTheTargetOrFailNamingTheFiles) {
  const test::TTempFolder& Zindo = In;
  const QString source = Zindo.Write("source.bin", QByteArray("new\0bytes", 9));
  const QString target = Zindo.Write("target.bin", "old content that is longer");
  CopyFileWithin(Zindo.Path(), source, target, TExisting::Replace);
  EXPECT_EQ(test::ReadBytes(target), QByteArray("new\0bytes", 9));
  const QString missing = Zindo.File("missing.bin");
  EXPECT_TRUE(
      ErrorOf([&] { CopyFileWithin(Zindo.Path(), missing, target, TExisting::Replace); }).contains(missing));
  EXPECT_TRUE(ErrorOf([&] {
                CopyFileWithin(Zindo.Path(), source, Zindo.MakeDir("a folder"), TExisting::Replace);
              }).contains(source));
  EXPECT_TRUE(
      ErrorOf([&] { CopyFileWithin(Zindo.Path(), source, target, TExisting::Keep); }).contains(target));
  EXPECT_EQ(test::ReadBytes(target), QByteArray("new\0bytes", 9));

  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
  WriteWholeFile(Zindo.Path(), target, "new");
  EXPECT_EQ(test::ReadBytes(target), "new");
  EXPECT_EQ(QFile::permissions(target),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
  EXPECT_TRUE(ErrorOf([&] {
                WriteWholeFile(Zindo.Path(), Zindo.File("no/such/f.txt"), "x");
              }).contains(Zindo.File("no/such/f.txt")));
  EXPECT_EQ(QDir(Zindo.Path()).entryList(QDir::Files | QDir::Hidden).size(), 2)
      << "no temporary file is left";
}

// Small pieces are gathered before they are written, large ones written as they come; contents
// that fail on the way leave the file as it was.
TEST_F(WriteGuard, AFileWrittenPieceByPieceHoldsEveryPieceInOrderWhateverItsSize) {
  const qsizetype sizes[] = {0, 1, 65535, 1, 65536, 3, 200000, 0, 65534, 2, 7};
  QByteArrayList pieces;
  for (const qsizetype size : sizes) pieces.append(QByteArray(size, char('a' + pieces.size())));
  const QString target = In.Write("target.bin", "old");
  WriteWholeFile(In.Path(), target, [&](const TPutBytes& put) {
    for (const QByteArray& piece : pieces) put(piece);
  });
  EXPECT_EQ(test::ReadBytes(target), pieces.join());

  EXPECT_THROW(WriteWholeFile(In.Path(), target,
                              [&](const TPutBytes& put) {
                                put(pieces[6]);
                                throw std::runtime_error("no more pieces");
                              }),
               std::runtime_error);
  EXPECT_EQ(test::ReadBytes(target), pieces.join());
  EXPECT_EQ(QDir(In.Path()).entryList(QDir::Files | QDir::Hidden), QStringList("target.bin"));
}

TEST_F(WriteGuard, ARewrittenFileKeepsItsOwnerGroupAndPermissionsWhenRootRewritesIt) {
  if (geteuid() != 0) GTEST_SKIP() << "only root writes a file another user owns";
  const QString file = In.Write("zindo.ini", "the user's options");
  constexpr uid_t nobody = 65534;
  ASSERT_EQ(::chown(QFile::encodeName(file).constData(), nobody, nobody), 0);
  QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
  WriteWholeFile(In.Path(), file, "new options");
  EXPECT_EQ(test::ReadBytes(file), "new options");
  const QFileInfo written(file);
  EXPECT_EQ(std::pair(written.ownerId(), written.groupId()), std::pair(nobody, gid_t(nobody)));
  EXPECT_EQ(QFile::permissions(file),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

// A file's own permissions decide as they do for every program an ordinary user runs: a
// read-only file is not written; a writable one in a folder that takes no new file is written
// in place, unless another name (a hard link) would change with it or this user may not read it
// to put it back.
TEST_F(WriteGuard, AsAnOrdinaryUserAFilesPermissionsDecideAndAFolderWithoutRoomIsWrittenInPlace) {
  const struct {
    const char* Target;
    QFile::Permissions File;  // none: no file there yet
    QString Refusal;          // empty: written
    bool Foreseen = false;    // CheckRewritable refuses it too, in the same words
  } cases[] = {
      {"open/read-only.ini", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther, "it is read-only", true},
      {"closed/writable.ini", QFile::ReadOwner | QFile::WriteOwner, ""},
      {"closed/linked.ini", QFile::ReadOwner | QFile::WriteOwner, "other names (hard links)"},
      {"closed/write-only.ini", QFile::WriteOwner, "safe only for a file this user may also read"},
      {"closed/new.ini", {}, "\"" + In.File("closed") + "\" does not let this user create files"},
  };
  for (const auto& c : cases)
    if (c.File) QFile::setPermissions(In.Write(c.Target, "old"), c.File);
  ASSERT_EQ(::link(QFile::encodeName(In.File("closed/linked.ini")).constData(),
                   QFile::encodeName(Out.File("victim link.ini")).constData()),
            0);
  const ino_t inode = Inode(In.File("closed/writable.ini"));
  const QFile::Permissions closed = QFile::ReadOwner | QFile::ExeOwner;
  QFile::setPermissions(In.File("closed"), closed);
  QStringList messages, checks;
  {
    const test::TAsOrdinaryUser user({In.Path(), Out.Path()});
    for (const auto& c : cases) {
      checks << ErrorOf([&] { CheckRewritable(In.Path(), In.File(c.Target)); });
      messages << ErrorOf([&] { WriteWholeFile(In.Path(), In.File(c.Target), "new"); });
    }
  }
  QFile::setPermissions(In.File("closed"), closed | QFile::WriteOwner);
  for (qsizetype i = 0; i < messages.size(); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.Target);
    const QString target = In.File(c.Target);
    EXPECT_EQ(checks[i], c.Foreseen ? messages[i] : "");
    EXPECT_EQ(messages[i].isEmpty(), c.Refusal.isEmpty()) << messages[i].toStdString();
    EXPECT_TRUE(c.Refusal.isEmpty() || (messages[i].contains(target) && messages[i].contains(c.Refusal)))
        << messages[i].toStdString();
    if (c.File) QFile::setPermissions(target, c.File | QFile::ReadOwner);
    EXPECT_EQ(test::ReadBytes(target), !c.Refusal.isEmpty() ? (c.File ? "old" : "") : "new");
  }
  EXPECT_EQ(Inode(In.File("closed/writable.ini")), inode) << "written in place";
  EXPECT_EQ(test::ReadBytes(Out.File("victim link.ini")), "old");
  EXPECT_EQ(QDir(In.File("closed")).entryList(QDir::Files | QDir::Hidden).size(), 3) << "no temporary file";
}

// One hostile layout, the write or copy it meets, and the part of the refusal it gives; a
// write that may go ahead gives none. (The layouts of stranger's packs that the program's own
// writing paths meet are the launch tests' table; these are the rest.)
struct THostile {
  const char* Name;
  std::function<void(const WriteGuard&)> Make;
  const char* Target;
  const char* Source;  // a copy from here; null for a write
  const char* Refusal;
};

void PrintTo(const THostile& row, std::ostream* os) { *os << row.Name; }

class HostileLayout : public WriteGuard, public ::testing::WithParamInterface<THostile> {
 public:
  void Make() const { GetParam().Make(*this); }
};

TEST_P(HostileLayout, IsRefusedWithAMessageAndNoChangeOrWrittenInsideAndTheUsersFilesStayAsTheyWere) {
  const THostile& row = GetParam();
  Make();
  const QMap<QString, QByteArray> outside = test::Snapshot(Out.Path()), inside = test::Snapshot(In.Path());
  const QString target = In.File(row.Target);
  const bool existed = QFileInfo::exists(target);
  const QString checked = row.Source ? QString() : ErrorOf([&] { CheckRewritable(In.Path(), target); });
  const QString message = ErrorOf([&] {
    if (row.Source)
      CopyFileWithin(In.Path(), In.File(row.Source), target, TExisting::Replace);
    else
      WriteWholeFile(In.Path(), target, "written");
  });
  EXPECT_TRUE(message.contains(row.Refusal)) << message.toStdString();
  EXPECT_EQ(message.isEmpty(), QString(row.Refusal).isEmpty()) << message.toStdString();
  if (!row.Source) {
    EXPECT_EQ(checked, message) << "the check foresees the write";
  }
  if (message.isEmpty()) {
    EXPECT_EQ(test::ReadBytes(target), row.Source ? test::ReadBytes(In.File(row.Source)) : "written");
  } else {
    EXPECT_EQ(test::Snapshot(In.Path()), inside);
    EXPECT_EQ(QFileInfo::exists(target), existed);
  }
  EXPECT_EQ(test::Snapshot(Out.Path()), outside);
}

INSTANTIATE_TEST_SUITE_P(
    Installations, HostileLayout,
    ::testing::Values(
        THostile{"FileLinkedInside", [](auto& t) { t.Link("physics.ini", "car/engine.ini"); },
                 "car/engine.ini", nullptr, "it is a symbolic link to \"physics.ini\""},
        THostile{"HardLinkToOutside",
                 [](auto& t) {
                   ASSERT_EQ(::link(QFile::encodeName(t.Out.File("victim.txt")).constData(),
                                    QFile::encodeName(t.In.File("car/engine.ini")).constData()),
                             0);
                 },
                 "car/engine.ini", nullptr, ""},
        THostile{"OutsideTheInstallation", [](auto&) {}, "../lumox-write-guard-test.txt", nullptr,
                 "lies outside"},
        THostile{"VariantFileLinkedInside",
                 [](auto& t) { t.Link("../store/real/car.ini", "variant/engine.ini"); }, "car/engine.ini",
                 "variant/engine.ini", ""},
        THostile{"VariantFileIsAFifo", [](auto& t) { t.Fifo("variant/engine.ini"); }, "car/engine.ini",
                 "variant/engine.ini", "variant/engine.ini\" is not a regular file"}),
    [](const auto& info) { return std::string(info.param.Name); });

// Two threads: one swaps the folder a file is written in, and that file, with links to the
// user's files, as fast as it can; the other writes. Whichever the writer meets, nothing
// outside changes.
TEST_F(WriteGuard, ALinkSwappedInWhileAFileIsWrittenIsNeverFollowed) {
  Out.Write("track/bestlaps.ini", "the user's backup");
  In.Write("tracks/oval/bestlaps.ini", "laps");
  Link(Out.File("track"), "tracks/away");
  Link(Out.File("victim.txt"), "tracks/oval/linked.ini");
  const QMap<QString, QByteArray> outside = test::Snapshot(Out.Path());
  const TFileDescriptor tracks(
      ::open(QFile::encodeName(In.File("tracks")).constData(), O_PATH | O_DIRECTORY));
  const TFileDescriptor oval(
      ::open(QFile::encodeName(In.File("tracks/oval")).constData(), O_PATH | O_DIRECTORY));
  std::atomic<bool> stop = false;
  std::thread swapper([&] {
    while (!stop) {
      ::renameat2(tracks.Get(), "oval", tracks.Get(), "away", RENAME_EXCHANGE);
      ::renameat2(oval.Get(), "bestlaps.ini", oval.Get(), "linked.ini", RENAME_EXCHANGE);
    }
  });
  // At least 300 writes, and more while none has found the files in place: on a loaded machine
  // the swapper may win every one of the first.
  int written = 0;
  for (int i = 0; i < 300 || (written == 0 && i < 100000); ++i) {
    written +=
        ErrorOf([&] { WriteWholeFile(In.Path(), In.File("tracks/oval/bestlaps.ini"), "new"); }).isEmpty();
  }
  stop = true;
  swapper.join();
  EXPECT_GT(written, 0);
  EXPECT_EQ(test::Snapshot(Out.Path()), outside);
}

constexpr uid_t Root = 0, Daemon = 1, Nobody = 65534;  // Debian's: daemon is in no group of nobody's
constexpr gid_t RootGroup = 0, NoGroup = 65534;

// Who owns a file or folder, its group and its permissions.
struct TOwnership {
  uid_t Owner;
  gid_t Group;
  mode_t Mode;
  bool operator==(const TOwnership&) const = default;
};

void PrintTo(const TOwnership& o, std::ostream* os) {
  *os << o.Owner << ':' << o.Group << " 0" << std::oct << o.Mode;
}

TOwnership OwnershipOf(const QString& path) {
  struct stat status {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
  return {status.st_uid, status.st_gid, status.st_mode & 07777};
}

// Only root gives a file to another user: anyone else sets its permissions alone.
void Give(const QString& path, const TOwnership& ownership) {
  const QByteArray native = QFile::encodeName(path);
  if (geteuid() == 0) {
    EXPECT_EQ(::chown(native.constData(), ownership.Owner, ownership.Group), 0);
  }
  EXPECT_EQ(::chmod(native.constData(), ownership.Mode), 0);
}

// Writes `bytes` to `file` as the second member of a group that shares the installation (the user
// nobody, when the tests run as root) and returns the message, telling in `changed` whether it
// said that the file is changed.
QString WriteAsMember(const QString& within, const QString& file, const QByteArray& bytes, bool& changed) {
  const test::TAsOrdinaryUser member({});
  return ErrorOf([&] {
    try {
      WriteWholeFile(within, file, bytes);
    } catch (const EFileLeftChanged&) {
      changed = true;
      throw;
    }
  });
}

// How a file is written: replaced by a temporary file, in place, or in place once its folder
// refused to let the written temporary file replace it.
enum class TWay { Replaced, InPlace, InPlaceAfterRenaming };

// A file and its folder as the member who writes it finds them.
struct TMemberLayout {
  const char* Name;
  TOwnership Folder, File;
  TWay Way;
};

void PrintTo(const TMemberLayout& row, std::ostream* os) { *os << row.Name; }

class MemberLayout : public ::testing::TestWithParam<TMemberLayout> {};

// Each layout meets a write that succeeds and writes that a file size limit cuts short: growing
// the file or shrinking it, with writes going on after the failure or none succeeding any more
// (a disk gone read-only). A replaced file gets the writer as owner and keeps its group and
// permissions; one written in place keeps all. A failed write leaves the file whole and says so;
// only in place, where the old bytes could not be put back, does it say what the file holds.
TEST_P(MemberLayout, IsWrittenKeepingGroupAndPermissionsAndAFailedWriteLeavesItWholeOrSaysWhatItHolds) {
  const TMemberLayout& row = GetParam();
  if (geteuid() != 0 && (row.Folder.Owner != Nobody || row.File.Owner != Nobody))
    GTEST_SKIP() << "only root makes files of other users";
  using enum test::TAfterFailure;
  const struct {
    const char* Name;
    qsizetype OldSize, NewSize;
    qint64 Limit;  // 0: none
    test::TAfterFailure After;
    bool InPlaceChanges;  // written in place, the file is changed: the new bytes up to the limit
  } writes[] = {
      {"written", 8000, 12000, 0, WritesGoOn, false},
      {"growing", 8000, 12000, 10000, WritesGoOn, false},
      {"growing, then no write", 8000, 12000, 10000, NoWriteSucceeds, false},
      {"shrinking", 8000, 6000, 4000, WritesGoOn, false},
      {"shrinking, then no write", 8000, 6000, 4000, NoWriteSucceeds, true},
  };
  const test::TTempFolder temp;
  Give(temp.Path(), {Root, RootGroup, 0755});
  for (const auto& write : writes) {
    SCOPED_TRACE(write.Name);
    const QString folder = temp.MakeDir(write.Name);
    const QByteArray old(write.OldSize, 'o'), bytes(write.NewSize, 'n');
    const QString file = temp.Write(QString(write.Name) + "/zindo.ini", old);
    Give(file, row.File);
    Give(folder, row.Folder);
    const TOwnership before = OwnershipOf(file);
    const ino_t inode = Inode(file);
    bool changed = false;
    QString message;
    {
      std::optional<test::TFileSizeLimit> limit;
      if (write.Limit) limit.emplace(write.Limit, write.After);
      message = WriteAsMember(temp.Path(), file, bytes, changed);
    }
    const bool inPlace = row.Way == TWay::InPlace || (row.Way == TWay::InPlaceAfterRenaming && !write.Limit);
    if (!write.Limit) {
      EXPECT_EQ(message.toStdString(), "");
      EXPECT_TRUE(test::ReadBytes(file) == bytes) << "the new content";
      const uid_t writer = geteuid() == 0 ? Nobody : geteuid();
      EXPECT_EQ(OwnershipOf(file), (TOwnership{inPlace ? before.Owner : writer, before.Group, before.Mode}));
      EXPECT_EQ(Inode(file) == inode, inPlace);
    } else if (inPlace && write.InPlaceChanges) {
      EXPECT_TRUE(changed);
      EXPECT_TRUE(test::ReadBytes(file) == bytes.left(write.Limit) + old.mid(write.Limit));
      EXPECT_EQ(message.toStdString(),
                QString("Could not write \"%1\": File too large. Lumox could not put it back as it was "
                        "(File too large): its first %2 bytes hold the new content, the other %3 "
                        "still the old.")
                    .arg(file)
                    .arg(write.Limit)
                    .arg(write.OldSize - write.Limit)
                    .toStdString());
    } else {
      EXPECT_FALSE(changed);
      EXPECT_TRUE(test::ReadBytes(file) == old) << "the old content";
      EXPECT_EQ(message.toStdString(),
                "Could not write \"" + file.toStdString() + "\": File too large. It was left as it was.");
      EXPECT_EQ(OwnershipOf(file), before);
      EXPECT_EQ(Inode(file), inode);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList("zindo.ini"))
        << "no temporary file";
    Give(folder, {row.Folder.Owner, row.Folder.Group, 0755});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Installations, MemberLayout,
    ::testing::Values(
        TMemberLayout{"OwnFile", {Nobody, NoGroup, 0755}, {Nobody, NoGroup, 0640}, TWay::Replaced},
        TMemberLayout{"OwnFileInAFolderThatTakesNoNewFile",
                      {Nobody, NoGroup, 0555},
                      {Nobody, NoGroup, 0640},
                      TWay::InPlace},
        TMemberLayout{
            "OthersFileInASharedFolder", {Root, NoGroup, 02770}, {Root, NoGroup, 0660}, TWay::Replaced},
        TMemberLayout{"OthersFileOfAGroupTheWriterIsNotIn",
                      {Root, RootGroup, 0777},
                      {Root, RootGroup, 0666},
                      TWay::InPlace},
        TMemberLayout{"OthersFileWhoseOwnerIsNotInItsGroup",
                      {Root, NoGroup, 02770},
                      {Daemon, NoGroup, 0660},
                      TWay::InPlace},
        TMemberLayout{"OthersFileInAStickyFolder",
                      {Root, NoGroup, 03770},
                      {Root, NoGroup, 0660},
                      TWay::InPlaceAfterRenaming}),
    [](const auto& info) { return std::string(info.param.Name); });

// A group shares the installation on a small disk with 8 KB free; a member saves 24 KB over
// another's 8 KB file, through a temporary file and, where the folder takes no new file, in place.
TEST(WriteGuardOnAFullDisk, AMembersWriteThatFindsNoRoomLeavesTheOthersFileWhole) {
  if (geteuid() != 0) GTEST_SKIP() << "only root mounts a file system and makes files of other users";
  if (const QString reason = test::WhyNoSmallFileSystem(); !reason.isEmpty())
    GTEST_SKIP() << reason.toStdString();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const test::TTempFolder disk;
  const auto writeOnAFullDisk = [&] {
    ASSERT_EQ(test::MountSmallFileSystem(disk.Path(), 24), "");
    const QByteArray old(8192, 'o');
    for (const auto& [folder, mode] : {std::pair("shared", 02770), std::pair("closed", 02750)}) {
      SCOPED_TRACE(folder);
      const QString file = disk.Write(QString(folder) + "/zindo.ini", old);
      Give(file, {Root, NoGroup, 0660});
      Give(disk.File(folder), {Root, NoGroup, mode_t(mode)});
    }
    for (const char* folder : {"shared", "closed"}) {
      SCOPED_TRACE(folder);
      const QString file = disk.File(QString(folder) + "/zindo.ini");
      bool changed = false;
      EXPECT_EQ(
          WriteAsMember(disk.Path(), file, QByteArray(24576, 'n'), changed).toStdString(),
          "Could not write \"" + file.toStdString() + "\": No space left on device. It was left as it was.");
      EXPECT_TRUE(test::ReadBytes(file) == old) << "the old content";
      EXPECT_EQ(QDir(disk.File(folder)).entryList(QDir::Files | QDir::Hidden), QStringList("zindo.ini"));
    }
  };
  EXPECT_EXIT((writeOnAFullDisk(), std::_Exit(::testing::Test::HasFailure())), ::testing::ExitedWithCode(0),
              "");
}

TEST(OpenBeneath, FollowsNoLinkWhetherTheKernelOrAWalkResolvesThePath) {
  test::TTempFolder folder;
  folder.Write("a/b/file", "");
  ASSERT_EQ(::symlink("b", QFile::encodeName(folder.File("a/link")).constData()), 0);
  ASSERT_EQ(::symlink("file", QFile::encodeName(folder.File("a/b/linked")).constData()), 0);
  const TFileDescriptor root(::open(QFile::encodeName(folder.File("a")).constData(), O_PATH | O_DIRECTORY));
  for (const TResolve resolve : {TResolve::Kernel, TResolve::Walk}) {
    EXPECT_TRUE(TFileDescriptor(OpenBeneath(root.Get(), "b/file", O_RDONLY, resolve)).IsOpen());
    EXPECT_TRUE(TFileDescriptor(OpenBeneath(root.Get(), "", O_PATH | O_DIRECTORY, resolve)).IsOpen());
    for (const char* refused : {"link/file", "b/linked", "../a/b/file", "link"})
      EXPECT_FALSE(TFileDescriptor(OpenBeneath(root.Get(), refused, O_RDONLY, resolve)).IsOpen()) << refused;
  }
}

}  // namespace
}  // namespace lumox
